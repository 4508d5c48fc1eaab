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

void AddProcessing(Connection& con, int id, int lines, int invoice = 1) {
  testing::AddProcessing(con, {.id = id, .number = "HP" + std::to_string(id), .invoice = invoice,
                               .lines = testing::Lines(lines, "2024-02-29", 5000)});
}

void AddAudit(Connection& con, const std::string& saved) {
  con.Execute("insert into hpAuditTrail (CompanyID, UserID, InterfaceID, Action, SavedTime) "
              "values (1, 1, 7503, 'N', ?)", {saved});
}

std::vector<std::string> Columns(Connection& con, const std::string& table) {
  Recordset rs = con.Open("select * from " + table + " where 1=2");
  std::vector<std::string> names;
  for (int i = 0; i < rs.FieldCount(); ++i) {
    names.push_back(rs.FieldName(i));
    for (auto& c : names.back()) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return names;
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

TEST(SchemaTest, AuditAndErrorNumbersAreDrawnByTheDatabase) {
  auto con = FreshDatabase();
  for (int i = 0; i < 3; ++i) {
    AddAudit(*con, "2024-03-15 10:00:0" + std::to_string(i));
    con->Execute("insert into hpErrorLog (LoggedAt, ErrorNumber) values ('2024-03-15 10:00:00', 83906754)");
  }
  for (const char* sql :
       {"select AuditID from hpAuditTrail order by AuditID", "select ErrorID from hpErrorLog order by ErrorID"}) {
    std::vector<std::int64_t> ids;
    for (Recordset rs = con->Open(sql); !rs.Eof(); rs.MoveNext()) ids.push_back(AsInt(rs.Field(0)));
    ASSERT_EQ(ids.size(), 3u) << sql;
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end())) << sql;
    EXPECT_EQ(std::set<std::int64_t>(ids.begin(), ids.end()).size(), 3u) << sql;
    EXPECT_GE(ids[0], 1) << sql;
  }
  EXPECT_EQ(AsText(con->Open("select SavedTime from hpAuditTrail order by AuditID").Field(0)), "2024-03-15 10:00:00");
}

TEST(SchemaTest, ViewsJoinEachLineWithItsHeaderAndNames) {
  auto con = FreshDatabase();
  testing::StandardWorld(*con);
  testing::AddCustomer(*con, {.name = "Nimal Perera"});
  testing::AddInvoice(*con, {.number = "INV-77"});
  testing::AddUser(*con, 3, "manager");
  AddProcessing(*con, 4, 3);
  AddProcessing(*con, 5, 0, 2);
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
  EXPECT_EQ(CountRows(*con, "vwHPProcessingWithAllDetails", "hphProcessingID = 5"), 1);
  // User names read through lousers.
  Recordset user = con->Open("select username from lousers where userid = ?", {std::int64_t{3}});
  ASSERT_EQ(user.RecordCount(), 1);
  EXPECT_EQ(AsText(user.Field("UserName")), "manager");
}

// Whatever an earlier test left in its database, the next one starts empty
// with the module's schema as created; creating the schema again keeps it all.
TEST(SchemaTest, EveryFreshDatabaseStartsEmptyAndCreatingItAgainKeepsTheRows) {
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    auto con = FreshDatabase();
    EXPECT_EQ(CountRows(*con, "aUsers"), 0);
    EXPECT_EQ(CountRows(*con, "aHpProcessingHeader"), 0);
    EXPECT_THROW(con->Open("select * from leftover"), DbError);
    AddAudit(*con, "2024-03-15 10:00:00");
    EXPECT_EQ(AsInt(con->Open("select max(AuditID) from hpAuditTrail").Field(0)), 1);
    testing::StandardWorld(*con);
    AddProcessing(*con, 1, 2);
    con->Execute("create table leftover (x integer)");
    EXPECT_NO_THROW(CreateSchema(*con));
    EXPECT_NO_THROW(CreateSchema(*con));
    EXPECT_EQ(CountRows(*con, "aHpProcessingHeader"), 1);
    EXPECT_EQ(CountRows(*con, "aHpProcessingDetail"), 2);
    EXPECT_EQ(CountRows(*con, "aUsers"), 1);
    EXPECT_EQ(CountRows(*con, "hpAuditTrail"), 1);
    EXPECT_FALSE(con->InTransaction());
  }
}

}  // namespace
}  // namespace hp::db
