// hp serve [--database PATH_OR_URL] [--listen 127.0.0.1:8080] [--secure-cookie]
// Serves the module to browsers. The database is an SQLite file (hp.db by
// default, created with demo data when it does not exist yet, the sign-in
// passwords then written to PATH.password) or a postgresql:// URL. The server
// listens on loopback unless told otherwise, prints the address to open and
// logs to hp.log beside the database and to stderr. SIGINT or SIGTERM stops
// it, ending every session.
//
// Exit status: 0 stopped; 2 bad arguments; 1 the database or the address
// could not be opened.
#include <fcntl.h>
#include <signal.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "app/commands.h"
#include "demo/demo_data.h"
#include "platform/db/connection.h"
#include "platform/db/schema.h"
#include "register/window_factory.h"
#include "web/listen_address.h"
#include "web/server.h"

namespace hp::app {
namespace {

struct ServeOptions {
  std::string database = "hp.db";
  std::string listen = web::kDefaultListen;
  bool secure_cookie = false;
};

bool IsUrl(const std::string& s) { return s.rfind("postgresql://", 0) == 0 || s.rfind("postgres://", 0) == 0; }

void SetUpLogging(const ServeOptions& o) {
  std::filesystem::path dir = IsUrl(o.database) ? std::filesystem::current_path()
                                                : std::filesystem::absolute(o.database).parent_path();
  auto console = std::make_shared<spdlog::sinks::stderr_color_sink_mt>();
  std::vector<spdlog::sink_ptr> sinks{console};
  try {
    sinks.push_back(std::make_shared<spdlog::sinks::basic_file_sink_mt>((dir / "hp.log").string()));
  } catch (const std::exception& e) {
    std::cerr << "hp serve: cannot write " << (dir / "hp.log").string() << ": " << e.what() << "\n";
  }
  auto logger = std::make_shared<spdlog::logger>("hp", sinks.begin(), sinks.end());
  logger->flush_on(spdlog::level::info);
  spdlog::set_default_logger(logger);
}

// Writes "name password" lines to a file only its owner may read.
bool WritePasswords(const std::string& path, const demo::DemoSummary& summary) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0 || ::fchmod(fd, 0600) != 0) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  std::string text;
  for (const auto& u : summary.users) text += u.name + " " + u.password + "\n";
  const char* p = text.data();
  size_t left = text.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return ::close(fd) == 0;
}

// Opens the database, creating a new SQLite file with demo data. Returns
// false (told on stderr) when that fails.
bool PrepareDatabase(const std::string& database) {
  bool fresh = false;
  if (!IsUrl(database)) {
    std::error_code ec;
    fresh = !std::filesystem::exists(database, ec) || std::filesystem::file_size(database, ec) == 0;
  }
  try {
    auto con = db::OpenDatabase(database);
    if (!fresh) {
      db::CreateSchema(*con);  // adds what a newer program needs; leaves the rest
      return true;
    }
    std::cerr << "hp serve: creating " << database << " with demo data...\n";
    // As `hp demo-db` does: a new file is filled without the log and synced
    // once; a failure removes it.
    con->Execute("PRAGMA journal_mode=MEMORY");
    con->Execute("PRAGMA synchronous=OFF");
    db::CreateSchema(*con);
    demo::DemoSummary summary;
    try {
      summary = demo::CreateDemoData(*con, demo::DemoOptions{});
      con->Execute("PRAGMA journal_mode=WAL");
      con->Execute("PRAGMA synchronous=FULL");
      con.reset();
    } catch (...) {
      con.reset();
      for (const char* suffix : {"", "-wal", "-shm"}) std::remove((database + suffix).c_str());
      throw;
    }
    std::string password_file = database + ".password";
    if (!WritePasswords(password_file, summary)) {
      std::cerr << "hp serve: the demo passwords could not be written to " << password_file << "\n";
      return false;
    }
    std::cerr << "hp serve: demo users and their passwords are in " << password_file << "; sign in with processing date "
              << text::IsoDate(summary.processing_date) << "\n";
    return true;
  } catch (const std::exception& e) {
    std::cerr << "hp serve: the database " << database << " could not be opened: " << e.what() << "\n";
    return false;
  }
}

int RunServe(const ServeOptions& o) {
  auto address = web::ParseListen(o.listen);
  if (!address) {
    std::cerr << "hp serve: --listen needs host:port, e.g. 127.0.0.1:8080\n";
    return 2;
  }
  // Stop signals go to a thread of their own, so that the server stops
  // cleanly rather than from inside a signal handler.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  if (!PrepareDatabase(o.database)) return 1;
  SetUpLogging(o);

  web::ServerOptions options;
  options.module.database = o.database;
  options.module.windows = [] { return reg::MakeWindowFactory(); };
  options.secure_cookie = o.secure_cookie;
  web::Server server(std::move(options));
  int port = server.Bind(address->first, address->second);
  if (port <= 0) {
    std::cerr << "hp serve: cannot listen on " << o.listen << "\n";
    return 1;
  }
  std::string host = address->first.find(':') != std::string::npos ? "[" + address->first + "]" : address->first;
  if (!web::IsLoopback(address->first))
    std::cerr << "hp serve: listening on " << address->first
              << ", reachable from other machines; put it behind TLS (--secure-cookie)\n";
  std::cout << "hp serve: open http://" << host << ":" << port << "/ in a browser" << std::endl;
  spdlog::info("serving {} on {}:{}", o.database, address->first, port);

  std::atomic<bool> signalled{false};
  std::thread stopper([&] {
    int sig = 0;
    sigwait(&stop_signals, &sig);
    signalled = true;
    spdlog::info("stopping on signal {}", sig);
    server.Stop();
  });
  bool ok = server.Run();
  // Serving ended without a signal: wake the stopper.
  if (!signalled) pthread_kill(stopper.native_handle(), SIGTERM);
  stopper.join();
  spdlog::info("stopped");
  return ok ? 0 : 1;
}

void AddServeCommand(CLI::App& app, int& exit_code) {
  auto options = std::make_shared<ServeOptions>();
  CLI::App* cmd = app.add_subcommand("serve", "Serve the module to browsers");
  cmd->add_option("--database", options->database,
                  "SQLite file (default hp.db, made with demo data when new) or postgresql:// URL");
  cmd->add_option("--listen", options->listen, "host:port to listen on (default 127.0.0.1:8080; port 0: any free port)");
  cmd->add_flag("--secure-cookie", options->secure_cookie, "Mark the session cookie Secure (behind a TLS proxy)");
  cmd->callback([options, &exit_code] { exit_code = RunServe(*options); });
}

}  // namespace

static const CommandRegistrar registrar{"serve", &AddServeCommand};

}  // namespace hp::app
