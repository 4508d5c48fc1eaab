// Reading rows: recordsets, ForEachRow, RowWriter, and the SQL pieces the
// statements rely on on both backends (isnull, limit 1, where 1=2).
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/db/row_writer.h"
#include "support/database.h"
#include "support/records.h"

namespace hp::db {
namespace {

using testing::AddProcessing;
using testing::Lines;

// HP1: three lines, two settled, the third's settlement null; HP2 refers to HP1.
std::unique_ptr<Connection> WithTwoProcessings() {
  auto con = testing::FreshDatabase();
  testing::ProcessingSpec p;
  p.lines = Lines(3, "2024-02-29", 5000, 2);
  p.lines[2].settlement.reset();
  AddProcessing(*con, p);
  p = {.id = 2, .number = "HP2", .reference = 1, .adjustment_posted = 1, .lines = Lines(2, "2024-03-31", 2500)};
  AddProcessing(*con, p);
  return con;
}

TEST(RecordsetTest, FieldNamesMatchWhateverTheCaseMissingFieldsAreErrors) {
  auto con = WithTwoProcessings();
  Recordset rs = con->Open(
      "select hphProcessingID, hphProcessingNo, hphCashPrice as CashPrice from aHpProcessingHeader "
      "order by hphProcessingID");
  ASSERT_EQ(rs.RecordCount(), 2);
  for (const char* name : {"hphProcessingID", "HPHPROCESSINGID", "hphprocessingid", "HphProcessingId"}) {
    ASSERT_TRUE(rs.HasField(name)) << name;
    EXPECT_EQ(AsInt(rs.Field(name)), 1) << name;
  }
  // each column gives back the kind the module writes
  EXPECT_EQ(rs.Field("HPHPROCESSINGNO"), Value(std::string("HP1")));
  EXPECT_EQ(rs.Field("cashprice"), Value(120000.0));
  EXPECT_FALSE(rs.HasField("hphProcessing"));
  EXPECT_THROW(rs.Field("hphProcessing"), DbError);
  rs.MoveNext(), rs.MoveNext();
  EXPECT_THROW(rs.Field(0), DbError);  // past the last row
}

TEST(RecordsetTest, MovesThroughEveryRowInOrderAndLimitOneTakesTheFirst) {
  auto con = WithTwoProcessings();
  const std::string lines = "select hpddetailID, hpdCapital, hpdRental, hpdChequeDate from aHpProcessingDetail "
                            "where hpdProcessingID = ? order by hpddetailID desc";
  Recordset rs = con->Open(lines, {std::int64_t{1}});
  std::vector<std::int64_t> seen;
  for (; !rs.Eof(); rs.MoveNext()) seen.push_back(AsInt(rs.Field("hpddetailID")));
  EXPECT_EQ(seen, (std::vector<std::int64_t>{3, 2, 1}));
  EXPECT_EQ(rs.RecordCount(), 3);
  rs.MoveFirst();
  EXPECT_EQ(AsInt(rs.Field(0)), 3);

  Recordset first = con->Open(lines + " limit 1", {std::int64_t{1}});
  ASSERT_EQ(first.RecordCount(), 1);
  const auto last = Lines(3, "2024-02-29", 5000)[2];
  EXPECT_EQ(first.Field(1), Value(last.capital));
  EXPECT_EQ(first.Field(2), Value(last.rental));
  EXPECT_EQ(first.Field(3), Value(last.cheque_date));
  EXPECT_TRUE(con->Open(lines + " limit 1", {std::int64_t{99}}).Eof());
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

TEST(RecordsetTest, ForEachRowHandsOutEveryRowAndMayQueryTheSameConnection) {
  auto con = WithTwoProcessings();
  std::vector<std::string> texts;
  long lines = 0;
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
        lines += static_cast<long>(AsInt(
            con->Open("select count(*) from aHpProcessingDetail where hpdProcessingID = ?", {row.Field(0)}).Field(0)));
      });
  EXPECT_EQ(n, 2);
  EXPECT_EQ(texts, (std::vector<std::string>{"1|HP1|1.51||2024-03-15|", "2|HP2|1.51||2024-03-15|"}));
  EXPECT_EQ(lines, 5);
}

TEST(IsNullTest, ReplacesOnlyNull) {
  struct Case {
    const char* name;
    const char* expression;
    std::int64_t id;  // processing
    const char* expected;
    Params params = {};
  } const cases[] = {
      {"null integer", "isnull(hphReferenceID,0)", 1, "0"},
      {"integer", "isnull(hphReferenceID,0)", 2, "1"},
      {"null flag", "isnull(hphAdjustmentPosted,0)", 1, "0"},
      {"flag", "isnull(hphAdjustmentPosted,0)", 2, "1"},
      {"null money", "isnull(hphAdjustmentAmount,0)", 1, "0"},
      {"money", "isnull(hphCashPrice,0)", 1, "120000"},
      {"null text", "isnull(hphRemarks, '')", 1, ""},
      {"bound text", "isnull(hphcancelRemarks, ?)", 1, "none", {std::string("none")}},
      {"bound integer", "isnull(hphReferenceID, ?)", 1, "-1", {std::int64_t{-1}}},
      // sums over the lines, as the register's look-ups write them
      {"sum of lines",
       "(select sum(isnull(hpdSettlementAmount ,0)) from aHpProcessingDetail d "
       "where d.hpdProcessingID = h.hphProcessingID)", 1, "10000"},
      {"null sum",
       "(select isnull(sum(hpdSettlementAmount),0) from aHpProcessingDetail d "
       "where d.hpdProcessingID = h.hphProcessingID and hpddetailID > 2)", 1, "0"},
      {"in a condition",
       "(select count(*) from aHpProcessingDetail d where d.hpdProcessingID = h.hphProcessingID "
       "and isnull(hpdSettlementAmount ,0) = 0)", 1, "1"},
  };
  auto con = WithTwoProcessings();
  for (const auto& c : cases) {
    Recordset rs = con->Open(std::string("select ") + c.expression +
                                 " as v from aHpProcessingHeader h where hphProcessingID = " + std::to_string(c.id),
                             c.params);
    ASSERT_EQ(rs.RecordCount(), 1) << c.name;
    EXPECT_FALSE(IsNull(rs.Field("v"))) << c.name;
    EXPECT_EQ(AsText(rs.Field("v")), c.expected) << c.name;
  }
}

TEST(RowWriterTest, WritesTheColumnsSetAndTheDefaultsOfTheRest) {
  auto con = testing::FreshDatabase();
  RowWriter w(*con, "aHpProcessingHeader");
  w.AddNew();
  const std::pair<const char*, Value> columns[] = {
      {"hphCompanyID", std::int64_t{1}},    {"hphDepartmentID", std::int64_t{10}},
      {"hphProcessingID", std::int64_t{7}}, {"hphProcessingNo", std::string("HP7")},
      {"hphCustomerID", std::int64_t{3}},   {"hphProcessingdate", std::string("2024-03-15")},
      {"hphInvoiceID", std::int64_t{4}},    {"hphFinancialID", std::int64_t{1}},
      {"hphInterestRate", 1.25},            {"hphUpdateTime", std::string("2024-03-15 14:05:09")},
      {"hphRemarks", std::string("first")}, {"hphRemarks", std::string("O'Neil's \"deal\"; ok")},  // later wins
  };
  for (const auto& [name, value] : columns) w.Set(name, value);
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
  auto con = testing::FreshDatabase();
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
