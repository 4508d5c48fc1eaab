// Storing a re-processing: what the rows hold, all or nothing, two users at
// once, and the data-layer routines it stands on.
#include <gtest/gtest.h>

#include "reprocessing/processing_tracking.h"
#include "reprocessing/reprocessing_records.h"
#include "reprocessing_fixture.h"
#include "support/database.h"

namespace hp::reprocessing {
namespace {

using namespace fixture;

// The register's grid, refreshed by a save from the register's own query.
constexpr char kRegister[] =
    "select hphProcessingID, hphProcessingNo, hphAmended from aHpProcessingHeader where hphCompanyID=?";

// Re-processes processing 1 into 10 rentals with cheques and presses OK.
void ReprocessAndSave(testing::Module& m, frmReprocessing& s) {
  Choose(s, "optAuto");
  Reprocess(m, s, "10");
  // The rentals repay the adjusted balance at (about) the loaded rate.
  EXPECT_EQ(s.txtAdjCapitalBal.Text(), s.txttotDiscCashFlow.Text());
  EXPECT_EQ(s.txtMonthlyRate.Text(), "1.25");
  ASSERT_EQ(EnterCheques(m, s), 10);
  EXPECT_EQ(s.ActiveControl(), &s.cmdOk);  // every rental has its cheque: OK is next
  Paste(s, "txtRemarks", "fewer rentals");
  Click(s, "cmdOk");
}

// 10 x 1500.00 at 1.25% are worth about 14018.70: an adjustment up, then
// down; a department chosen by a user without one, numbered by its prefix;
// then saves failing half-way, which must store nothing at all.
TEST(ReprocessingSave, StoresTheNewScheduleAndAmendsTheOldProcessingOrNothing) {
  struct {
    const char* name;
    double capital;
    int department;
    std::string number;
    std::function<void(testing::Module&)> fail;
  } cases[] = {
      {"AdjustedUp", 12500, 10, "HP2"},
      {"AdjustedDown", 14500, 10, "HP2"},
      {"ChosenDepartment", 12500, 20, "RP1"},
      {"RentalLineFails", 12500, 10, "",
       [](auto& m) { testing::FailWrites(*m.con, "aHpProcessingDetail", "insert", "NEW.hpddetailID=3"); }},
      {"CashFlowLineFails", 12500, 10, "",
       [](auto& m) { testing::FailWrites(*m.con, "ahpProcessingCashFlowDetail", "insert", "NEW.hpcdetailID=7"); }},
      {"AuditEntryFails", 12500, 10, "", [](auto& m) { m.bas.objAudit = std::make_unique<shell::clsOskendal>(); }},
      {"NumberingFails", 12500, 10, "",  // an unreadable number of the department and year
       [](auto& m) { testing::AddProcessing(*m.con, testing::ProcessingSpec{.id = 9, .number = "HPX", .cancel = 1}); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::Module m;
    if (c.department != 10) {
      m.bas.intdepartmentid = 0;  // no department restriction: the user chooses
      testing::AddDepartment(*m.con, 20, 1, "Three Wheelers");
      testing::AddPrefix(*m.con, 20, 1, "RP");
    }
    AddScenery(m, Reprocessable{.department = c.department, .first_capital = c.capital});
    testing::RegisterStub reg(m, 3, kRegister);
    if (c.fail) c.fail(m);
    const std::vector<long> before = Stored(*m.con);
    WithScreen(m, [&](frmReprocessing& s) {
      if (c.department != 10) ChooseData(s, "cbodepartment", c.department);
      ReprocessAndSave(m, s);
      EXPECT_EQ(s.IsLoaded(), c.fail != nullptr);
      if (!c.fail) return;
      EXPECT_EQ(m.host.LastMessage(), shell::kSaveFailed);
      EXPECT_EQ(s.lvwReProcessing.Count(), 10);  // the screen keeps its contents
    });
    if (c.fail) {
      EXPECT_EQ(Stored(*m.con), before);
      EXPECT_EQ(reg.flexMaster.TextMatrix(1, 0), "");  // the register shows nothing new
      EXPECT_GE(testing::CountRows(*m.con, "hpErrorLog"), 1);
      continue;
    }
    const ExpectedSchedule e = Expect(1.25, c.capital, 10, 1500);
    EXPECT_EQ(e.adjustment > 0, c.capital < 14000);
    EXPECT_NEAR(e.balance.back(), 0, 0.05);  // the adjusted balance is repaid
    const std::string rate = N(Round2(e.rate * 100));
    db::Recordset h = m.con->Open("select * from aHpProcessingHeader where hphReferenceID=1");
    ASSERT_EQ(h.RecordCount(), 1);
    ExpectRow(
        h, {"hphProcessingID=2", "hphProcessingNo=" + c.number, "hphDepartmentID=" + N(c.department), "hphInvoiceID=1",
            "hphNoOfRentals=10", "hphReprocessingType=A", "hphRemarks=fewer rentals", "hphUserName=clerk",
            "hphAmended=0", "hphCancel=0", "hphreprocessaftersettlement=0", "hphRentalAmount=1500",
            "hphbalance=" + N(c.capital), "hphInterestRate=" + rate, "hphAdjustmentAmount=" + N(e.adjustment)});
    EXPECT_EQ(db::AsText(h.Field("hphProcessingdate")).substr(0, 10), "2024-03-15");
    db::Recordset d = m.con->Open(
        "select * from aHpProcessingDetail where hpdProcessingID=2 and hpdCompanyID=1 order by hpddetailID");
    ASSERT_EQ(d.RecordCount(), 10);
    for (int i = 0; i < 10; ++i, d.MoveNext()) {
      SCOPED_TRACE("line " + std::to_string(i + 1));
      ExpectRow(d, {"hpddetailID=" + N(i + 1), "hpdCapital=" + N(e.capital[i]), "hpdInterest=" + N(e.interest[i]),
                    "hpdcapitalRepayment=" + N(e.repayment[i]), "hpdCapitalBalance=" + N(e.balance[i]),
                    "hpdInterestRate=" + rate, "hpdRental=1500", "hpdAmount=1500", "hpdBankName=Bank of Ceylon",
                    "hpdChequeNo=Q" + N(i + 1), "hpdPosted=0"});
      // Whole months from the first remaining cheque, 31 January.
      EXPECT_EQ(db::AsText(d.Field("hpdChequeDate")).substr(0, 10),
                text::IsoDate(text::AddMonths(text::Date{2024, 1, 31}, i + 1)));
    }
    db::Recordset f = m.con->Open(
        "select * from ahpProcessingCashFlowDetail where hpcProcessingID=2 and hpcComapnyID=1 order by hpcdetailID");
    ASSERT_EQ(f.RecordCount(), 10);
    for (int i = 0; i < 10; ++i, f.MoveNext()) {
      EXPECT_NEAR(db::AsDouble(f.Field("hpcDiscountFactor")), e.factor[i], 1e-12);
      ExpectRow(f, {"hpcRental=1500", "hpcDiscountCashFlow=" + N(e.discounted[i])});
    }
    EXPECT_EQ(testing::CountRows(*m.con, "aHpProcessingHeader", "hphProcessingID=1 and hphAmended=1"), 1);
    db::Recordset a = m.con->Open("select * from hpAuditTrail");
    ASSERT_EQ(a.RecordCount(), 1);
    ExpectRow(a, {"RecordID=2", "RecordNo=" + c.number, "Action=N", "ScreenName=frmReprocessing"});
    EXPECT_EQ(reg.flexMaster.TextMatrix(1, 0), "2");
    EXPECT_EQ(reg.flexMaster.TextMatrix(1, 1), c.number);
  }
}

TEST(ReprocessingSave, OfTwoUsersReprocessingTheSameProcessingOnlyTheFirstSucceeds) {
  const std::string url = testing::TestDatabaseUrl();
  testing::Module first(url, true), second(url, false);
  AddScenery(first);
  first.bas.GStrMasterNewEditFlag = second.bas.GStrMasterNewEditFlag = "N";
  frmReprocessing a(first.bas), b(second.bas);
  auto prepare = [](testing::Module& u, frmReprocessing& s) {  // re-processed, up to OK
    Choose(s, "optAuto");
    Reprocess(u, s, "10");
    EnterCheques(u, s);
  };
  first.host.OnShow("frmReprocessing", [&](forms::Form&) {
    prepare(first, a);
    second.host.OnShow("frmReprocessing", [&](forms::Form&) {
      prepare(second, b);  // both have the processing on screen, re-processed
      Click(a, "cmdOk");
      Click(b, "cmdOk");
      EXPECT_TRUE(b.IsLoaded());
      b.Tag.clear();
    });
    second.host.ShowModal(b);
  });
  first.host.ShowModal(a);
  EXPECT_FALSE(a.IsLoaded());
  EXPECT_EQ(second.host.LastMessage(), kAlreadyAmended);
  auto count = [&](const char* table, const char* when = "") { return testing::CountRows(*first.con, table, when); };
  EXPECT_EQ(count("aHpProcessingHeader", "hphReferenceID=1"), 1);
  EXPECT_EQ(count("aHpProcessingDetail"), 15 + 10);
  EXPECT_EQ(count("ahpProcessingCashFlowDetail"), 10);
  EXPECT_EQ(count("hpAuditTrail"), 1);
}

TEST(ReprocessingTracking, GivesTheUnsettledLinesOfThatCustomerAndCompanyInLineOrder) {
  testing::Module m;
  testing::AddCompany(*m.con, 2, "Other Company");
  AddScenery(m, Reprocessable{.settled = 2, .remaining = 3});
  // A line settled with null counts as unsettled; a line added later with a
  // lower number comes first.
  m.con->Execute("update aHpProcessingDetail set hpdSettlementAmount=null where hpddetailID=4");
  m.con->Execute("delete from aHpProcessingDetail where hpddetailID=3");
  testing::AddProcessingLine(*m.con, 1, 1, 3, {.cheque_date = "2024-01-31", .rental = 999});
  struct {
    const char* name;
    int company, customer, processing;
    std::vector<int> lines;  // hpddetailID expected, in order
  } cases[] = {{"Remaining", 1, 1, 1, {3, 4, 5}},
               {"OtherCustomer", 1, 2, 1, {}},
               {"OtherCompany", 2, 1, 1, {}},
               {"NoSuchProcessing", 1, 1, 7, {}}};
  for (const auto& c : cases) {
    std::vector<int> got;
    for (const TrackedLine& l : HpProcessingTracking(*m.con, c.company, c.customer, c.processing))
      got.push_back(l.detail_id);
    EXPECT_EQ(got, c.lines) << c.name;
  }
}

TEST(ReprocessingRecords, MarksAmendedOnlyOnceForANewReprocessingAndOnlyInItsCompany) {
  testing::Module m;
  AddScenery(m);
  EXPECT_FALSE(MarkAmended(*m.con, 2, 1, true));   // another company's identifier
  EXPECT_TRUE(MarkAmended(*m.con, 1, 1, true));
  EXPECT_FALSE(MarkAmended(*m.con, 1, 1, true));   // a second re-processing of it
  EXPECT_TRUE(MarkAmended(*m.con, 1, 1, false));   // saved again: marked as it was
  EXPECT_FALSE(MarkAmended(*m.con, 1, 7, false));  // no such processing
  EXPECT_EQ(testing::CountRows(*m.con, "aHpProcessingHeader", "hphAmended=1"), 1);
}

}  // namespace
}  // namespace hp::reprocessing
