// The 360-line schedule against the text conversions it cannot avoid.
//
// Each line writes four figures as plain number text and reads each back
// (capital, interest, repayment, balance): 4 x 360 = 1440 double-to-text and
// 1440 text-to-double conversions. Around the lines there are a few more: the
// three boxes read (the count twice), the rate written and read back, the two
// rate boxes, the rental and cheque amount written and read back, the monthly
// column, the three totals: 9 writes and 7 reads. BM_Conversions does exactly
// that many bare std::to_chars / std::from_chars round trips on values like
// the schedule's; the ratio of BM_Schedule360 to it is the price of everything
// else (15-digit rounding, the fixed layouts, dates, the rate, the lines'
// strings and callbacks).
#include <benchmark/benchmark.h>

#include <charconv>
#include <string>
#include <vector>

#include "platform/finance/annuity_rate.h"
#include "platform/text/number_text.h"
#include "processing/schedule.h"

namespace {

constexpr int kLines = 360;
constexpr int kWrites = 4 * kLines + 9;
constexpr int kReads = 4 * kLines + 7;

const hp::processing::ScheduleInput kInput{"1000000.00", "360", "10286.13", "2024-01-31"};

// The figures of the schedule itself, so that the bare conversions work on
// texts of the same lengths.
std::vector<double> ScheduleFigures() {
  std::vector<double> figures;
  const auto s = hp::processing::ComputeSchedule(kInput, {});
  for (const auto& line : s.lines) {
    for (const std::string* t : {&line.capital, &line.interest, &line.capital_repayment,
                                 &line.capital_balance})
      figures.push_back(hp::text::NumberOf(*t));
  }
  while (figures.size() < static_cast<size_t>(kWrites)) figures.push_back(figures.back());
  return figures;
}

void BM_Schedule360(benchmark::State& state) {
  const hp::processing::ChequeLookup no_cheques = [](const hp::text::Date&) {
    return hp::processing::ChequeRef{};
  };
  hp::processing::ScheduleSink sink;
  sink.line = [](const hp::processing::ScheduleLine& line) {
    benchmark::DoNotOptimize(line.capital_balance.data());
  };
  for (auto _ : state) {
    auto totals = hp::processing::RunSchedule(kInput, no_cheques, sink);
    benchmark::DoNotOptimize(totals);
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_Schedule360);

void BM_Conversions(benchmark::State& state) {
  const std::vector<double> figures = ScheduleFigures();
  char buf[64];
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < kWrites; ++i) {
      const auto res = std::to_chars(buf, buf + sizeof buf, figures[i]);
      if (i < kReads) {
        double v;
        std::from_chars(buf, res.ptr, v);
        sum += v;
      }
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_Conversions);

// The same count through our own number texts, to show their share.
void BM_NumberTextRoundTrips(benchmark::State& state) {
  const std::vector<double> figures = ScheduleFigures();
  for (auto _ : state) {
    double sum = 0;
    for (int i = 0; i < kWrites; ++i) {
      const std::string text = hp::text::PlainNumber(figures[i]);
      if (i < kReads) sum += *hp::text::ParseNumber(text);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_NumberTextRoundTrips);

void BM_AnnuityRate360(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(hp::finance::AnnuityRate(360, -10286.13, 1000000));
}
BENCHMARK(BM_AnnuityRate360);

}  // namespace

BENCHMARK_MAIN();
