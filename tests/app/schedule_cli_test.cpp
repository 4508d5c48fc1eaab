// `hp schedule` through the report core that the command wraps.
#include "processing/schedule_report.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace hp::processing {
namespace {

// The worked example: 100000 over 24 rentals of 5000, delivered 2024-01-31.
const ScheduleArguments kExample{"100000", "24", "5000", "2024-01-31"};

struct Outcome {
  int status;
  std::string out, err;
  std::vector<std::string> lines;
};
Outcome Report(ScheduleArguments args, const char* format = nullptr) {
  if (format) args.format = format;
  std::ostringstream out, err;
  Outcome o{RunScheduleReport(args, out, err), out.str(), err.str(), {}};
  std::istringstream in(o.out);
  for (std::string line; std::getline(in, line);) o.lines.push_back(line);
  return o;
}

TEST(ScheduleCliTest, CsvHasTheHeaderAndOneRowPerRental) {
  // Amounts become the boxes' texts, and the date may be the short date.
  for (const ScheduleArguments& args : {kExample, ScheduleArguments{"1e5", "24", "5000.004", "31/01/2024"}}) {
    SCOPED_TRACE(*args.balance);
    const Outcome run = Report(args, "csv");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(run.lines.size(), 25u);
    EXPECT_EQ(run.lines[0], "rental_no,cheque_date,capital,rental,interest,capital_repayment,capital_balance");
    EXPECT_EQ(run.lines[1], "1,2024-02-29,100000,5000.00,1513.08,3486.92,96513.08");
    EXPECT_EQ(run.lines[2], "2,2024-03-31,96513.08,5000.00,1460.32,3539.68,92973.4");
    EXPECT_EQ(run.lines[3].substr(0, 30), "3,2024-04-30,92973.4,5000.00,1");
    EXPECT_EQ(run.lines[24].substr(0, 13), "24,2026-01-31");
  }
}

TEST(ScheduleCliTest, JsonCarriesTheRatesTotalsAndLinesAsTexts) {
  const Outcome run = Report(kExample, "json");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["rate"].get<std::string>().substr(0, 12), "0.0151308439");
  EXPECT_EQ(doc["monthly_rate"], "1.51");
  EXPECT_EQ(doc["interest_rate"], "18.16");
  EXPECT_EQ(doc["total_rental"], "120000.00");
  ASSERT_EQ(doc["lines"].size(), 24u);
  // The same figures as the csv and the table.
  const Outcome csv = Report(kExample, "csv"), text = Report(kExample, "text");
  for (size_t i = 0; i < 24; ++i) {
    std::string joined;
    for (const char* key : {"rental_no", "cheque_date", "capital", "rental", "interest", "capital_repayment",
                            "capital_balance"})
      joined += (joined.empty() ? "" : ",") + doc["lines"][i][key].get<std::string>();
    EXPECT_EQ(joined, csv.lines.at(i + 1));
  }
  for (const char* key : {"total_rental", "total_interest", "total_capital"})
    EXPECT_NE(text.out.find(doc[key].get<std::string>()), std::string::npos) << key;
}

TEST(ScheduleCliTest, TextIsTheDefaultAnAlignedTableWithRatesAndTotals) {
  const Outcome run = Report(kExample, "text");
  ASSERT_EQ(run.status, 0) << run.err;
  const auto header = std::find_if(run.lines.begin(), run.lines.end(),
                                   [](const std::string& l) { return l.rfind("Rental No", 0) == 0; });
  ASSERT_GE(run.lines.end() - header, 25);
  // The header and the 24 rows have the same width: every column is padded.
  for (auto it = header; it != header + 25; ++it) EXPECT_EQ(it->size(), header->size()) << *it;
  EXPECT_NE((header + 1)->find("96513.08"), std::string::npos);
  for (const char* shown : {"Monthly Rate:", "1.51", "18.16", "Total Rental:     120000.00"})
    EXPECT_NE(run.out.find(shown), std::string::npos) << shown << " in\n" << run.out;
  EXPECT_EQ(Report(kExample).out, run.out);
}

TEST(ScheduleCliTest, BadArgumentsGiveOneLineOnStderrAndStatusTwo) {
  using A = ScheduleArguments;
  const std::tuple<const char*, void (*)(A&), const char*> cases[] = {
      {"missing balance", [](A& a) { a.balance.reset(); }, "--balance"},
      {"letters for balance", [](A& a) { a.balance = "lots"; }, "--balance"},
      {"missing rentals", [](A& a) { a.rentals.reset(); }, "--rentals"},
      {"zero rentals", [](A& a) { a.rentals = "0"; }, "--rentals"},
      {"negative rentals", [](A& a) { a.rentals = "-3"; }, "--rentals"},
      {"fractional rentals", [](A& a) { a.rentals = "12.5"; }, "--rentals"},
      {"letters for rentals", [](A& a) { a.rentals = "two"; }, "--rentals"},
      {"missing rental", [](A& a) { a.rental.reset(); }, "--rental"},
      {"letters for rental", [](A& a) { a.rental = "5k"; }, "--rental"},
      {"missing delivery", [](A& a) { a.delivery.reset(); }, "--delivery"},
      {"no such day", [](A& a) { a.delivery = "2024-02-30"; }, "--delivery"},
      {"not a date", [](A& a) { a.delivery = "soon"; }, "--delivery"},
      {"unknown format", [](A& a) { a.format = "xml"; }, "--format"},
      {"zero rental", [](A& a) { a.rental = "0"; }, "rate"},
      {"rental of the wrong sign", [](A& a) { a.rental = "-5000"; }, "rate"},
  };
  for (const auto& [what, change, named] : cases) {
    SCOPED_TRACE(what);
    A args = kExample;
    args.format = "csv";
    change(args);
    const Outcome run = Report(args);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.back(), '\n');
    EXPECT_NE(run.err.find(named), std::string::npos) << run.err;
  }
}

}  // namespace
}  // namespace hp::processing
