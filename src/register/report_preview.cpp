#include "register/report_preview.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <fmt/format.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/text/date_text.h"
#include "platform/text/number_text.h"
#include "shell/bas_module.h"

namespace hp::reg {
namespace {

constexpr std::array<const char*, 5> kParameterNames = {"strUserName", "strReportname", "IntCompanyId",
                                                        "strTransId", "StrTransType"};

db::Value Int(std::int64_t v) { return v; }

std::string NotFoundMessage(std::int32_t id, int company, int department) {
  if (department != 0)
    return fmt::format("Processing {} was not found in company {}, department {}", id, company, department);
  return fmt::format("Processing {} was not found in company {}", id, company);
}

// The numeric value of the register's column 0, as the processing identifier.
std::int32_t ProcessingIdOf(const std::string& column0) {
  double value = 0;
  try {
    value = text::LeadingValue(column0);
  } catch (const text::NumberTextError&) {
    value = -1;
  }
  if (!(value >= 1 && value <= std::numeric_limits<std::int32_t>::max()) || value != std::floor(value))
    throw ReportError(fmt::format("\"{}\" is not a processing identifier", column0));
  return static_cast<std::int32_t>(value);
}

// ---------------------------------------------------------------------------
// The report's content, every figure already in its text form.

constexpr int kScheduleColumns = 11;
constexpr int kCashFlowColumns = 4;
using ScheduleCells = std::array<std::string, kScheduleColumns>;
using CashFlowCells = std::array<std::string, kCashFlowColumns>;

struct Figure {
  std::string label;
  std::string value;
};

struct ReportContent {
  std::string report_name, user_name;
  std::string company, number, date;
  std::vector<Figure> details;  // customer, invoice, department, status
  std::vector<Figure> figures;  // the header figures, four to a row
  std::vector<ScheduleCells> lines;
  std::string total_rental, total_interest, total_repayment;
  bool cash_flow_section = false;
  std::vector<CashFlowCells> cash_flow;
  std::string total_cash_flow;
  std::string closing_heading;
  std::vector<Figure> closing;  // adjustments, or the after-settlement figures
};

// Reads a field as a number; a text that is not one ends the report with a
// message naming the column.
std::optional<double> NumberField(const db::Recordset& rs, const char* column) {
  const db::Value& v = rs.Field(column);
  if (db::IsNull(v)) return std::nullopt;
  if (auto* s = std::get_if<std::string>(&v); s && s->empty()) return std::nullopt;
  try {
    return db::AsDouble(v);
  } catch (const text::NumberTextError&) {
    throw ReportError(fmt::format("{} holds \"{}\", which is not a number", column, db::AsText(v)));
  }
}

std::string Money(std::optional<double> v) { return v ? text::Format00(*v) : std::string(); }
std::string Money(const db::Recordset& rs, const char* column) { return Money(NumberField(rs, column)); }

// Adds a shown figure to a running total: totals are the sums of the figures
// as printed, so every column adds up on paper.
void AddShown(double& total, const std::string& shown) {
  if (!shown.empty()) total += text::NumberOf(shown);
}

std::string ShownDate(const db::Value& v) {
  std::string stored = db::AsText(v);
  if (auto date = text::ParseDate(stored)) return text::ShortDate(*date);
  return stored;  // not a date: shown as stored rather than hidden
}

ReportContent ReadContent(db::Connection& con, const ReportRequest& req) {
  const int company = req.Company();
  const ReportSelection& sel = req.selection;
  std::string sql =
      "select * from vwHPProcessingWithAllDetails where hphProcessingID=? and hphCompanyID=?";
  db::Params params = {Int(sel.processing_id), Int(company)};
  if (sel.department != 0) {
    sql += " and hphDepartmentID=?";
    params.push_back(Int(sel.department));
  }
  sql += " order by hpddetailID";
  db::Recordset rs = con.Open(sql, params);
  if (rs.Eof()) throw ProcessingNotFound(sel.processing_id, company, sel.department);

  ReportContent c;
  c.report_name = req.Parameter(kParameterNames[1]);
  c.user_name = req.Parameter(kParameterNames[0]);
  c.company = db::AsText(rs.Field("CompanyName"));
  c.number = db::AsText(rs.Field("hphProcessingNo"));
  c.date = ShownDate(rs.Field("hphProcessingdate"));

  c.details.push_back({"Customer:", db::AsText(rs.Field("CustomerName"))});
  c.details.push_back({"Invoice No:", db::AsText(rs.Field("hpqhQuotationNo"))});
  c.details.push_back({"Invoice Date:", ShownDate(rs.Field("hpqhQuotationDate"))});
  c.details.push_back({"Department:", db::AsText(rs.Field("DepartmentName"))});
  if (db::AsBool(rs.Field("hphCancel"))) {
    std::string reason = db::AsText(rs.Field("hphcancelRemarks"));
    c.details.push_back({"Status:", reason.empty() ? "Cancelled" : "Cancelled: " + reason});
  } else if (db::AsBool(rs.Field("hphAmended"))) {
    c.details.push_back({"Status:", "Amended (replaced by a re-processing)"});
  }
  std::string remarks = db::AsText(rs.Field("hphRemarks"));
  if (!remarks.empty()) c.details.push_back({"Remarks:", remarks});

  const std::string monthly = Money(rs, "hphInterestRate");
  c.figures = {{"Cash Price:", Money(rs, "hphCashPrice")},
               {"Down Payment:", Money(rs, "hphDownPayment")},
               {"Balance:", Money(rs, "hphbalance")},
               {"No of Rentals:", db::AsText(rs.Field("hphNoOfRentals"))},
               {"Rental Amount:", Money(rs, "hphRentalAmount")},
               {"Installment Price:", Money(rs, "hphInstallmentPrice")},
               {"Monthly Rate:", monthly},
               {"Rate of Interest:", monthly.empty() ? "" : text::Format00(12 * text::NumberOf(monthly))}};

  const bool after_settlement = db::AsBool(rs.Field("hphreprocessaftersettlement"));
  const std::optional<double> reference = NumberField(rs, "hphReferenceID");
  const std::string balance = Money(rs, "hphbalance");
  const std::string adjustment = Money(rs, "hphAdjustmentAmount");
  const std::string installment = Money(rs, "hphInstallmentPrice");
  const std::string unearned = Money(rs, "hphBalanceInterest");

  double rental = 0, interest = 0, repayment = 0;
  for (; !rs.Eof(); rs.MoveNext()) {
    if (db::IsNull(rs.Field("hpddetailID"))) continue;  // a processing without lines
    ScheduleCells cells = {db::AsText(rs.Field("hpddetailID")),
                           ShownDate(rs.Field("hpdChequeDate")),
                           Money(rs, "hpdCapital"),
                           Money(rs, "hpdRental"),
                           Money(rs, "hpdInterest"),
                           Money(rs, "hpdcapitalRepayment"),
                           Money(rs, "hpdCapitalBalance"),
                           db::AsText(rs.Field("hpdBankName")),
                           db::AsText(rs.Field("hpdChequeNo")),
                           Money(rs, "hpdAmount"),
                           Money(rs, "hpdSettlementAmount")};
    AddShown(rental, cells[3]);
    AddShown(interest, cells[4]);
    AddShown(repayment, cells[5]);
    c.lines.push_back(std::move(cells));
  }
  c.total_rental = text::Format00(rental);
  c.total_interest = text::Format00(interest);
  c.total_repayment = text::Format00(repayment);

  if (after_settlement) {
    c.closing_heading = "Re-processing after settlement";
    c.closing = {{"New Installment Price", installment},
                 {"Adj Capital Balance:", adjustment},
                 {"Unearned Income Balance:", unearned}};
    return c;
  }

  double total_cash_flow = 0;
  con.ForEachRow(
      "select hpcdetailID, hpcDiscountFactor, hpcRental, hpcDiscountCashFlow from ahpProcessingCashFlowDetail "
      "where hpcProcessingID=? and hpcComapnyID=? order by hpcdetailID",
      {Int(sel.processing_id), Int(company)}, [&](const db::RowView& row) {
        auto number = [&](int i, const char* column) -> std::optional<double> {
          db::Value v = row.Field(i);
          if (db::IsNull(v)) return std::nullopt;
          try {
            return db::AsDouble(v);
          } catch (const text::NumberTextError&) {
            throw ReportError(fmt::format("{} holds \"{}\", which is not a number", column, db::AsText(v)));
          }
        };
        std::optional<double> factor = number(1, "hpcDiscountFactor");
        CashFlowCells cells = {row.Text(0), factor ? text::PlainNumber(*factor) : std::string(),
                               Money(number(2, "hpcRental")), Money(number(3, "hpcDiscountCashFlow"))};
        AddShown(total_cash_flow, cells[3]);
        c.cash_flow.push_back(std::move(cells));
      });
  c.total_cash_flow = text::Format00(total_cash_flow);
  const bool reprocessing = (reference && *reference != 0) || !c.cash_flow.empty();
  if (reprocessing) {
    c.cash_flow_section = true;
    std::string adjusted;
    if (!adjustment.empty() && !balance.empty())
      adjusted = text::Format00(text::NumberOf(adjustment) + text::NumberOf(balance));
    c.closing_heading = "Adjustments";
    c.closing = {{"Capital Balance:", balance},
                 {"Total Disc Cash Flow:", c.total_cash_flow},
                 {"Adjustments to Carrrying Amount:", adjustment},
                 {"Adj Capital Balance:", adjusted}};
  }
  return c;
}

// ---------------------------------------------------------------------------
// Drawing. All measures in PDF points; A4 portrait.

constexpr double kPageWidth = 595.2756;
constexpr double kPageHeight = 841.8898;
constexpr double kMarginLeft = 28;
constexpr double kMarginRight = kPageWidth - 28;
constexpr double kContentTop = 96;
constexpr double kContentBottom = kPageHeight - 44;
constexpr char kFace[] = "DejaVu Sans";

enum class Align { kLeft, kRight, kCentre };

struct CairoDeleter {
  void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
  void operator()(cairo_t* cr) const { cairo_destroy(cr); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, CairoDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, CairoDeleter>;

// Draws on a cairo context, or does nothing when there is none: the first
// pass through the layout only counts the pages.
class Canvas {
 public:
  explicit Canvas(cairo_t* cr) : cr_(cr) {}
  bool drawing() const { return cr_ != nullptr; }

  // Text on the baseline `y`. With a `width`, the text is kept inside it:
  // figures (`shrink`) are set smaller so that no digit is lost, other texts
  // are cut with an ellipsis.
  void Text(double x, double y, const std::string& s, double size, bool bold, Align align = Align::kLeft,
            double width = 0, bool shrink = false) {
    if (!cr_ || s.empty()) return;
    Font(size, bold);
    std::string shown = s;
    double w = Width(shown);
    if (width > 0 && w > width) {
      if (shrink) {
        Font(std::max(3.0, size * width / w), bold);
      } else {
        while (!shown.empty() && Width(shown + "\xE2\x80\xA6") > width) {
          shown.pop_back();
          while (!shown.empty() && (static_cast<unsigned char>(shown.back()) & 0xC0) == 0x80) shown.pop_back();
        }
        shown += "\xE2\x80\xA6";
      }
      w = Width(shown);
    }
    double left = x;
    if (align == Align::kRight) left = x + (width > 0 ? width : 0) - w;
    if (align == Align::kCentre) left = x + ((width > 0 ? width : 0) - w) / 2;
    cairo_move_to(cr_, left, y);
    cairo_show_text(cr_, shown.c_str());
  }

  void Rule(double x1, double y, double x2, double thickness = 0.5) {
    if (!cr_) return;
    cairo_set_line_width(cr_, thickness);
    cairo_move_to(cr_, x1, y);
    cairo_line_to(cr_, x2, y);
    cairo_stroke(cr_);
  }

  void Shade(double x, double y, double w, double h, double grey) {
    if (!cr_) return;
    cairo_save(cr_);
    cairo_set_source_rgb(cr_, grey, grey, grey);
    cairo_rectangle(cr_, x, y, w, h);
    cairo_fill(cr_);
    cairo_restore(cr_);
  }

  void ShowPage() {
    if (cr_) cairo_show_page(cr_);
  }

 private:
  void Font(double size, bool bold) {
    cairo_select_font_face(cr_, kFace, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr_, size);
  }
  double Width(const std::string& s) {
    cairo_text_extents_t ext;
    cairo_text_extents(cr_, s.c_str(), &ext);
    return ext.x_advance;
  }

  cairo_t* cr_;
};

// Moves down the pages: `Need` starts a new page when a block does not fit on
// what is left of this one. Each page gets the frame (heading and "Page n of
// m"); a table that runs over a page end sets `continuation`, which redraws
// its heading at the top of the next page.
class Pager {
 public:
  Pager(Canvas& canvas, const ReportContent& content, int total_pages)
      : canvas_(canvas), content_(content), total_(total_pages) {
    Frame();
  }

  double y = kContentTop;
  std::function<void()> continuation;

  void Need(double height) {
    if (y + height > kContentBottom && y > kContentTop) NewPage();
  }

  void NewPage() {
    canvas_.ShowPage();
    ++page_;
    y = kContentTop;
    Frame();
    if (continuation) continuation();
  }

  int pages() const { return page_; }

 private:
  void Frame() {
    const ReportContent& c = content_;
    canvas_.Text(kMarginLeft, 44, c.company, 13, true, Align::kLeft, kMarginRight - kMarginLeft - 150);
    if (!c.user_name.empty())
      canvas_.Text(kMarginRight - 150, 44, "User: " + c.user_name, 8, false, Align::kRight, 150);
    canvas_.Text(kMarginLeft, 62, c.report_name, 11, true);
    canvas_.Text(kMarginLeft, 78, "Processing No: " + c.number, 8.5, true, Align::kLeft, 250);
    canvas_.Text(kMarginRight - 200, 78, "Processing Date: " + c.date, 8.5, false, Align::kRight, 200);
    canvas_.Rule(kMarginLeft, 84, kMarginRight, 0.8);
    canvas_.Rule(kMarginLeft, kPageHeight - 36, kMarginRight);
    canvas_.Text(kMarginLeft, kPageHeight - 26, c.report_name + " " + c.number, 7, false, Align::kLeft, 300);
    canvas_.Text(kMarginRight - 120, kPageHeight - 26, fmt::format("Page {} of {}", page_, total_), 8, false,
                 Align::kRight, 120);
  }

  Canvas& canvas_;
  const ReportContent& content_;
  int total_;
  int page_ = 1;
};

struct Column {
  const char* heading;
  double width;
  bool figure;  // right-aligned, shrunk rather than cut
};

// Widths fit the headings at their size and figures up to 9999999.99; the
// columns fill the width between the margins.
constexpr std::array<Column, kScheduleColumns> kSchedule = {{{"Rental No", 37, true},
                                                             {"Cheque Date", 46, false},
                                                             {"Capital", 42, true},
                                                             {"Rental", 42, true},
                                                             {"Interest", 42, true},
                                                             {"Capital Repayment", 67, true},
                                                             {"Capital Balance", 56, true},
                                                             {"Bank", 62, false},
                                                             {"Cheque No", 46, false},
                                                             {"Amount", 42, true},
                                                             {"Settlement Amt", 57, true}}};
constexpr std::array<Column, kCashFlowColumns> kCashFlow = {{{"Cash Flow", 50, true},
                                                             {"Discount Factor", 100, true},
                                                             {"Rental Amount", 80, true},
                                                             {"Discount Cash Flow", 90, true}}};

constexpr double kHeadHeight = 14;
constexpr double kRowHeight = 10;
constexpr double kPad = 2;

template <size_t N>
void TableHead(Canvas& canvas, Pager& pager, const std::array<Column, N>& columns) {
  double total = 0;
  for (const Column& col : columns) total += col.width;
  canvas.Shade(kMarginLeft, pager.y, total, kHeadHeight, 0.88);
  double x = kMarginLeft;
  for (const Column& col : columns) {
    canvas.Text(x + kPad, pager.y + 9.5, col.heading, 6, true, col.figure ? Align::kRight : Align::kLeft,
                col.width - 2 * kPad, true);
    x += col.width;
  }
  pager.y += kHeadHeight;
}

template <size_t N>
void TableRow(Canvas& canvas, Pager& pager, const std::array<Column, N>& columns,
              const std::array<std::string, N>& cells, bool bold = false) {
  double x = kMarginLeft;
  for (size_t i = 0; i < N; ++i) {
    const Column& col = columns[i];
    // The label of a totals row reads from the left, whatever its column.
    const bool right = col.figure && !(bold && i == 0);
    canvas.Text(x + kPad, pager.y + 7.5, cells[i], 6.5, bold, right ? Align::kRight : Align::kLeft,
                col.width - 2 * kPad, col.figure);
    x += col.width;
  }
  pager.y += kRowHeight;
}

// Label and value pairs, `per_row` to a row across the page.
void Figures(Canvas& canvas, Pager& pager, const std::vector<Figure>& figures, int per_row, double label_width) {
  const double cell = (kMarginRight - kMarginLeft) / per_row;
  const int rows = (static_cast<int>(figures.size()) + per_row - 1) / per_row;
  pager.Need(rows * 12.0);
  for (size_t i = 0; i < figures.size(); ++i) {
    const double x = kMarginLeft + cell * static_cast<double>(i % per_row);
    canvas.Text(x, pager.y + 9, figures[i].label, 7.5, false, Align::kLeft, label_width);
    canvas.Text(x + label_width + 2, pager.y + 9, figures[i].value, 7.5, true, Align::kLeft,
                cell - label_width - 8);
    if (i % per_row == static_cast<size_t>(per_row - 1) || i + 1 == figures.size()) pager.y += 12;
  }
}

void Heading(Canvas& canvas, Pager& pager, const std::string& heading, double room_after) {
  pager.Need(16 + room_after);
  canvas.Text(kMarginLeft, pager.y + 11, heading, 9, true);
  pager.y += 16;
}

// Lays the whole report out once; returns the number of pages it took.
int Layout(Canvas& canvas, const ReportContent& c, int total_pages) {
  Pager pager(canvas, c, total_pages);

  // Details and figures of the processing, on the first page only.
  for (const Figure& f : c.details) {
    canvas.Text(kMarginLeft, pager.y + 9, f.label, 7.5, false);
    canvas.Text(kMarginLeft + 70, pager.y + 9, f.value, 7.5, true, Align::kLeft, kMarginRight - kMarginLeft - 70);
    pager.y += 11;
  }
  pager.y += 4;
  canvas.Rule(kMarginLeft, pager.y, kMarginRight, 0.3);
  pager.y += 3;
  Figures(canvas, pager, c.figures, 4, 74);
  pager.y += 8;

  // The schedule, its heading on every page it covers.
  Heading(canvas, pager, "Rental schedule", kHeadHeight + kRowHeight);
  auto schedule_head = [&] { TableHead(canvas, pager, kSchedule); };
  schedule_head();
  pager.continuation = schedule_head;
  for (const ScheduleCells& line : c.lines) {
    pager.Need(kRowHeight);
    TableRow(canvas, pager, kSchedule, line);
  }
  pager.Need(kRowHeight + 2);
  double width = 0;
  for (const Column& col : kSchedule) width += col.width;
  canvas.Rule(kMarginLeft, pager.y + 0.5, kMarginLeft + width, 0.6);
  pager.y += 2;
  ScheduleCells totals;
  totals[0] = "Total";
  totals[3] = c.total_rental;
  totals[4] = c.total_interest;
  totals[5] = c.total_repayment;
  TableRow(canvas, pager, kSchedule, totals, true);
  pager.continuation = nullptr;
  pager.y += 10;

  if (c.cash_flow_section) {
    Heading(canvas, pager, "Discounted cash flow", kHeadHeight + kRowHeight);
    auto cash_head = [&] { TableHead(canvas, pager, kCashFlow); };
    cash_head();
    pager.continuation = cash_head;
    for (const CashFlowCells& line : c.cash_flow) {
      pager.Need(kRowHeight);
      TableRow(canvas, pager, kCashFlow, line);
    }
    pager.Need(kRowHeight + 2);
    double cash_width = 0;
    for (const Column& col : kCashFlow) cash_width += col.width;
    canvas.Rule(kMarginLeft, pager.y + 0.5, kMarginLeft + cash_width, 0.6);
    pager.y += 2;
    TableRow(canvas, pager, kCashFlow, CashFlowCells{"Total", "", "", c.total_cash_flow}, true);
    pager.continuation = nullptr;
    pager.y += 10;
  }

  if (!c.closing.empty()) {
    Heading(canvas, pager, c.closing_heading, 12.0 * static_cast<double>(c.closing.size()));
    for (const Figure& f : c.closing) {
      pager.Need(12);
      canvas.Text(kMarginLeft, pager.y + 9, f.label, 7.5, false, Align::kLeft, 150);
      canvas.Text(kMarginLeft + 150, pager.y + 9, f.value, 7.5, true, Align::kRight, 80, true);
      pager.y += 12;
    }
  }
  return pager.pages();
}

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  try {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
  } catch (...) {
    return CAIRO_STATUS_WRITE_ERROR;
  }
}

std::string DrawPdf(const ReportContent& content) {
  Canvas counting(nullptr);
  const int pages = Layout(counting, content, 0);

  std::string bytes;
  SurfacePtr surface(cairo_pdf_surface_create_for_stream(&AppendBytes, &bytes, kPageWidth, kPageHeight));
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    throw ReportError(std::string("the PDF could not be started: ") +
                      cairo_status_to_string(cairo_surface_status(surface.get())));
  const std::string title = content.report_name + " " + content.number;
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, title.c_str());
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "hp");
  {
    ContextPtr cr(cairo_create(surface.get()));
    cairo_set_source_rgb(cr.get(), 0, 0, 0);
    Canvas canvas(cr.get());
    const int drawn = Layout(canvas, content, pages);
    if (drawn != pages) throw ReportError("the report's pages changed between layout and drawing");
    if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
      throw ReportError(std::string("the PDF could not be drawn: ") + cairo_status_to_string(cairo_status(cr.get())));
  }
  cairo_surface_finish(surface.get());
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    throw ReportError(std::string("the PDF could not be written: ") +
                      cairo_status_to_string(cairo_surface_status(surface.get())));
  return bytes;
}

}  // namespace

ProcessingNotFound::ProcessingNotFound(std::int32_t processing_id, int company, int department)
    : ReportError(NotFoundMessage(processing_id, company, department)),
      processing_id_(processing_id),
      company_(company) {}

const std::string& ReportRequest::Parameter(std::string_view name) const {
  for (const ReportParameter& p : parameters)
    if (p.name == name) return p.value;
  throw ReportError(fmt::format("the report request has no parameter {}", name));
}

int ReportRequest::Company() const {
  const std::string& text = Parameter(kParameterNames[2]);
  std::optional<double> value = text::ParseNumber(text);
  if (!value || *value != std::floor(*value) || *value < std::numeric_limits<int>::min() ||
      *value > std::numeric_limits<int>::max())
    throw ReportError(fmt::format("IntCompanyId \"{}\" is not a company", text));
  return static_cast<int>(*value);
}

ReportRequest MakeReportRequest(const std::string& user_name, int company, int department,
                                std::int32_t processing_id, bool after_settlement) {
  ReportRequest req;
  const std::string values[5] = {user_name, after_settlement ? kReportAfterSettlement : kReportProcessing,
                                 std::to_string(company), after_settlement ? std::to_string(processing_id) : "0",
                                 after_settlement ? kTransTypeAfterSettlement : ""};
  for (size_t i = 0; i < req.parameters.size(); ++i) req.parameters[i] = {kParameterNames[i], values[i]};
  req.selection = {department, processing_id};
  req.title = after_settlement ? kTitleAfterSettlement : kTitleProcessing;
  return req;
}

bool IsAfterSettlement(db::Connection& con, int company, std::int32_t processing_id) {
  db::Recordset rs = con.Open(
      "select hphreprocessaftersettlement from aHpProcessingHeader where hphProcessingID=? and hphCompanyID=?",
      {Int(processing_id), Int(company)});
  return !rs.Eof() && db::AsBool(rs.Field(0));
}

ReportRequest PreviewRequest(shell::BasModule& bas, const std::string& column0, const std::string& column1,
                             int grid_rows, bool& run) {
  run = grid_rows >= 2 && !column1.empty();
  if (!run) return {};
  if (!bas.adocon) throw ReportError("the report was asked for before the session had a database");
  const std::int32_t id = ProcessingIdOf(column0);
  db::Recordset user = bas.adocon->Open("select username from lousers where userid=?", {Int(bas.intuserid)});
  const std::string user_name = user.Eof() ? std::string() : db::AsText(user.Field(0));
  const bool after = IsAfterSettlement(*bas.adocon, bas.intCompanyID, id);
  return MakeReportRequest(user_name, bas.intCompanyID, bas.intdepartmentid, id, after);
}

std::string RenderProcessingReport(db::Connection& con, const ReportRequest& req) {
  return DrawPdf(ReadContent(con, req));
}

}  // namespace hp::reg
