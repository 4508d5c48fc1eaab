// Reading rows: recordsets, ForEachRow, RowWriter, and the SQL pieces the
// statements rely on on both backends (isnull, limit 1, where 1=2).
#include <gtest/gtest.h>

#include <vector>

#include "platform/db/row_writer.h"
#include "support/database.h"
#include "support/records.h"

namespace hp::db {
namespace {

using testing::AddProcessing;
using testing::FreshDatabase;
using testing::Lines;
using testing::ProcessingSpec;

std::unique_ptr<Connection> WithTwoProcessings() {
  auto con = FreshDatabase();
  ProcessingSpec first;
  first.id = 1;
  first.number = "HP1";
  first.lines = Lines(3, "2024-02-29", 5000, 2);
  first.lines[2].settlement.reset();  // never settled: null
  AddProcessing(*con, first);
  ProcessingSpec second;
  second.id = 2;
  second.number = "HP2";
  second.reference = 1;
  second.adjustment_posted = 1;
  second.lines = Lines(2, "2024-03-31", 2500);
  AddProcessing(*con, second);
  return con;
}

TEST(RecordsetTest, FieldNamesMatchWhateverTheCase) {
  auto con = WithTwoProcessings();
  Recordset rs = con->Open(
      "select hphProcessingID, hphProcessingNo, hphCashPrice as CashPrice from aHpProcessingHeader "
      "order by hphProcessingID");
  ASSERT_EQ(rs.RecordCount(), 2);
  for (const char* name : {"hphProcessingID", "HPHPROCESSINGID", "hphprocessingid", "HphProcessingId"}) {
    ASSERT_TRUE(rs.HasField(name)) << name;
    EXPECT_EQ(AsInt(rs.Field(name)), 1) << name;
  }
  EXPECT_EQ(AsText(rs.Field("HPHPROCESSINGNO")), "HP1");
  EXPECT_EQ(AsDouble(rs.Field("cashprice")), 120000);
  EXPECT_FALSE(rs.HasField("hphProcessing"));
}

TEST(RecordsetTest, MovesThroughEveryRowInOrder) {
  auto con = WithTwoProcessings();
  Recordset rs = con->Open("select hpddetailID, hpdProcessingID from aHpProcessingDetail where hpdProcessingID = ? "
                           "order by hpddetailID desc",
                           {std::int64_t{1}});
  std::vector<std::int64_t> seen;
  for (; !rs.Eof(); rs.MoveNext()) seen.push_back(AsInt(rs.Field("hpddetailID")));
  EXPECT_EQ(seen, (std::vector<std::int64_t>{3, 2, 1}));
  EXPECT_EQ(rs.RecordCount(), 3);
  rs.MoveFirst();
  EXPECT_EQ(AsInt(rs.Field(0)), 3);
}

TEST(RecordsetTest, EmptySelectionStillNamesItsColumns) {
  auto con = WithTwoProcessings();
  Recordset rs = con->Open("Select * from aHpProcessingHeader where 1=2 ");
  EXPECT_TRUE(rs.Eof());
  EXPECT_EQ(rs.RecordCount(), 0);
  EXPECT_TRUE(rs.HasField("hphProcessingID"));
  EXPECT_TRUE(rs.HasField("hphreprocessaftersettlement"));
  EXPECT_EQ(rs.FieldCount(), 29);
}

TEST(RecordsetTest, ForEachRowHandsOutEveryRowWithItsTexts) {
  auto con = WithTwoProcessings();
  std::vector<std::string> texts;
  long n = con->ForEachRow(
      "select hphProcessingID, hphProcessingNo, hphInterestRate, hphRemarks, hphProcessingdate "
      "from aHpProcessingHeader order by hphProcessingID",
      {}, [&](const RowView& row) {
        ASSERT_EQ(row.FieldCount(), 5);
        std::string line;
        for (int i = 0; i < row.FieldCount(); ++i) line += row.Text(i) + "|";
        texts.push_back(line);
        EXPECT_TRUE(std::holds_alternative<std::int64_t>(row.Field(0)));
        EXPECT_TRUE(std::holds_alternative<double>(row.Field(2)));
        EXPECT_TRUE(IsNull(row.Field(3)));
      });
  EXPECT_EQ(n, 2);
  EXPECT_EQ(texts, (std::vector<std::string>{"1|HP1|1.51||2024-03-15|", "2|HP2|1.51||2024-03-15|"}));
}

TEST(RecordsetTest, ForEachRowCallbackMayQueryTheSameConnection) {
  auto con = WithTwoProcessings();
  long lines = 0;
  con->ForEachRow("select hphProcessingID from aHpProcessingHeader", {}, [&](const RowView& row) {
    lines += static_cast<long>(AsInt(
        con->Open("select count(*) from aHpProcessingDetail where hpdProcessingID = ?", {row.Field(0)}).Field(0)));
  });
  EXPECT_EQ(lines, 5);
}

TEST(RecordsetTest, LimitOneGivesTheFirstRowOfTheOrder) {
  auto con = WithTwoProcessings();
  Recordset rs = con->Open(
      "select hpdCapital from aHpProcessingDetail where hpdProcessingID = ? order by hpddetailID desc limit 1",
      {std::int64_t{1}});
  ASSERT_EQ(rs.RecordCount(), 1);
  double last = testing::Lines(3, "2024-02-29", 5000)[2].capital;
  EXPECT_EQ(AsDouble(rs.Field(0)), last);
  Recordset none = con->Open("select hpdCapital from aHpProcessingDetail where hpdProcessingID = ? limit 1",
                             {std::int64_t{99}});
  EXPECT_TRUE(none.Eof());
}

struct IsNullCase {
  const char* name;
  const char* expression;
  std::int64_t id;  // processing
  double expected;
};
void PrintTo(const IsNullCase& c, std::ostream* os) { *os << c.name; }

class IsNullTest : public ::testing::TestWithParam<IsNullCase> {};

TEST_P(IsNullTest, ReplacesOnlyNull) {
  auto con = WithTwoProcessings();
  Recordset rs = con->Open(std::string("select ") + GetParam().expression +
                               " as v from aHpProcessingHeader h where hphProcessingID = ?",
                           {GetParam().id});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsDouble(rs.Field("v")), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, IsNullTest,
    ::testing::Values(
        IsNullCase{"NullInteger", "isnull(hphReferenceID,0)", 1, 0},
        IsNullCase{"Integer", "isnull(hphReferenceID,0)", 2, 1},
        IsNullCase{"NullFlag", "isnull(hphAdjustmentPosted,0)", 1, 0},
        IsNullCase{"Flag", "isnull(hphAdjustmentPosted,0)", 2, 1},
        IsNullCase{"NullMoney", "isnull(hphAdjustmentAmount,0)", 1, 0},
        IsNullCase{"Money", "isnull(hphCashPrice,0)", 1, 120000},
        // sums over the lines, as the register's look-ups write them
        IsNullCase{"SumOfLines",
                   "(select sum(isnull(hpdSettlementAmount ,0)) from aHpProcessingDetail d "
                   "where d.hpdProcessingID = h.hphProcessingID)",
                   1, 10000},
        IsNullCase{"NullSum",
                   "(select isnull(sum(hpdSettlementAmount),0) from aHpProcessingDetail d "
                   "where d.hpdProcessingID = h.hphProcessingID and hpddetailID > 2)",
                   1, 0},
        IsNullCase{"InCondition",
                   "(select count(*) from aHpProcessingDetail d where d.hpdProcessingID = h.hphProcessingID "
                   "and isnull(hpdSettlementAmount ,0) = 0)",
                   1, 1}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(IsNullTest, TextAndBoundValues) {
  auto con = WithTwoProcessings();
  Recordset rs = con->Open(
      "select isnull(hphRemarks, '') as r, isnull(hphcancelRemarks, ?) as c, isnull(hphReferenceID, ?) as ref "
      "from aHpProcessingHeader where hphProcessingID = 1",
      {std::string("none"), std::int64_t{-1}});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsText(rs.Field("r")), "");
  EXPECT_FALSE(IsNull(rs.Field("r")));
  EXPECT_EQ(AsText(rs.Field("c")), "none");
  EXPECT_EQ(AsInt(rs.Field("ref")), -1);
}

TEST(RowWriterTest, WritesTheColumnsSetAndTheDefaultsOfTheRest) {
  auto con = FreshDatabase();
  RowWriter w(*con, "aHpProcessingHeader");
  w.AddNew();
  w.Set("hphCompanyID", std::int64_t{1});
  w.Set("hphDepartmentID", std::int64_t{10});
  w.Set("hphProcessingID", std::int64_t{7});
  w.Set("hphProcessingNo", std::string("HP7"));
  w.Set("hphProcessingdate", std::string("2024-03-15"));
  w.Set("hphCustomerID", std::int64_t{3});
  w.Set("hphInvoiceID", std::int64_t{4});
  w.Set("hphFinancialID", std::int64_t{1});
  w.Set("hphInterestRate", 1.25);
  w.Set("hphRemarks", std::string("first"));
  w.Set("hphRemarks", std::string("O'Neil's \"deal\"; ok"));  // the later value wins
  w.Set("hphUpdateTime", std::string("2024-03-15 14:05:09"));
  w.Update();
  Recordset rs = con->Open("select * from aHpProcessingHeader where hphProcessingID = ?", {std::int64_t{7}});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsText(rs.Field("hphProcessingNo")), "HP7");
  EXPECT_EQ(AsText(rs.Field("hphProcessingdate")), "2024-03-15");
  EXPECT_EQ(AsDouble(rs.Field("hphInterestRate")), 1.25);
  EXPECT_EQ(AsText(rs.Field("hphRemarks")), "O'Neil's \"deal\"; ok");
  EXPECT_EQ(AsText(rs.Field("hphUpdateTime")), "2024-03-15 14:05:09");
  EXPECT_EQ(AsInt(rs.Field("hphAmended")), 0);
  EXPECT_EQ(AsInt(rs.Field("hphCancel")), 0);
  EXPECT_TRUE(IsNull(rs.Field("hphReferenceID")));
}

TEST(RowWriterTest, RefusesUseBeforeAddNewAndDropsAFailedRow) {
  auto con = FreshDatabase();
  RowWriter w(*con, "aUsers");
  EXPECT_THROW(w.Set("UserID", std::int64_t{1}), DbError);
  EXPECT_THROW(w.Update(), DbError);
  w.AddNew();
  w.Set("UserID", std::int64_t{1});  // UserName missing: NOT NULL
  EXPECT_THROW(w.Update(), DbError);
  EXPECT_THROW(w.Update(), DbError);  // the failed row is not written again
  w.AddNew();
  w.Set("UserID", std::int64_t{1});
  w.Set("UserName", std::string("clerk"));
  w.Update();
  EXPECT_EQ(testing::CountRows(*con, "aUsers"), 1);
}

}  // namespace
}  // namespace hp::db
