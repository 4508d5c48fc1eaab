// Transactions keep all or nothing, and the errors of the layer say what
// went wrong.
#include <gtest/gtest.h>

#include <stdexcept>

#include "support/database.h"
#include "support/records.h"

namespace hp::db {
namespace {

using testing::CountRows;
using testing::FreshDatabase;

testing::ProcessingSpec Processing(int id) {
  testing::ProcessingSpec p;
  p.id = id;
  p.number = "HP" + std::to_string(id);
  return p;
}

void AddUser(Connection& con, std::int64_t id, const std::string& name) {
  con.Execute("insert into aUsers (UserID, UserName) values (?, ?)", {id, name});
}

TEST(TransactionTest, CommitKeepsEveryRow) {
  auto con = FreshDatabase();
  {
    Transaction tx(*con);
    EXPECT_TRUE(con->InTransaction());
    AddUser(*con, 1, "a");
    AddUser(*con, 2, "b");
    tx.Commit();
  }
  EXPECT_FALSE(con->InTransaction());
  EXPECT_EQ(CountRows(*con, "aUsers"), 2);
}

TEST(TransactionTest, LeavingTheScopeUncommittedRollsBack) {
  auto con = FreshDatabase();
  AddUser(*con, 1, "kept");
  {
    Transaction tx(*con);
    AddUser(*con, 2, "dropped");
    con->Execute("update aUsers set UserName = ? where UserID = ?", {std::string("changed"), std::int64_t{1}});
  }
  EXPECT_FALSE(con->InTransaction());
  EXPECT_EQ(CountRows(*con, "aUsers"), 1);
  EXPECT_EQ(CountRows(*con, "aUsers", "UserName = ?", {std::string("kept")}), 1);
}

// The save pattern of every screen: a failing statement throws out of the
// transaction's scope and nothing written before it remains.
TEST(TransactionTest, FailingStatementLeavesNothingBehind) {
  auto con = FreshDatabase();
  AddUser(*con, 1, "existing");
  auto save = [&] {
    Transaction tx(*con);
    AddUser(*con, 2, "first");
    con->Execute("insert into aCompanyMaster (CompanyID, CompanyName) values (1, 'c')");
    AddUser(*con, 3, "existing");  // duplicate name: fails
    AddUser(*con, 4, "never");
    tx.Commit();
  };
  EXPECT_THROW(save(), DbError);
  EXPECT_FALSE(con->InTransaction());
  EXPECT_EQ(CountRows(*con, "aUsers"), 1);
  EXPECT_EQ(CountRows(*con, "aCompanyMaster"), 0);
  // The connection goes on working.
  AddUser(*con, 5, "after");
  EXPECT_EQ(CountRows(*con, "aUsers"), 2);
}

TEST(TransactionTest, NonDatabaseExceptionAlsoRollsBack) {
  auto con = FreshDatabase();
  auto save = [&] {
    Transaction tx(*con);
    AddUser(*con, 1, "a");
    throw std::runtime_error("validation failed half-way");
  };
  EXPECT_THROW(save(), std::runtime_error);
  EXPECT_EQ(CountRows(*con, "aUsers"), 0);
}

TEST(TransactionTest, BeginInsideATransactionIsRefusedAndTheOuterOneGoesOn) {
  auto con = FreshDatabase();
  Transaction tx(*con);
  AddUser(*con, 1, "a");
  EXPECT_THROW(con->BeginTrans(), DbError);
  EXPECT_THROW(Transaction inner(*con), DbError);
  EXPECT_TRUE(con->InTransaction());
  AddUser(*con, 2, "b");
  tx.Commit();
  EXPECT_EQ(CountRows(*con, "aUsers"), 2);
}

TEST(TransactionTest, CommitWithoutATransactionIsRefusedRollbackIsHarmless) {
  auto con = FreshDatabase();
  EXPECT_THROW(con->CommitTrans(), DbError);
  EXPECT_NO_THROW(con->RollbackTrans());
  EXPECT_FALSE(con->InTransaction());
}

TEST(TransactionTest, DeferredForeignKeysAreCheckedAtCommit) {
  auto con = FreshDatabase();
  const char* line =
      "insert into aHpProcessingDetail (hpdCompanyID, hpdProcessingID, hpddetailID, hpdPosted) values (1, ?, 1, 0)";
  {
    // A line may be written before its header inside one transaction.
    Transaction tx(*con);
    con->Execute(line, {std::int64_t{5}});
    testing::AddProcessing(*con, Processing(5));
    tx.Commit();
  }
  EXPECT_EQ(CountRows(*con, "aHpProcessingDetail", "hpdProcessingID = ?", {std::int64_t{5}}), 1);
  {
    // A line without a header fails the commit and leaves nothing.
    Transaction tx(*con);
    con->Execute(line, {std::int64_t{6}});
    EXPECT_THROW(tx.Commit(), DbError);
  }
  EXPECT_FALSE(con->InTransaction());
  EXPECT_EQ(CountRows(*con, "aHpProcessingDetail", "hpdProcessingID = ?", {std::int64_t{6}}), 0);
}

// On PostgreSQL a failed statement dooms its transaction; a commit then must
// not read as success.
TEST(TransactionTest, CommitAfterAFailedStatementThrowsOnPostgres) {
  if (!testing::OnPostgres()) GTEST_SKIP() << "SQLite undoes only the failed statement";
  auto con = FreshDatabase();
  Transaction tx(*con);
  AddUser(*con, 1, "a");
  EXPECT_THROW(AddUser(*con, 1, "again"), DbError);
  try {
    tx.Commit();
    FAIL() << "the commit reported success";
  } catch (const DbError& e) {
    EXPECT_NE(std::string(e.what()).find("rolled back"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(con->InTransaction());
  EXPECT_EQ(CountRows(*con, "aUsers"), 0);
}

// The fault injection the screen tests use works alike on both backends.
TEST(FailWritesTest, FailsTheChosenWritesUntilStopped) {
  auto con = FreshDatabase();
  testing::AddProcessing(*con, Processing(1));
  const char* line =
      "insert into aHpProcessingDetail (hpdCompanyID, hpdProcessingID, hpddetailID, hpdPosted) values (1, 1, ?, 0)";
  testing::FailWrites(*con, "aHpProcessingDetail", "insert", "NEW.hpddetailID=2");
  testing::FailWrites(*con, "aHpProcessingHeader", "update of hphAmended");
  EXPECT_NO_THROW(con->Execute(line, {std::int64_t{1}}));
  EXPECT_THROW(con->Execute(line, {std::int64_t{2}}), DbError);
  EXPECT_NO_THROW(con->Execute("update aHpProcessingHeader set hphCancel=1"));
  EXPECT_THROW(con->Execute("update aHpProcessingHeader set hphAmended=1"), DbError);
  {
    Transaction tx(*con);
    con->Execute(line, {std::int64_t{3}});
    EXPECT_THROW(con->Execute(line, {std::int64_t{2}}), DbError);
  }
  testing::StopFailingWrites(*con, "aHpProcessingDetail");
  testing::StopFailingWrites(*con, "aHpProcessingHeader");
  EXPECT_NO_THROW(con->Execute(line, {std::int64_t{2}}));
  EXPECT_NO_THROW(con->Execute("update aHpProcessingHeader set hphAmended=1"));
  EXPECT_EQ(CountRows(*con, "aHpProcessingDetail"), 2);
  EXPECT_EQ(CountRows(*con, "aHpProcessingHeader", "hphAmended=1 and hphCancel=1"), 1);
}

struct FailureCase {
  const char* name;
  const char* sql;
  bool unique;
};
void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }

class DbErrorTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(DbErrorTest, ThrowsWithTheKindOfFailure) {
  auto con = FreshDatabase();
  AddUser(*con, 1, "clerk");
  testing::AddProcessing(*con, Processing(1));
  try {
    con->Execute(GetParam().sql);
    FAIL() << "no error";
  } catch (const DbError& e) {
    EXPECT_EQ(e.unique_violation(), GetParam().unique) << e.what();
    EXPECT_FALSE(e.busy()) << e.what();
    EXPECT_NE(e.code(), 0) << e.what();
    EXPECT_NE(std::string(e.what()).find("statement failed"), std::string::npos) << e.what();
  }
  // The failure changed nothing.
  EXPECT_EQ(CountRows(*con, "aUsers"), 1);
  EXPECT_EQ(CountRows(*con, "aHpProcessingHeader"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, DbErrorTest,
    ::testing::Values(
        FailureCase{"Syntax", "selec UserID from aUsers", false},
        FailureCase{"MissingTable", "select * from aNoSuchTable", false},
        FailureCase{"MissingColumn", "select NoSuchColumn from aUsers", false},
        FailureCase{"NotNull", "insert into aUsers (UserID, UserName) values (2, null)", false},
        FailureCase{"DuplicatePrimaryKey", "insert into aUsers (UserID, UserName) values (1, 'other')", true},
        FailureCase{"DuplicateUniqueColumn", "insert into aUsers (UserID, UserName) values (2, 'clerk')", true},
        FailureCase{"DuplicateProcessingNo",
                    "insert into aHpProcessingHeader (hphCompanyID, hphDepartmentID, hphProcessingID, "
                    "hphProcessingNo, hphProcessingdate, hphCustomerID, hphInvoiceID, hphFinancialID) "
                    "values (1, 10, 2, 'HP1', '2024-03-15', 1, 2, 1)",
                    true}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(DbErrorTest, MissingFieldIsAnError) {
  auto con = FreshDatabase();
  AddUser(*con, 1, "clerk");
  Recordset rs = con->Open("select UserID from aUsers");
  EXPECT_THROW(rs.Field("UserName"), DbError);
  rs.MoveNext();
  EXPECT_THROW(rs.Field(0), DbError);
}

}  // namespace
}  // namespace hp::db
