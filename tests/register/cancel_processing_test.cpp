// Cancelling from the register (CmdDelete_Click and its reason dialog).
#include "register/cancel_processing.h"

#include <gtest/gtest.h>

#include <optional>

#include "register/frm_cancel.h"
#include "register/register_world.h"
#include "support/database.h"

namespace hp::reg::test {
namespace {

TEST(Cancelling, StoresFlagReasonAndAuditInOneTransactionAndPaintsTheRowAfter) {
  struct Case {
    const char* name;
    std::vector<ProcessingSpec> stored;  // processing 2 is cancelled
    std::string invoice_processed, replaced_amended;
  } cases[] = {
      {"FirstProcessingReleasesItsInvoice", {{.id = 2, .number = "HP2", .lines = Lines(3, "2024-04-15", 5000)}}, "0", ""},
      {"ReprocessingMakesTheReplacedOneCurrent",
       {{.id = 1, .number = "HP1", .amended = 1}, {.id = 2, .number = "HP2", .reference = 1}}, "1", "0|"},
      {"AfterSettlementWithUnpostedAdjustment",
       {{.id = 1, .number = "HP1", .amended = 1},
        {.id = 2, .number = "HP2", .reference = 1, .after_settlement = 1, .adjustment_posted = 0,
         .lines = Lines(3, "2024-04-15", 5000, 2)}},
       "1", "0|"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Register r;
    for (const auto& p : c.stored) r.Add(p);
    r.Open(), r.Delete(2);
    EXPECT_EQ(r.Fields(2, "hphcancel, hphcancelRemarks"), "1|" + std::string(kReason) + "|");
    EXPECT_EQ(r.Count("hpAuditTrail", "RecordID=2 and RecordNo='HP2' and Action='D'"), 1);
    EXPECT_EQ(r.Processed(1), c.invoice_processed);
    EXPECT_EQ(r.Fields(1, "hphAmended"), c.replaced_amended);
    EXPECT_EQ(r.m.bas.GStrMasterNewEditFlag, "E");
    EXPECT_EQ(r.Grid().TextMatrix(r.Grid().Row, kColId) + r.Grid().TextMatrix(r.RowOf(2), kColCancelled), "2Yes");
    EXPECT_EQ(r.Grid().CellForeColor(r.RowOf(2), kColNumber), forms::kRed);
    EXPECT_FALSE(r.frm->CmdDelete.Enabled);
    EXPECT_EQ(r.Count("hpErrorLog", "1=1"), 0);
  }
}

TEST(Cancelling, RefusalsAndNoSayWhyAndChangeNothing) {
  const std::string processed = "The selected transaction is already Processed. Cannot delete.";
  struct Case {
    const char* name;
    ProcessingSpec spec;
    const char* meanwhile;  // what another user did after the register loaded
    std::string message;
    bool answer_no = false;
  } cases[] = {
      {"SettledWithNullFlag", {.id = 1, .lines = Lines(3, "2024-04-15", 5000, 1)}, nullptr, processed},
      {"SettledFirstProcessing", {.id = 1, .after_settlement = 0, .lines = Lines(3, "2024-04-15", 5000, 2)}, nullptr,
       processed},
      {"AdjustmentPosted", {.id = 1, .after_settlement = 1, .adjustment_posted = 1, .lines = Lines(3, "2024-04-15", 5000, 1)},
       nullptr, "This reprocessing adjustment is already posted to journal. Cannot delete."},
      {"ReprocessedMeanwhile", {.id = 1}, "update aHpProcessingHeader set hphAmended=1",
       "The selected transaction has been re-processed. Cannot delete."},
      {"AnsweredNo", {.id = 1}, nullptr, "Are You Sure Want To Delete The Entry - 'HP1'?", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Register r;
    r.Add(c.spec), r.Open();
    if (c.meanwhile) r.m.con->Execute(c.meanwhile);
    r.Select(1);
    if (c.answer_no) r.m.host.Answer(forms::MsgBoxResult::No);
    t::Click(*r.frm, "CmdDelete");  // an unscripted question or dialog would fail the test
    EXPECT_EQ(r.m.host.LastMessage(), c.message);
    EXPECT_EQ(r.Fields(1, "hphcancel, hphcancelRemarks"), "0||");
    EXPECT_EQ(r.Processed(1), "1");
    EXPECT_EQ(r.Count("hpAuditTrail", "1=1"), 0);
    EXPECT_EQ(r.Grid().TextMatrix(1, kColCancelled), "No");
  }
}

TEST(Cancelling, AFailingStatementLeavesNoTraceKeepsTheGridRowAndTellsTheUser) {
  struct Failure {
    const char *table, *event;
    bool reprocessing;
  } failures[] = {{"hpAuditTrail", "insert", false},
                  {"losHpInvoiceHeader", "update", false},
                  {"aHpProcessingHeader", "update of hphAmended", true}};
  for (const Failure& f : failures) {
    SCOPED_TRACE(std::string(f.table) + " " + f.event);
    Register r;
    r.Add({.id = 1, .number = "HP1", .amended = 1});
    r.Add({.id = 2, .number = "HP2", .reference = f.reprocessing ? std::optional<int>(1) : std::nullopt});
    r.Open(), t::FailWrites(*r.m.con, f.table, f.event), r.Delete(2);
    EXPECT_EQ(r.m.host.LastMessage(), shell::kCancelFailed);
    EXPECT_EQ(r.Fields(2, "hphcancel, hphcancelRemarks"), "0||");
    EXPECT_EQ(r.Fields(1, "hphAmended"), "1|");
    EXPECT_EQ(r.Processed(1), "1");
    EXPECT_EQ(r.Count("hpAuditTrail", "1=1"), 0);
    EXPECT_FALSE(r.m.con->InTransaction());
    EXPECT_EQ(r.Count("hpErrorLog", "RoutineName='CmdDelete_Click' and ScreenName='FrmMaster'"), 1);
    EXPECT_EQ(r.Grid().TextMatrix(r.RowOf(2), kColCancelled), "No");
    EXPECT_NE(r.Grid().CellForeColor(r.RowOf(2), kColNumber), forms::kRed);
  }
}

TEST(ReasonDialog, AcceptsAReasonOrLetsTheDeletionGoOnWithout) {
  struct Case {
    const char* name;
    std::function<void(Form&)> user;  // what the user does before the dialog is closed
    std::string reason, asked = "";
  } cases[] = {
      {"ApostropheKeyDropped", [](Form& f) { t::Type(f, "txtcanreason", " o'k "), t::Click(f, "cmdok"); }, " ok "},
      {"PastedApostropheKept", [](Form& f) { t::Paste(f, "txtcanreason", "O'Brien's"), t::Click(f, "cmdok"); }, "O'Brien's"},
      {"BlankOkAsksForAReason",
       [](Form& f) {
         t::Type(f, "txtcanreason", "x"), t::Paste(f, "txtcanreason", "  "), t::Click(f, "cmdok");
         EXPECT_TRUE(f.IsLoaded());
         t::Type(f, "txtcanreason", "dup"), t::Click(f, "cmdok");
       },
       "  dup", "Enter reason for deletion"},
      {"ClosedWithAReasonTyped", [](Form& f) { t::Type(f, "txtcanreason", "wrong invoice"); }, "wrong invoice"},
      {"EscAccepts", [](Form& f) { t::Type(f, "txtcanreason", "typo"), t::Key(f, "txtcanreason", 27); }, "typo"},
      {"OkDisabledOnceBlankedByKeys",
       [](Form& f) {
         t::Type(f, "txtcanreason", "a"), t::Key(f, "txtcanreason", 8);
         EXPECT_THROW(t::Click(f, "cmdok"), forms::EventError);
       },
       ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    t::Module m;
    std::string reason = "from an earlier deletion";
    frmcancel dlg(m.bas, reason);
    m.host.OnShow("frmcancel", [&](Form& f) {
      EXPECT_EQ(reason + (dlg.cmdok.Enabled ? " enabled" : ""), "") << "cleared when the dialog is activated";
      c.user(f);
    });
    m.host.ShowModal(dlg);
    EXPECT_FALSE(dlg.IsLoaded());
    EXPECT_EQ(reason, c.reason);
    EXPECT_EQ(m.host.LastMessage(), c.asked);
  }
}

}  // namespace
}  // namespace hp::reg::test
