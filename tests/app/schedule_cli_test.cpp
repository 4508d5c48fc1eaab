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

ScheduleArguments Args(const char* format = "text") {
  ScheduleArguments a;
  a.balance = "100000";
  a.rentals = "24";
  a.rental = "5000";
  a.delivery = "2024-01-31";
  a.format = format;
  return a;
}

struct Outcome {
  int status;
  std::string out, err;
};

Outcome RunReport(const ScheduleArguments& args) {
  std::ostringstream out, err;
  const int status = RunScheduleReport(args, out, err);
  return {status, out.str(), err.str()};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(ScheduleCliTest, CsvHasTheHeaderAndOneRowPerRental) {
  const Outcome run = RunReport(Args("csv"));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const auto lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 25u);
  EXPECT_EQ(lines[0], "rental_no,cheque_date,capital,rental,interest,capital_repayment,capital_balance");
  EXPECT_EQ(lines[1], "1,2024-02-29,100000,5000.00,1513.08,3486.92,96513.08");
  EXPECT_EQ(lines[2], "2,2024-03-31,96513.08,5000.00,1460.32,3539.68,92973.4");
  EXPECT_EQ(lines[3].substr(0, 30), "3,2024-04-30,92973.4,5000.00,1");
  EXPECT_EQ(lines[24].substr(0, 13), "24,2026-01-31");
}

TEST(ScheduleCliTest, JsonCarriesTheRatesTotalsAndLinesAsTexts) {
  const Outcome run = RunReport(Args("json"));
  ASSERT_EQ(run.status, 0) << run.err;
  const auto doc = nlohmann::json::parse(run.out);
  EXPECT_EQ(doc["rate"].get<std::string>().substr(0, 12), "0.0151308439");
  EXPECT_EQ(doc["monthly_rate"], "1.51");
  EXPECT_EQ(doc["interest_rate"], "18.16");
  EXPECT_EQ(doc["total_rental"], "120000.00");
  ASSERT_EQ(doc["lines"].size(), 24u);
  const auto& second = doc["lines"][1];
  EXPECT_EQ(second["rental_no"], "2");
  EXPECT_EQ(second["cheque_date"], "2024-03-31");
  EXPECT_EQ(second["capital"], "96513.08");
  EXPECT_EQ(second["interest"], "1460.32");
  EXPECT_EQ(second["capital_repayment"], "3539.68");
  EXPECT_EQ(second["capital_balance"], "92973.4");

  // The same figures as the csv and the table.
  const Outcome csv = RunReport(Args("csv"));
  const auto rows = Lines(csv.out);
  for (size_t i = 0; i < 24; ++i) {
    const auto& line = doc["lines"][i];
    std::string joined;
    for (const char* key : {"rental_no", "cheque_date", "capital", "rental", "interest",
                            "capital_repayment", "capital_balance"}) {
      if (!joined.empty()) joined += ',';
      joined += line[key].get<std::string>();
    }
    EXPECT_EQ(joined, rows[i + 1]);
  }
  const Outcome text = RunReport(Args("text"));
  for (const char* key : {"total_rental", "total_interest", "total_capital"})
    EXPECT_NE(text.out.find(doc[key].get<std::string>()), std::string::npos) << key;
}

TEST(ScheduleCliTest, TextIsAnAlignedTableWithRatesAndTotals) {
  ScheduleArguments args = Args();
  args.format = "text";
  const Outcome run = RunReport(args);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto lines = Lines(run.out);
  const auto header = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("Rental No", 0) == 0;
  });
  ASSERT_NE(header, lines.end());
  // The header and the 24 rows have the same width: every column is padded.
  for (auto it = header; it != header + 25; ++it) EXPECT_EQ(it->size(), header->size()) << *it;
  EXPECT_NE((header + 1)->find("96513.08"), std::string::npos);
  EXPECT_NE(run.out.find("Monthly Rate:"), std::string::npos);
  EXPECT_NE(run.out.find("1.51"), std::string::npos);
  EXPECT_NE(run.out.find("18.16"), std::string::npos);
  EXPECT_NE(run.out.find("Total Rental:     120000.00"), std::string::npos) << run.out;
  // text is the default
  ScheduleArguments defaulted = Args();
  defaulted.format = ScheduleArguments{}.format;
  EXPECT_EQ(RunReport(defaulted).out, run.out);
}

TEST(ScheduleCliTest, BadArgumentsGiveOneLineOnStderrAndStatusTwo) {
  struct Case {
    const char* what;
    void (*change)(ScheduleArguments&);
    const char* named;
  };
  const Case cases[] = {
      {"missing balance", [](ScheduleArguments& a) { a.balance.reset(); }, "--balance"},
      {"letters for balance", [](ScheduleArguments& a) { a.balance = "lots"; }, "--balance"},
      {"missing rentals", [](ScheduleArguments& a) { a.rentals.reset(); }, "--rentals"},
      {"zero rentals", [](ScheduleArguments& a) { a.rentals = "0"; }, "--rentals"},
      {"negative rentals", [](ScheduleArguments& a) { a.rentals = "-3"; }, "--rentals"},
      {"fractional rentals", [](ScheduleArguments& a) { a.rentals = "12.5"; }, "--rentals"},
      {"letters for rentals", [](ScheduleArguments& a) { a.rentals = "two"; }, "--rentals"},
      {"missing rental", [](ScheduleArguments& a) { a.rental.reset(); }, "--rental"},
      {"letters for rental", [](ScheduleArguments& a) { a.rental = "5k"; }, "--rental"},
      {"missing delivery", [](ScheduleArguments& a) { a.delivery.reset(); }, "--delivery"},
      {"no such day", [](ScheduleArguments& a) { a.delivery = "2024-02-30"; }, "--delivery"},
      {"not a date", [](ScheduleArguments& a) { a.delivery = "soon"; }, "--delivery"},
      {"unknown format", [](ScheduleArguments& a) { a.format = "xml"; }, "--format"},
      {"zero rental", [](ScheduleArguments& a) { a.rental = "0"; }, "rate"},
      {"rental of the wrong sign", [](ScheduleArguments& a) { a.rental = "-5000"; }, "rate"},
  };
  for (const auto& c : cases) {
    ScheduleArguments args = Args("csv");
    c.change(args);
    const Outcome run = RunReport(args);
    EXPECT_EQ(run.status, 2) << c.what;
    EXPECT_EQ(run.out, "") << c.what;
    ASSERT_FALSE(run.err.empty()) << c.what;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.what << ": " << run.err;
    EXPECT_EQ(run.err.back(), '\n') << c.what;
    EXPECT_NE(run.err.find(c.named), std::string::npos) << c.what << ": " << run.err;
  }
}

TEST(ScheduleCliTest, AmountsBecomeBoxTextsAndTheDateMayBeTheShortDate) {
  ScheduleArguments args = Args("csv");
  args.balance = "1e5";
  args.rental = "5000.004";
  args.delivery = "31/01/2024";
  const Outcome run = RunReport(args);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Lines(run.out)[1], "1,2024-02-29,100000,5000.00,1513.08,3486.92,96513.08");
}

}  // namespace
}  // namespace hp::processing
