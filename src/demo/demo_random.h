// The demo data's random numbers: splitmix64, written out here so that a seed
// gives the same database on every compiler and standard library (the
// distributions of <random> are not specified bit for bit).
//
// Each record draws from its own stream, Stream(seed, kind, index), so that
// the records of one kind do not shift when another kind draws more numbers,
// and the first invoices stay the same when more invoices are asked for.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hp::demo {

class DemoRandom {
 public:
  explicit DemoRandom(std::uint64_t state) : state_(state) {}

  // The stream of record `index` of kind `kind` (a letter, e.g. 'I').
  static DemoRandom Stream(std::uint64_t seed, char kind, std::uint64_t index) {
    DemoRandom mix(seed * 0x9E3779B97F4A7C15ull + static_cast<std::uint64_t>(kind));
    DemoRandom stream(mix.Next() ^ (index * 0xD1B54A32D192ED03ull));
    stream.Next();
    return stream;
  }

  std::uint64_t Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // A whole number from lo to hi, both included (lo <= hi).
  long Between(long lo, long hi) {
    const auto span = static_cast<std::uint64_t>(hi - lo) + 1;
    // The high half of a 64x64 product: unbiased enough for demo data and
    // free of the modulo's bias towards small values.
    __extension__ typedef unsigned __int128 Wide;
    const auto scaled = static_cast<std::uint64_t>((static_cast<Wide>(Next()) * span) >> 64);
    return lo + static_cast<long>(scaled);
  }

  // A number in [0, 1) with 53 random bits.
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

  // True with probability p.
  bool Chance(double p) { return Unit() < p; }

  // A number in [lo, hi).
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Unit(); }

  // One element of a non-empty array.
  template <typename T, std::size_t N>
  const T& Pick(const T (&items)[N]) {
    return items[Between(0, static_cast<long>(N) - 1)];
  }

 private:
  std::uint64_t state_;
};

}  // namespace hp::demo
