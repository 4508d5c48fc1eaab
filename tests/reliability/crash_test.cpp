// Crash consistency on an SQLite file: a forked child saves processings,
// re-processings (automatic and manual), re-processings after settlement (new
// and saved again) and cancellations through the windows until it is killed
// (SIGKILL), mostly inside a save; after every kill the database must be
// whole. Then storage that cannot be written (read-only, full disk): the save
// fails, the user is told, nothing is stored.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <random>
#include <thread>

#include "platform/db/schema.h"
#include "platform/db/sqlite_connection.h"
#include "reliability_world.h"
#include "support/database.h"
#include "support/faulty_connection.h"

namespace hp::reliability {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Markers the child writes to the pipe; the parent reads where it died.
enum Marker : char {
  kReady = 'R', kSavePressed = 'S', kSaveDone = 'E', kBegin = 'b', kCommitting = 'k', kCommitted = 'c',
  kRolledBack = 'r', kSkipped = 'x' /* a step the windows refused */, kGaveUp = 'X'
};
void Mark(int fd, char c) {
  while (::write(fd, &c, 1) < 0 && errno == EINTR) {
  }
}

// The child's connection, marking its transactions.
struct TracingConnection : testing::FaultyConnection {
  TracingConnection(db::Connection& real, int marks) : FaultyConnection(real), fd(marks) {}
  void BeginTrans() override { Mark(fd, kBegin), real().BeginTrans(); }
  void CommitTrans() override { Mark(fd, kCommitting), real().CommitTrans(), Mark(fd, kCommitted); }
  void RollbackTrans() override { real().RollbackTrans(), Mark(fd, kRolledBack); }
  int fd;
};

constexpr int kSeededMaxId = 2060;  // invoices 1..150, processings 1001..1060 and 2001..2060

void Seed(db::Connection& con) {
  db::CreateSchema(con);
  db::Transaction tx(con);
  testing::StandardWorld(con);
  for (int i = 1; i <= 150; ++i) SeedOpenInvoice(con, i, i % 4 == 0 ? std::optional<int>(1) : std::nullopt);
  for (int i = 1; i <= 60; ++i) SeedReprocessable(con, 1000 + i), SeedSettled(con, 2000 + i);
  tx.Commit();
}

// What each kind of save starts from: (customer or processing, invoice or
// processing) of a random row.
constexpr const char* kLive =
    "select h.hphCustomerID, h.hphProcessingID from aHpProcessingHeader h where h.hphCompanyID=1 and "
    "h.hphCancel=0 and h.hphAmended=0 and coalesce(h.hphReferenceID,0)=0 ";
constexpr const char* kSettledLine =
    "exists (select 1 from aHpProcessingDetail d where d.hpdProcessingID=h.hphProcessingID and "
    "coalesce(d.hpdSettlementAmount,0)";
const std::string kCandidates[] = {
    "select hpqhCustomerID, hpqhQuotationID from losHpInvoiceHeader where hpqhCompanyID=1 and hpqhProcessed=0 and "
    "hpqhCancel=0 and hpqhConfirmed=1 and hpqhChqReg=1",
    std::string(kLive) + " and " + kSettledLine + "=0)",
    std::string(kLive) + " and h.hphProcessingID between 1001 and 1999",
    std::string(kLive) + " and " + kSettledLine + "<>0) and h.hphProcessingID between 2001 and 2999",
    "select hphProcessingID, 0 from aHpProcessingHeader where hphCompanyID=1 and hphreprocessaftersettlement=1 and "
    "hphCancel=0 and hphAmended=0 and coalesce(hphAdjustmentPosted,0)=0",
    "select h.hphProcessingID, 0 from aHpProcessingHeader h where h.hphCompanyID=1 and h.hphCancel=0 and "
    "h.hphAmended=0 and (h.hphreprocessaftersettlement=1 or not " + std::string(kSettledLine) + "<>0))",
};

// Saves until killed.
[[noreturn]] void ChildMain(const std::string& path, unsigned seed, int fd) {
  try {
    auto real = db::OpenSqlite(path);
    TracingConnection con(*real, fd);
    Session s(con);
    Mark(fd, kReady);
    std::mt19937 rng(seed);
    const Steer st{[fd](forms::Form&, const Press& press) { Mark(fd, kSavePressed), press(), Mark(fd, kSaveDone); }};
    for (int refused = 0;; s.host.ClearMessages()) {
      const int kind = static_cast<int>(rng() % 7);
      const std::string remarks = "run " + std::to_string(seed) + "/" + std::to_string(rng() % 1000);
      const std::string price = std::to_string(30000 + rng() % 5000);
      try {
        db::Recordset c = real->Open(kCandidates[std::max(0, kind - 1)] + " order by random() limit 1");
        if (!c.Eof()) {
          const std::int64_t a = db::AsInt(c.Field(0)), b = db::AsInt(c.Field(1));
          if (kind >= 5) s.OpenRegister();
          switch (kind) {
            case 0: case 1: SaveProcessing(s, a, b, remarks, st); break;
            case 2: SaveReprocessing(s, a, b, std::to_string(6 + rng() % 7), {}, remarks, st); break;
            case 3: SaveReprocessing(s, a, b, "", kManualLines, remarks, st); break;
            case 4: SaveAfterSettlement(s, a, b, "2", price, remarks, st); break;
            case 5: SaveAfterSettlementAgain(s, a, price, remarks, st); break;
            case 6: CancelFromRegister(s, a, remarks, st); break;
          }
        }
        refused = 0;
      } catch (const std::exception&) {
        Mark(fd, kSkipped);
        if (++refused > 20) Mark(fd, kGaveUp), ::_exit(4);
      }
    }
  } catch (...) {
    Mark(fd, kGaveUp), ::_exit(3);
  }
}

// Where the child was when it was killed.
struct ChildState {
  bool ready = false, in_save = false, in_transaction = false, in_commit = false, gave_up = false;
  long saves_pressed = 0, commits = 0, skipped = 0;
  void Read(char c) {
    ready |= c == kReady, gave_up |= c == kGaveUp, skipped += c == kSkipped, commits += c == kCommitted;
    if (c == kSavePressed || c == kSaveDone) in_save = c == kSavePressed;
    saves_pressed += c == kSavePressed;
    if (c == kBegin) in_transaction = true;
    if (c == kCommitting) in_commit = true;
    if (c == kCommitted || c == kRolledBack) in_commit = in_transaction = false;
  }
  // Reads markers until `until` holds (true) or the time is up or the pipe closed.
  bool ReadUntil(int fd, const std::function<bool()>& until, std::chrono::milliseconds timeout) {
    for (const auto end = Clock::now() + timeout; !until();) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
      pollfd p{fd, POLLIN, 0};
      if (left <= 0) return false;
      if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
      char buf[256];
      const ssize_t n = ::read(fd, buf, sizeof buf);
      if (n <= 0) return false;
      for (ssize_t i = 0; i < n; ++i) Read(buf[i]);
    }
    return true;
  }
};

std::vector<std::string> Rows(db::Connection& con, const std::string& sql) {
  std::vector<std::string> rows;
  for (db::Recordset rs = con.Open(sql); !rs.Eof(); rs.MoveNext()) {
    std::string row;
    for (int i = 0; i < rs.FieldCount(); ++i) row += (i ? ", " : "") + db::AsText(rs.Field(i));
    rows.push_back(row);
  }
  return rows;
}

// What must hold whatever moment a save was cut short at: (rule, rows breaking it).
const std::pair<const char*, std::string> kRules[] = {
    {"foreign key", "PRAGMA foreign_key_check"},
    // Lines 1..hphNoOfRentals; before-tax lines for a service-tax first
    // processing; cash-flow lines for a re-processing not after settlement.
    {"processing not whole (id, rentals, lines, first, last, before-tax, cash flow)",
     "select * from (select h.hphProcessingID as id, h.hphNoOfRentals as n,"
     " (select count(*) from aHpProcessingDetail d where d.hpdProcessingID=h.hphProcessingID"
     "   and d.hpdCompanyID=h.hphCompanyID) as lines,"
     " (select coalesce(min(hpddetailID),0) from aHpProcessingDetail d where d.hpdProcessingID=h.hphProcessingID) as lo,"
     " (select coalesce(max(hpddetailID),0) from aHpProcessingDetail d where d.hpdProcessingID=h.hphProcessingID) as hi,"
     " (select count(*) from aHpProcessingDetailOthers o where o.hpdProcessingID=h.hphProcessingID) as bt,"
     " (select count(*) from ahpProcessingCashFlowDetail c where c.hpcProcessingID=h.hphProcessingID) as cf,"
     " case when coalesce(h.hphReferenceID,0)=0 and (select coalesce(i.hpqhServTaxCateId,0) from losHpInvoiceHeader i"
     "   where i.hpqhQuotationID=h.hphInvoiceID)<>0 then h.hphNoOfRentals else 0 end as bt_due,"
     " case when coalesce(h.hphReferenceID,0)<>0 and coalesce(h.hphreprocessaftersettlement,0)=0"
     "   then h.hphNoOfRentals else 0 end as cf_due"
     " from aHpProcessingHeader h) where lines<>n or n<1 or lo<>1 or hi<>n or bt<>bt_due or cf<>cf_due"},
    {"invoice processed without a live processing",
     "select i.hpqhQuotationID from losHpInvoiceHeader i where i.hpqhProcessed=1 and not exists (select 1 from "
     "aHpProcessingHeader h where h.hphInvoiceID=i.hpqhQuotationID and h.hphCancel=0 and h.hphAmended=0)"},
    {"live processing of an invoice not marked processed",
     "select h.hphProcessingID from aHpProcessingHeader h join losHpInvoiceHeader i on "
     "i.hpqhQuotationID=h.hphInvoiceID where h.hphCancel=0 and h.hphAmended=0 and i.hpqhProcessed=0"},
    {"invoice with two live processings",
     "select hphInvoiceID, count(*) from aHpProcessingHeader where hphCancel=0 and hphAmended=0 "
     "group by hphInvoiceID having count(*)>1"},
    {"amended without a live replacement",
     "select h.hphProcessingID from aHpProcessingHeader h where h.hphAmended=1 and not exists (select 1 from "
     "aHpProcessingHeader r where r.hphReferenceID=h.hphProcessingID and r.hphCancel=0)"},
    {"replaced twice",
     "select hphReferenceID, count(*) from aHpProcessingHeader where hphCancel=0 and "
     "coalesce(hphReferenceID,0)<>0 group by hphReferenceID having count(*)>1"},
    {"replacement of a processing not marked amended",
     "select r.hphProcessingID from aHpProcessingHeader r join aHpProcessingHeader h on "
     "h.hphProcessingID=r.hphReferenceID where r.hphCancel=0 and h.hphAmended=0"},
    {"number given twice",
     "select hphDepartmentID, hphFinancialID, hphProcessingNo from aHpProcessingHeader "
     "group by hphDepartmentID, hphFinancialID, hphProcessingNo having count(*)>1"},
    {"saved without its audit entry",
     "select h.hphProcessingID from aHpProcessingHeader h where h.hphProcessingID>" + std::to_string(kSeededMaxId) +
         " and (select count(*) from hpAuditTrail a where a.RecordID=h.hphProcessingID and a.Action='N')<>1"},
    {"cancelled without its audit entry",
     "select h.hphProcessingID from aHpProcessingHeader h where h.hphCancel=1 and (select count(*) from "
     "hpAuditTrail a where a.RecordID=h.hphProcessingID and a.Action='D')<>1"},
    {"audit entry of nothing stored",
     "select a.AuditID, a.RecordID, a.Action from hpAuditTrail a where not exists (select 1 from "
     "aHpProcessingHeader h where h.hphProcessingID=a.RecordID) or (a.Action='D' and not exists (select 1 from "
     "aHpProcessingHeader h where h.hphProcessingID=a.RecordID and h.hphCancel=1))"},
};
std::vector<std::string> Violations(db::Connection& con) {
  std::vector<std::string> v;
  if (const auto ok = Rows(con, "PRAGMA integrity_check"); ok != std::vector<std::string>{"ok"})
    v.push_back("integrity_check: " + (ok.empty() ? std::string("no answer") : ok.front()));
  for (const auto& [rule, sql] : kRules) {
    const std::vector<std::string> rows = Rows(con, sql);
    for (size_t i = 0; i < rows.size() && i < 5; ++i) v.push_back(std::string(rule) + ": " + rows[i]);
  }
  return v;
}

std::string TempFolder(const std::string& stem) {
  std::string pattern = (fs::temp_directory_path() / (stem + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
  return pattern;
}

TEST(CrashConsistency, EverySaveIsWholeOrAbsentWhereverTheProcessDies) {
  if (testing::OnPostgres()) GTEST_SKIP() << "kills a process writing an SQLite file; nothing to do on PostgreSQL";
  const std::string dir = TempFolder("hp-crash"), path = dir + "/hp.db";
  {
    auto con = db::OpenSqlite(path);
    Seed(*con);
    const std::vector<std::string> v = Violations(*con);
    ASSERT_TRUE(v.empty()) << "the seeded world already breaks a rule: " << v.front();
  }
  std::mt19937 rng(std::random_device{}());
  const auto started = Clock::now();
  auto elapsed = [&] { return std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - started).count(); };
  int kills = 0, survived = 0, in_save = 0, in_transaction = 0, in_commit = 0;
  long commits = 0, saves = 0, skipped = 0;
  std::vector<std::string> problems;
  while ((kills < 60 || elapsed() < 8) && elapsed() < 40 && kills < 200 && problems.size() < 5) {
    int pipe_fd[2];
    ASSERT_EQ(::pipe(pipe_fd), 0);
    const unsigned seed = static_cast<unsigned>(rng());
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) ::close(pipe_fd[0]), ChildMain(path, seed, pipe_fd[1]);
    ::close(pipe_fd[1]);
    ChildState st;
    const bool ready = st.ReadUntil(pipe_fd[0], [&] { return st.ready; }, std::chrono::seconds(20));
    if (ready && rng() % 3 != 0) {  // into a save: a moment after the k-th press
      const long k = 1 + static_cast<long>(rng() % 3);
      st.ReadUntil(pipe_fd[0], [&] { return st.saves_pressed >= k; }, std::chrono::seconds(20));
      std::this_thread::sleep_for(std::chrono::microseconds(rng() % 8000));
    } else if (ready) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1 + rng() % 30));
    }
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    st.ReadUntil(pipe_fd[0], [] { return false; }, std::chrono::milliseconds(200));  // what is left in the pipe
    ::close(pipe_fd[0]);
    if (st.gave_up || !ready || !WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL) {
      problems.push_back(st.gave_up || !ready ? "the saving process stopped by itself (" +
                                                    std::to_string(st.skipped) + " steps refused)"
                                              : "the saving process ended before it was killed");
      break;
    }
    ++kills, in_save += st.in_save, in_transaction += st.in_transaction, in_commit += st.in_commit;
    commits += st.commits, saves += st.saves_pressed, skipped += st.skipped;
    auto con = db::OpenSqlite(path);
    const std::vector<std::string> v = Violations(*con);
    survived += v.empty();
    for (const auto& x : v) problems.push_back("after kill " + std::to_string(kills) + ": " + x);
  }
  auto con = db::OpenSqlite(path);
  // Each commit the child saw return is there (one audit entry each); one cut
  // short in its commit may or may not be.
  const long audited = testing::CountRows(*con, "hpAuditTrail");
  EXPECT_GE(audited, commits) << "committed saves were lost";
  EXPECT_LE(audited, commits + in_commit) << "saves stored that never committed";
  for (const auto& p : problems) ADD_FAILURE() << p;
  EXPECT_GE(kills, 50) << "too few kill points in the time allowed";
  EXPECT_GE(in_transaction, 10) << "too few kills landed inside a transaction";
  EXPECT_EQ(survived, kills);
  Totals().kills += kills, Totals().kills_survived += survived;
  RecordProperty("kill_points_survived", survived);
  auto stored = [&](const std::string& condition) {
    return testing::CountRows(*con, "aHpProcessingHeader",
                              "hphProcessingID>" + std::to_string(kSeededMaxId) + " and " + condition);
  };
  const std::string not_after = " and coalesce(hphreprocessaftersettlement,0)=0";
  std::cout << "[ reliability ] " << kills << " kills (" << in_save << " inside a save, " << in_transaction
            << " inside its transaction, " << in_commit << " during its commit); " << saves << " saves pressed, "
            << commits << " committed, " << skipped << " steps refused, in " << elapsed() << " s; stored: "
            << stored("coalesce(hphReferenceID,0)=0") << " processings, "
            << stored("hphReprocessingType='A'" + not_after) << " automatic and "
            << stored("hphReprocessingType='M'" + not_after) << " manual re-processings, "
            << stored("hphreprocessaftersettlement=1") << " after settlement, "
            << testing::CountRows(*con, "hpAuditTrail", "Action='E'") << " saved again, "
            << testing::CountRows(*con, "hpAuditTrail", "Action='D'") << " cancelled\n";
  const std::vector<std::string> failed = ErrorsLogged(*con);
  EXPECT_TRUE(failed.empty()) << failed.size() << " statements failed in the saving process, first: " << failed[0];
  con.reset();
  std::error_code ec;
  fs::remove_all(dir, ec);
}

// ---- Storage that cannot be written ------------------------------------------

class UnwritableDatabase : public ::testing::TestWithParam<std::string> {};

// File systems mounted for one test, unmounted (last first) when it ends.
struct Mounts : std::vector<std::string> {
  ~Mounts() { Release(); }
  void Release() {
    for (auto it = rbegin(); it != rend(); ++it) ::umount2(it->c_str(), MNT_DETACH);
    clear();
  }
  bool Mount(const char* source, const std::string& at, const char* type, unsigned long flags, const char* options) {
    if (::mount(source, at.c_str(), type, flags, options) != 0) return false;
    if (!(flags & MS_REMOUNT)) push_back(at);
    return true;
  }
};

// Fills the file system of `dir` to the last byte; returns the filler file.
std::string FillUp(const std::string& dir) {
  const std::string filler = dir + "/filler";
  const int fd = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) throw std::runtime_error("cannot create the filler file");
  std::vector<char> block(64 * 1024, 'f');
  for (size_t size = block.size(); size > 0;)
    if (::write(fd, block.data(), size) < 0 && (errno != ENOSPC || (size /= 2) == 0)) break;
  ::close(fd);
  return filler;
}

TEST_P(UnwritableDatabase, SaveFailsTellsTheUserAndStoresNothing) {
  if (testing::OnPostgres()) GTEST_SKIP() << "an SQLite file's storage; nothing to do on PostgreSQL";
  const std::string kind = GetParam();
  if (kind != "ReadOnlyOpen" && ::geteuid() != 0) GTEST_SKIP() << "mounting a file system takes root";
  const std::string dir = TempFolder("hp-unwritable"), ro_dir = dir + "-ro", path = dir + "/hp.db";
  Mounts mounts;
  if (kind != "ReadOnlyOpen" && !mounts.Mount("tmpfs", dir, "tmpfs", 0, kind == "FullDisk" ? "size=1m" : "size=16m"))
    GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
  {
    auto con = db::OpenSqlite(path);
    db::CreateSchema(*con);
    testing::StandardWorld(*con);
    SeedOpenInvoice(*con, 1);
  }
  // The keeper stays writable: it reads what was stored and keeps the
  // database's log files in place for a reader that cannot create them.
  auto keeper = db::OpenSqlite(path);
  std::string session_path = kind == "ReadOnlyOpen" ? "file:" + path + "?mode=ro" : path;
  if (kind == "ReadOnlyMount") {
    fs::create_directory(ro_dir);
    if (!mounts.Mount(dir.c_str(), ro_dir, nullptr, MS_BIND, nullptr) ||
        !mounts.Mount(nullptr, ro_dir, nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr))
      GTEST_SKIP() << "cannot mount read-only here: " << std::strerror(errno);
    session_path = ro_dir + "/hp.db";
  }
  auto session_con = db::OpenSqlite(session_path);
  Session s(*session_con);
  bool reached = false;
  SaveProcessing(s, 1, 1, "nowhere to go", {[&](forms::Form& screen, const Press& press) {
    reached = true;
    const Dump before = Snapshot(*keeper);
    const std::string filler = kind == "FullDisk" ? FillUp(dir) : "";
    s.host.ClearMessages();
    press();
    EXPECT_TRUE(screen.IsLoaded()) << "the window closed as if saved";
    ASSERT_FALSE(s.host.Messages().empty());
    EXPECT_EQ(s.host.Messages().back().prompt, shell::kSaveFailed);
    EXPECT_EQ(s.host.Messages().back().style, forms::vbCritical);
    EXPECT_EQ(Snapshot(*keeper), before) << Compare(before, Snapshot(*keeper)).text;
    EXPECT_EQ(s.register_window->flexMaster.TextMatrix(1, reg::kColId), "") << "the register shows a row";
    EXPECT_FALSE(session_con->InTransaction());
    if (!filler.empty()) {  // room again: the same screen saves what it holds
      fs::remove(filler);
      press();
      EXPECT_FALSE(screen.IsLoaded()) << s.host.LastMessage();
      EXPECT_EQ(testing::CountRows(*keeper, "aHpProcessingHeader"), 1);
      EXPECT_EQ(testing::CountRows(*keeper, "aHpProcessingDetail"), 24);
    }
  }});
  EXPECT_TRUE(reached);
  EXPECT_EQ(Rows(*keeper, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
  s.register_window.reset(), session_con.reset(), keeper.reset();
  mounts.Release();
  std::error_code ec;
  fs::remove_all(dir, ec), fs::remove_all(ro_dir, ec);
}

INSTANTIATE_TEST_SUITE_P(Storage, UnwritableDatabase, ::testing::Values("ReadOnlyOpen", "ReadOnlyMount", "FullDisk"),
                         [](const auto& p) { return p.param; });

}  // namespace
}  // namespace hp::reliability
