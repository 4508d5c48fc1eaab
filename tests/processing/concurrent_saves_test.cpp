// Many users saving processings at the same moment, each in a session of its
// own on one database: every save draws its keys (DrawProcessingKeys) inside
// its transaction, writes a header and its lines, and claims the invoice with
// "... where hpqhProcessed=0". The write lock taken by BeginTrans must keep
// identifiers and numbers distinct, let no invoice be processed twice and
// leave no processing half-written.
#include <gtest/gtest.h>

#include <latch>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "platform/db/row_writer.h"
#include "platform/forms/scripted_host.h"
#include "processing/processing_no.h"
#include "shell/bas_module.h"
#include "support/database.h"
#include "support/module.h"
#include "support/records.h"

namespace hp::processing {
namespace {

constexpr int kThreads = 8;
constexpr int kPerThread = 50;
constexpr int kInvoices = kThreads * kPerThread;
constexpr int kLines = 3;
constexpr std::int64_t kDepartment = 10, kFinancial = 1;

std::int64_t I(long v) { return v; }

// One user's session on the shared database.
struct Session {
  explicit Session(const std::string& url) : con(testing::OpenTestDatabase(url)) {
    bas.adocon = con.get();
    bas.intCompanyID = 1;
    bas.intdepartmentid = static_cast<int>(kDepartment);
    bas.intuserid = 1;
    bas.intfinancialId = static_cast<int>(kFinancial);
    bas.intInterfaceID = testing::kInterface;
  }
  std::unique_ptr<db::Connection> con;
  forms::ScriptedHost host;
  testing::NoWindows windows;
  shell::BasModule bas{host, windows};
};

// One save as the processing screen makes it. False when the invoice had
// already been processed by someone else (nothing is stored then).
bool SaveProcessing(Session& s, int invoice) {
  db::Connection& con = *s.con;
  db::Transaction tx(con);
  ProcessingKeys keys = DrawProcessingKeys(s.bas, static_cast<int>(kDepartment));

  db::RowWriter h(con, "aHpProcessingHeader");
  h.AddNew();
  h.Set("hphCompanyID", I(1));
  h.Set("hphDepartmentID", kDepartment);
  h.Set("hphProcessingID", I(keys.id));
  h.Set("hphProcessingNo", keys.number);
  h.Set("hphProcessingdate", std::string("2024-03-15"));
  h.Set("hphCustomerID", I(1));
  h.Set("hphInvoiceID", I(invoice));
  h.Set("hphFinancialID", kFinancial);
  h.Set("hphAmended", I(0));
  h.Set("hphCancel", I(0));
  h.Set("hphCashPrice", 120000.0);
  h.Update();
  db::RowWriter d(con, "aHpProcessingDetail");
  for (int line = 1; line <= kLines; ++line) {
    d.AddNew();
    d.Set("hpdCompanyID", I(1));
    d.Set("hpdDepartmentID", kDepartment);
    d.Set("hpdProcessingID", I(keys.id));
    d.Set("hpddetailID", I(line));
    d.Set("hpdChequeDate", std::string("2024-0") + std::to_string(line + 1) + "-15");
    d.Set("hpdRental", 5000.0);
    d.Set("hpdPosted", I(0));
    d.Update();
  }
  long claimed = con.Execute("update losHpInvoiceHeader set hpqhProcessed=1 where hpqhQuotationID=? and hpqhProcessed=0",
                             {I(invoice)});
  if (claimed != 1) return false;  // rolled back by tx
  tx.Commit();
  return true;
}

std::set<std::string> Texts(db::Connection& con, const std::string& sql) {
  std::set<std::string> out;
  con.ForEachRow(sql, {}, [&](const db::RowView& row) { out.insert(row.Text(0)); });
  return out;
}

TEST(ConcurrentSavesTest, EveryInvoiceIsProcessedOnceWithDistinctKeys) {
  std::string url = testing::TestDatabaseUrl();
  auto check = testing::OpenTestDatabase(url);
  {
    db::Transaction tx(*check);
    testing::StandardWorld(*check);
    testing::AddCustomer(*check, testing::CustomerSpec{});
    for (int i = 1; i <= kInvoices; ++i) {
      testing::InvoiceSpec invoice;
      invoice.id = i;
      invoice.number = "INV" + std::to_string(i);
      invoice.rentals = kLines;
      invoice.cheque_register = false;
      testing::AddInvoice(*check, invoice);
    }
    tx.Commit();
  }

  std::vector<std::unique_ptr<Session>> sessions;
  for (int t = 0; t < kThreads; ++t) sessions.push_back(std::make_unique<Session>(url));

  std::mutex mutex;
  std::vector<std::string> errors;
  int saved = 0, refused = 0;
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      Session& session = *sessions[t];
      int my_saved = 0, my_refused = 0;
      start.arrive_and_wait();
      // Each thread works through its own invoices and, at the same pace,
      // those of the next thread: every invoice is tried twice, by two users
      // at about the same moment.
      for (int i = 0; i < kPerThread; ++i) {
        for (int owner : {t, (t + 1) % kThreads}) {
          int invoice = owner * kPerThread + i + 1;
          try {
            (SaveProcessing(session, invoice) ? my_saved : my_refused)++;
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

  EXPECT_TRUE(errors.empty()) << errors.size() << " saves failed, the first: " << errors.front();
  EXPECT_EQ(saved, kInvoices);
  EXPECT_EQ(refused, kInvoices);
  EXPECT_EQ(testing::CountRows(*check, "aHpProcessingHeader"), kInvoices);
  EXPECT_EQ(testing::CountRows(*check, "aHpProcessingDetail"), kInvoices * kLines);

  std::set<std::string> ids = Texts(*check, "select hphProcessingID from aHpProcessingHeader");
  std::set<std::string> numbers = Texts(*check, "select hphProcessingNo from aHpProcessingHeader");
  std::set<std::string> expected_ids, expected_numbers;
  for (int i = 1; i <= kInvoices; ++i) {
    expected_ids.insert(std::to_string(i));
    expected_numbers.insert("HP" + std::to_string(i));
  }
  EXPECT_EQ(ids, expected_ids);  // distinct, and none skipped by a rolled-back save
  EXPECT_EQ(numbers, expected_numbers);

  EXPECT_EQ(Texts(*check, "select hphInvoiceID from aHpProcessingHeader group by hphInvoiceID having count(*) > 1"),
            std::set<std::string>{});
  EXPECT_EQ(testing::CountRows(*check, "losHpInvoiceHeader", "hpqhProcessed = 1"), kInvoices);
  EXPECT_EQ(testing::CountRows(*check, "aHpProcessingHeader h",
                               "(select count(*) from aHpProcessingDetail d where d.hpdProcessingID = h.hphProcessingID) <> ?",
                               {I(kLines)}),
            0);
}

}  // namespace
}  // namespace hp::processing
