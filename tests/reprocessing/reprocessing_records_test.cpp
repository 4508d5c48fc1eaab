// The data-layer routines of re-processing: the remaining lines of a
// processing, the amended mark, and the rewrite of a stored re-processing
// under its own identifier and number.
#include "reprocessing/reprocessing_records.h"

#include <gtest/gtest.h>

#include "platform/forms/list_view.h"
#include "reprocessing/processing_tracking.h"
#include "reprocessing_fixture.h"

namespace hp::reprocessing {
namespace {

using namespace fixture;

TEST(ReprocessingTracking, GivesTheUnsettledLinesOfThatCustomerAndCompanyInLineOrder) {
  testing::Module m;
  testing::AddCompany(*m.con, 2, "Other Company");
  AddScenery(m, Reprocessable{.settled = 2, .remaining = 3});
  // A line settled with null counts as unsettled; a line added later with a
  // lower number comes first.
  m.con->Execute("update aHpProcessingDetail set hpdSettlementAmount=null where hpddetailID=4");
  m.con->Execute("delete from aHpProcessingDetail where hpddetailID=3");
  m.con->Execute(
      "insert into aHpProcessingDetail (hpdCompanyID, hpdDepartmentID, hpdProcessingID, hpddetailID, hpdRental, "
      "hpdSettlementAmount, hpdPosted) values (1, 10, 1, 3, 999, 0, 0)");
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

TEST(ReprocessingRecords, MarksAmendedOnlyOnceForANewReprocessing) {
  testing::Module m;
  AddScenery(m);
  EXPECT_TRUE(MarkAmended(*m.con, 1, 1, true));
  EXPECT_FALSE(MarkAmended(*m.con, 1, 1, true));   // a second re-processing of it
  EXPECT_TRUE(MarkAmended(*m.con, 1, 1, false));   // saved again: marked as it was
  EXPECT_FALSE(MarkAmended(*m.con, 1, 7, false));  // no such processing
  EXPECT_EQ(testing::CountRows(*m.con, "aHpProcessingHeader", "hphAmended=1"), 1);
}

TEST(ReprocessingRecords, ARewriteKeepsOneHeaderUnderTheSameKeys) {
  testing::Module m;
  AddScenery(m, Reprocessable{.id = 5, .number = "HP5", .settled = 0, .remaining = 4});
  testing::AddCashFlowLine(*m.con, 1, 5, 1, 0.99, 1250, 1237.5);
  forms::Form owner(m.host, "owner");
  forms::ListView lines(owner, "lines"), flows(owner, "flows");
  for (const char* date : {"2024-02-15", "2024-03-15"}) {
    lines.Item(lines.Add(std::to_string(lines.Count() + 1))).sub = {date,   "2000", "1000.00", "20",      "980", "1020",
                                                                    "Bank", "C",    "1000.00", "1000.00", "1.00"};
    flows.Item(flows.Add(std::to_string(flows.Count() + 1))).sub = {"0.99", "1000.00", "990.00"};
  }
  ReprocessingHeader h{.company = 1, .department = 10, .id = 5, .number = "HP5", .date = {2024, 3, 15}};
  h.after_settlement = 1;
  h.balance_interest = 40;
  h.user_name = "clerk";
  h.update_user_name = "manager";
  h.update_time = text::DateTime{{2024, 3, 16}, 9, 30, 0};
  {
    db::Transaction tx(*m.con);
    DeleteStoredRows(*m.con, 1, 5);
    WriteHeader(*m.con, h);
    processing::SaveDetails(*m.con, {1, 10, 5}, lines);
    WriteCashFlow(*m.con, {1, 10, 5}, flows);
    tx.Commit();
  }
  db::Recordset rs = m.con->Open("select * from aHpProcessingHeader where hphProcessingID=5");
  ASSERT_EQ(rs.RecordCount(), 1);
  ExpectRow(rs, {"hphProcessingNo=HP5", "hphreprocessaftersettlement=1", "hphBalanceInterest=40",
                 "hphUpdateUserName=manager"});
  auto count = [&](const char* table, const char* when) { return testing::CountRows(*m.con, table, when); };
  EXPECT_EQ(count("aHpProcessingDetail", "hpdProcessingID=5"), 2);
  EXPECT_EQ(count("aHpProcessingDetail", "hpdProcessingID=5 and hpddetailID=2 and hpdSettlementAmount=1000"), 1);
  EXPECT_EQ(count("ahpProcessingCashFlowDetail", "hpcProcessingID=5"), 2);
}

}  // namespace
}  // namespace hp::reprocessing
