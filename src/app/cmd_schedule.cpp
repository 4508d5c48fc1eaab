// hp schedule --balance 100000 --rentals 24 --rental 5000 --delivery 2024-01-31
//             [--format text|csv|json]
// The interest schedule of a balance repaid by monthly rentals, without a
// database. The work is in processing/schedule_report; this only wires the
// command line to it.
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/commands.h"
#include "processing/schedule_report.h"

namespace hp::app {
namespace {

struct ScheduleOptions {
  std::string balance, rentals, rental, delivery;
  std::string format = "text";
};

void AddScheduleCommand(CLI::App& app, int& exit_code) {
  auto options = std::make_shared<ScheduleOptions>();
  CLI::App* cmd = app.add_subcommand("schedule", "Interest schedule of a balance repaid by rentals");
  // The options are taken as plain text and checked by the report itself, so
  // that each problem is told in one line with the argument that caused it.
  CLI::Option* balance = cmd->add_option("--balance", options->balance, "Balance, e.g. 100000");
  CLI::Option* rentals = cmd->add_option("--rentals", options->rentals, "Number of rentals, e.g. 24");
  CLI::Option* rental = cmd->add_option("--rental", options->rental, "Rental amount, e.g. 5000");
  CLI::Option* delivery =
      cmd->add_option("--delivery", options->delivery, "Delivery date, yyyy-mm-dd");
  CLI::Option* format = cmd->add_option("--format", options->format, "text (default), csv or json");
  // Given twice, the last one counts, as in most tools.
  for (CLI::Option* opt : {balance, rentals, rental, delivery, format})
    opt->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  cmd->callback([=, &exit_code] {
    processing::ScheduleArguments args;
    auto given = [](CLI::Option* opt, const std::string& value) {
      return opt->count() > 0 ? std::optional<std::string>(value) : std::nullopt;
    };
    args.balance = given(balance, options->balance);
    args.rentals = given(rentals, options->rentals);
    args.rental = given(rental, options->rental);
    args.delivery = given(delivery, options->delivery);
    args.format = options->format;
    exit_code = processing::RunScheduleReport(args, std::cout, std::cerr);
  });
}

}  // namespace

static const CommandRegistrar registrar{"schedule", &AddScheduleCommand};

}  // namespace hp::app
