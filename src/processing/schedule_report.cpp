#include "processing/schedule_report.h"

#include <algorithm>
#include <array>
#include <ostream>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "platform/text/date_text.h"
#include "platform/text/number_text.h"

namespace hp::processing {
namespace {

constexpr std::array<const char*, 7> kCsvColumns = {
    "rental_no", "cheque_date", "capital", "rental", "interest", "capital_repayment",
    "capital_balance"};

// The seven reported cells of a line, in the csv column order.
std::array<std::string, 7> Cells(const ScheduleLine& line) {
  return {line.rental_no_text, text::IsoDate(line.due_date), line.capital, line.rental,
          line.interest,       line.capital_repayment,       line.capital_balance};
}

const std::string& Required(const std::optional<std::string>& value, const char* name) {
  if (!value) throw ScheduleError(fmt::format("{} is required", name));
  return *value;
}

std::string Amount(const std::optional<std::string>& value, const char* name) {
  const std::string& typed = Required(value, name);
  const auto number = text::ParseNumber(typed);
  if (!number) throw ScheduleError(fmt::format("{} \"{}\" is not a number", name, typed));
  return text::Format00(*number);
}

std::string RenderText(const ScheduleInput& input, const Schedule& s) {
  std::string out;
  auto field = [&out](const char* caption, const std::string& value) {
    fmt::format_to(std::back_inserter(out), "{:<18}{}\n", caption, value);
  };
  field("Balance:", input.balance);
  field("No of Rentals:", input.rentals);
  field("Rental Amount:", input.rental);
  field("Monthly Rate:", fmt::format("{} %  (r = {})", s.rates.monthly_rate, s.rates.rate));
  field("Rate of Interest:", s.rates.interest_rate + " %");
  out += '\n';

  constexpr std::array<const char*, 7> kHeaders = {
      "Rental No", "Cheque Date", "Capital", "Rental", "Interest", "Capital Repayment",
      "Capital Balance"};
  std::vector<std::array<std::string, 7>> rows;
  rows.reserve(s.lines.size());
  std::array<size_t, 7> width{};
  for (size_t c = 0; c < kHeaders.size(); ++c) width[c] = std::string_view(kHeaders[c]).size();
  for (const ScheduleLine& line : s.lines) {
    rows.push_back(Cells(line));
    for (size_t c = 0; c < width.size(); ++c) width[c] = std::max(width[c], rows.back()[c].size());
  }
  // Figures right-aligned, the date left-aligned, two blanks between columns.
  auto write_row = [&](auto cell_of) {
    std::string row;
    for (size_t c = 0; c < width.size(); ++c) {
      if (c > 0) row += "  ";
      if (c == 1) {
        fmt::format_to(std::back_inserter(row), "{:<{}}", cell_of(c), width[c]);
      } else {
        fmt::format_to(std::back_inserter(row), "{:>{}}", cell_of(c), width[c]);
      }
    }
    while (!row.empty() && row.back() == ' ') row.pop_back();
    out += row;
    out += '\n';
  };
  write_row([&](size_t c) { return std::string_view(kHeaders[c]); });
  for (const auto& row : rows) write_row([&](size_t c) { return std::string_view(row[c]); });
  out += '\n';
  field("Total Rental:", s.totals.total_rental);
  field("Total Interest:", s.totals.total_interest);
  field("Total Capital:", s.totals.total_capital);
  return out;
}

std::string RenderCsv(const Schedule& s) {
  std::string out;
  for (size_t c = 0; c < kCsvColumns.size(); ++c) {
    if (c > 0) out += ',';
    out += kCsvColumns[c];
  }
  out += '\n';
  // Every cell is a number or a date: nothing needs quoting.
  for (const ScheduleLine& line : s.lines) {
    const auto cells = Cells(line);
    for (size_t c = 0; c < cells.size(); ++c) {
      if (c > 0) out += ',';
      out += cells[c];
    }
    out += '\n';
  }
  return out;
}

std::string RenderJson(const Schedule& s) {
  nlohmann::ordered_json doc;
  doc["rate"] = s.rates.rate;
  doc["monthly_rate"] = s.rates.monthly_rate;
  doc["interest_rate"] = s.rates.interest_rate;
  doc["total_rental"] = s.totals.total_rental;
  doc["total_interest"] = s.totals.total_interest;
  doc["total_capital"] = s.totals.total_capital;
  nlohmann::ordered_json lines = nlohmann::ordered_json::array();
  for (const ScheduleLine& line : s.lines) {
    const auto cells = Cells(line);
    nlohmann::ordered_json row;
    for (size_t c = 0; c < cells.size(); ++c) row[kCsvColumns[c]] = cells[c];
    lines.push_back(std::move(row));
  }
  doc["lines"] = std::move(lines);
  return doc.dump(2) + "\n";
}

// An error message on one line, whatever it quotes.
std::string OneLine(std::string message) {
  std::replace(message.begin(), message.end(), '\n', ' ');
  std::replace(message.begin(), message.end(), '\r', ' ');
  return message;
}

}  // namespace

ScheduleRequest CheckScheduleArguments(const ScheduleArguments& args) {
  ScheduleRequest request;
  request.input.balance = Amount(args.balance, "--balance");
  const std::string& rentals = Required(args.rentals, "--rentals");
  try {
    LineCount(rentals);
  } catch (const ScheduleError&) {
    throw ScheduleError(
        fmt::format("--rentals \"{}\" is not a whole number of rentals from 1 to 32767", rentals));
  }
  request.input.rentals = rentals;
  request.input.rental = Amount(args.rental, "--rental");
  const std::string& delivery = Required(args.delivery, "--delivery");
  const auto date = text::ParseDate(delivery);
  if (!date)
    throw ScheduleError(fmt::format("--delivery \"{}\" is not a date (yyyy-mm-dd)", delivery));
  request.input.delivery_date = text::IsoDate(*date);
  if (args.format == "text") {
    request.format = ReportFormat::kText;
  } else if (args.format == "csv") {
    request.format = ReportFormat::kCsv;
  } else if (args.format == "json") {
    request.format = ReportFormat::kJson;
  } else {
    throw ScheduleError(fmt::format("--format \"{}\" is not one of text, csv, json", args.format));
  }
  return request;
}

std::string RenderSchedule(const ScheduleInput& input, const Schedule& schedule,
                           ReportFormat format) {
  switch (format) {
    case ReportFormat::kCsv:
      return RenderCsv(schedule);
    case ReportFormat::kJson:
      return RenderJson(schedule);
    case ReportFormat::kText:
      break;
  }
  return RenderText(input, schedule);
}

int RunScheduleReport(const ScheduleArguments& args, std::ostream& out, std::ostream& err) {
  std::string report;
  try {
    const ScheduleRequest request = CheckScheduleArguments(args);
    // No cheque register outside the screens.
    const Schedule schedule = ComputeSchedule(request.input, ChequeLookup{});
    report = RenderSchedule(request.input, schedule, request.format);
  } catch (const ScheduleError& e) {
    err << OneLine(e.what()) << '\n';
    return 2;
  } catch (const std::exception& e) {
    err << OneLine(std::string("schedule failed: ") + e.what()) << '\n';
    return 1;
  }
  out << report;
  out.flush();
  return out ? 0 : 1;
}

}  // namespace hp::processing
