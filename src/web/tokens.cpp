#include "web/tokens.h"

#include <sodium.h>

#include <mutex>
#include <stdexcept>

namespace hp::web {
namespace {

void InitSodium() {
  static std::once_flag once;
  static int rc = 0;
  std::call_once(once, [] { rc = sodium_init(); });
  if (rc < 0) throw std::runtime_error("the random source could not be initialised");
}

std::string Hex(const unsigned char* bytes, size_t n) {
  std::string out(n * 2 + 1, '\0');
  sodium_bin2hex(out.data(), out.size(), bytes, n);
  out.resize(n * 2);
  return out;
}

}  // namespace

std::string NewToken() {
  InitSodium();
  unsigned char bytes[32];
  randombytes_buf(bytes, sizeof bytes);
  return Hex(bytes, sizeof bytes);
}

bool SameToken(std::string_view a, std::string_view b) {
  if (a.size() != b.size() || a.empty()) return false;
  return sodium_memcmp(a.data(), b.data(), a.size()) == 0;
}

std::string TokenDigest(std::string_view token) {
  InitSodium();
  unsigned char out[crypto_generichash_BYTES];
  crypto_generichash(out, sizeof out, reinterpret_cast<const unsigned char*>(token.data()), token.size(), nullptr,
                     0);
  return Hex(out, sizeof out);
}

}  // namespace hp::web
