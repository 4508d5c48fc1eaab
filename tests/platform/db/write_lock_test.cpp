// Two connections to one database: a transaction holds the write lock from
// BeginTrans to its end, so a second writer waits for it and then sees what
// the first committed; a writer that cannot get the lock in time is told so.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "support/database.h"
#include "support/records.h"

namespace hp::db {
namespace {

using namespace std::chrono_literals;
using testing::OpenTestDatabase;
using testing::TestDatabaseUrl;

TEST(WriteLockTest, SecondWriterWaitsForTheFirstToCommit) {
  std::string url = TestDatabaseUrl();
  auto first = OpenTestDatabase(url);
  auto second = OpenTestDatabase(url);

  first->BeginTrans();
  first->Execute("insert into aUsers (UserID, UserName) values (1, 'first')");

  std::atomic<bool> committed{false};
  std::atomic<bool> began{false};
  auto waiter = std::async(std::launch::async, [&] {
    second->BeginTrans();  // must wait for the first transaction
    began = true;
    bool after_commit = committed.load();
    // Draws a key as a save would: it must see the first writer's row.
    std::int64_t next = AsInt(second->Open("select max(UserID) from aUsers").Field(0)) + 1;
    second->Execute("insert into aUsers (UserID, UserName) values (?, 'second')", {next});
    second->CommitTrans();
    return std::make_pair(after_commit, next);
  });

  std::this_thread::sleep_for(300ms);
  EXPECT_FALSE(began.load()) << "the second writer got the lock while the first held it";
  committed = true;
  first->CommitTrans();

  ASSERT_EQ(waiter.wait_for(30s), std::future_status::ready);
  auto [after_commit, next] = waiter.get();
  EXPECT_TRUE(after_commit);
  EXPECT_EQ(next, 2);
  EXPECT_EQ(testing::CountRows(*first, "aUsers"), 2);
}

TEST(WriteLockTest, ReadersAreNotBlockedByAWriter) {
  std::string url = TestDatabaseUrl();
  auto writer = OpenTestDatabase(url);
  auto reader = OpenTestDatabase(url);
  writer->Execute("insert into aUsers (UserID, UserName) values (1, 'committed')");
  Transaction tx(*writer);
  writer->Execute("insert into aUsers (UserID, UserName) values (2, 'pending')");
  // Outside a transaction the reader sees the committed rows at once.
  EXPECT_EQ(testing::CountRows(*reader, "aUsers"), 1);
}

TEST(WriteLockTest, WriterThatCannotGetTheLockInTimeIsToldItIsBusy) {
  std::string url = TestDatabaseUrl();
  auto holder = OpenTestDatabase(url);
  auto other = OpenTestDatabase(url);
  // A short wait instead of the usual seconds.
  if (testing::OnPostgres())
    other->Execute("set lock_timeout to '200ms'");
  else
    other->Execute("pragma busy_timeout = 200");

  Transaction tx(*holder);
  try {
    other->BeginTrans();
    FAIL() << "the second writer got the lock";
  } catch (const DbError& e) {
    EXPECT_TRUE(e.busy()) << e.what();
    EXPECT_FALSE(e.unique_violation()) << e.what();
  }
  EXPECT_FALSE(other->InTransaction());
  tx.Commit();
  // Once the lock is free the same connection can write.
  other->BeginTrans();
  other->Execute("insert into aUsers (UserID, UserName) values (1, 'later')");
  other->CommitTrans();
  EXPECT_EQ(testing::CountRows(*holder, "aUsers"), 1);
}

}  // namespace
}  // namespace hp::db
