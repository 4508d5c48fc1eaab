#include "processing/frm_processing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "platform/text/number_text.h"
#include "processing/schedule.h"
#include "screen_fixture.h"

namespace hp::processing {
namespace {

using fixture::Cell;
using fixture::ChooseAndProcess;
using fixture::Row;
using fixture::Screen;
using fixture::Snapshot;
using forms::MsgBoxResult;
using testing::Click;
using testing::CountRows;
using testing::Paste;
using Counts = std::vector<long>;

// The worked example end to end, figures worked by hand: choose, process,
// correct one cheque in the cheque dialog, OK.
TEST(ProcessingScreen, StoresTheWorkedExample) {
  Screen s;
  fixture::AddWorkedExample(s.con());
  frmProcessing frm(s.m.bas);
  std::string figures;
  s.m.host.OnShow("frmPopUp", [](forms::Form& p) {
    Paste(p, "cboBankName", "Commercial Bank");
    Paste(p, "txtchequeno", "777");
    Click(p, "cmdOK");     // line 2 accepted, on to line 3
    Click(p, "cmdClose");  // line 3 left as it was
  });
  s.m.host.OnShow("frmProcessing", [&](forms::Form& f) {
    testing::ChooseData(f, "cboCustomer", 1);
    EXPECT_FALSE(frm.cmdProcess.Enabled);  // until the invoice's figures are loaded
    testing::ChooseData(f, "cboInvoice", 1);
    EXPECT_TRUE(frm.cmdProcess.Enabled);
    Click(f, "cmdProcess");
    figures = fmt::format("{} {} {} {}", frm.txtBal.Text(), frm.txtMonthlyRate.Text(), frm.txtInterestRate.Text(),
                          frm.txtTotRental.Text());
    Paste(f, "txtRemarks", "first car");
    testing::DblClick(f, "lvwProcessing", 1);
    Click(f, "cmdOK");
  });
  s.m.host.ShowModal(frm);
  EXPECT_EQ(figures, "100000.00 1.51 18.16 120000.00");
  EXPECT_FALSE(frm.IsLoaded());
  EXPECT_TRUE(s.m.host.Messages().empty()) << s.m.host.LastMessage();

  db::Connection& con = s.con();
  db::Recordset h = con.Open("select * from aHpProcessingHeader");
  ASSERT_EQ(h.RecordCount(), 1);
  // The after-settlement flag is written as 0, never left null.
  EXPECT_EQ(Row(h, {"hphCompanyID", "hphDepartmentID", "hphProcessingID", "hphProcessingNo", "hphProcessingdate",
                    "hphCustomerID", "hphInvoiceID", "hphFinancialID", "hphAmended", "hphCancel", "hphNoOfRentals",
                    "hphRemarks", "hphUserName", "hphreprocessaftersettlement"}),
            "1|10|1|HP1|2024-03-15|1|1|1|0|0|24|first car|clerk|0");
  // Figures stored as numbers, not as the texts the boxes show.
  for (const auto& [column, value] : {std::pair{"hphCashPrice", 120000.0}, {"hphDownPayment", 20000.0},
                                      {"hphbalance", 100000.0}, {"hphInterestRate", 1.51},
                                      {"hphInstallmentPrice", 140000.0}, {"hphRentalAmount", 5000.0}}) {
    ASSERT_TRUE(std::holds_alternative<double>(h.Field(column))) << column;
    EXPECT_DOUBLE_EQ(std::get<double>(h.Field(column)), value) << column;
  }
  db::Recordset d = con.Open("select * from aHpProcessingDetail order by hpddetailID");
  ASSERT_EQ(d.RecordCount(), 24);
  for (const char* expected : {"2024-02-29|100000|1513.08|3486.92|96513.08|People's Bank|CHQ1",
                               "2024-03-31|96513.08|1460.32|3539.68|92973.4|Commercial Bank|777",
                               "2024-04-30|92973.4|1406.77|3593.23|89380.17|People's Bank|CHQ3"}) {
    EXPECT_EQ(Row(d, {"hpdChequeDate", "hpdCapital", "hpdInterest", "hpdcapitalRepayment", "hpdCapitalBalance",
                      "hpdBankName", "hpdChequeNo"}),
              expected);
    EXPECT_EQ(Row(d, {"hpdRental", "hpdAmount", "hpdSettlementAmount", "hpdInterestRate", "hpdPosted",
                      "hpdDepartmentID"}),
              "5000|5000|0|1.51|0|10");
    d.MoveNext();
  }
  EXPECT_EQ(Snapshot(con), (Counts{1, 24, 0, 1, 1}));
  EXPECT_EQ(Row(con.Open("select * from hpAuditTrail"), {"RecordID", "RecordNo", "Action", "ScreenName"}),
            "1|HP1|N|frmProcessing");
  std::string shown;  // the register's empty first row now holds the new one
  for (int c = 0; c < 7; ++c) shown += s.reg.flexMaster.TextMatrix(1, c) + "|";
  EXPECT_EQ(shown, "1|HP1|2024-03-15|Perera|INV1|No|No|");
  EXPECT_EQ(s.Open().cboCustomer.ListCount(), 0);  // a processed invoice is no longer offered
}

// Only a category neither null nor 0 is a service-tax category: its invoice
// is stored with a before-tax schedule of the invoice's before-tax figures,
// keeping the register's cheques whatever the main list says.
TEST(ProcessingScreen, StoresBeforeTaxLinesOnlyForAServiceTaxCategory) {
  const Schedule bt = ComputeSchedule({"84000.00", "24", "4300.00", "2024-01-31"}, {});
  const std::pair<std::optional<int>, bool> cases[] = {{std::nullopt, false}, {0, false}, {1, true}, {5, true}};
  for (const auto& [category, before_tax] : cases) {
    SCOPED_TRACE(category ? std::to_string(*category) : "null");
    Screen s;
    frmProcessing& f = fixture::Processed(s, {.service_tax = category});
    f.lvwProcessing.Item(1).SetSubItem(7, "Commercial Bank");  // as the cheque dialog would
    Click(f, "cmdOK");
    ASSERT_EQ(CountRows(s.con(), "aHpProcessingHeader"), 1) << s.m.host.LastMessage();
    EXPECT_EQ(Cell(s.con(), "select hphInterestRate from aHpProcessingHeader"), "1.51");
    db::Recordset d = s.con().Open("select * from aHpProcessingDetailOthers order by hpddetailIDBT");
    ASSERT_EQ(d.RecordCount(), before_tax ? 24 : 0);
    for (int i = 0; i < d.RecordCount(); ++i, d.MoveNext()) {
      const ScheduleLine& e = bt.lines[i];
      EXPECT_EQ(Row(d, {"hpddetailIDBT", "hpdProcessingID", "hpdChequeDateBT", "hpdCapitalBT", "hpdRentalBT",
                        "hpdInterestBT", "hpdcapitalRepaymentBT", "hpdCapitalBalanceBT", "hpdInterestRateBT",
                        "hpdBankNameBT", "hpdChequeNoBT"}),
                fmt::format("{}|1|{}|{}|4300|{}|{}|{}|{}|People's Bank|CHQ{}", i + 1, text::IsoDate(e.due_date),
                            e.capital, e.interest, e.capital_repayment, e.capital_balance, bt.rates.monthly_rate,
                            i + 1));
    }
  }
}

// Refusals of Process Interest and OK, each a sequence of user steps: its
// message, the focus on the control at fault, nothing stored. A schedule
// belongs to the inputs it was processed for: any change after Process makes
// it stale, and OK refuses it until it is processed again.
using Step = std::function<void(Screen&)>;
Step On(const char* control) { return [=](Screen& s) { Click(*s.frm, control); }; }
Step Put(const char* box, const char* text) { return [=](Screen& s) { Paste(*s.frm, box, text); }; }
Step Pick(const char* combo, std::int64_t item) { return [=](Screen& s) { testing::ChooseData(*s.frm, combo, item); }; }
Step Say(MsgBoxResult answer) { return [=](Screen& s) { s.m.host.Answer(answer); }; }
Step Sql(const char* statement) { return [=](Screen& s) { s.con().Execute(statement); }; }
Step Shown(const char* message) { return [=](Screen& s) { EXPECT_EQ(s.m.host.LastMessage(), message); }; }
// "customer/lines listed/invoices offered".
Step Showing(const char* expected) {
  return [=](Screen& s) {
    frmProcessing& f = *s.frm;
    std::string shown = fmt::format("{}/{}/", f.cboCustomer.SelectedData(), f.lvwProcessing.Count());
    for (int i = 0; i < f.cboInvoice.ListCount(); ++i) shown += (i ? "," : "") + std::to_string(f.cboInvoice.ItemData(i));
    EXPECT_EQ(shown, expected);
  };
}
const Step kChoose = [](Screen& s) { fixture::ChooseInvoice(*s.frm); };
const Step kProcess = On("cmdProcess"), kOk = On("cmdOK");
constexpr char kNotDone[] = "Interest Processing Not done .";
constexpr char kRentals[] = "Enter No of Rentals .";
constexpr char kRental[] = "Enter Rental Amount .";
constexpr char kCheques[] = "Cheque Details Not Entered";

struct Refusal {
  std::string name;
  std::vector<Step> steps;
  std::string message, focus;
  int times = 1;           // how often the message was shown
  int lines = -1;          // lines left in the list (-1: not checked)
  bool stale = false;      // processed again, the screen then saves the inputs it shows
  Step arrange = nullptr;  // before the screen loads
  int selected_line = -1;  // the list line the refusal selects
};
void PrintTo(const Refusal& c, std::ostream* os) { *os << c.name; }

std::vector<Refusal> Refusals() {
  std::vector<Refusal> t = {
      {"NeverProcessed", {kChoose, kOk}, kNotDone, "cmdProcess", 1, 0, true},
      {"AnotherInvoiceChosen", {kChoose, kProcess, Pick("cboInvoice", 2), kOk}, kNotDone, "cmdProcess", 1, -1, true},
      {"SameInvoiceChosenAgain", {kChoose, kProcess, Pick("cboInvoice", 1), kOk}, kNotDone, "cmdProcess", 1, -1,
       true},
      {"RentalsChanged", {kChoose, kProcess, Put("txtNoRetals", "12"), kOk}, kNotDone, "cmdProcess", 1, 24, true},
      {"RentalChanged", {kChoose, kProcess, Put("txtRentalAmount", "5000.5"), kOk}, kNotDone, "cmdProcess", 1, 24,
       true},
      // The old schedule stays on the screen, but it is not the one asked for.
      {"ReprocessingDeclined", {kChoose, kProcess, Put("txtNoRetals", "12"), Say(MsgBoxResult::No), kProcess, kOk},
       kNotDone, "cmdProcess", 1, 24, true},
      // Without a delivery date there are no due dates: Process fails.
      {"ProcessFailed", {kChoose, kProcess, Shown(kProcessFailed), kOk}, kNotDone, "cmdProcess", 1, 0, false,
       Sql("update losHpInvoiceHeader set hpqhDelivaryDate=null")},
      {"OkWithoutDepartment", {kOk}, "Select Department .", "cbodepartment", 1, -1, false,
       [](Screen& s) { s.m.bas.intdepartmentid = 0; }},
      {"OkWithoutCustomer", {kOk}, "Select a Customer .", "cboCustomer"},
      {"OkWithoutInvoice", {Pick("cboCustomer", 1), kOk}, "Select an Invoice .", "cboInvoice"},
      // Another customer only when the schedule may be cleared; then only
      // that customer's invoices are offered, none chosen.
      {"OkAfterAnotherCustomer",
       {kChoose, kProcess, Say(MsgBoxResult::No), Pick("cboCustomer", 2), Showing("1/24/1,2"),
        Say(MsgBoxResult::Yes), Pick("cboCustomer", 2), Showing("2/0/3"), kOk},
       "Select an Invoice .", "cboInvoice", 1, 0, false, [](Screen& s) {
         testing::AddCustomer(s.con(), {.id = 2, .name = "Silva"});
         testing::AddInvoice(s.con(), {.id = 3, .number = "INV3", .customer = 2});
       }},
      {"OkWithoutRental", {kChoose, kProcess, Put("txtRentalAmount", ""), kOk}, kRental, "txtRentalAmount"},
      {"ProcessWithZeroRental", {kChoose, Put("txtRentalAmount", "0"), kProcess}, kRental, "txtRentalAmount", 1, 0},
      {"LineWithoutBank", {kChoose, kProcess, kOk}, kCheques, "lvwProcessing", 1, 24, false,
       Sql("update losHpChequeRegisterDetail set hpdBankName='' where hpdChqDate='2024-06-30'"), 4},
      {"LineWithoutChequeNo", {kChoose, kProcess, kOk}, kCheques, "lvwProcessing", 1, 24, false,
       Sql("update losHpChequeRegisterDetail set hpdChqNo=null where hpdChqDate='2024-08-31'"), 6},
      {"LineWithoutRegisterCheque", {kChoose, kProcess, kOk}, kCheques, "lvwProcessing", 1, 24, false,
       Sql("delete from losHpChequeRegisterDetail where hpdChqDate='2025-01-31'"), 11},
  };
  // No of Rentals that is no whole number from 1 (each kind is refused in
  // schedule_test): refused by Process, which then lays out nothing (nor
  // replaces the schedule shown), and by OK.
  for (const auto& [label, count] : {std::pair{"Fractional", "12.5"}, {"Zero", "0"}}) {
    t.push_back({std::string("ProcessWithRentals") + label, {kChoose, Put("txtNoRetals", count), kProcess}, kRentals,
                 "txtNoRetals", 1, 0});
    t.push_back({std::string("OkWithRentals") + label, {kChoose, kProcess, Put("txtNoRetals", count), kProcess, kOk},
                 kRentals, "txtNoRetals", 2, 24});
  }
  return t;
}

class RefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusalTest, ShowsItsMessageAndStoresNothing) {
  const Refusal& r = GetParam();
  Screen s;
  fixture::AddWorkedExample(s.con());
  testing::AddInvoice(s.con(), {.id = 2, .number = "INV2", .rentals = 12, .rental = 9500});
  if (r.arrange) r.arrange(s);
  frmProcessing& f = s.Open();
  for (const Step& step : r.steps) step(s);
  const auto& shown = s.m.host.Messages();
  EXPECT_EQ(s.m.host.LastMessage(), r.message);
  EXPECT_EQ(std::count_if(shown.begin(), shown.end(), [&](const auto& m) { return m.prompt == r.message; }), r.times);
  EXPECT_EQ(s.m.host.PendingAnswers(), 0u);
  EXPECT_EQ(fixture::Focus(f), r.focus);
  EXPECT_EQ(r.lines < 0 ? r.lines : f.lvwProcessing.Count(), r.lines);
  EXPECT_EQ(r.selected_line < 0 ? r.selected_line : f.lvwProcessing.SelectedIndex(), r.selected_line);
  ASSERT_TRUE(f.IsLoaded());
  EXPECT_EQ(Snapshot(s.con()), (Counts{0, 0, 0, 0, 0}));
  if (!r.stale) return;

  // Processed again, the same screen saves exactly the inputs it shows.
  if (f.lvwProcessing.Count() > 0) s.m.host.Answer(MsgBoxResult::Yes);
  const std::int64_t invoice = f.cboInvoice.SelectedData();
  const int rentals = LineCount(f.txtNoRetals.Text());
  const double rental = text::NumberOf(f.txtRentalAmount.Text());
  Click(f, "cmdProcess");
  Click(f, "cmdOK");
  ASSERT_FALSE(f.IsLoaded()) << s.m.host.LastMessage();
  EXPECT_EQ(Row(s.con().Open("select * from aHpProcessingHeader"), {"hphInvoiceID", "hphNoOfRentals"}),
            fmt::format("{}|{}", invoice, rentals));
  EXPECT_EQ(CountRows(s.con(), "aHpProcessingHeader", "hphRentalAmount=?", {rental}), 1);
  EXPECT_EQ(CountRows(s.con(), "aHpProcessingDetail", "hpdRental=?", {rental}), rentals);
  EXPECT_EQ(CountRows(s.con(), "aHpProcessingDetail"), rentals);
}

INSTANTIATE_TEST_SUITE_P(ProcessAndOk, RefusalTest, ::testing::ValuesIn(Refusals()),
                         ::testing::PrintToStringParamName());

TEST(ProcessingScreen, ASessionWithoutDepartmentChoosesOneAndIsNumberedInIt) {
  Screen s;
  s.m.bas.intdepartmentid = 0;
  fixture::AddWorkedExample(s.con());
  frmProcessing& f = s.Open();
  EXPECT_EQ(f.cboCustomer.ListCount(), 0);
  testing::ChooseData(f, "cbodepartment", 10);
  ChooseAndProcess(f);
  Click(f, "cmdOK");
  EXPECT_EQ(Cell(s.con(), "select hphDepartmentID || ' ' || hphProcessingNo from aHpProcessingHeader"), "10 HP1");
  EXPECT_EQ(CountRows(s.con(), "aHpProcessingDetail", "hpdDepartmentID=0"), 24);  // lines: the session's
}

// A statement failing in the middle of a save leaves the database and the
// register as they were, and the user is told nothing was stored; once the
// cause is gone the same screen saves.
TEST(ProcessingScreen, ASaveFailingHalfWayStoresNothing) {
  struct {
    const char* name;
    std::optional<int> service_tax;
    const char *fail_table, *fail_when = "";  // none: a number without numeric tail stops the numbering
  } cases[] = {
      {"BeforeTaxLine", 2, "aHpProcessingDetailOthers"},
      {"TwelfthRentalLine", std::nullopt, "aHpProcessingDetail", "NEW.hpddetailID=12"},
      {"AuditEntry", std::nullopt, "hpAuditTrail"},
      {"NumberWithoutNumericTail", std::nullopt, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Screen s;
    frmProcessing& f = fixture::Processed(s, {.service_tax = c.service_tax});
    if (c.fail_table) testing::FailWrites(s.con(), c.fail_table, "insert", c.fail_when);
    if (!c.fail_table) testing::AddProcessing(s.con(), {.id = 7, .number = "HPX", .invoice = 9});
    const Counts before = Snapshot(s.con());
    Click(f, "cmdOK");
    EXPECT_EQ(s.m.host.LastMessage(), shell::kSaveFailed);
    EXPECT_EQ(Snapshot(s.con()), before);
    EXPECT_EQ(Cell(s.con(), "select hpqhProcessed from losHpInvoiceHeader where hpqhQuotationID=1"), "0");
    EXPECT_EQ(s.reg.flexMaster.Rows(), 2);
    EXPECT_EQ(s.reg.flexMaster.TextMatrix(1, 0), "");
    EXPECT_EQ(CountRows(s.con(), "hpErrorLog", "RoutineName='cmdOk_Click'"), 1);
    EXPECT_FALSE(s.con().InTransaction());
    ASSERT_TRUE(f.IsLoaded());

    if (c.fail_table) testing::StopFailingWrites(s.con(), c.fail_table);
    s.con().Execute("delete from aHpProcessingHeader where hphProcessingNo='HPX'");
    Click(f, "cmdOK");
    EXPECT_FALSE(f.IsLoaded()) << s.m.host.LastMessage();
    EXPECT_EQ(Snapshot(s.con()), (Counts{1, 24, c.service_tax ? 24 : 0, 1, 1}));
    EXPECT_EQ(s.reg.flexMaster.TextMatrix(1, 1), "HP1");
  }
}

// Another user, on a connection of their own, processed the invoice between
// Process and OK.
TEST(ProcessingScreen, AnInvoiceProcessedMeanwhileIsNotStoredTwice) {
  const std::string url = testing::TestDatabaseUrl();
  Screen first(url, true), second(url);
  fixture::AddWorkedExample(first.con());
  frmProcessing &one = first.Open(), &two = second.Open();
  ChooseAndProcess(one);
  ChooseAndProcess(two);
  Click(one, "cmdOK");
  ASSERT_FALSE(one.IsLoaded()) << first.m.host.LastMessage();
  EXPECT_EQ(Snapshot(first.con()), (Counts{1, 24, 0, 1, 1}));
  Click(two, "cmdOK");
  EXPECT_EQ(second.m.host.LastMessage(), kInvoiceAlreadyProcessed);
  EXPECT_TRUE(two.IsLoaded());
  EXPECT_EQ(Snapshot(second.con()), (Counts{1, 24, 0, 1, 1}));
  EXPECT_EQ(second.reg.flexMaster.TextMatrix(1, 0), "");
  EXPECT_EQ(first.reg.flexMaster.TextMatrix(1, 1), "HP1");
}

// Closing asks "Save Changes?" only for unsaved changes; the answer decides.
TEST(ProcessingScreen, CloseAsksBeforeLosingChanges) {
  struct {
    const char* name;
    bool changed;
    MsgBoxResult answer;
    bool stays_open;
    long headers;
  } cases[] = {{"Unchanged", false, MsgBoxResult::Ok, false, 0},
               {"Cancel", true, MsgBoxResult::Cancel, true, 0},
               {"No", true, MsgBoxResult::No, false, 0},
               {"Yes", true, MsgBoxResult::Yes, false, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Screen s;
    frmProcessing& f = c.changed ? fixture::Processed(s) : s.Open();
    if (c.changed) s.m.host.Answer(c.answer);
    Click(f, "cmdClose");
    ASSERT_EQ(s.m.host.Messages().size(), c.changed ? 1u : 0u) << s.m.host.LastMessage();
    EXPECT_EQ(s.m.host.LastMessage(), c.changed ? "Save Changes?" : "");
    EXPECT_EQ(f.IsLoaded(), c.stays_open);
    EXPECT_EQ(CountRows(s.con(), "aHpProcessingHeader"), c.headers);
  }
}

}  // namespace
}  // namespace hp::processing
