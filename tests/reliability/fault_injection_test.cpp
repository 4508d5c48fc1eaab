// The failing-statement switch: every statement of every save and
// cancellation fails in turn. Each time the database must hold exactly what it
// held before, the register grid must be unchanged, the user must be told
// nothing was stored, and pressing again (the fault gone) must store what an
// undisturbed save stores. A failure after the commit (the register's
// refresh) must leave the save whole.
#include "reliability_world.h"
#include "support/database.h"
#include "support/faulty_connection.h"

namespace hp::reliability {
namespace {

using GridText = std::vector<std::vector<std::string>>;
// With `sorted`, the rows below the heading in order (another run may list the
// rows of one processing date in another order).
GridText TextOf(const forms::FlexGrid* grid, bool sorted = false) {
  GridText t;
  for (int r = 0; grid && r < grid->Rows(); ++r) {
    t.emplace_back();
    for (int c = 0; c < grid->Cols(); ++c) t.back().push_back(grid->TextMatrix(r, c));
  }
  if (sorted && t.size() > 2) std::sort(t.begin() + 1, t.end());
  return t;
}
std::string Joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += (s.empty() ? "" : " | ") + x;
  return s.empty() ? "(nothing)" : s;
}

struct SaveCase {
  const char* name;
  std::function<void(db::Connection&)> seed;
  std::function<void(Session&, const Steer&)> drive;
  const char* told;  // the message a failed save ends with
};
void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

struct Outcome {
  bool reached = false, fired = false, screen_open = false, in_transaction = false, retry_closed = false;
  long counted = 0, commit_at = 0;  // statements of the press; the first commit's position among them
  std::vector<std::string> told, logged;  // shown and logged from the press on
  Dump before, after, after_masked, retry_masked;
  GridText grid_before, grid_after, grid_sorted, retry_grid;
};

// Runs the case on a fresh database with statement `fail_at` of the press
// failing (0: none); a failure up to `commit_at` is followed by a second press.
Outcome RunCase(const SaveCase& c, long fail_at, long commit_at) {
  auto real = testing::FreshDatabase();
  testing::StandardWorld(*real);
  c.seed(*real);
  testing::FaultyConnection faulty(*real);
  Session s(faulty);
  Outcome o;
  c.drive(s, {[&](forms::Form& screen, const Press& press) {
    o.reached = true;
    o.before = Snapshot(*real);
    o.grid_before = TextOf(s.bas.registerGrid);
    const size_t logged = ErrorsLogged(*real).size(), shown = s.host.Messages().size();
    faulty.Arm(fail_at);
    press();
    faulty.Disarm();
    o.counted = faulty.Counted(), o.commit_at = faulty.FirstCommit(), o.fired = faulty.Fired();
    o.screen_open = screen.IsLoaded();
    o.in_transaction = real->InTransaction();
    for (size_t i = shown; i < s.host.Messages().size(); ++i) o.told.push_back(s.host.Messages()[i].prompt);
    o.after = Snapshot(*real), o.after_masked = Snapshot(*real, true);
    o.grid_after = TextOf(s.bas.registerGrid), o.grid_sorted = TextOf(s.bas.registerGrid, true);
    const std::vector<std::string> all = ErrorsLogged(*real);
    o.logged.assign(all.begin() + static_cast<long>(std::min(logged, all.size())), all.end());
    if (fail_at > 0 && fail_at <= commit_at && screen.IsLoaded()) {
      press();
      o.retry_closed = !screen.IsLoaded();
      o.retry_masked = Snapshot(*real, true);
      o.retry_grid = TextOf(s.bas.registerGrid, true);
    }
  }});
  return o;
}

class FaultInjection : public ::testing::TestWithParam<SaveCase> {};

TEST_P(FaultInjection, EveryStatementMayFailWithoutLosingOrHalfWritingAnything) {
  const SaveCase& c = GetParam();
  const Outcome clean = RunCase(c, 0, 0);
  ASSERT_TRUE(clean.reached) << "the window never came to the save";
  ASSERT_GT(clean.commit_at, 0) << "the undisturbed save committed nothing; told " << Joined(clean.told);
  ASSERT_NE(clean.after, clean.before) << "the undisturbed save stored nothing";
  ASSERT_FALSE(clean.in_transaction);
  ASSERT_TRUE(clean.logged.empty()) << Joined(clean.logged);
  const bool window_closes = c.told == std::string(shell::kSaveFailed);  // the register stays open
  ASSERT_FALSE(window_closes && clean.screen_open) << "told " << Joined(clean.told);

  long survived = 0;
  for (long n = 1; n <= clean.counted; ++n) {
    const Outcome o = RunCase(c, n, clean.commit_at);
    std::vector<std::string> problems;
    auto check = [&](bool ok, const std::string& what) {
      if (!ok) problems.push_back(what);
    };
    check(o.reached, "the window did not come to the save");
    check(o.fired, "the statement was never run");
    check(!o.in_transaction, "a transaction was left open");
    if (n <= clean.commit_at) {
      check(o.after == o.before, "the database changed:" + Compare(o.before, o.after).text);
      check(o.grid_after == o.grid_before, "the register grid changed");
      check(!o.told.empty() && o.told.back() == c.told, "the user was told " + Joined(o.told));
      check(!window_closes || o.screen_open, "the window closed as if saved");
      check(std::any_of(o.logged.begin(), o.logged.end(),
                        [](const std::string& e) { return e.find("injected failure") != std::string::npos; }),
            "the failure was not logged (logged: " + Joined(o.logged) + ")");
      check(o.retry_masked == clean.after_masked,
            "pressing again stored otherwise than an undisturbed save:" +
                Compare(clean.after_masked, o.retry_masked).text);
      check(!window_closes || o.retry_closed, "pressing again did not close the window");
      check(o.retry_grid == clean.grid_sorted, "pressing again left another register");
    } else {
      check(o.after_masked == clean.after_masked,
            "a failure after the commit changed what was stored:" + Compare(clean.after_masked, o.after_masked).text);
    }
    survived += problems.empty();
    EXPECT_TRUE(problems.empty()) << "failure at statement " << n << " of " << clean.counted << " (commit at "
                                  << clean.commit_at << "): " << Joined(problems);
  }
  Totals().injected += clean.counted, Totals().injected_survived += survived;
  RecordProperty("injected_failures_survived", static_cast<int>(survived));
  std::cout << "[ reliability ] " << c.name << ": " << clean.counted << " statements, commit at " << clean.commit_at
            << ", " << survived << " of " << clean.counted << " injected failures survived\n";
}

using S = Session;
using C = db::Connection;
const SaveCase kCases[] = {
    {"Processing", [](C& con) { SeedOpenInvoice(con, 1); },
     [](S& s, const Steer& st) { SaveProcessing(s, 1, 1, "first car", st); }, shell::kSaveFailed},
    {"ProcessingWithServiceTax", [](C& con) { SeedOpenInvoice(con, 1, 1); },
     [](S& s, const Steer& st) { SaveProcessing(s, 1, 1, "taxed", st); }, shell::kSaveFailed},
    {"ProcessingFromSaveChangesQuestion", [](C& con) { SeedOpenInvoice(con, 1, 2); },
     [](S& s, const Steer& st) { SaveProcessing(s, 1, 1, "on close", st, true); }, shell::kSaveFailed},
    {"ReprocessingAutomatic", [](C& con) { SeedReprocessable(con, 1); },
     [](S& s, const Steer& st) { SaveReprocessing(s, 1, 1, "10", {}, "fewer rentals", st); }, shell::kSaveFailed},
    {"ReprocessingManual", [](C& con) { SeedReprocessable(con, 1); },
     [](S& s, const Steer& st) { SaveReprocessing(s, 1, 1, "", kManualLines, "by hand", st); }, shell::kSaveFailed},
    {"AfterSettlementNew", [](C& con) { SeedSettled(con, 1); },
     [](S& s, const Steer& st) { SaveAfterSettlement(s, 1, 1, "2", "34000", "settled", st); }, shell::kSaveFailed},
    {"AfterSettlementEdit", [](C& con) { SeedStoredAfterSettlement(con, 2, 1); },
     [](S& s, const Steer& st) { SaveAfterSettlementAgain(s, 2, "33000", "price corrected", st); }, shell::kSaveFailed},
    {"CancelFirstProcessing", [](C& con) { SeedLive(con, 1); },
     [](S& s, const Steer& st) { CancelFromRegister(s, 1, "Customer's cheque bounced", st); }, shell::kCancelFailed},
    {"CancelReprocessing",
     [](C& con) {  // processing 2 replaces the amended processing 1
       SeedLive(con, 1);
       con.Execute("update aHpProcessingHeader set hphAmended=1 where hphProcessingID=1");
       testing::AddProcessing(con, {.id = 2, .number = "HP2", .reference = 1,
                                    .lines = testing::Lines(3, "2024-04-15", 5000)});
     },
     [](S& s, const Steer& st) { CancelFromRegister(s, 2, "entered twice", st); }, shell::kCancelFailed},
    {"CancelAfterSettlement", [](C& con) { SeedStoredAfterSettlement(con, 2, 1); },
     [](S& s, const Steer& st) { CancelFromRegister(s, 2, "wrong settlement", st); }, shell::kCancelFailed},
};
INSTANTIATE_TEST_SUITE_P(Saves, FaultInjection, ::testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace hp::reliability
