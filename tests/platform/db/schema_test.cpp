// The module's schema: created once, left alone when present, the same
// tables, columns and views on both backends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <vector>

#include "platform/db/schema.h"
#include "platform/db/sqlite_connection.h"
#include "support/database.h"
#include "support/records.h"

namespace hp::db {
namespace {

using testing::CountRows;
using testing::FreshDatabase;

std::string Lower(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

testing::ProcessingSpec Processing(int id, const std::string& number, int lines, int invoice = 1) {
  testing::ProcessingSpec p;
  p.id = id;
  p.number = number;
  p.invoice = invoice;
  p.lines = testing::Lines(lines, "2024-02-29", 5000);
  return p;
}

std::vector<std::string> Columns(Connection& con, const std::string& table) {
  Recordset rs = con.Open("select * from " + table + " where 1=2");
  std::vector<std::string> names;
  for (int i = 0; i < rs.FieldCount(); ++i) names.push_back(Lower(rs.FieldName(i)));
  return names;
}

TEST(SchemaTest, CreatingItAgainKeepsTablesAndRows) {
  auto con = FreshDatabase();
  testing::StandardWorld(*con);
  testing::AddProcessing(*con, Processing(1, "HP1", 2));
  EXPECT_NO_THROW(CreateSchema(*con));
  EXPECT_NO_THROW(CreateSchema(*con));
  EXPECT_EQ(CountRows(*con, "aHpProcessingHeader"), 1);
  EXPECT_EQ(CountRows(*con, "aHpProcessingDetail"), 2);
  EXPECT_EQ(CountRows(*con, "aUsers"), 1);
  EXPECT_FALSE(con->InTransaction());
}

// Every table and view of the embedded schema exists on this backend with the
// same columns in the same order (names compared without case).
TEST(SchemaTest, EveryTableAndViewHasTheColumnsOfTheEmbeddedSchema) {
  auto reference = OpenSqlite(":memory:");
  CreateSchema(*reference);
  Recordset objects = reference->Open(
      "select name from sqlite_master where type in ('table', 'view') and name not like 'sqlite%' order by name");
  ASSERT_GT(objects.RecordCount(), 20);
  auto con = FreshDatabase();
  for (; !objects.Eof(); objects.MoveNext()) {
    std::string name = AsText(objects.Field(0));
    EXPECT_EQ(Columns(*con, name), Columns(*reference, name)) << name;
  }
}

TEST(SchemaTest, ColumnsGiveBackTheKindsTheModuleWrites) {
  auto con = FreshDatabase();
  testing::AddProcessing(*con, Processing(1, "HP1", 1));
  Recordset rs = con->Open(
      "select hphProcessingID, hphCashPrice, hphProcessingdate, hphProcessingNo, hpdChequeDate, hpdRental "
      "from aHpProcessingHeader join aHpProcessingDetail on hpdProcessingID = hphProcessingID");
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_TRUE(std::holds_alternative<std::int64_t>(rs.Field("hphProcessingID")));
  EXPECT_TRUE(std::holds_alternative<double>(rs.Field("hphCashPrice")));
  EXPECT_TRUE(std::holds_alternative<double>(rs.Field("hpdRental")));
  EXPECT_EQ(rs.Field("hphProcessingdate"), Value(std::string("2024-03-15")));
  EXPECT_EQ(rs.Field("hpdChequeDate"), Value(std::string("2024-02-29")));
  EXPECT_EQ(rs.Field("hphProcessingNo"), Value(std::string("HP1")));
}

TEST(SchemaTest, AuditAndErrorNumbersAreDrawnByTheDatabase) {
  auto con = FreshDatabase();
  for (int i = 0; i < 3; ++i) {
    con->Execute(
        "insert into hpAuditTrail (CompanyID, UserID, InterfaceID, Action, SavedTime) values (1, 1, 7503, 'N', ?)",
        {std::string("2024-03-15 10:00:0") + std::to_string(i)});
    con->Execute("insert into hpErrorLog (LoggedAt, ErrorNumber) values (?, ?)",
                 {std::string("2024-03-15 10:00:00"), std::int64_t{83906754}});
  }
  for (const char* sql : {"select AuditID from hpAuditTrail order by AuditID", "select ErrorID from hpErrorLog order by ErrorID"}) {
    Recordset rs = con->Open(sql);
    std::vector<std::int64_t> ids;
    for (; !rs.Eof(); rs.MoveNext()) ids.push_back(AsInt(rs.Field(0)));
    ASSERT_EQ(ids.size(), 3u) << sql;
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end())) << sql;
    EXPECT_EQ(std::set<std::int64_t>(ids.begin(), ids.end()).size(), 3u) << sql;
    EXPECT_GE(ids[0], 1) << sql;
  }
  Recordset times = con->Open("select SavedTime from hpAuditTrail order by AuditID");
  EXPECT_EQ(AsText(times.Field(0)), "2024-03-15 10:00:00");
}

TEST(SchemaTest, ReportViewJoinsEachLineWithItsHeaderAndNames) {
  auto con = FreshDatabase();
  testing::StandardWorld(*con);
  testing::CustomerSpec customer;
  customer.name = "Nimal Perera";
  testing::AddCustomer(*con, customer);
  testing::InvoiceSpec invoice;
  invoice.number = "INV-77";
  testing::AddInvoice(*con, invoice);
  testing::AddProcessing(*con, Processing(4, "HP4", 3));
  testing::AddProcessing(*con, Processing(5, "HP5", 0, 2));
  Recordset rs = con->Open(
      "select * from vwHPProcessingWithAllDetails where hphDepartmentID = ? and hphProcessingID = ? "
      "order by hpddetailID",
      {std::int64_t{10}, std::int64_t{4}});
  ASSERT_EQ(rs.RecordCount(), 3);
  for (std::int64_t line = 1; !rs.Eof(); rs.MoveNext(), ++line) {
    EXPECT_EQ(AsInt(rs.Field("hpddetailID")), line);
    EXPECT_EQ(AsText(rs.Field("hphProcessingNo")), "HP4");
    EXPECT_EQ(AsText(rs.Field("CustomerName")), "Nimal Perera");
    EXPECT_EQ(AsText(rs.Field("hpqhQuotationNo")), "INV-77");
    EXPECT_EQ(AsText(rs.Field("DepartmentName")), "Vehicles");
    EXPECT_EQ(AsText(rs.Field("CompanyName")), "Lanka Motor Traders");
  }
  // A header without lines still shows, once.
  EXPECT_EQ(CountRows(*con, "vwHPProcessingWithAllDetails", "hphProcessingID = ?", {std::int64_t{5}}), 1);
}

// Whatever an earlier test left in its database, the next one starts empty
// with the module's schema as created.
TEST(SchemaTest, EveryFreshDatabaseStartsEmpty) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    auto con = FreshDatabase();
    EXPECT_EQ(CountRows(*con, "aUsers"), 0);
    EXPECT_EQ(CountRows(*con, "aHpProcessingHeader"), 0);
    EXPECT_THROW(con->Open("select * from leftover"), DbError);
    con->Execute(
        "insert into hpAuditTrail (CompanyID, UserID, InterfaceID, Action, SavedTime) values (1, 1, 7503, 'N', ?)",
        {std::string("2024-03-15 10:00:00")});
    EXPECT_EQ(AsInt(con->Open("select max(AuditID) from hpAuditTrail").Field(0)), 1);
    testing::StandardWorld(*con);
    testing::AddProcessing(*con, Processing(1, "HP1", 2));
    con->Execute("create table leftover (x integer)");
  }
}

TEST(SchemaTest, UserNamesReadThroughLousers) {
  auto con = FreshDatabase();
  testing::AddUser(*con, 3, "manager");
  Recordset rs = con->Open("select username from lousers where userid = ?", {std::int64_t{3}});
  ASSERT_EQ(rs.RecordCount(), 1);
  EXPECT_EQ(AsText(rs.Field("UserName")), "manager");
}

}  // namespace
}  // namespace hp::db
