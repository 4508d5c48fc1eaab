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

db::Value I(std::int64_t v) { return v; }

struct TrackingCase {
  std::string name;
  int company, customer, processing;
  std::vector<int> lines;  // hpddetailID expected, in order
};
void PrintTo(const TrackingCase& c, std::ostream* os) { *os << c.name; }

class Tracking : public ::testing::TestWithParam<TrackingCase> {};

TEST_P(Tracking, GivesTheUnsettledLinesOfThatCustomerAndCompanyInLineOrder) {
  const TrackingCase& c = GetParam();
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
  std::vector<int> got;
  for (const TrackedLine& l : HpProcessingTracking(*m.con, c.company, c.customer, c.processing))
    got.push_back(l.detail_id);
  EXPECT_EQ(got, c.lines);
}

INSTANTIATE_TEST_SUITE_P(Reprocessing, Tracking,
                         ::testing::Values(TrackingCase{"Remaining", 1, 1, 1, {3, 4, 5}},
                                           TrackingCase{"OtherCustomer", 1, 2, 1, {}},
                                           TrackingCase{"OtherCompany", 2, 1, 1, {}},
                                           TrackingCase{"NoSuchProcessing", 1, 1, 7, {}}),
                         [](const auto& p) { return p.param.name; });

TEST(ReprocessingRecords, MarksAmendedOnceAndOnlyForTheCompany) {
  testing::Module m;
  AddScenery(m);
  EXPECT_FALSE(MarkAmended(*m.con, 2, 1, true));  // another company's identifier
  EXPECT_EQ(DeleteHeader(*m.con, 2, 1), 0);
  EXPECT_TRUE(MarkAmended(*m.con, 1, 1, true));
  EXPECT_FALSE(MarkAmended(*m.con, 1, 1, true));  // a second re-processing of it
  EXPECT_TRUE(MarkAmended(*m.con, 1, 1, false));  // saved again: marked as it was
  EXPECT_EQ(testing::CountRows(*m.con, "aHpProcessingHeader", "hphAmended=1"), 1);
}

TEST(ReprocessingRecords, ARewriteKeepsOneHeaderUnderTheSameKeys) {
  testing::Module m;
  AddScenery(m, Reprocessable{.id = 5, .number = "HP5", .settled = 0, .remaining = 4});
  m.con->Execute(
      "insert into ahpProcessingCashFlowDetail (hpcComapnyID, hpcDepartmentID, hpcProcessingID, hpcdetailID, "
      "hpcDiscountFactor, hpcRental, hpcDiscountCashFlow) values (1, 10, 5, 1, 0.99, 1250, 1237.5)");
  forms::Form owner(m.host, "owner");
  forms::ListView lines(owner, "lines"), flows(owner, "flows");
  for (int i = 1; i <= 2; ++i) {
    forms::ListItem& l = lines.Item(lines.Add(std::to_string(i)));
    l.sub = {"2024-0" + std::to_string(i + 1) + "-15",
             "2000",
             "1000.00",
             "20",
             "980",
             "1020",
             "Bank",
             "C",
             "1000.00",
             "1000.00",
             "1.00"};
    forms::ListItem& f = flows.Item(flows.Add(std::to_string(i)));
    f.sub = {"0.99", "1000.00", "990.00"};
  }
  ReprocessingHeader h;
  h.company = 1;
  h.department = 10;
  h.id = 5;
  h.number = "HP5";
  h.date = text::Date{2024, 3, 15};
  h.customer = 1;
  h.invoice = 5;
  h.financial = 1;
  h.rentals = 2;
  h.reference = 1;
  h.after_settlement = 1;
  h.balance_interest = 40;
  h.adjustment_posted = 0;
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
  db::Recordset rs = m.con->Open("select * from aHpProcessingHeader where hphProcessingID=?", {I(5)});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(db::AsText(rs.Field("hphProcessingNo")), "HP5");
  EXPECT_EQ(db::AsInt(rs.Field("hphreprocessaftersettlement")), 1);
  EXPECT_DOUBLE_EQ(db::AsDouble(rs.Field("hphBalanceInterest")), 40);
  EXPECT_EQ(db::AsText(rs.Field("hphUpdateUserName")), "manager");
  EXPECT_EQ(testing::CountRows(*m.con, "aHpProcessingDetail", "hpdProcessingID=?", {I(5)}), 2);
  EXPECT_EQ(testing::CountRows(*m.con, "aHpProcessingDetail",
                               "hpdProcessingID=? and hpddetailID=2 and hpdSettlementAmount=1000", {I(5)}),
            1);
  EXPECT_EQ(testing::CountRows(*m.con, "ahpProcessingCashFlowDetail", "hpcProcessingID=?", {I(5)}), 2);
}

}  // namespace
}  // namespace hp::reprocessing
