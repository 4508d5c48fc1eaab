// The processing report: what the register's Preview hands to the report (its
// five parameters, the selection and the preview window's title) and the report
// itself, an A4 portrait PDF of one processing read from the view
// vwHPProcessingWithAllDetails.
//
// The report shows the header figures of the processing, its whole rental
// schedule with totals, and, by kind of processing, either the discounted cash
// flow with the adjustment to the carrying amount (a re-processing) or the
// figures stored at re-processing after settlement. Every figure is written
// through the text layer ("0.00", short dates), so the report reads as the
// screens do.
//
// Errors: ReportError (this layer's one exception type) for a request that
// does not name a processing the database holds (ProcessingNotFound) or a PDF
// that cannot be drawn; db::DbError passes through unchanged.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/db/connection.h"

namespace hp::shell {
class BasModule;
}

namespace hp::reg {

class ReportError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The request names a processing that is not there for its company (and its
// department, when the request restricts one: `department` not 0).
class ProcessingNotFound : public ReportError {
 public:
  ProcessingNotFound(std::int32_t processing_id, int company, int department = 0);
  std::int32_t processing_id() const { return processing_id_; }
  int company() const { return company_; }

 private:
  std::int32_t processing_id_;
  int company_;
};

// Report names (parameter 1) and window titles.
inline constexpr char kReportProcessing[] = "HP Processing";
inline constexpr char kReportAfterSettlement[] = "HP ReProcessing After settlement";
inline constexpr char kTitleProcessing[] = "HP Processing";
inline constexpr char kTitleAfterSettlement[] = "HP ReProcessing";
// Parameter 4 of a re-processing after settlement.
inline constexpr char kTransTypeAfterSettlement[] = "HPRAS";

struct ReportParameter {
  std::string name;
  std::string value;
};

// The rows the report shows: one processing, restricted to a department only
// when `department` is not 0.
struct ReportSelection {
  int department = 0;
  std::int32_t processing_id = 0;
};

struct ReportRequest {
  // In index order: 0 "strUserName" (the user's name), 1 "strReportname",
  // 2 "IntCompanyId", 3 "strTransId" ("0", or the identifier after
  // settlement), 4 "StrTransType" ("" or "HPRAS").
  std::array<ReportParameter, 5> parameters;
  ReportSelection selection;
  std::string title;  // the preview window's title

  // The value of the named parameter (names compared exactly). Throws
  // ReportError when the request has no such parameter.
  const std::string& Parameter(std::string_view name) const;
  // Parameter 2 as a number. Throws ReportError when it is not a whole number.
  int Company() const;
};

// The request for a processing whose kind is known.
ReportRequest MakeReportRequest(const std::string& user_name, int company, int department,
                                std::int32_t processing_id, bool after_settlement);

// The after-settlement flag of the processing's own header row, found by
// identifier and company whatever its department; false when there is no such
// row or the flag is null. Throws db::DbError.
bool IsAfterSettlement(db::Connection& con, int company, std::int32_t processing_id);

// What the register's Preview passes for its current row: `column0` is the
// row's hidden processing identifier, `column1` its number, `grid_rows` the
// grid's row count (the heading row included). `run` becomes false, and an
// empty request comes back without touching the database, when the grid has
// fewer than two rows or column 1 is empty. Otherwise the user's name is read
// from lousers for the session user, and the kind from the processing's own
// header row (IsAfterSettlement with the session company); the selection
// carries the session department (0: any). Throws ReportError when column 0
// is not a processing identifier, db::DbError when a look-up fails.
ReportRequest PreviewRequest(shell::BasModule& bas, const std::string& column0, const std::string& column1,
                             int grid_rows, bool& run);

// The report of the requested processing as the bytes of a PDF file (A4
// portrait, "Page n of m" on every page, the schedule's heading repeated on
// every page it runs over). Reads the processing by identifier and company
// (and department when the selection names one) and, unless it is a
// re-processing after settlement, its cash-flow lines. Throws
// ProcessingNotFound when there is no such processing, ReportError when the
// request or the drawing fails, db::DbError when a query fails.
std::string RenderProcessingReport(db::Connection& con, const ReportRequest& req);

}  // namespace hp::reg
