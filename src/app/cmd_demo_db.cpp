// hp demo-db PATH [--customers N] [--invoices N] [--seed S]
// Creates a new SQLite database at PATH filled with demo data, writes the
// sign-in passwords to PATH.password (readable by the owner only) and prints
// what the database holds. An existing non-empty PATH is refused: demo data
// never goes over someone's records.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "app/commands.h"
#include "demo/demo_data.h"
#include "platform/db/schema.h"
#include "platform/db/sqlite_connection.h"

namespace hp::app {
namespace {

struct DemoDbOptions {
  std::string path;
  int customers = demo::DemoOptions{}.customers;
  int invoices = demo::DemoOptions{}.invoices;
  unsigned seed = demo::DemoOptions{}.seed;
};

// The file exists and holds something (or is not a plain file).
bool Occupied(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return !S_ISREG(st.st_mode) || st.st_size > 0;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// Flushes the file to the disk. Throws std::runtime_error when that fails.
void SyncFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || ::fsync(fd) != 0) {
    const std::string why = std::strerror(errno);
    if (fd >= 0) ::close(fd);
    throw std::runtime_error("cannot sync " + path + ": " + why);
  }
  ::close(fd);
}

// Progress on stderr: a bar redrawn in place on a terminal, a line every ten
// percent otherwise (a log or a pipe should not fill with carriage returns).
class ProgressBar {
 public:
  ProgressBar() : terminal_(::isatty(STDERR_FILENO) == 1) {}
  void operator()(std::string_view stage, double fraction) {
    const int percent = static_cast<int>(fraction * 100);
    if (terminal_) {
      if (percent == last_ && stage == stage_) return;
      constexpr int kWidth = 30;
      const int filled = percent * kWidth / 100;
      std::fprintf(stderr, "\r%-12.*s [%s%s] %3d%%", static_cast<int>(stage.size()), stage.data(),
                   std::string(static_cast<size_t>(filled), '#').c_str(),
                   std::string(static_cast<size_t>(kWidth - filled), '.').c_str(), percent);
      std::fflush(stderr);
      drawn_ = true;
    } else if (percent / 10 != last_ / 10 || last_ < 0) {
      std::fprintf(stderr, "demo-db: %3d%% %.*s\n", percent, static_cast<int>(stage.size()), stage.data());
    }
    last_ = percent;
    stage_ = stage;
  }
  void End() {
    if (terminal_ && drawn_) std::fputc('\n', stderr);
  }

 private:
  bool terminal_;
  bool drawn_ = false;
  int last_ = -1;
  std::string stage_;
};

// Writes the passwords, one "name password" line per user, to a file only
// its owner may read (also when it existed before with other permissions).
bool WritePasswords(const std::string& path, const demo::DemoSummary& s, std::string& error) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0 || ::fchmod(fd, 0600) != 0) {
    error = std::strerror(errno);
    if (fd >= 0) ::close(fd);
    return false;
  }
  std::string text;
  for (const auto& u : s.users) text += u.name + " " + u.password + "\n";
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = std::strerror(errno);
      ::close(fd);
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::close(fd) != 0) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

std::string Histogram(const std::map<long, long>& counts) {
  std::string out;
  for (const auto& [open, customers] : counts) {
    if (!out.empty()) out += ", ";
    out += fmt::format("{} with {}", customers, open);
  }
  return out.empty() ? "none" : out;
}

void PrintSummary(const std::string& path, const std::string& password_file, const DemoDbOptions& o,
                  const demo::DemoSummary& s, double seconds) {
  fmt::print("Demo database {} (seed {}), made in {:.1f} s\n", path, o.seed, seconds);
  for (const auto& c : s.companies) {
    fmt::print("  Company {} {}: financial year {} ({}), departments ", c.id, c.name, c.financial_id,
               c.financial_year);
    for (size_t i = 0; i < c.departments.size(); ++i) fmt::print("{}{}", i ? ", " : "", c.departments[i]);
    fmt::print("\n    {} invoices, {} open for processing; {} processings ({} live)\n", c.invoices,
               c.open_invoices, c.processings, c.live_processings);
    fmt::print("    verified customers by open invoices: {}\n", Histogram(c.customers_by_open_invoices));
  }
  fmt::print("  Customers: {} ({} not verified), {} item registrations\n", s.customers, s.unverified_customers,
             s.item_registrations);
  fmt::print(
      "  Invoices: {} ({} quotations, {} unconfirmed, {} cancelled, {} with service tax, "
      "{} confirmed without a live cheque register)\n",
      s.invoices, s.quotations, s.unconfirmed_invoices, s.cancelled_invoices, s.service_tax_invoices,
      s.without_cheque_register);
  fmt::print("  Cheque registers: {} holding {} cheques\n", s.cheque_registers, s.cheques);
  fmt::print(
      "  Processings: {} ({} live, {} cancelled, {} amended, {} re-processings, {} with settled rentals, "
      "{} with posted rentals)\n",
      s.processings, s.live_processings, s.cancelled_processings, s.amended_processings, s.reprocessings,
      s.settled_processings, s.posted_processings);
  fmt::print("    {} rental lines, {} before-tax lines, {} cash-flow lines\n", s.rental_lines,
             s.before_tax_lines, s.cash_flow_lines);
  fmt::print("  Processing date to sign in with: {}; look-back {} days; accounts frozen up to {}\n",
             text::IsoDate(s.processing_date), s.look_back_days, text::IsoDate(s.freeze_date));
  for (const auto& u : s.users) {
    std::string companies;
    for (int c : u.companies) companies += (companies.empty() ? "" : ", ") + std::to_string(c);
    fmt::print("  User \"{}\": rights {} in company {}\n", u.name, u.rights, companies);
  }
  fmt::print("  Passwords (one \"user password\" line each): {}\n", password_file);
}

int RunDemoDb(const DemoDbOptions& o) {
  const std::string password_file = o.path + ".password";
  if (Occupied(o.path) || Occupied(o.path + "-wal")) {
    std::cerr << "hp demo-db: " << o.path << " already exists and is not an empty file; give the name of a new file\n";
    return 2;
  }
  const bool created = !Exists(o.path);
  auto discard = [&] {
    if (!created) return;
    for (const char* suffix : {"", "-wal", "-shm"}) std::remove((o.path + suffix).c_str());
  };

  demo::DemoOptions options;
  options.customers = o.customers;
  options.invoices = o.invoices;
  options.seed = o.seed;
  ProgressBar bar;
  const auto started = std::chrono::steady_clock::now();
  demo::DemoSummary summary;
  try {
    auto con = db::OpenSqlite(o.path);
    // A new file that is thrown away on failure needs no write-ahead log and
    // no syncing while it is filled: the rows go straight into the file, once
    // (through the log they would be written twice), with a page cache large
    // enough that index pages are not written out again and again. The file
    // is synced once at the end.
    con->Execute("PRAGMA journal_mode=MEMORY");
    con->Execute("PRAGMA synchronous=OFF");
    con->Execute("PRAGMA cache_size=-32768");
    db::CreateSchema(*con);
    summary = demo::CreateDemoData(*con, options, [&bar](std::string_view stage, double f) { bar(stage, f); });
    con->Execute("PRAGMA journal_mode=WAL");  // as the server works with it
    con.reset();
    SyncFile(o.path);
  } catch (const demo::DemoError& e) {
    bar.End();
    std::cerr << "hp demo-db: " << e.what() << "\n";
    discard();
    return 2;
  } catch (const std::exception& e) {
    bar.End();
    std::cerr << "hp demo-db: the demo database could not be made: " << e.what() << "\n";
    discard();
    return 1;
  }
  bar.End();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

  std::string error;
  if (!WritePasswords(password_file, summary, error)) {
    std::cerr << "hp demo-db: the passwords could not be written to " << password_file << ": " << error << "\n";
    discard();
    return 1;
  }
  PrintSummary(o.path, password_file, o, summary, seconds);
  return 0;
}

void AddDemoDbCommand(CLI::App& app, int& exit_code) {
  auto options = std::make_shared<DemoDbOptions>();
  CLI::App* cmd = app.add_subcommand("demo-db", "Create a new database filled with demo data");
  cmd->add_option("PATH", options->path, "The SQLite file to create (must not exist or be empty)")->required();
  cmd->add_option("--customers", options->customers, "Number of customers (default 200)")
      ->check(CLI::Range(1, 10'000'000));
  cmd->add_option("--invoices", options->invoices, "Number of HP invoices (default 600)")
      ->check(CLI::Range(0, 10'000'000));
  cmd->add_option("--seed", options->seed, "Seed of the demo data (default 7): the same seed, the same data");
  cmd->callback([options, &exit_code] { exit_code = RunDemoDb(*options); });
}

}  // namespace

static const CommandRegistrar registrar{"demo-db", &AddDemoDbCommand};

}  // namespace hp::app
