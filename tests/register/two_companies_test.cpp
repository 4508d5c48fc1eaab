// Two companies in one database, sharing every identifier the schema lets
// them share. Each case is an action of company 2's session; none may read or
// change a row of company 1, and each must see company 2's own lines whatever
// department wrote them.
#include <gtest/gtest.h>

#include <algorithm>

#include "aftersettlement/frm_reprocessing_after_settlemt.h"
#include "platform/text/number_text.h"
#include "processing/frm_processing.h"
#include "register/register_edit.h"
#include "register/register_world.h"
#include "reprocessing/frm_reprocessing.h"

namespace hp::reg::test {
namespace {

using forms::MsgBoxResult;

// Company 1: customer 1 on its amended HP1 (identifier 1) and customer 3 on a
// live HP2 (6, the largest identifier). Company 2, department 20: HP1 (2) of
// the same customer 1 with invoice "INV1", whose lines were written from no
// department and from department 99, and HP2 (5), a re-processing naming
// company 1's identifier 1. Under company 2's identifier 2 lie two lines of
// company 1: one open, one settled and posted, both with interest.
const std::vector<t::LineSpec> kLines2 = [] {
  auto lines = Lines(3, "2024-04-15", 1000);
  lines[0].department = lines[1].department = 0;
  lines[2].department = 99;
  return lines;
}();

void TwoCompanies(Register& r) {
  db::Connection& con = *r.m.con;
  t::SecondCompany(con);
  t::AddCustomer(con, {.id = 3, .name = "Only Company 1"});
  r.Add({.id = 1, .number = "HP1", .amended = 1, .lines = Lines(3, "2024-04-15", 1000)}, "Nimal Perera");
  r.Add({.id = 6, .number = "HP2", .customer = 3, .invoice = 3, .lines = Lines(3, "2024-04-15", 1000)});
  t::AddInvoice(con, {.id = 2, .number = "INV1", .company = 2, .shop = 200, .processed = true});
  r.Add({.id = 2, .number = "HP1", .company = 2, .department = 20, .financial = 2, .invoice = 2, .rental = 1000,
         .lines = kLines2});
  r.Add({.id = 5, .number = "HP2", .company = 2, .department = 20, .financial = 2, .invoice = 2, .reference = 1});
  t::LineSpec open{.cheque_date = "2024-07-15", .rental = 1000, .interest = 999, .cheque_no = "OTHER4"};
  t::LineSpec settled = open;
  settled.cheque_no = "OTHER5", settled.settlement = 1000, settled.posted = 1;
  t::AddProcessingLine(con, 1, 2, 4, open);
  t::AddProcessingLine(con, 1, 2, 5, settled);
}

// Re-processes company 2's HP1 automatically to its three rentals of 1000,
// giving each line a cheque, and saves.
void Reprocess(Register& r, reprocessing::frmReprocessing& s) {
  EXPECT_EQ(s.cboCustomer.ListCount(), 1) << "company 1's customer 3 offered";
  t::Click(s, "optAuto"), t::ChooseData(s, "cboCustomer", 1), t::ChooseData(s, "cboPrrocNo", 2);
  EXPECT_EQ(s.lvwReProcessing.Count(), 3) << "only company 2's open lines";
  r.m.host.Answer(MsgBoxResult::Yes);  // the loaded lines are cleared
  t::Click(s, "cmdReProcess");
  int cheque = 0;
  r.m.host.OnShow("frmReProcessingPopUp", [&](Form& d) {
    while (d.IsLoaded() && cheque < 10) {
      t::Paste(d, "cboBankName", "Bank of Ceylon"), t::Paste(d, "txtchequeno", "Q" + std::to_string(++cheque));
      t::Click(d, "cmdOk");
    }
  });
  t::DblClick(s, "lvwReProcessing", 0), t::Click(s, "cmdOk");
  EXPECT_FALSE(s.IsLoaded()) << r.m.host.LastMessage();
}

// Chooses company 2's HP1 on the after-settlement screen and saves.
void SettleAndSave(Register& r, aftersettlement::frmReprocessingAfterSettlemt& s) {
  EXPECT_EQ(s.cboCustomer.ListCount(), 1) << "company 1's customer 3 offered";
  t::ChooseData(s, "cboCustomer", 1), t::ChooseData(s, "cboPrrocNo", 2);
  EXPECT_EQ(s.lvwPreDetails.Count(), 2) << "only company 2's settled lines";
  EXPECT_EQ(s.txtNoofRentals.Text(), "3");
  // The unsettled third line's interest: every line of the company counts,
  // none of the other company's.
  EXPECT_EQ(s.txtUnearnedIncomeBal.Text(), text::Format00(kLines2[2].interest));
  t::Click(s, "cmdOk");
  EXPECT_FALSE(s.IsLoaded()) << r.m.host.LastMessage();
}

TEST(TwoCompanies, ASessionOfCompany2NeitherReadsNorChangesCompany1sRows) {
  const std::string processed = "The selected transaction is already Processed. Cannot delete.";
  struct Case {
    const char* name;
    const char* stored;  // company 2's rows before the action
    std::function<void(Register&)> act;
  } cases[] = {
      {"CancelReleasesItsInvoice", nullptr,
       [](Register& r) {
         r.Delete(2);
         EXPECT_EQ(r.Fields(2, "hphcancel"), "1|");
         EXPECT_EQ(r.Processed(2), "0");
         EXPECT_EQ(r.Count("hpAuditTrail", "CompanyID=2 and RecordID=2 and Action='D'"), 1);
       }},
      {"SettledLineFromNoDepartmentStopsTheCancel",
       "update aHpProcessingDetail set hpdSettlementAmount=1000 where hpdCompanyID=2 and hpddetailID=1",
       [&](Register& r) {
         r.Select(2), t::Click(*r.frm, "CmdDelete");
         EXPECT_EQ(r.m.host.LastMessage(), processed);
         EXPECT_EQ(r.Fields(2, "hphcancel"), "0|");
       }},
      {"PostedLastLineFromAnotherDepartmentDisablesDelete",
       "update aHpProcessingDetail set hpdPosted=1 where hpdCompanyID=2 and hpddetailID=3",
       [](Register& r) { r.Select(2); EXPECT_FALSE(r.frm->CmdDelete.Enabled); }},
      {"CancelOfAReprocessingUnamendsOnlyItsCompanysRow", nullptr,
       [](Register& r) {
         r.Delete(5);
         EXPECT_EQ(r.Fields(5, "hphcancel"), "1|");
         EXPECT_EQ(r.Processed(2), "1");
       }},
      {"EditListsOnlyItsOwnLines", nullptr,
       [](Register& r) {
         int lines = -1;
         r.m.host.OnShow("frmProcessing",
                         [&](Form& f) { lines = dynamic_cast<processing::frmProcessing&>(f).lvwProcessing.Count(); });
         r.Select(2), t::Click(*r.frm, "CmdEdit");
         EXPECT_EQ(lines, 3);
         EXPECT_THROW(OpenForEdit(r.m.bas, 6), std::exception) << "company 1's processing opened";
       }},
      {"ReprocessingSaveDrawsTheIdentifierOverBothCompanies", nullptr,
       [](Register& r) {
         r.Show<reprocessing::frmReprocessing>(r.windows->MakeReprocessing(r.m.bas),
                                               [&](auto& s) { Reprocess(r, s); });
         EXPECT_EQ(r.Fields(7, "hphCompanyID, hphDepartmentID, hphProcessingNo, hphReferenceID"), "2|20|HP3|2|");
         EXPECT_EQ(r.Fields(2, "hphAmended"), "1|");
         EXPECT_EQ(r.Count("aHpProcessingDetail", "hpdProcessingID=7 and hpdCompanyID=2"), 3);
       }},
      {"AfterSettlementSave",
       "update aHpProcessingDetail set hpdSettlementAmount=hpdRental where hpdCompanyID=2 and hpddetailID<3",
       [](Register& r) {
         r.Show<aftersettlement::frmReprocessingAfterSettlemt>(r.windows->MakeAfterSettlement(r.m.bas),
                                                               [&](auto& s) { SettleAndSave(r, s); });
         EXPECT_EQ(r.Fields(7, "hphCompanyID, hphProcessingNo, hphReferenceID, hphreprocessaftersettlement"),
                   "2|HP3|2|1|");
         EXPECT_EQ(r.Fields(2, "hphAmended"), "1|");
         EXPECT_EQ(r.Count("aHpProcessingDetail", "hpdProcessingID=7 and hpdCompanyID=2"), 2);
       }},
      {"PreviewPrintsOnlyItsOwnLines", nullptr, [](Register& r) {
         r.Select(2), t::Click(*r.frm, "cmdPreview");
         ASSERT_EQ(r.m.host.Documents().size(), 1u) << r.m.host.LastMessage();
         const std::string text = PdfText(r.m.host.Documents()[0].bytes);
         EXPECT_NE(text.find("Second Company"), std::string::npos) << text;
         EXPECT_NE(text.find("CHQ3"), std::string::npos) << text;
         EXPECT_EQ(text.find("OTHER"), std::string::npos) << "company 1's lines printed\n" << text;
       }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Register r;
    TwoCompanies(r);
    if (c.stored) r.m.con->Execute(c.stored);
    r.m.bas.intCompanyID = 2, r.m.bas.intdepartmentid = 20, r.m.bas.intfinancialId = 2;
    r.Open();
    auto listed = r.Column(kColId);
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<std::string>{"2", "5"}));
    const std::string company1 = Snapshot(*r.m.con, 1);
    c.act(r);
    EXPECT_EQ(Snapshot(*r.m.con, 1), company1);
    EXPECT_EQ(r.Count("hpErrorLog", "1=1"), 0) << r.m.host.LastMessage();
  }
}

}  // namespace
}  // namespace hp::reg::test
