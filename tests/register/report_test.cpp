// The register's Preview request and the processing report it prints, read
// back with pdftotext -layout, so the tests see what a reader sees.
#include "register/report_preview.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "platform/text/date_text.h"
#include "platform/text/number_text.h"
#include "register/register_world.h"

namespace hp::reg::test {
namespace {

using t::LineSpec;
constexpr int kId = 57, kShowroom = 2;

// The text with each line's runs of blanks made one blank, lines between '\n'.
std::string Squeezed(const std::string& text) {
  std::istringstream in(text);
  std::string squeezed = "\n";
  for (std::string line, w; std::getline(in, line); squeezed += "\n")
    for (std::istringstream words(line); words >> w;) squeezed += (squeezed.back() == '\n' ? "" : " ") + w;
  return squeezed;
}
// True when the squeezed text holds `what`: a row "\n1 29/02/2024 ...\n", a
// figure "Cash Price: 120000.00".
bool Has(const std::string& text, const std::string& what) { return Squeezed(text).find(what) != std::string::npos; }
std::string Money(double v) { return text::Format00(v); }

// The worked example: 100000 in rentals of 5000.00 at 1.51 % a month,
// delivered on 31 January 2024.
std::vector<LineSpec> WorkedExample(int rentals) {
  return t::ScheduleLines(100000, rentals, 5000, 1.51308439, "2024-01-31", 1.51);
}

struct ReportWorld {
  t::Module m;
  ReportWorld() {
    t::AddDepartment(*m.con, kShowroom, 1, "Showroom");
    t::AddCustomer(*m.con, {.name = "Nimal Perera"});
    t::AddInvoice(*m.con, {.number = "INV-0042", .processed = true});
  }
  ProcessingSpec Processing(std::vector<LineSpec> lines) {
    return {.id = kId, .number = "HP000057", .department = kShowroom, .lines = std::move(lines)};
  }
  std::string Text(int department = kShowroom, bool after = false, int id = kId, int company = 1) {
    return PdfText(RenderProcessingReport(*m.con, MakeReportRequest("clerk", company, department, id, after)));
  }
};

TEST(PreviewRequest, PassesTheParametersSelectionAndTitleOfTheRowsKind) {
  const std::string first = "strUserName=clerk;strReportname=HP Processing;IntCompanyId=1;strTransId=0;StrTransType=;|"
                            "HP Processing",
                    after = "strUserName=clerk;strReportname=HP ReProcessing After settlement;IntCompanyId=1;"
                            "strTransId=57;StrTransType=HPRAS;|HP ReProcessing";
  struct Case {
    const char* name;
    int company, session_department;
    std::optional<int> flag;
    std::string request;
  } cases[] = {{"FirstProcessing", 1, kShowroom, std::nullopt, first},
               {"FlagStoredAsZero", 1, kShowroom, 0, first},
               {"AfterSettlement", 1, kShowroom, 1, after},
               {"SessionDepartment0StillFindsTheFlag", 1, 0, 1, after},
               {"FlagReadWhateverTheSessionDepartment", 1, 10, 1, after},
               {"AnotherCompanysRowIsNotRead", 2, kShowroom, 1, first}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReportWorld w;
    ProcessingSpec p = w.Processing(WorkedExample(3));
    p.company = c.company, p.after_settlement = c.flag;
    t::AddProcessing(*w.m.con, p);
    w.m.bas.intdepartmentid = c.session_department;
    w.m.bas.strUserName = "not the name lousers gives";
    bool run = false;
    const ReportRequest req = PreviewRequest(w.m.bas, "57", "HP000057", 2, run);
    std::string request;
    for (const auto& [name, value] : req.parameters) request += name + "=" + value + ";";
    EXPECT_TRUE(run);
    EXPECT_EQ(request + "|" + req.title, c.request);
    EXPECT_EQ(req.selection.department * 1000 + req.selection.processing_id, c.session_department * 1000 + kId);
  }
}

TEST(PreviewRequest, RunsOnlyOnAFilledRowAndRefusesAColumn0ThatIsNoIdentifier) {
  // {grid rows, column 1}: an empty register never reaches the database.
  for (const auto& [rows, column1] : {std::pair(0, ""), {1, ""}, {1, "HP000057"}, {2, ""}}) {
    ReportWorld w;
    w.m.bas.adocon = nullptr;  // any look-up would fail
    bool run = true;
    const ReportRequest req = PreviewRequest(w.m.bas, "", column1, rows, run);
    EXPECT_FALSE(run) << rows << " " << column1;
    EXPECT_EQ(req.parameters[0].name + std::to_string(req.selection.processing_id), "0");
  }
  ReportWorld w;
  for (const char* column0 : {"abc", "0", "-3", "57.5", "99999999999"}) {
    bool run = false;
    EXPECT_THROW(PreviewRequest(w.m.bas, column0, "HP000057", 2, run), ReportError) << column0;
  }
}

// The header, every line once, in order and with its figures, and the totals;
// a long schedule runs over pages, its heading and page number on each.
TEST(Report, HoldsTheHeaderEveryLineAndTheTotalsOverAsManyPagesAsItTakes) {
  ReportWorld w;
  const std::vector<LineSpec> lines = WorkedExample(360);
  t::AddProcessing(*w.m.con, w.Processing(lines));
  const std::string pdf = RenderProcessingReport(*w.m.con, MakeReportRequest("clerk", 1, kShowroom, kId, false));
  ASSERT_EQ(pdf.substr(0, 5), "%PDF-");
  const std::string text = PdfText(pdf);
  ASSERT_FALSE(text.empty()) << "pdftotext gave nothing";
  for (const char* shown : {"Lanka Motor Traders", "HP Processing", "User: clerk", "Processing No: HP000057",
                            "Processing Date: 15/03/2024", "Nimal Perera", "Invoice No: INV-0042",
                            "Cash Price: 120000.00", "Down Payment: 20000.00", "Balance: 100000.00",
                            "No of Rentals: 360", "Rental Amount: 5000.00", "Installment Price: 140000.00",
                            "Monthly Rate: 1.51", "Rate of Interest: 18.12"})
    EXPECT_TRUE(Has(text, shown)) << shown << "\n" << text;
  // Every line printed once, in order, with its figures, none lost at a page end.
  std::vector<std::string> expected, printed;
  double interest = 0, repayment = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const LineSpec& l = lines[i];
    const std::string no = std::to_string(i + 1);
    expected.push_back(no + " " + text::ShortDate(text::DateOf(l.cheque_date)) + " " + Money(l.capital) + " " +
                       Money(l.rental) + " " + Money(l.interest) + " " + Money(l.repayment) + " " + Money(l.balance) +
                       " People's Bank CHQ" + no + " " + Money(l.amount) + " 0.00");
    interest += l.interest, repayment += l.repayment;
  }
  const std::regex row(R"(^\d+ \d\d/\d\d/\d{4} )");
  std::istringstream in(Squeezed(text));
  for (std::string line; std::getline(in, line);)
    if (std::regex_search(line, row)) printed.push_back(line);
  EXPECT_EQ(printed, expected);
  // 360 rentals of 5000.00.
  EXPECT_TRUE(Has(text, "\nTotal 1800000.00 " + Money(interest) + " " + Money(repayment) + "\n")) << text;
  std::vector<std::string> pages(1);
  for (char ch : text) ch == '\f' ? pages.push_back({}) : void(pages.back() += ch);
  pages.pop_back();  // after the last page's '\f'
  const int n = static_cast<int>(pages.size());
  ASSERT_GT(n, 3) << "360 lines on " << n << " page(s)";
  for (int k = 1; k <= n; ++k) {
    const std::string& p = pages[k - 1];
    EXPECT_TRUE(p.find("Rental No") != p.npos && p.find("Rental No") == p.rfind("Rental No")) << "page " << k;
    EXPECT_NE(p.find("Page " + std::to_string(k) + " of " + std::to_string(n)), p.npos) << "page " << k;
    EXPECT_NE(p.find("HP000057"), p.npos) << "page " << k;
  }
  EXPECT_NE(pages.back().find("Total"), std::string::npos);
}

TEST(Report, ShowsBelowTheScheduleTheFiguresOfItsKind) {
  struct Case {
    const char* name;
    std::function<void(ProcessingSpec&)> shape;
    std::function<void(db::Connection&)> after;  // adds to it once stored
    bool after_settlement;
    std::vector<std::string> shown, absent;
  } cases[] = {
      {"FirstProcessing", [](ProcessingSpec&) {}, [](db::Connection&) {}, false, {},
       {"Discount Cash Flow", "Adjustments to Carrrying Amount:", "Unearned Income Balance:"}},
      {"WithoutLines", [](ProcessingSpec& p) { p.lines.clear(); }, [](db::Connection&) {}, false,
       {"\nTotal 0.00 0.00 0.00\n"}, {"People's Bank"}},
      {"Reprocessing", [](ProcessingSpec& p) { p.reference = 40, p.balance = 30000; },
       [](db::Connection& con) {
         t::SetReprocessingFigures(con, kId, -123.45, std::nullopt);
         // Stored out of order; a line of another company under the same identifier.
         t::AddCashFlowLine(con, 1, kId, 3, 0.9563, 5000, 4781.5), t::AddCashFlowLine(con, 1, kId, 1, 0.9851, 5000, 4925.5);
         t::AddCashFlowLine(con, 1, kId, 2, 0.9705, 5000, 4852.5), t::AddCashFlowLine(con, 2, kId, 4, 0.5, 5000, 2500);
       },
       false,
       {"Total Disc Cash Flow: 14559.50", "Adjustments to Carrrying Amount: -123.45", "Adj Capital Balance: 29876.55",
        "Capital Balance: 30000.00", "\n1 0.9851 5000.00 4925.50\n2 0.9705 5000.00 4852.50\n3 0.9563 5000.00 4781.50\n"},
       {"2500.00", "Unearned Income Balance:", "HP ReProcessing After settlement"}},
      {"AfterSettlement", [](ProcessingSpec& p) { p.after_settlement = 1, p.reference = 40, p.installment_price = 15000; },
       [](db::Connection& con) {
         t::SetReprocessingFigures(con, kId, 2500, 812.34), t::AddCashFlowLine(con, 1, kId, 1, 0.9851, 5000, 4925.5);
       },
       true,
       {"New Installment Price 15000.00", "Adj Capital Balance: 2500.00", "Unearned Income Balance: 812.34",
        "HP ReProcessing After settlement"},
       {"Discount Cash Flow", "Adjustments to Carrrying Amount:", "4925.50"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReportWorld w;
    ProcessingSpec p = w.Processing(WorkedExample(6));
    c.shape(p);
    t::AddProcessing(*w.m.con, p);
    c.after(*w.m.con);
    const std::string text = w.Text(kShowroom, c.after_settlement);
    for (const std::string& s : c.shown) EXPECT_TRUE(Has(text, s)) << s << "\n" << text;
    for (const std::string& a : c.absent) EXPECT_EQ(text.find(a), std::string::npos) << a;
  }
}

TEST(Report, FindsTheProcessingOnlyWhereTheSelectionAllows) {
  struct Case {
    const char* name;
    int department, company, id;
    bool found;
  } cases[] = {{"AnyDepartment", 0, 1, kId, true},      {"ItsDepartment", kShowroom, 1, kId, true},
               {"AnotherDepartment", 10, 1, kId, false}, {"AnotherCompany", 0, 2, kId, false},
               {"NoSuchProcessing", 0, 1, 58, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReportWorld w;
    t::AddProcessing(*w.m.con, w.Processing(WorkedExample(3)));
    try {
      const std::string text = w.Text(c.department, false, c.id, c.company);
      EXPECT_TRUE(c.found && Has(text, "HP000057")) << "a report for a processing that is not there";
    } catch (const ProcessingNotFound& e) {
      EXPECT_FALSE(c.found);
      EXPECT_EQ(e.processing_id(), c.id);
      EXPECT_NE(std::string(e.what()).find(std::to_string(c.id)), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace hp::reg::test
