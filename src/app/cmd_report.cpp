// hp report --database PATH --processing ID -o FILE.pdf [--company N] [--user NAME]
// The processing report of one processing written to a PDF file, as the
// register's Preview shows it. The database is opened as the module opens it
// (an SQLite file, or a PostgreSQL URL whose password comes from the
// environment); the report itself is register/report_preview.
//
// Exit status: 0 written; 2 bad arguments, no database file or no such
// processing; 1 any other failure (a query, drawing or writing the file). A
// failure is told in one line on stderr and leaves no output file behind.
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "app/commands.h"
#include "platform/db/connection.h"
#include "platform/text/number_text.h"
#include "register/report_preview.h"

namespace hp::app {
namespace {

struct ReportOptions {
  std::string database, processing, output, company, user;
};

int Fail(int code, std::string message) {
  for (char& ch : message)
    if (ch == '\n' || ch == '\r') ch = ' ';
  std::cerr << "hp report: " << message << "\n";
  return code;
}

// A whole number from `low` to `high` typed as an argument.
std::optional<std::int64_t> WholeArgument(const std::string& text, std::int64_t low, std::int64_t high) {
  std::optional<double> v = hp::text::ParseNumber(text);
  if (!v || *v != std::floor(*v) || *v < static_cast<double>(low) || *v > static_cast<double>(high))
    return std::nullopt;
  return static_cast<std::int64_t>(*v);
}

bool IsUrl(const std::string& s) { return s.rfind("postgresql://", 0) == 0 || s.rfind("postgres://", 0) == 0; }

// The company a processing belongs to. Identifiers are drawn over the whole
// header table, so the identifier alone names one processing.
std::optional<int> CompanyOf(db::Connection& con, std::int32_t id) {
  db::Recordset rs = con.Open("select hphCompanyID from aHpProcessingHeader where hphProcessingID=?",
                              {static_cast<std::int64_t>(id)});
  if (rs.Eof()) return std::nullopt;
  return static_cast<int>(db::AsInt(rs.Field(0)));
}

int RunReport(const ReportOptions& o, bool company_given) {
  if (o.database.empty()) return Fail(2, "--database needs the database file or URL");
  if (o.processing.empty()) return Fail(2, "--processing needs the processing identifier");
  if (o.output.empty()) return Fail(2, "-o needs the name of the PDF file to write");
  const auto id = WholeArgument(o.processing, 1, std::numeric_limits<std::int32_t>::max());
  if (!id) return Fail(2, "--processing \"" + o.processing + "\" is not a processing identifier");
  std::optional<std::int64_t> company;
  if (company_given) {
    company = WholeArgument(o.company, 0, std::numeric_limits<std::int32_t>::max());
    if (!company) return Fail(2, "--company \"" + o.company + "\" is not a company identifier");
  }
  if (!IsUrl(o.database) && !std::filesystem::is_regular_file(o.database))
    return Fail(2, "no database file " + o.database);

  const auto processing_id = static_cast<std::int32_t>(*id);
  std::string pdf;
  try {
    std::unique_ptr<db::Connection> con = db::OpenDatabase(o.database);
    if (!company) {
      std::optional<int> found = CompanyOf(*con, processing_id);
      if (!found) return Fail(2, "Processing " + o.processing + " was not found");
      company = *found;
    }
    const int company_id = static_cast<int>(*company);
    const bool after = reg::IsAfterSettlement(*con, company_id, processing_id);
    // No session department here: the processing is found in whichever of the
    // company's departments it belongs to.
    const reg::ReportRequest req = reg::MakeReportRequest(o.user, company_id, 0, processing_id, after);
    pdf = reg::RenderProcessingReport(*con, req);
  } catch (const reg::ProcessingNotFound& e) {
    return Fail(2, e.what());
  } catch (const std::exception& e) {
    return Fail(1, e.what());
  }

  {
    std::ofstream out(o.output, std::ios::binary | std::ios::trunc);
    if (out) out.write(pdf.data(), static_cast<std::streamsize>(pdf.size()));
    if (out) out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(o.output, ignored);
      return Fail(1, "could not write " + o.output);
    }
  }
  return 0;
}

void AddReportCommand(CLI::App& app, int& exit_code) {
  auto options = std::make_shared<ReportOptions>();
  CLI::App* cmd = app.add_subcommand("report", "The processing report of one processing as a PDF file");
  // Every argument is taken as text and checked by RunReport, so that each
  // problem (a missing one included) is told in one line naming it.
  cmd->add_option("--database", options->database, "SQLite file or postgresql:// URL (required)");
  cmd->add_option("--processing", options->processing, "Processing identifier (required)");
  cmd->add_option("-o,--output", options->output, "PDF file to write (required)");
  CLI::Option* company =
      cmd->add_option("--company", options->company, "Company identifier (default: the processing's own)");
  cmd->add_option("--user", options->user, "User name printed on the report (default: none)");
  cmd->callback([=, &exit_code] { exit_code = RunReport(*options, company->count() > 0); });
}

}  // namespace

static const CommandRegistrar registrar{"report", &AddReportCommand};

}  // namespace hp::app
