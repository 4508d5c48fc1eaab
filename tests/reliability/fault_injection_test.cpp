// Every statement of every save and cancellation may fail: each one is made
// to fail in turn, and each time the database must hold exactly what it held
// before, the user must have been told, the register must show nothing new,
// and pressing the button again (the fault gone) must store exactly what an
// undisturbed save stores. A failure after the commit (the register's refresh)
// must leave the save whole.
#include <gtest/gtest.h>

#include <iostream>

#include "reliability_world.h"
#include "support/database.h"
#include "support/faulty_connection.h"

namespace hp::reliability {
namespace {

struct SaveCase {
  std::string name;
  std::function<void(db::Connection&)> seed;
  std::function<void(Session&, const AtSave&)> drive;
  std::string told;  // the message a failed save ends with
};
void PrintTo(const SaveCase& c, std::ostream* os) { *os << c.name; }

// A fresh database with the case's records and a session whose every
// statement goes through the faulty connection, the register loaded.
struct Rig {
  explicit Rig(const SaveCase& c) : real(testing::FreshDatabase()), faulty(*real) {
    testing::StandardWorld(*real);
    c.seed(*real);
    session = std::make_unique<Session>(faulty);
    session->OpenRegister();
  }
  std::unique_ptr<db::Connection> real;
  testing::FaultyConnection faulty;
  std::unique_ptr<Session> session;
};

struct Outcome {
  bool reached = false;  // the driver came to the save
  long counted = 0;      // statements from arming to the end of the press
  long commit_at = 0;    // position of the first commit among them
  bool fired = false;
  bool screen_open = false;
  bool in_transaction = false;
  std::vector<std::string> messages;  // shown from the press on
  Dump before, after, after_masked;
  GridText grid_before, grid_after;
  std::vector<std::string> new_errors;  // descriptions logged by the press
  bool retried = false, retry_closed = false;
  std::string retry_refused;  // why the window refused the second press
  Dump after_retry_masked;
  GridText grid_after_retry;
};

// Runs the case with statement `fail_at` failing (0: none). When the failure
// came before the save's commit (`commit_at` of an undisturbed run) the save
// is pressed once more without it.
Outcome RunCase(const SaveCase& c, long fail_at, long commit_at) {
  Rig rig(c);
  Outcome o;
  forms::ScriptedHost& host = rig.session->host;
  auto errors = [&] {
    std::vector<std::string> v;
    db::Recordset rs = rig.real->Open("select Description from hpErrorLog order by ErrorID");
    for (; !rs.Eof(); rs.MoveNext()) v.push_back(db::AsText(rs.Field(0)));
    return v;
  };
  c.drive(*rig.session, [&](forms::Form& screen, const Press& press) {
    o.reached = true;
    o.before = DumpModule(*rig.real);
    o.grid_before = TextOf(rig.session->bas.registerGrid);
    const size_t logged = errors().size();
    const size_t shown = host.Messages().size();
    rig.faulty.Arm(fail_at);
    press();
    rig.faulty.Disarm();
    o.counted = rig.faulty.Counted();
    o.commit_at = rig.faulty.FirstCommit();
    o.fired = rig.faulty.Fired();
    o.screen_open = screen.IsLoaded();
    o.in_transaction = rig.real->InTransaction();
    for (size_t i = shown; i < host.Messages().size(); ++i) o.messages.push_back(host.Messages()[i].prompt);
    o.after = DumpModule(*rig.real);
    o.after_masked = DumpModule(*rig.real, true);
    o.grid_after = TextOf(rig.session->bas.registerGrid);
    const std::vector<std::string> all = errors();
    o.new_errors.assign(all.begin() + static_cast<long>(std::min(logged, all.size())), all.end());
    if (fail_at > 0 && fail_at <= commit_at && screen.IsLoaded()) {
      try {
        press();
        o.retried = true;
      } catch (const forms::EventError& e) {
        o.retry_refused = e.what();
      }
      o.retry_closed = !screen.IsLoaded();
      o.after_retry_masked = DumpModule(*rig.real, true);
      o.grid_after_retry = TextOf(rig.session->bas.registerGrid);
    }
  });
  return o;
}

// The rows of two grids that differ, as tab-separated texts.
std::string GridDifference(const GridText& expected, const GridText& actual) {
  auto line = [](const GridText& g, size_t r) {
    std::string s;
    if (r < g.size())
      for (const auto& cell : g[r]) s += cell + "\t";
    return s;
  };
  std::string out;
  for (size_t r = 0; r < std::max(expected.size(), actual.size()); ++r)
    if (line(expected, r) != line(actual, r))
      out += "\n  row " + std::to_string(r) + " expected [" + line(expected, r) + "] got [" + line(actual, r) + "]";
  return out;
}

// The grid with its rows below the headings sorted.
GridText Sorted(GridText g) {
  if (g.size() > 2) std::sort(g.begin() + 1, g.end());
  return g;
}

std::string Joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += (s.empty() ? "" : " | ") + x;
  return s.empty() ? "(nothing)" : s;
}

// Totals over all cases, printed when the program ends.
struct Tally {
  long injected = 0, survived = 0;
};
Tally& Totals() {
  static Tally t;
  return t;
}
class PrintTotals : public ::testing::Environment {
 public:
  void TearDown() override {
    if (Totals().injected > 0)
      std::cout << "[ reliability ] injected failures survived: " << Totals().survived << " of "
                << Totals().injected << "\n";
  }
};
const auto* const kPrintTotals = ::testing::AddGlobalTestEnvironment(new PrintTotals);

class FaultInjection : public ::testing::TestWithParam<SaveCase> {};

TEST_P(FaultInjection, EveryStatementMayFailWithoutLosingOrHalfWritingAnything) {
  const SaveCase& c = GetParam();
  const Outcome clean = RunCase(c, 0, 0);
  ASSERT_TRUE(clean.reached) << "the window never came to the save";
  ASSERT_GT(clean.commit_at, 0) << "the undisturbed save committed nothing; told " << Joined(clean.messages);
  ASSERT_NE(clean.after, clean.before) << "the undisturbed save stored nothing";
  ASSERT_FALSE(clean.in_transaction);
  ASSERT_TRUE(clean.new_errors.empty()) << Joined(clean.new_errors);
  const bool window_closes = c.told == shell::kSaveFailed;
  if (window_closes) {
    ASSERT_FALSE(clean.screen_open) << "told " << Joined(clean.messages);
  }

  long survived = 0;
  for (long n = 1; n <= clean.counted; ++n) {
    const Outcome o = RunCase(c, n, clean.commit_at);
    std::vector<std::string> problems;
    if (!o.reached) problems.push_back("the window did not come to the save");
    if (!o.fired) problems.push_back("the statement was never run");
    if (o.in_transaction) problems.push_back("a transaction was left open");
    if (n <= clean.commit_at) {
      if (o.after != o.before) problems.push_back("the database changed:" + Difference(o.before, o.after));
      if (o.messages.empty() || o.messages.back() != c.told)
        problems.push_back("the user was told " + Joined(o.messages));
      if (o.grid_after != o.grid_before) problems.push_back("the register grid changed");
      if (window_closes && !o.screen_open) problems.push_back("the window closed as if saved");
      if (std::none_of(o.new_errors.begin(), o.new_errors.end(),
                       [](const std::string& e) { return e.find("injected failure") != std::string::npos; }))
        problems.push_back("the failure was not logged (logged: " + Joined(o.new_errors) + ")");
      if (!o.retried) {
        problems.push_back("the save could not be pressed again: " + o.retry_refused);
      } else {
        if (o.after_retry_masked != clean.after_masked)
          problems.push_back("pressing again stored otherwise than an undisturbed save:" +
                             Difference(clean.after_masked, o.after_retry_masked));
        if (window_closes && !o.retry_closed) problems.push_back("pressing again did not close the window");
        // Another run: rows of one processing date may come in another order.
        if (Sorted(o.grid_after_retry) != Sorted(clean.grid_after))
          problems.push_back("pressing again left another register:" +
                             GridDifference(Sorted(clean.grid_after), Sorted(o.grid_after_retry)));
      }
    } else if (o.after_masked != clean.after_masked) {
      problems.push_back("a failure after the commit changed what was stored:" +
                         Difference(clean.after_masked, o.after_masked));
    }
    if (problems.empty()) ++survived;
    EXPECT_TRUE(problems.empty()) << "failure at statement " << n << " of " << clean.counted << " (commit at "
                                  << clean.commit_at << "): " << Joined(problems);
  }
  Totals().injected += clean.counted;
  Totals().survived += survived;
  std::cout << "[ reliability ] " << c.name << ": " << clean.counted << " statements, commit at "
            << clean.commit_at << ", " << survived << " of " << clean.counted << " injected failures survived\n";
}

void SeedLiveProcessing(db::Connection& con) {
  testing::AddCustomer(con, {.id = 1, .name = "Nimal Perera"});
  testing::AddInvoice(con, {.id = 1, .number = "INV1", .customer = 1, .processed = true, .cheque_register = false});
  testing::AddProcessing(con, {.id = 1, .number = "HP1", .lines = testing::Lines(3, "2024-04-15", 5000)});
}

void SeedReprocessed(db::Connection& con) {
  testing::AddCustomer(con, {.id = 1, .name = "Nimal Perera"});
  testing::AddInvoice(con, {.id = 1, .number = "INV1", .customer = 1, .processed = true, .cheque_register = false});
  testing::AddProcessing(con, {.id = 1, .number = "HP1", .amended = 1, .lines = testing::Lines(3, "2024-04-15", 5000)});
  testing::AddProcessing(con, {.id = 2, .number = "HP2", .reference = 1, .lines = testing::Lines(3, "2024-04-15", 5000)});
}

const std::vector<std::pair<std::string, std::string>> kManualLines = {
    {"6000", "6000"}, {"5000", "5000"}, {"4000", "4000"}};

INSTANTIATE_TEST_SUITE_P(
    Saves, FaultInjection,
    ::testing::Values(
        SaveCase{"Processing", [](db::Connection& con) { SeedOpenInvoice(con, 1, 1); },
                 [](Session& s, const AtSave& at) { SaveProcessing(s, 1, 1, "first car", at); }, shell::kSaveFailed},
        SaveCase{"ProcessingWithServiceTax", [](db::Connection& con) { SeedOpenInvoice(con, 1, 1, 1); },
                 [](Session& s, const AtSave& at) { SaveProcessing(s, 1, 1, "taxed", at); }, shell::kSaveFailed},
        SaveCase{"ProcessingFromSaveChangesQuestion", [](db::Connection& con) { SeedOpenInvoice(con, 1, 1, 2); },
                 [](Session& s, const AtSave& at) { SaveProcessing(s, 1, 1, "on close", at, true); },
                 shell::kSaveFailed},
        SaveCase{"ReprocessingAutomatic", [](db::Connection& con) { SeedReprocessable(con, 1, 1); },
                 [](Session& s, const AtSave& at) { SaveReprocessing(s, 1, 1, "10", {}, "fewer rentals", at); },
                 shell::kSaveFailed},
        SaveCase{"ReprocessingManual", [](db::Connection& con) { SeedReprocessable(con, 1, 1); },
                 [](Session& s, const AtSave& at) { SaveReprocessing(s, 1, 1, "", kManualLines, "by hand", at); },
                 shell::kSaveFailed},
        SaveCase{"AfterSettlementNew", [](db::Connection& con) { SeedSettled(con, 1, 1); },
                 [](Session& s, const AtSave& at) { SaveAfterSettlement(s, 1, 1, "2", "34000", "settled", at); },
                 shell::kSaveFailed},
        SaveCase{"AfterSettlementEdit",
                 [](db::Connection& con) {
                   SeedSettled(con, 1, 1);
                   SeedStoredAfterSettlement(con, 2, 1);
                 },
                 [](Session& s, const AtSave& at) { SaveAfterSettlementAgain(s, 2, "33000", "price corrected", at); },
                 shell::kSaveFailed},
        SaveCase{"CancelFirstProcessing", SeedLiveProcessing,
                 [](Session& s, const AtSave& at) { CancelFromRegister(s, 1, "Customer's cheque bounced", at); },
                 shell::kCancelFailed},
        SaveCase{"CancelReprocessing", SeedReprocessed,
                 [](Session& s, const AtSave& at) { CancelFromRegister(s, 2, "entered twice", at); },
                 shell::kCancelFailed},
        SaveCase{"CancelAfterSettlement",
                 [](db::Connection& con) {
                   SeedSettled(con, 1, 1);
                   SeedStoredAfterSettlement(con, 2, 1);
                 },
                 [](Session& s, const AtSave& at) { CancelFromRegister(s, 2, "wrong settlement", at); },
                 shell::kCancelFailed}),
    [](const auto& p) { return p.param.name; });

}  // namespace
}  // namespace hp::reliability
