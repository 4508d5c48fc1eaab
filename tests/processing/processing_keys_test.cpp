// The keys of a new processing: its number within the department and year,
// its identifier over the whole table, and both kept distinct and gapless by
// the save's write lock when many users save at once.
#include <gtest/gtest.h>

#include <latch>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include <fmt/format.h>

#include "processing/processing_no.h"
#include "screen_fixture.h"

namespace hp::processing {
namespace {

using fixture::Screen;
using testing::AddProcessing;

struct Existing {
  std::string number;
  int department = 10, financial = 1, cancel = 0, amended = 0;
};
struct PrefixRow {
  int department, financial;
  std::string prefix;
};
const PrefixRow kHP{10, 1, "HP"};
std::vector<Existing> Numbers(std::initializer_list<const char*> numbers) {
  std::vector<Existing> v;
  for (const char* n : numbers) v.push_back({n});
  return v;
}

TEST(ProcessingNumber, IsThePrefixOfTheHeadersDepartmentAndYearWithTheNextTail) {
  struct {
    std::string name;
    std::vector<PrefixRow> prefixes;  // replace the standard ones
    std::vector<Existing> existing;
    int department = 10;  // the department the header records
    int session_department = 10, financial = 1;
    std::string expected;      // the next number, or
    std::string error_naming;  // the number a NumberingError must name
  } cases[] = {
      {.name = "NoPrefixRow", .existing = Numbers({"1", "2"}), .expected = "3"},
      {.name = "FirstOfThePrefix", .prefixes = {kHP}, .expected = "HP1"},
      {.name = "NumericNotTextOrder", .prefixes = {kHP},
       .existing = Numbers({"HP9", "HP10", "HP1", "HP2", "HP3", "HP4", "HP5", "HP6", "HP7", "HP8"}), .expected = "HP11"},
      {.name = "CancelledAndAmendedStillCount", .prefixes = {kHP},
       .existing = {{"HP1"}, {"HP2", 10, 1, 0, 1}, {"HP3", 10, 1, 1, 0}}, .expected = "HP4"},
      {.name = "OtherDepartmentsAndYearsIgnored", .prefixes = {kHP},
       .existing = {{"HP1"}, {"HP8", 20}, {"HP9", 10, 2}}, .expected = "HP2"},
      {.name = "NewYearStartsAtOne", .prefixes = {kHP, {10, 2, "HP"}}, .existing = Numbers({"HP5"}), .financial = 2,
       .expected = "HP1"},
      {.name = "ChangedPrefixRestarts", .prefixes = {{10, 1, "PR"}}, .existing = Numbers({"HP1", "HP2"}),
       .expected = "PR1"},
      {.name = "SessionWithoutDepartmentUsesTheHeaders", .prefixes = {kHP}, .existing = Numbers({"HP1", "HP2"}),
       .session_department = 0, .expected = "HP3"},
      {.name = "SessionDepartmentIsNotTheHeaders", .prefixes = {kHP, {20, 1, "VX"}},
       .existing = {{"HP4"}, {"VX1", 20}}, .department = 20, .expected = "VX2"},
      {.name = "DepartmentZeroTakesThePrefixOfTheYear", .prefixes = {kHP}, .existing = {{"HP6", 0}}, .department = 0,
       .expected = "HP7"},
      {.name = "LeadingZeros", .prefixes = {kHP}, .existing = Numbers({"HP007"}), .expected = "HP8"},
      {.name = "LeadingZerosLongerThanTheLargest", .prefixes = {kHP}, .existing = Numbers({"HP0009", "HP10"}),
       .expected = "HP11"},
      // Only a malformed number that could be the largest stops the numbering.
      {.name = "MalformedNumberBelowTheLargest", .prefixes = {kHP}, .existing = Numbers({"HP10", "HPX"}),
       .expected = "HP11"},
      {.name = "PrefixLengthInCharacters", .prefixes = {{10, 1, "\xC3\x85" "B"}},
       .existing = Numbers({"\xC3\x85" "B4"}), .expected = "\xC3\x85" "B5"},
      {.name = "NonNumericTail", .prefixes = {kHP}, .existing = Numbers({"HP1", "HPX2"}), .error_naming = "HPX2"},
      {.name = "PrefixAlone", .prefixes = {kHP}, .existing = Numbers({"HP"}), .error_naming = "HP"},
      {.name = "NegativeTail", .prefixes = {kHP}, .existing = Numbers({"HP-3"}), .error_naming = "HP-3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testing::Module m;
    m.con->Execute("delete from aPrefix");
    for (const auto& p : c.prefixes) testing::AddPrefix(*m.con, p.department, p.financial, p.prefix);
    int id = 100;
    for (const auto& e : c.existing)
      AddProcessing(*m.con, {.id = ++id, .number = e.number, .department = e.department, .financial = e.financial,
                             .amended = e.amended, .cancel = e.cancel});
    m.bas.intdepartmentid = c.session_department;
    m.bas.intfinancialId = c.financial;
    if (c.error_naming.empty()) {
      EXPECT_EQ(GenerateProcessingNo(m.bas, c.department), c.expected);
      continue;
    }
    try {
      GenerateProcessingNo(m.bas, c.department);
      ADD_FAILURE() << "a number was formed after " << c.error_naming;
    } catch (const NumberingError& e) {
      EXPECT_NE(std::string(e.what()).find("\"" + c.error_naming + "\""), std::string::npos) << e.what();
    }
  }
}

TEST(ProcessingKeys, IdentifierRunsOverEveryCompanyInsideTheSaveAndStaysThirtyTwoBit) {
  testing::Module m;
  EXPECT_THROW(DrawProcessingKeys(m.bas, 10), std::logic_error);  // outside the save's transaction
  AddProcessing(*m.con, {.id = 3, .number = "HP1"});
  AddProcessing(*m.con, {.id = 40, .number = "X1", .company = 2, .department = 30});
  {
    db::Transaction tx(*m.con);
    const ProcessingKeys keys = DrawProcessingKeys(m.bas, 10);
    EXPECT_EQ(std::to_string(keys.id) + " " + keys.number, "41 HP2");
  }
  AddProcessing(*m.con, {.id = std::numeric_limits<std::int32_t>::max(), .number = "X2", .company = 2});
  db::Transaction tx(*m.con);
  EXPECT_THROW(DrawProcessingKeys(m.bas, 10), NumberingError);
}

// Eight users save 50 processings each, and at the same pace the next user's
// 50: every invoice is tried twice at about the same moment. A save is the
// screen's: keys drawn inside its transaction, header and line written, the
// invoice claimed "... where hpqhProcessed=0" (all rolled back when lost).
constexpr int kThreads = 8, kPerThread = 50, kInvoices = kThreads * kPerThread;

bool SaveProcessing(Screen& s, int invoice) {
  db::Connection& con = s.con();
  db::Transaction tx(con);
  const ProcessingKeys keys = DrawProcessingKeys(s.m.bas, 10);
  auto I = [](long v) { return db::Value{std::int64_t{v}}; };
  testing::Insert(con, "aHpProcessingHeader",
                  {{"hphCompanyID", I(1)}, {"hphDepartmentID", I(10)}, {"hphProcessingID", I(keys.id)},
                   {"hphProcessingNo", keys.number}, {"hphProcessingdate", "2024-03-15"}, {"hphCustomerID", I(1)},
                   {"hphInvoiceID", I(invoice)}, {"hphFinancialID", I(1)}});
  testing::Insert(con, "aHpProcessingDetail",
                  {{"hpdCompanyID", I(1)}, {"hpdProcessingID", I(keys.id)}, {"hpddetailID", I(1)}, {"hpdRental", 5000.0}});
  if (con.Execute("update losHpInvoiceHeader set hpqhProcessed=1 where hpqhQuotationID=? and hpqhProcessed=0",
                  {I(invoice)}) != 1)
    return false;
  tx.Commit();
  return true;
}

TEST(ProcessingKeys, ConcurrentSavesNeverShareKeysNorProcessAnInvoiceTwice) {
  const std::string url = testing::TestDatabaseUrl();
  Screen first(url, true);
  {
    db::Transaction tx(first.con());
    testing::AddCustomer(first.con(), {});
    for (int i = 1; i <= kInvoices; ++i)
      testing::AddInvoice(first.con(), {.id = i, .number = "INV" + std::to_string(i), .rentals = 1, .cheque_register = false});
    tx.Commit();
  }
  std::vector<std::unique_ptr<Screen>> sessions;
  for (int t = 0; t < kThreads; ++t) sessions.push_back(std::make_unique<Screen>(url));
  std::mutex mutex;
  std::vector<std::string> errors;
  int saved = 0, refused = 0;
  std::latch start(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      start.arrive_and_wait();
      for (int i = 0; i < kPerThread; ++i) {
        for (int owner : {t, (t + 1) % kThreads}) {
          const int invoice = owner * kPerThread + i + 1;
          try {
            const bool ok = SaveProcessing(*sessions[t], invoice);
            std::lock_guard lock(mutex);
            (ok ? saved : refused)++;
          } catch (const std::exception& e) {
            std::lock_guard lock(mutex);
            errors.push_back("invoice " + std::to_string(invoice) + ": " + e.what());
          }
        }
      }
    });
  }
  for (auto& th : threads) th.join();

  ASSERT_TRUE(errors.empty()) << errors.size() << " saves failed, the first: " << errors.front();
  EXPECT_EQ(saved, kInvoices);
  EXPECT_EQ(refused, kInvoices);
  db::Connection& con = first.con();
  // Identifiers and numbers distinct and none skipped by a rolled-back save
  // (HP1..HP400: as many, the largest tail 400); each invoice once;
  // each header its one line.
  EXPECT_EQ(fixture::Cell(con, "select count(*) || ' ' || count(distinct hphProcessingID) || ' ' || "
                               "min(hphProcessingID) || ' ' || max(hphProcessingID) || ' ' || "
                               "count(distinct hphProcessingNo) || ' ' || max(cast(substr(hphProcessingNo, 3) as "
                               "integer)) || ' ' || count(distinct hphInvoiceID) from aHpProcessingHeader"),
            fmt::format("{0} {0} 1 {0} {0} {0} {0}", kInvoices));
  EXPECT_EQ(testing::CountRows(con, "losHpInvoiceHeader", "hpqhProcessed = 1"), kInvoices);
  EXPECT_EQ(fixture::Cell(con, "select count(*) || ' ' || count(distinct d.hpdProcessingID) || ' ' || "
                               "count(h.hphProcessingID) from aHpProcessingDetail d left join aHpProcessingHeader h "
                               "on h.hphProcessingID=d.hpdProcessingID"),
            fmt::format("{0} {0} {0}", kInvoices));
}

}  // namespace
}  // namespace hp::processing
