// The register's Preview request and the processing report it prints. The PDF
// is read back with pdftotext -layout, so the tests see what a reader sees.
#include "register/report_preview.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text/date_text.h"
#include "platform/text/number_text.h"
#include "support/module.h"
#include "support/records.h"

namespace hp::reg {
namespace {

using hp::testing::LineSpec;
using hp::testing::ProcessingSpec;

constexpr int kId = 57;
constexpr int kShowroom = 2;

// The text of a PDF as `pdftotext -layout` gives it; pages end with '\f'.
std::string PdfText(const std::string& pdf) {
  char path[] = "/tmp/hp_report_test_XXXXXX.pdf";
  const int fd = mkstemps(path, 4);
  if (fd < 0) throw std::runtime_error("no temporary file");
  const bool written = write(fd, pdf.data(), pdf.size()) == static_cast<ssize_t>(pdf.size());
  close(fd);
  std::string text;
  if (written) {
    const std::string command = std::string("pdftotext -layout '") + path + "' - 2>/dev/null";
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char buffer[4096];
      for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
      pclose(pipe);
    }
  }
  unlink(path);
  return text;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

// True when some line of the text holds exactly these words, in this order.
bool HasRow(const std::string& text, const std::vector<std::string>& words) {
  for (const std::string& line : TextLines(text))
    if (Words(line) == words) return true;
  return false;
}

// True when a line holds `label` followed, after blanks only, by `value`.
bool HasFigure(const std::string& text, const std::string& label, const std::string& value) {
  for (const std::string& line : TextLines(text)) {
    size_t at = line.find(label);
    if (at == std::string::npos) continue;
    std::vector<std::string> after = Words(line.substr(at + label.size()));
    if (!after.empty() && after.front() == value) return true;
  }
  return false;
}

std::string Money(double v) { return text::Format00(v); }

// The worked example: 100000 over 24 rentals of 5000.00 at 1.51 % a month,
// delivered on 31 January 2024.
std::vector<LineSpec> WorkedExample(int rentals = 24) {
  return hp::testing::ScheduleLines(100000, rentals, 5000, 1.51308439, "2024-01-31", 1.51);
}

class ReportTest : public ::testing::Test {
 protected:
  ReportTest() {
    hp::testing::AddDepartment(con(), kShowroom, 1, "Showroom");
    hp::testing::CustomerSpec customer;
    customer.name = "Nimal Perera";
    hp::testing::AddCustomer(con(), customer);
    hp::testing::InvoiceSpec invoice;
    invoice.number = "INV-0042";
    invoice.processed = true;
    hp::testing::AddInvoice(con(), invoice);
  }

  db::Connection& con() { return *m.con; }

  ProcessingSpec Processing(std::vector<LineSpec> lines) {
    ProcessingSpec p;
    p.id = kId;
    p.number = "HP000057";
    p.department = kShowroom;
    p.lines = std::move(lines);
    return p;
  }

  std::string Report(const ReportRequest& req) { return PdfText(RenderProcessingReport(con(), req)); }
  ReportRequest Request(int department = kShowroom, bool after = false, int id = kId, int company = 1) {
    return MakeReportRequest("clerk", company, department, id, after);
  }

  hp::testing::Module m;
};

// ---------------------------------------------------------------------------
// The request of the register's Preview.

struct PreviewCase {
  const char* name;
  int processing_company;
  int processing_department;
  int session_department;
  std::optional<int> after_settlement_flag;
  bool expect_after_settlement;
};

void PrintTo(const PreviewCase& c, std::ostream* os) { *os << c.name; }

class PreviewRequestTest : public ReportTest, public ::testing::WithParamInterface<PreviewCase> {};

TEST_P(PreviewRequestTest, PassesTheParametersSelectionAndTitle) {
  const PreviewCase& c = GetParam();
  if (c.processing_company != 1) hp::testing::AddCompany(con(), c.processing_company, "Other Company");
  ProcessingSpec p = Processing(WorkedExample(3));
  p.company = c.processing_company;
  p.department = c.processing_department;
  p.after_settlement = c.after_settlement_flag;
  hp::testing::AddProcessing(con(), p);
  m.bas.intdepartmentid = c.session_department;
  m.bas.strUserName = "not the name lousers gives";

  bool run = false;
  const ReportRequest req = PreviewRequest(m.bas, "57", "HP000057", 2, run);

  ASSERT_TRUE(run);
  const char* names[] = {"strUserName", "strReportname", "IntCompanyId", "strTransId", "StrTransType"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(req.parameters[i].name, names[i]) << "parameter " << i;
  EXPECT_EQ(req.parameters[0].value, "clerk");
  EXPECT_EQ(req.parameters[2].value, "1");
  if (c.expect_after_settlement) {
    EXPECT_EQ(req.parameters[1].value, "HP ReProcessing After settlement");
    EXPECT_EQ(req.parameters[3].value, "57");
    EXPECT_EQ(req.parameters[4].value, "HPRAS");
    EXPECT_EQ(req.title, "HP ReProcessing");
  } else {
    EXPECT_EQ(req.parameters[1].value, "HP Processing");
    EXPECT_EQ(req.parameters[3].value, "0");
    EXPECT_EQ(req.parameters[4].value, "");
    EXPECT_EQ(req.title, "HP Processing");
  }
  EXPECT_EQ(req.selection.department, c.session_department);
  EXPECT_EQ(req.selection.processing_id, kId);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PreviewRequestTest,
    ::testing::Values(PreviewCase{"FirstProcessingInDepartment2", 1, kShowroom, kShowroom, std::nullopt, false},
                      PreviewCase{"FlagStoredAsZero", 1, kShowroom, kShowroom, 0, false},
                      PreviewCase{"AfterSettlement", 1, kShowroom, kShowroom, 1, true},
                      PreviewCase{"SessionDepartment0StillFindsTheFlag", 1, kShowroom, 0, 1, true},
                      PreviewCase{"FlagReadWhateverTheSessionDepartment", 1, kShowroom, 10, 1, true},
                      PreviewCase{"AnotherCompanysRowIsNotRead", 2, kShowroom, kShowroom, 1, false}),
    [](const ::testing::TestParamInfo<PreviewCase>& param) { return std::string(param.param.name); });

struct GridCase {
  const char* name;
  int rows;
  const char* column1;
  bool run;
};

void PrintTo(const GridCase& c, std::ostream* os) { *os << c.name; }

class PreviewGridTest : public ReportTest, public ::testing::WithParamInterface<GridCase> {};

TEST_P(PreviewGridTest, RunsOnlyOnARowOfAFilledRegister) {
  const GridCase& c = GetParam();
  hp::testing::AddProcessing(con(), Processing(WorkedExample(3)));
  bool run = !c.run;
  const ReportRequest req = PreviewRequest(m.bas, c.run ? "57" : "", c.column1, c.rows, run);
  EXPECT_EQ(run, c.run);
  if (!c.run) {
    EXPECT_EQ(req.parameters[0].name, "");
    EXPECT_EQ(req.selection.processing_id, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, PreviewGridTest,
                         ::testing::Values(GridCase{"NoRows", 0, "", false}, GridCase{"HeadingOnly", 1, "", false},
                                           GridCase{"HeadingOnlyWithText", 1, "HP000057", false},
                                           GridCase{"EmptyColumn1", 2, "", false},
                                           GridCase{"FilledRow", 2, "HP000057", true}),
                         [](const ::testing::TestParamInfo<GridCase>& param) { return std::string(param.param.name); });

TEST_F(ReportTest, EmptyRegisterDoesNotTouchTheDatabase) {
  m.bas.adocon = nullptr;  // any look-up would fail
  bool run = true;
  EXPECT_NO_THROW(PreviewRequest(m.bas, "", "", 1, run));
  EXPECT_FALSE(run);
}

TEST_F(ReportTest, AColumn0ThatIsNoIdentifierIsRefused) {
  for (const char* column0 : {"abc", "0", "-3", "57.5", "99999999999"}) {
    bool run = false;
    EXPECT_THROW(PreviewRequest(m.bas, column0, "HP000057", 2, run), ReportError) << column0;
  }
}

// ---------------------------------------------------------------------------
// The PDF.

TEST_F(ReportTest, HoldsTheHeaderEveryLineAndTheTotals) {
  const std::vector<LineSpec> lines = WorkedExample();
  hp::testing::AddProcessing(con(), Processing(lines));
  bool run = false;
  m.bas.intdepartmentid = kShowroom;
  const ReportRequest req = PreviewRequest(m.bas, "57", "HP000057", 2, run);
  const std::string pdf = RenderProcessingReport(con(), req);
  ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
  const std::string text = PdfText(pdf);
  ASSERT_FALSE(text.empty()) << "pdftotext gave nothing";

  EXPECT_NE(text.find("Lanka Motor Traders"), std::string::npos);
  EXPECT_NE(text.find("HP Processing"), std::string::npos);
  EXPECT_NE(text.find("User: clerk"), std::string::npos);
  EXPECT_TRUE(HasFigure(text, "Processing No:", "HP000057")) << text;
  EXPECT_TRUE(HasFigure(text, "Processing Date:", "15/03/2024"));
  EXPECT_NE(text.find("Nimal Perera"), std::string::npos);
  EXPECT_TRUE(HasFigure(text, "Invoice No:", "INV-0042"));
  EXPECT_TRUE(HasFigure(text, "Cash Price:", "120000.00"));
  EXPECT_TRUE(HasFigure(text, "Down Payment:", "20000.00"));
  EXPECT_TRUE(HasFigure(text, "Balance:", "100000.00"));
  EXPECT_TRUE(HasFigure(text, "No of Rentals:", "24"));
  EXPECT_TRUE(HasFigure(text, "Rental Amount:", "5000.00"));
  EXPECT_TRUE(HasFigure(text, "Installment Price:", "140000.00"));
  EXPECT_TRUE(HasFigure(text, "Monthly Rate:", "1.51"));
  EXPECT_TRUE(HasFigure(text, "Rate of Interest:", "18.12"));  // twelve times the monthly rate

  // The worked example's first lines, as the processing screen shows them.
  EXPECT_TRUE(HasRow(text, {"1", "29/02/2024", "100000.00", "5000.00", "1513.08", "3486.92", "96513.08", "People's",
                            "Bank", "CHQ1", "5000.00", "0.00"}))
      << text;
  EXPECT_TRUE(HasRow(text, {"2", "31/03/2024", "96513.08", "5000.00", "1460.32", "3539.68", "92973.40", "People's",
                            "Bank", "CHQ2", "5000.00", "0.00"}));
  double interest = 0, repayment = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const LineSpec& l = lines[i];
    const std::string no = std::to_string(i + 1);
    EXPECT_TRUE(HasRow(text, {no, text::ShortDate(text::DateOf(l.cheque_date)), Money(l.capital), Money(l.rental),
                              Money(l.interest), Money(l.repayment), Money(l.balance), "People's", "Bank", "CHQ" + no,
                              Money(l.amount), "0.00"}))
        << "line " << no;
    interest += l.interest;
    repayment += l.repayment;
  }
  // 24 rentals of 5000.00; interest and repayment share each rental.
  EXPECT_TRUE(HasRow(text, {"Total", "120000.00", Money(interest), Money(repayment)})) << text;
  EXPECT_EQ(Money(interest + repayment), "120000.00");
}

TEST_F(ReportTest, ALongScheduleRunsOverPagesWithItsHeadingOnEach) {
  hp::testing::AddProcessing(con(), Processing(WorkedExample(360)));
  const std::string text = Report(Request());

  std::vector<std::string> pages;
  std::string page;
  for (char ch : text) {
    if (ch == '\f') {
      pages.push_back(page);
      page.clear();
    } else {
      page += ch;
    }
  }
  const int n = static_cast<int>(pages.size());
  ASSERT_GT(n, 3) << "360 lines on " << n << " page(s)";
  EXPECT_EQ(Count(text, "Rental No"), pages.size());
  for (int k = 1; k <= n; ++k) {
    const std::string& p = pages[k - 1];
    EXPECT_EQ(Count(p, "Rental No"), 1u) << "page " << k;
    EXPECT_EQ(Count(p, "Page " + std::to_string(k) + " of " + std::to_string(n)), 1u) << "page " << k;
    EXPECT_NE(p.find("HP000057"), std::string::npos) << "page " << k;
  }
  EXPECT_NE(text.find("Page 1 of " + std::to_string(n)), std::string::npos);

  // Every line printed once, in order, none lost at a page end.
  const std::regex row(R"(^\s*(\d+)\s+\d\d/\d\d/\d{4}\s)");
  std::vector<int> seen;
  for (const std::string& line : TextLines(text)) {
    std::smatch match;
    if (std::regex_search(line, match, row)) seen.push_back(std::stoi(match[1]));
  }
  ASSERT_EQ(seen.size(), 360u);
  for (int i = 0; i < 360; ++i) EXPECT_EQ(seen[i], i + 1);
  EXPECT_NE(pages.back().find("Total"), std::string::npos);
}

// What each kind of processing adds below its schedule.
struct KindCase {
  const char* name;
  std::function<void(db::Connection&, ProcessingSpec&)> before;  // shapes the processing
  std::function<void(db::Connection&)> after;                     // adds to it once stored
  bool after_settlement;
  std::vector<std::pair<std::string, std::string>> figures;       // label and value shown
  std::vector<std::vector<std::string>> rows;                     // rows shown
  std::vector<std::string> absent;
};

void PrintTo(const KindCase& c, std::ostream* os) { *os << c.name; }

class ReportKindTest : public ReportTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(ReportKindTest, ShowsTheFiguresOfItsKind) {
  const KindCase& c = GetParam();
  ProcessingSpec p = Processing(WorkedExample(6));
  c.before(con(), p);
  hp::testing::AddProcessing(con(), p);
  c.after(con());
  const std::string text = Report(Request(kShowroom, c.after_settlement));
  for (const auto& [label, value] : c.figures) EXPECT_TRUE(HasFigure(text, label, value)) << label << "\n" << text;
  for (const auto& r : c.rows) EXPECT_TRUE(HasRow(text, r)) << r.front() << "\n" << text;
  for (const std::string& a : c.absent) EXPECT_EQ(text.find(a), std::string::npos) << a;
}

void NoChange(db::Connection&, ProcessingSpec&) {}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReportKindTest,
    ::testing::Values(
        KindCase{"FirstProcessing", NoChange, [](db::Connection&) {}, false, {}, {},
                 {"Discount Cash Flow", "Adjustments to Carrrying Amount:", "Unearned Income Balance:"}},
        KindCase{"Reprocessing",
                 [](db::Connection&, ProcessingSpec& p) {
                   p.reference = 40;
                   p.balance = 30000;
                 },
                 [](db::Connection& con) {
                   hp::testing::SetReprocessingFigures(con, kId, -123.45, std::nullopt);
                   // Stored out of order; a line of another company under the same identifier.
                   hp::testing::AddCashFlowLine(con, 1, kId, 3, 0.9563, 5000, 4781.5);
                   hp::testing::AddCashFlowLine(con, 1, kId, 1, 0.9851, 5000, 4925.5);
                   hp::testing::AddCashFlowLine(con, 1, kId, 2, 0.9705, 5000, 4852.5);
                   hp::testing::AddCashFlowLine(con, 2, kId, 4, 0.5, 5000, 2500);
                 },
                 false,
                 {{"Total Disc Cash Flow:", "14559.50"},
                  {"Adjustments to Carrrying Amount:", "-123.45"},
                  {"Adj Capital Balance:", "29876.55"},
                  {"Capital Balance:", "30000.00"}},
                 {{"1", "0.9851", "5000.00", "4925.50"},
                  {"2", "0.9705", "5000.00", "4852.50"},
                  {"3", "0.9563", "5000.00", "4781.50"},
                  {"Total", "14559.50"}},
                 {"2500.00", "Unearned Income Balance:", "HP ReProcessing After settlement"}},
        KindCase{"AfterSettlement",
                 [](db::Connection&, ProcessingSpec& p) {
                   p.after_settlement = 1;
                   p.reference = 40;
                   p.installment_price = 15000;
                 },
                 [](db::Connection& con) {
                   hp::testing::SetReprocessingFigures(con, kId, 2500, 812.34);
                   hp::testing::AddCashFlowLine(con, 1, kId, 1, 0.9851, 5000, 4925.5);
                 },
                 true,
                 {{"New Installment Price", "15000.00"},
                  {"Adj Capital Balance:", "2500.00"},
                  {"Unearned Income Balance:", "812.34"}},
                 {{"HP", "ReProcessing", "After", "settlement"}},
                 {"Discount Cash Flow", "Adjustments to Carrrying Amount:", "4925.50"}}),
    [](const ::testing::TestParamInfo<KindCase>& param) { return std::string(param.param.name); });

struct SelectionCase {
  const char* name;
  int department;
  int company;
  int id;
  bool found;
};

void PrintTo(const SelectionCase& c, std::ostream* os) { *os << c.name; }

class ReportSelectionTest : public ReportTest, public ::testing::WithParamInterface<SelectionCase> {};

TEST_P(ReportSelectionTest, FindsTheProcessingOnlyWhereTheSelectionAllows) {
  const SelectionCase& c = GetParam();
  hp::testing::AddProcessing(con(), Processing(WorkedExample(3)));
  const ReportRequest req = Request(c.department, false, c.id, c.company);
  if (c.found) {
    EXPECT_NE(Report(req).find("HP000057"), std::string::npos);
    return;
  }
  try {
    RenderProcessingReport(con(), req);
    ADD_FAILURE() << "a report for a processing that is not there";
  } catch (const ProcessingNotFound& e) {
    EXPECT_EQ(e.processing_id(), c.id);
    EXPECT_NE(std::string(e.what()).find(std::to_string(c.id)), std::string::npos) << e.what();
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ReportSelectionTest,
                         ::testing::Values(SelectionCase{"AnyDepartment", 0, 1, kId, true},
                                           SelectionCase{"ItsDepartment", kShowroom, 1, kId, true},
                                           SelectionCase{"AnotherDepartment", 10, 1, kId, false},
                                           SelectionCase{"AnotherCompany", 0, 2, kId, false},
                                           SelectionCase{"NoSuchProcessing", 0, 1, 58, false}),
                         [](const ::testing::TestParamInfo<SelectionCase>& param) { return std::string(param.param.name); });

TEST_F(ReportTest, AProcessingWithoutLinesPrintsAnEmptySchedule) {
  hp::testing::AddProcessing(con(), Processing({}));
  const std::string text = Report(Request());
  EXPECT_EQ(Count(text, "Rental No"), 1u);
  EXPECT_TRUE(HasRow(text, {"Total", "0.00", "0.00", "0.00"})) << text;
}

}  // namespace
}  // namespace hp::reg
