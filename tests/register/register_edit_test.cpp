#include "register/register_edit.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "aftersettlement/frm_reprocessing_after_settlemt.h"
#include "platform/forms/event.h"
#include "processing/frm_processing.h"
#include "register/window_factory.h"
#include "reprocessing/frm_reprocessing.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::reg {
namespace {

namespace t = hp::testing;
using forms::Form;

// Line i (1-based) of the stored schedules below: figures that differ from
// line to line, so that the order shown can be told.
t::LineSpec LineFor(int i) {
  t::LineSpec l;
  l.cheque_date = "2024-0" + std::to_string(i + 1) + "-29";
  l.capital = 15000 - 5000 * (i - 1);
  l.rental = 5000 + i;
  l.interest = l.capital * 0.0125;
  l.repayment = l.rental - l.interest;
  l.balance = l.capital - l.repayment;
  l.cheque_no = "CHQ" + std::to_string(i);
  l.rate = 1.25;
  return l;
}

// What the lines of LineFor(1..3) show, in line order.
const std::vector<std::vector<std::string>> kShownLines = {
    {"1", "29/02/2024", "15000.00", "5001.00", "187.50", "4813.50", "10186.50", "People's Bank", "CHQ1", "5001.00",
     "0.00", "1.25"},
    {"2", "29/03/2024", "10000.00", "5002.00", "125.00", "4877.00", "5123.00", "People's Bank", "CHQ2", "5002.00",
     "0.00", "1.25"},
    {"3", "29/04/2024", "5000.00", "5003.00", "62.50", "4940.50", "59.50", "People's Bank", "CHQ3", "5003.00",
     "0.00", "1.25"}};

std::vector<std::vector<std::string>> Rows(const forms::ListView& list, int columns) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < list.Count(); ++i) {
    std::vector<std::string> row{list.Item(i).text};
    for (int j = 1; j < columns; ++j) row.push_back(list.Item(i).SubItem(j));
    rows.push_back(row);
  }
  return rows;
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

// Every stored row the module writes, as text: a save would change it.
std::string Snapshot(db::Connection& con) {
  std::string all;
  for (const char* sql : {"select * from aHpProcessingHeader order by hphProcessingID",
                          "select * from aHpProcessingDetail order by hpdProcessingID, hpddetailID",
                          "select * from ahpProcessingCashFlowDetail order by hpcProcessingID, hpcdetailID",
                          "select hpqhQuotationID, hpqhProcessed from losHpInvoiceHeader order by 1"}) {
    db::Recordset rs = con.Open(sql);
    for (; !rs.Eof(); rs.MoveNext()) {
      for (int f = 0; f < rs.FieldCount(); ++f) all += db::AsText(rs.Field(f)) + "|";
      all += "\n";
    }
  }
  return all;
}

// A session with the module's own windows, a customer and the invoice of the
// processings (processed, with its cheque register).
struct Edit {
  std::unique_ptr<shell::WindowFactory> windows = MakeWindowFactory();
  t::Module m{t::World{}, windows.get()};

  Edit() {
    t::AddCustomer(*m.con, {.id = 1, .name = "Nimal Perera"});
    t::AddInvoice(*m.con, {.id = 1, .number = "INV1", .customer = 1, .processed = true});
    // The database's own order of a processing's lines is then the reverse
    // of their line order: only an ordered read lists them in line order.
    m.con->Execute(
        "create index ixEditTestReverseLines on aHpProcessingDetail (hpdProcessingID, hpdCompanyID, hpddetailID desc)");
    m.con->Execute(
        "create index ixEditTestReverseCashFlow on ahpProcessingCashFlowDetail "
        "(hpcProcessingID, hpcComapnyID, hpcdetailID desc)");
  }
  // Lines 1..3 of LineFor, written out of line order.
  void AddLines(int processing) {
    for (int i : {3, 1, 2}) t::AddProcessingLine(*m.con, 1, processing, i, LineFor(i));
  }
  // First processing 5 with stored figures unlike its invoice's.
  void AddFirst(std::optional<int> flag) {
    AddProcessing({.id = 5, .number = "HP5", .date = "2024-03-10", .after_settlement = flag, .cash_price = 110000,
                   .down_payment = 15000, .balance = 95000, .rentals = 3, .rate = 1.25, .installment_price = 135000,
                   .rental = 5001});
    AddLines(5);
    // A line of another company under the same identifier is not this one's.
    t::AddProcessingLine(*m.con, 2, 5, 4, LineFor(1));
    m.con->Execute("update aHpProcessingHeader set hphRemarks=? where hphProcessingID=5", {"first"});
  }
  // First processing 5 (amended), re-processed by 6.
  void AddReprocessing(std::optional<int> flag) {
    AddProcessing({.id = 5, .number = "HP5", .amended = 1, .rentals = 24});
    AddProcessing({.id = 6, .number = "HP6", .date = "2024-03-12", .reference = 5, .after_settlement = flag,
                   .cash_price = 110000, .down_payment = 15000, .balance = 60000, .rentals = 3, .rate = 1.25,
                   .installment_price = 135000, .rental = 6000, .user_name = "maker"});
    AddLines(6);
    t::SetReprocessingFigures(*m.con, 6, -1500.5, std::nullopt);
    t::AddCashFlowLine(*m.con, 1, 6, 2, 0.97532, 5002, 4878.55);
    t::AddCashFlowLine(*m.con, 1, 6, 3, 0.96309, 5003, 4818.34);
    t::AddCashFlowLine(*m.con, 1, 6, 1, 0.98765, 5001, 4939.24);
    m.con->Execute(
        "insert into ahpProcessingCashFlowDetail (hpcComapnyID, hpcProcessingID, hpcdetailID, hpcDiscountFactor, "
        "hpcRental, hpcDiscountCashFlow) values (2, 6, 4, 0.5, 1, 1)");
  }
  // First processing 5 (amended, settled), re-processed after settlement by 7.
  void AddAfterSettlement(std::optional<int> posted) {
    AddProcessing({.id = 5, .number = "HP5", .amended = 1, .rentals = 24,
                   .lines = t::Lines(3, "2024-02-29", 5000, 3)});
    AddProcessing({.id = 7, .number = "HP7", .date = "2024-03-12", .reference = 5, .after_settlement = 1,
                   .adjustment_posted = posted, .cash_price = 110000, .down_payment = 15000, .balance = 60000,
                   .rentals = 3, .rate = 1.25, .installment_price = 135000, .rental = 6000});
    AddLines(7);
    t::SetReprocessingFigures(*m.con, 7, 2500, 800);
  }
  void AddProcessing(t::ProcessingSpec p) { t::AddProcessing(*m.con, p); }
};

TEST(EditScreen, ChosenByReferenceAndAfterSettlementFlagWithNullAsFalse) {
  const db::Value null;
  struct Case {
    const char* name;
    db::Value reference, flag;
    EditScreen screen;
  } cases[] = {
      {"FirstNullFlag", null, null, EditScreen::kProcessing},
      {"FirstFalseFlag", null, std::int64_t{0}, EditScreen::kProcessing},
      {"ZeroReference", std::int64_t{0}, std::int64_t{0}, EditScreen::kProcessing},
      {"ZeroReferenceNullFlag", std::int64_t{0}, null, EditScreen::kProcessing},
      {"ReprocessingFalseFlag", std::int64_t{5}, std::int64_t{0}, EditScreen::kReprocessing},
      {"ReprocessingNullFlag", std::int64_t{5}, null, EditScreen::kReprocessing},
      {"AfterSettlement", std::int64_t{5}, std::int64_t{1}, EditScreen::kAfterSettlement},
      {"AfterSettlementNoReference", null, std::int64_t{1}, EditScreen::kAfterSettlement},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(EditScreenFor(c.reference, c.flag), c.screen);
  }
}

TEST(EditProcessing, OpensFilledWithLinesInLineOrderAndLocked) {
  for (std::optional<int> flag : {std::optional<int>{0}, std::optional<int>{}}) {
    SCOPED_TRACE(flag ? "flag 0" : "flag null");
    Edit e;
    e.AddFirst(flag);
    bool seen = false;
    e.m.host.OnShow("frmProcessing", [&](Form& f) {
      auto* s = dynamic_cast<processing::frmProcessing*>(&f);
      ASSERT_NE(s, nullptr);
      seen = true;
      EXPECT_EQ(s->txtPNo.Text(), "HP5");
      EXPECT_EQ(s->txtDate.Text(), "10/03/2024");
      EXPECT_EQ(s->cbodepartment.SelectedData(), 10);
      EXPECT_EQ(s->cboCustomer.SelectedData(), 1);
      EXPECT_EQ(s->cboInvoice.SelectedData(), 1);
      EXPECT_FALSE(s->cboCustomer.Enabled);
      EXPECT_FALSE(s->cboInvoice.Enabled);
      EXPECT_FALSE(s->cmdProcess.Enabled);
      EXPECT_FALSE(s->cmdOK.Enabled);
      // The stored figures, not the invoice's.
      EXPECT_EQ(s->txtSP.Text(), "110000.00");
      EXPECT_EQ(s->txtDP.Text(), "15000.00");
      EXPECT_EQ(s->txtBal.Text(), "95000.00");
      EXPECT_EQ(s->txtRentalAmount.Text(), "5001.00");
      EXPECT_EQ(s->txtNoRetals.Text(), "3");
      EXPECT_EQ(s->txtInstallmentPrice.Text(), "135000.00");
      EXPECT_EQ(s->txtRemarks.Text(), "first");
      EXPECT_EQ(s->txtUserName.Text(), "clerk");
      EXPECT_EQ(Rows(s->lvwProcessing, 12), kShownLines);
      EXPECT_EQ(s->txtTotRental.Text(), "15006.00");
      EXPECT_EQ(s->txtTotInterest.Text(), "375.00");
      EXPECT_EQ(s->txtTotCapitalRepayment.Text(), "14631.00");
    });
    EXPECT_TRUE(OpenForEdit(e.m.bas, 5));
    EXPECT_TRUE(seen);
    EXPECT_EQ(e.m.bas.GStrMasterNewEditFlag, "E");
    EXPECT_EQ(e.m.bas.lngEditProcessingID, 5);
  }
}

TEST(EditReprocessing, OpensWithPreviousProcessingLockedAndBothListsLoaded) {
  for (std::optional<int> flag : {std::optional<int>{0}, std::optional<int>{}}) {
    SCOPED_TRACE(flag ? "flag 0" : "flag null");
    Edit e;
    e.AddReprocessing(flag);
    bool seen = false;
    e.m.host.OnShow("frmReprocessing", [&](Form& f) {
      auto* s = dynamic_cast<reprocessing::frmReprocessing*>(&f);
      ASSERT_NE(s, nullptr);
      seen = true;
      EXPECT_EQ(s->txtPNo.Text(), "HP6");
      EXPECT_EQ(s->txtDate.Text(), "12/03/2024");
      EXPECT_EQ(s->cboCustomer.SelectedData(), 1);
      EXPECT_FALSE(s->cboCustomer.Enabled);
      EXPECT_EQ(s->cboPrrocNo.SelectedData(), 5);
      EXPECT_EQ(s->cboPrrocNo.Text(), "HP5");
      EXPECT_FALSE(s->cboPrrocNo.Enabled);
      EXPECT_FALSE(s->cmdReProcess.Enabled);
      EXPECT_FALSE(s->cmdOk.Enabled);
      EXPECT_EQ(s->txtInvoice.Text(), "INV1");
      // The re-processing's own figures replace those of the one it replaced.
      EXPECT_EQ(s->txtSP.Text(), "110000.00");
      EXPECT_EQ(s->txtBal.Text(), "60000.00");
      EXPECT_EQ(s->txtRentalAmount.Text(), "6000.00");
      EXPECT_EQ(s->txtInstallmentPrice.Text(), "135000.00");
      EXPECT_EQ(s->txtUserName.Text(), "maker");
      EXPECT_EQ(s->txtAdjustments.Text(), "-1500.5");
      EXPECT_EQ(s->txtAdjCapitalBal.Text(), "58499.50");
      // The stored number, though the total rental over the rental is 2.501.
      EXPECT_EQ(s->txtNoRetals.Text(), "3");
      EXPECT_EQ(Rows(s->lvwReProcessing, 12), kShownLines);
      EXPECT_EQ(s->txtTotRental.Text(), "15006.00");
      EXPECT_EQ(s->txtTotInterest.Text(), "375.00");
      EXPECT_EQ(s->txtTotCapitalRepayment.Text(), "14631.00");
      const std::vector<std::vector<std::string>> cash_flow = {{"1", "0.99", "5001.00", "4939.24"},
                                                               {"2", "0.98", "5002.00", "4878.55"},
                                                               {"3", "0.96", "5003.00", "4818.34"}};
      EXPECT_EQ(Rows(s->lvwCashFlow, 4), cash_flow);
      EXPECT_EQ(s->txttotDiscCashFlow.Text(), "14636.13");
    });
    EXPECT_TRUE(OpenForEdit(e.m.bas, 6));
    EXPECT_TRUE(seen);
    EXPECT_EQ(e.m.bas.lngEditProcessingID, 6);
  }
}

TEST(EditAfterSettlement, OpensWithItsSettledLinesAndAdjustments) {
  Edit e;
  e.AddAfterSettlement(0);
  bool seen = false;
  e.m.host.OnShow("frmReprocessingAfterSettlemt", [&](Form& f) {
    auto* s = dynamic_cast<aftersettlement::frmReprocessingAfterSettlemt*>(&f);
    ASSERT_NE(s, nullptr);
    seen = true;
    EXPECT_EQ(s->txtPNo.Text(), "HP7");
    EXPECT_EQ(s->cboPrrocNo.SelectedData(), 5);
    EXPECT_FALSE(s->cboPrrocNo.Enabled);
    EXPECT_FALSE(s->cboCustomer.Enabled);
    EXPECT_TRUE(s->cmdOk.Enabled);  // the one screen that saves in edit mode
    EXPECT_EQ(s->txtNoofRentals.Text(), "24");
    EXPECT_EQ(s->txtNoRetals.Text(), "3");
    EXPECT_EQ(s->txtInvoice.Text(), "INV1");
    EXPECT_EQ(s->txtInstallmentPrice.Text(), "140000.00");
    EXPECT_EQ(s->txtnewInstPrice.Text(), "135000.00");
    EXPECT_EQ(s->txtAdjCapitalBal.Text(), "2500.00");
    EXPECT_EQ(s->txtUnearnedIncomeBal.Text(), "800.00");
    EXPECT_EQ(s->txtAdjustments.Text(), "1700.00");
    EXPECT_EQ(Rows(s->lvwPreDetails, 12), kShownLines);
    EXPECT_EQ(s->txtTotRental.Text(), "15006.00");
  });
  EXPECT_TRUE(OpenForEdit(e.m.bas, 7));
  EXPECT_TRUE(seen);
}

TEST(EditAfterSettlement, PostedAdjustmentIsRefusedAndOpensNothing) {
  Edit e;
  e.AddAfterSettlement(1);
  EXPECT_FALSE(OpenForEdit(e.m.bas, 7));
  EXPECT_EQ(e.m.host.LastMessage(), "This is already posted. Cannot edit ");
  EXPECT_TRUE(e.m.host.Shown().empty());
}

TEST(EditFailure, NothingIsShownWhenTheProcessingCannotBeShownWhole) {
  struct Case {
    const char* name;
    std::function<void(Edit&)> setup;
    int id;
  } cases[] = {
      {"NotOnFile", [](Edit&) {}, 99},
      {"OtherCompany", [](Edit& e) { e.AddProcessing({.id = 8, .number = "HP8", .company = 2}); }, 8},
      {"InvoiceNotOffered",
       [](Edit& e) {
         e.AddFirst(0);
         e.m.con->Execute("update losHpInvoiceHeader set hpqhProcessed=0 where hpqhQuotationID=1");
       },
       5},
      {"PreviousProcessingMissing",
       [](Edit& e) {
         e.AddReprocessing(0);
         e.m.con->Execute("update aHpProcessingHeader set hphReferenceID=77 where hphProcessingID=6");
       },
       6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Edit e;
    c.setup(e);
    EXPECT_THROW(OpenForEdit(e.m.bas, c.id), std::exception);
    EXPECT_TRUE(e.m.host.Shown().empty());
  }
}

// Every edit-mode screen shows the monthly rate as stored and twelve times it,
// and stores nothing: OK is refused, the line dialogs cannot accept a line,
// and closing after a change asks nothing.
// The processing and re-processing screens open a stored processing for
// viewing only; the after-settlement screen's edit-mode save has tests of
// its own.
TEST(EditViewOnly, RatesShownAndNothingSaveableOnTheViewingScreens) {
  struct Case {
    const char* name;
    std::function<void(Edit&)> setup;
    int id;
    std::string window, ok, process;
    std::string list, dialog, dialog_ok;  // the line dialog opened from the list
  } cases[] = {
      {"Processing", [](Edit& e) { e.AddFirst(std::nullopt); }, 5, "frmProcessing", "cmdOK", "cmdProcess",
       "lvwProcessing", "frmPopUp", "cmdOK"},
      {"Reprocessing", [](Edit& e) { e.AddReprocessing(0); }, 6, "frmReprocessing", "cmdOk", "cmdReProcess",
       "lvwReProcessing", "frmReProcessingPopUp", "cmdOk"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Edit e;
    c.setup(e);
    const std::string before = Snapshot(*e.m.con);
    bool seen = false, dialog_seen = false;
    if (!c.dialog.empty()) {
      e.m.host.OnShow(c.dialog, [&](Form& d) {
        dialog_seen = true;
        EXPECT_TRUE(Refused(d, c.dialog_ok));
      });
    }
    e.m.host.OnShow(c.window, [&](Form& f) {
      seen = true;
      auto text = [&](const std::string& name) { return dynamic_cast<forms::TextBox*>(f.Find(name))->Text(); };
      EXPECT_EQ(text("txtMonthlyRate"), "1.25");
      EXPECT_EQ(text("txtInterestRate"), "15");
      EXPECT_TRUE(Refused(f, c.ok));
      if (!c.process.empty()) {
        EXPECT_TRUE(Refused(f, c.process));
      }
      if (!c.list.empty()) {
        t::DblClick(f, c.list, 0);
        EXPECT_TRUE(dialog_seen);
      }
      // A change on the screen, then Close: no "Save Changes?" (an unanswered
      // question would fail the script).
      t::Paste(f, "txtRemarks", "changed while viewing");
      t::Click(f, "cmdClose");
      EXPECT_FALSE(f.IsLoaded());
    });
    EXPECT_TRUE(OpenForEdit(e.m.bas, c.id));
    EXPECT_TRUE(seen);
    for (const auto& message : e.m.host.Messages()) EXPECT_NE(message.prompt, "Save Changes?");
    EXPECT_EQ(Snapshot(*e.m.con), before);
  }
}

}  // namespace
}  // namespace hp::reg
