#include "register/cancel_processing.h"

#include <gtest/gtest.h>

#include "support/database.h"

#include <optional>

#include "register/register_world.h"

namespace hp::reg::test {
namespace {

using hp::testing::Lines;
using hp::testing::ProcessingSpec;
namespace t = hp::testing;

constexpr char kReason[] = "Customer's cheque bounced";

// Deletes processing `id` from the open register: Yes, and `kReason` pasted
// into the reason dialog.
void Delete(Register& r, int id) {
  r.Select(id);
  r.m.host.Answer(forms::MsgBoxResult::Yes);
  r.m.host.OnShow("frmcancel", [](forms::Form& f) {
    t::Paste(f, "txtcanreason", kReason);
    t::Click(f, "cmdok");
  });
  t::Click(*r.frm, "CmdDelete");
}

std::int64_t InvoiceProcessed(Register& r) {
  return db::AsInt(r.m.con->Open("select hpqhProcessed from losHpInvoiceHeader where hpqhQuotationID=1").Field(0));
}

TEST(Cancelling, StoresFlagReasonAndAuditInOneTransactionAndPaintsTheRowAfter) {
  struct Case {
    const char* name;
    std::vector<ProcessingSpec> stored;  // the last one is cancelled
    std::int64_t invoice_processed;
    std::int64_t replaced_amended;  // processing 1 afterwards
  } cases[] = {
      {"FirstProcessingReleasesItsInvoice", {{.id = 2, .number = "HP2", .lines = Lines(3, "2024-04-15", 5000)}}, 0, -1},
      {"ReprocessingMakesTheReplacedOneCurrent",
       {{.id = 1, .number = "HP1", .amended = 1}, {.id = 2, .number = "HP2", .reference = 1}}, 1, 0},
      {"AfterSettlementWithUnpostedAdjustment",
       {{.id = 1, .number = "HP1", .amended = 1},
        {.id = 2, .number = "HP2", .reference = 1, .after_settlement = 1, .adjustment_posted = 0,
         .lines = Lines(3, "2024-04-15", 5000, 2)}},
       1, 0},
      // Identifiers are shared by all companies: a reference naming another
      // company's processing must not move that company's row.
      {"ReferenceIntoAnotherCompany",
       {{.id = 1, .number = "C1", .company = 2, .department = 30, .invoice = 5, .amended = 1},
        {.id = 2, .number = "HP2", .reference = 1}},
       1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Register r;
    for (const auto& p : c.stored) r.Add(p);
    r.Open();
    Delete(r, 2);
    EXPECT_EQ(db::AsInt(r.Header(2, "hphcancel")), 1);
    EXPECT_EQ(db::AsText(r.Header(2, "hphcancelRemarks")), kReason);
    EXPECT_EQ(r.Count("hpAuditTrail", "RecordID=2 and RecordNo='HP2' and Action='D'"), 1);
    EXPECT_EQ(InvoiceProcessed(r), c.invoice_processed);
    if (c.replaced_amended >= 0) {
      EXPECT_EQ(db::AsInt(r.Header(1, "hphAmended")), c.replaced_amended);
    }
    EXPECT_EQ(r.m.bas.GStrMasterNewEditFlag, "E");
    EXPECT_EQ(r.Grid().Row, r.RowOf(2));
    EXPECT_EQ(r.Grid().TextMatrix(r.RowOf(2), kColCancelled), "Yes");
    EXPECT_EQ(r.Grid().CellForeColor(r.RowOf(2), kColNumber), forms::kRed);
    EXPECT_FALSE(r.frm->CmdDelete.Enabled);
    EXPECT_EQ(r.Count("hpErrorLog", "1=1"), 0);
  }
}

TEST(Cancelling, RefusalsSayWhyAndChangeNothing) {
  const std::string processed = "The selected transaction is already Processed. Cannot delete.";
  struct Case {
    const char* name;
    ProcessingSpec spec;
    const char* meanwhile;  // what another user did after the register loaded
    std::string message;
  } cases[] = {
      {"SettledWithNullFlag", {.id = 1, .number = "HP1", .lines = Lines(3, "2024-04-15", 5000, 1)}, nullptr, processed},
      {"SettledFirstProcessing", {.id = 1, .number = "HP1", .after_settlement = 0, .lines = Lines(3, "2024-04-15", 5000, 2)},
       nullptr, processed},
      {"SettledUnderAnotherDepartment", {.id = 1, .number = "HP1", .lines = Lines(3, "2024-04-15", 5000, 1)},
       "update aHpProcessingDetail set hpdDepartmentID=99", processed},
      {"AdjustmentPosted",
       {.id = 1, .number = "HP1", .after_settlement = 1, .adjustment_posted = 1, .lines = Lines(3, "2024-04-15", 5000, 1)},
       nullptr, "This reprocessing adjustment is already posted to journal. Cannot delete."},
      {"ReprocessedMeanwhile", {.id = 1, .number = "HP1"}, "update aHpProcessingHeader set hphAmended=1",
       "The selected transaction has been re-processed. Cannot delete."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Register r;
    r.Add(c.spec);
    r.Open();
    if (c.meanwhile) r.m.con->Execute(c.meanwhile);
    r.Select(1);
    t::Click(*r.frm, "CmdDelete");  // no answer scripted: a question would fail the test
    EXPECT_EQ(r.m.host.LastMessage(), c.message);
    EXPECT_TRUE(db::IsNull(r.Header(1, "hphcancelRemarks")));
    EXPECT_EQ(r.Count("hpAuditTrail", "1=1"), 0);
    EXPECT_EQ(r.Grid().TextMatrix(1, kColCancelled), "No");
  }
}

TEST(Cancelling, AnsweringNoChangesNothingButTheFlag) {
  Register r;
  r.Add({.id = 1, .number = "HP1"});
  r.Open();
  r.Select(1);
  r.m.host.Answer(forms::MsgBoxResult::No);
  t::Click(*r.frm, "CmdDelete");
  EXPECT_EQ(r.m.host.LastMessage(), "Are You Sure Want To Delete The Entry - 'HP1'?");
  EXPECT_EQ(r.m.host.Messages().back().style, forms::vbYesNo | forms::vbCritical | forms::vbDefaultButton2);
  EXPECT_EQ(r.m.bas.GStrMasterNewEditFlag, "E");
  EXPECT_EQ(db::AsInt(r.Header(1, "hphcancel")), 0);
  EXPECT_EQ(InvoiceProcessed(r), 1);
  EXPECT_TRUE(r.m.host.Shown().empty()) << "no reason asked";
}

TEST(Cancelling, AFailingStatementLeavesNoTraceKeepsTheGridRowAndTellsTheUser) {
  struct Failure {
    const char* table;
    const char* event;
    bool reprocessing;
  } failures[] = {{"hpAuditTrail", "insert", false},
                  {"losHpInvoiceHeader", "update", false},
                  {"aHpProcessingHeader", "update of hphAmended", true}};
  for (const Failure& f : failures) {
    SCOPED_TRACE(std::string(f.table) + " " + f.event);
    Register r;
    r.Add({.id = 1, .number = "HP1", .amended = 1});
    r.Add({.id = 2, .number = "HP2", .reference = f.reprocessing ? std::optional<int>(1) : std::nullopt});
    r.Open();
    hp::testing::FailWrites(*r.m.con, f.table, f.event);
    Delete(r, 2);
    EXPECT_EQ(r.m.host.LastMessage(), shell::kCancelFailed);
    EXPECT_EQ(db::AsInt(r.Header(2, "hphcancel")), 0);
    EXPECT_TRUE(db::IsNull(r.Header(2, "hphcancelRemarks")));
    EXPECT_EQ(db::AsInt(r.Header(1, "hphAmended")), 1);
    EXPECT_EQ(InvoiceProcessed(r), 1);
    EXPECT_EQ(r.Count("hpAuditTrail", "1=1"), 0);
    EXPECT_FALSE(r.m.con->InTransaction());
    EXPECT_EQ(r.Count("hpErrorLog", "RoutineName='CmdDelete_Click' and ScreenName='FrmMaster'"), 1);
    EXPECT_EQ(r.Grid().TextMatrix(r.RowOf(2), kColCancelled), "No");
    EXPECT_NE(r.Grid().CellForeColor(r.RowOf(2), kColNumber), forms::kRed);
  }
}

}  // namespace
}  // namespace hp::reg::test
