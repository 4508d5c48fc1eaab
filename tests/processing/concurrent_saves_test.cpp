// Many users saving processings at the same moment, each on a connection of
// their own to one database (SQLite file or PostgreSQL): every save draws its
// keys (DrawProcessingKeys) inside its transaction, writes a header and its
// lines and claims the invoice with "... where hpqhProcessed=0". The write
// lock taken by BeginTrans must keep identifiers and numbers distinct and
// gapless, let no invoice be processed twice and leave nothing half-written.
#include <gtest/gtest.h>

#include <latch>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/db/row_writer.h"
#include "processing/processing_no.h"
#include "screen_fixture.h"

namespace hp::processing {
namespace {

constexpr int kThreads = 8;
constexpr int kPerThread = 50;
constexpr int kInvoices = kThreads * kPerThread;
constexpr int kLines = 3;

std::int64_t I(long v) { return v; }

// One save as the processing screen makes it. False when the invoice had
// already been processed by someone else (rolled back: nothing is stored,
// and the keys it drew are not used up).
bool SaveProcessing(fixture::SharedSession& s, int invoice) {
  db::Connection& con = *s.con;
  db::Transaction tx(con);
  ProcessingKeys keys = DrawProcessingKeys(s.bas, 10);
  db::RowWriter h(con, "aHpProcessingHeader");
  h.AddNew();
  for (auto [column, value] : {std::pair<const char*, db::Value>{"hphCompanyID", I(1)}, {"hphDepartmentID", I(10)},
                               {"hphProcessingID", I(keys.id)}, {"hphProcessingNo", keys.number},
                               {"hphProcessingdate", std::string("2024-03-15")}, {"hphCustomerID", I(1)},
                               {"hphInvoiceID", I(invoice)}, {"hphFinancialID", I(1)}, {"hphAmended", I(0)},
                               {"hphCancel", I(0)}, {"hphCashPrice", 120000.0}})
    h.Set(column, value);
  h.Update();
  db::RowWriter d(con, "aHpProcessingDetail");
  for (int line = 1; line <= kLines; ++line) {
    d.AddNew();
    d.Set("hpdCompanyID", I(1));
    d.Set("hpdDepartmentID", I(10));
    d.Set("hpdProcessingID", I(keys.id));
    d.Set("hpddetailID", I(line));
    d.Set("hpdChequeDate", "2024-0" + std::to_string(line + 1) + "-15");
    d.Set("hpdRental", 5000.0);
    d.Set("hpdPosted", I(0));
    d.Update();
  }
  if (con.Execute("update losHpInvoiceHeader set hpqhProcessed=1 where hpqhQuotationID=? and hpqhProcessed=0",
                  {I(invoice)}) != 1)
    return false;
  tx.Commit();
  return true;
}

std::set<std::string> Texts(db::Connection& con, const std::string& sql) {
  std::set<std::string> out;
  con.ForEachRow(sql, {}, [&](const db::RowView& row) { out.insert(row.Text(0)); });
  return out;
}

TEST(ProcessingKeysTest, ConcurrentSavesNeverShareKeys) {
  const std::string url = testing::TestDatabaseUrl();
  fixture::SharedSession first(url, true);
  {
    db::Transaction tx(*first.con);
    testing::AddCustomer(*first.con, {});
    for (int i = 1; i <= kInvoices; ++i)
      testing::AddInvoice(*first.con,
                          {.id = i, .number = "INV" + std::to_string(i), .rentals = kLines, .cheque_register = false});
    tx.Commit();
  }
  std::vector<std::unique_ptr<fixture::SharedSession>> sessions;
  for (int t = 0; t < kThreads; ++t) sessions.push_back(std::make_unique<fixture::SharedSession>(url, false));

  std::mutex mutex;
  std::vector<std::string> errors;
  int saved = 0, refused = 0;
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      int my_saved = 0, my_refused = 0;
      start.arrive_and_wait();
      // Each thread works through its own invoices and, at the same pace,
      // those of the next thread: every invoice is tried twice, by two users
      // at about the same moment.
      for (int i = 0; i < kPerThread; ++i) {
        for (int owner : {t, (t + 1) % kThreads}) {
          const int invoice = owner * kPerThread + i + 1;
          try {
            (SaveProcessing(*sessions[t], invoice) ? my_saved : my_refused)++;
          } catch (const std::exception& e) {
            std::lock_guard lock(mutex);
            errors.push_back("invoice " + std::to_string(invoice) + ": " + e.what());
          }
        }
      }
      std::lock_guard lock(mutex);
      saved += my_saved;
      refused += my_refused;
    });
  }
  for (auto& th : threads) th.join();

  ASSERT_TRUE(errors.empty()) << errors.size() << " saves failed, the first: " << errors.front();
  EXPECT_EQ(saved, kInvoices);
  EXPECT_EQ(refused, kInvoices);
  db::Connection& con = *first.con;
  EXPECT_EQ(testing::CountRows(con, "aHpProcessingHeader"), kInvoices);
  std::set<std::string> expected_ids, expected_numbers;
  for (int i = 1; i <= kInvoices; ++i) {
    expected_ids.insert(std::to_string(i));
    expected_numbers.insert("HP" + std::to_string(i));
  }
  // Distinct, and none skipped by a rolled-back save.
  EXPECT_EQ(Texts(con, "select hphProcessingID from aHpProcessingHeader"), expected_ids);
  EXPECT_EQ(Texts(con, "select hphProcessingNo from aHpProcessingHeader"), expected_numbers);
  EXPECT_EQ(Texts(con, "select hphInvoiceID from aHpProcessingHeader group by hphInvoiceID having count(*) > 1"),
            std::set<std::string>{});
  EXPECT_EQ(testing::CountRows(con, "losHpInvoiceHeader", "hpqhProcessed = 1"), kInvoices);
  EXPECT_EQ(testing::CountRows(con, "aHpProcessingDetail"), kInvoices * kLines);
  EXPECT_EQ(testing::CountRows(con, "aHpProcessingHeader h",
                               "(select count(*) from aHpProcessingDetail d where d.hpdProcessingID = "
                               "h.hphProcessingID) <> ?",
                               {I(kLines)}),
            0);
}

}  // namespace
}  // namespace hp::processing
