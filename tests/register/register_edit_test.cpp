// The register's Edit: which screen opens a stored processing, what it shows,
// and that only the after-settlement screen saves (what that save keeps is
// tested with the screen itself).
#include "register/register_edit.h"

#include <gtest/gtest.h>

#include "platform/forms/combo_box.h"
#include "platform/forms/text_box.h"
#include "register/register_world.h"

#include <sstream>

namespace hp::reg::test {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// Line i of the stored schedules: figures that differ from line to line, so
// that the order shown can be told.
t::LineSpec LineFor(int i) {
  const double capital = 15000 - 5000 * (i - 1), rental = 5000 + i, interest = capital * 0.0125;
  return {.cheque_date = "2024-0" + std::to_string(i + 1) + "-29", .capital = capital, .rental = rental,
          .interest = interest, .repayment = rental - interest, .balance = capital - rental + interest,
          .cheque_no = "CHQ" + std::to_string(i), .rate = 1.25};
}
const Rows kShownLines = {
    {"1", "29/02/2024", "15000.00", "5001.00", "187.50", "4813.50", "10186.50", "People's Bank", "CHQ1", "5001.00", "0.00", "1.25"},
    {"2", "29/03/2024", "10000.00", "5002.00", "125.00", "4877.00", "5123.00", "People's Bank", "CHQ2", "5002.00", "0.00", "1.25"},
    {"3", "29/04/2024", "5000.00", "5003.00", "62.50", "4940.50", "59.50", "People's Bank", "CHQ3", "5003.00", "0.00", "1.25"}};

Rows RowsOf(Form& f, const std::string& name) {
  auto& list = dynamic_cast<forms::ListView&>(*f.Find(name));
  Rows rows;
  for (int i = 0; i < list.Count(); ++i) {
    rows.push_back({list.Item(i).text});
    for (int j = 1; j <= static_cast<int>(list.Item(i).sub.size()); ++j) rows.back().push_back(list.Item(i).SubItem(j));
  }
  return rows;
}
// The texts of the named boxes and combos (names between blanks), each followed by '|'.
std::string Texts(Form& f, const std::string& names) {
  std::istringstream in(names);
  std::string all;
  for (std::string name; in >> name;) {
    auto* box = dynamic_cast<forms::TextBox*>(f.Find(name));
    all += (box ? box->Text() : dynamic_cast<forms::ComboBox&>(*f.Find(name)).Text()) + "|";
  }
  return all;
}
// True when the window refuses a click on the control as it would a user's.
bool Refused(Form& f, const std::string& control) {
  try {
    t::Click(f, control);
  } catch (const forms::EventError& e) {
    return e.kind() == forms::EventError::kRefused;
  }
  return false;
}

// First processing 4; 5 (amended, settled) re-processed by 6 and, after
// settlement, by 7. Lines and cash flow are written out of line order, and
// the database's own order of them is the reverse of it, so only an ordered
// read lists them in line order.
struct Edit : Register {
  Edit() {
    m.con->Execute("create index ixEditLines on aHpProcessingDetail (hpdProcessingID, hpdCompanyID, hpddetailID desc)");
    m.con->Execute("create index ixEditFlow on ahpProcessingCashFlowDetail (hpcProcessingID, hpcComapnyID, hpcdetailID desc)");
    const ProcessingSpec stored{.date = "2024-03-12", .cash_price = 110000, .down_payment = 15000, .balance = 60000,
                                .rentals = 3, .rate = 1.25, .installment_price = 135000, .rental = 6000, .user_name = "maker"};
    ProcessingSpec p = stored;
    p.id = 4, p.number = "HP4", p.date = "2024-03-10", p.balance = 95000, p.rental = 5001, p.user_name = "clerk";
    Add(p, "Nimal Perera");
    Add({.id = 5, .number = "HP5", .amended = 1, .rentals = 24, .lines = Lines(3, "2024-02-29", 5000, 3)});
    p = stored, p.id = 6, p.number = "HP6", p.reference = 5, Add(p);
    p.id = 7, p.number = "HP7", p.after_settlement = 1, p.adjustment_posted = 0, Add(p);
    for (int id : {4, 6, 7})
      for (int i : {3, 1, 2}) t::AddProcessingLine(*m.con, 1, id, i, LineFor(i));
    m.con->Execute("update aHpProcessingHeader set hphRemarks='first' where hphProcessingID=4");
    t::SetReprocessingFigures(*m.con, 6, -1500.5, std::nullopt);
    t::SetReprocessingFigures(*m.con, 7, 2500, 800);
    t::AddCashFlowLine(*m.con, 1, 6, 2, 0.97532, 5002, 4878.55), t::AddCashFlowLine(*m.con, 1, 6, 3, 0.96309, 5003, 4818.34);
    t::AddCashFlowLine(*m.con, 1, 6, 1, 0.98765, 5001, 4939.24);
    t::AddCashFlowLine(*m.con, 2, 6, 4, 0.5, 1, 1);  // another company's, under the same identifier
  }
};

TEST(EditScreen, ChosenByReferenceAndAfterSettlementFlagWithNullAsFalse) {
  const db::Value null, zero = std::int64_t{0}, one = std::int64_t{1}, five = std::int64_t{5};
  const std::tuple<db::Value, db::Value, EditScreen> cases[] = {
      {null, null, EditScreen::kProcessing},     {null, zero, EditScreen::kProcessing},
      {zero, null, EditScreen::kProcessing},     {five, zero, EditScreen::kReprocessing},
      {five, null, EditScreen::kReprocessing},   {five, one, EditScreen::kAfterSettlement},
      {null, one, EditScreen::kAfterSettlement}};
  for (const auto& [reference, flag, screen] : cases)
    EXPECT_EQ(EditScreenFor(reference, flag), screen) << db::AsText(reference) << "/" << db::AsText(flag);
}

// Each screen shows the stored figures and lines in line order, the choice
// locked; the view-only screens refuse every OK and close without asking.
TEST(EditOpens, EachScreenFilledWithTheStoredProcessingAndOnlyAfterSettlementSaveable) {
  struct Case {
    const char* name;
    int id;
    std::string window, list, dialog, dialog_ok;  // dialog: the view-only screens' line dialog
    std::string boxes, shown, locked;
    Rows cash_flow;
  } cases[] = {
      {"Processing", 4, "frmProcessing", "lvwProcessing", "frmPopUp", "cmdOK",
       "txtPNo txtDate cbodepartment cboCustomer cboInvoice txtSP txtDP txtBal txtRentalAmount txtNoRetals "
       "txtInstallmentPrice txtRemarks txtUserName txtTotInterest txtTotCapitalRepayment",
       "HP4|10/03/2024|Vehicles|Nimal Perera|INV1|110000.00|15000.00|95000.00|5001.00|3|135000.00|first|clerk|375.00|"
       "14631.00|",
       "cboCustomer cboInvoice cmdProcess cmdOK"},
      {"Reprocessing", 6, "frmReprocessing", "lvwReProcessing", "frmReProcessingPopUp", "cmdOk",
       "txtPNo txtDate cboPrrocNo txtInvoice txtSP txtBal txtRentalAmount txtUserName txtAdjustments txtAdjCapitalBal "
       "txtNoRetals txttotDiscCashFlow",  // No of Rentals as stored, not 15006 / 6000
       "HP6|12/03/2024|HP5|INV1|110000.00|60000.00|6000.00|maker|-1500.5|58499.50|3|14636.13|",
       "cboCustomer cboPrrocNo cmdReProcess cmdOk",
       {{"1", "0.99", "5001.00", "4939.24"}, {"2", "0.98", "5002.00", "4878.55"}, {"3", "0.96", "5003.00", "4818.34"}}},
      {"AfterSettlement", 7, "frmReprocessingAfterSettlemt", "lvwPreDetails", "", "",
       "txtPNo cboPrrocNo txtNoofRentals txtNoRetals txtInvoice txtInstallmentPrice txtnewInstPrice txtAdjCapitalBal "
       "txtUnearnedIncomeBal txtAdjustments",
       "HP7|HP5|24|3|INV1|140000.00|135000.00|2500.00|800.00|1700.00|", "cboCustomer cboPrrocNo"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Edit e;
    const std::string before = Snapshot(*e.m.con);
    bool seen = false;
    e.m.host.OnShow(c.dialog, [&](Form& d) { EXPECT_TRUE(Refused(d, c.dialog_ok)); });
    e.m.host.OnShow(c.window, [&](Form& f) {
      seen = true;
      EXPECT_EQ(Texts(f, c.boxes), c.shown);
      EXPECT_EQ(Texts(f, "txtMonthlyRate txtInterestRate txtTotRental"), "1.25|15|15006.00|");
      EXPECT_EQ(RowsOf(f, c.list), kShownLines);
      EXPECT_EQ(c.cash_flow.empty() ? Rows{} : RowsOf(f, "lvwCashFlow"), c.cash_flow) << "line order, own company's";
      std::istringstream locked(c.locked);
      for (std::string name; locked >> name;) EXPECT_TRUE(Refused(f, name)) << name;
      if (c.dialog.empty()) return;  // the one screen that saves in edit mode
      t::DblClick(f, c.list, 0), t::Paste(f, "txtRemarks", "changed while viewing");
      t::Click(f, "cmdClose");  // an unanswered "Save Changes?" would fail the script
      EXPECT_FALSE(f.IsLoaded());
    });
    EXPECT_TRUE(OpenForEdit(e.m.bas, c.id));
    EXPECT_TRUE(seen);
    EXPECT_EQ(e.m.bas.GStrMasterNewEditFlag + std::to_string(e.m.bas.lngEditProcessingID), "E" + std::to_string(c.id));
    EXPECT_EQ(e.m.host.Shown().back(), c.dialog.empty() ? c.window : c.dialog);
    EXPECT_EQ(Snapshot(*e.m.con), before);
  }
}

// Edit throws on a processing that cannot be shown whole and tells the user of
// a posted adjustment; neither shows a screen.
TEST(EditOpens, NothingIsShownWhenTheProcessingCannotBeShownWhole) {
  const std::tuple<int, const char*, const char*> cases[] = {
      {99, nullptr, nullptr},
      {4, "update losHpInvoiceHeader set hpqhProcessed=0", nullptr},                              // invoice not offered
      {6, "update aHpProcessingHeader set hphReferenceID=77 where hphProcessingID=6", nullptr},  // previous one missing
      {7, "update aHpProcessingHeader set hphAdjustmentPosted=1 where hphProcessingID=7", kAlreadyPosted}};
  for (const auto& [id, change, told] : cases) {
    SCOPED_TRACE(id);
    Edit e;
    if (change) e.m.con->Execute(change);
    if (told) {
      EXPECT_FALSE(OpenForEdit(e.m.bas, id));
      EXPECT_EQ(e.m.host.LastMessage(), told);
    } else {
      EXPECT_THROW(OpenForEdit(e.m.bas, id), std::exception);
    }
    EXPECT_TRUE(e.m.host.Shown().empty());
  }
}

}  // namespace
}  // namespace hp::reg::test
