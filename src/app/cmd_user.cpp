// hp user add NAME [--database PATH] [--rights NED] [--company ID]...
// hp user passwd NAME [--database PATH]
// Sign-in users. `add` creates the user with rights to the module in the
// given companies (default: every company) and a random password, which it
// prints. `passwd` sets a new password, read without echo from a terminal or
// as one line from stdin otherwise. Passwords are stored only as Argon2id
// hashes.
//
// Exit status: 0 done; 2 bad arguments, no database file, an unknown user or
// a user name taken; 1 any other failure.
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/commands.h"
#include "platform/db/connection.h"
#include "shell/passwords.h"

namespace hp::app {
namespace {

constexpr int kInterface = 7503;
constexpr size_t kMinPassword = 8;

struct UserOptions {
  std::string database = "hp.db";
  std::string name;
  std::string rights = "NED";
  std::vector<int> companies;
};

int Fail(int code, const std::string& message) {
  std::cerr << "hp user: " << message << "\n";
  return code;
}

bool IsUrl(const std::string& s) { return s.rfind("postgresql://", 0) == 0 || s.rfind("postgres://", 0) == 0; }

std::unique_ptr<db::Connection> Open(const std::string& database) {
  if (!IsUrl(database) && !std::filesystem::is_regular_file(database)) return nullptr;
  return db::OpenDatabase(database);
}

std::optional<int> UserId(db::Connection& con, const std::string& name) {
  db::Recordset rs = con.Open("SELECT UserID FROM aUsers WHERE UserName = ?", {name});
  if (rs.Eof()) return std::nullopt;
  return static_cast<int>(db::AsInt(rs.Field(0)));
}

// One line from the terminal with echo off, or from stdin as it is.
std::optional<std::string> ReadLine(const char* prompt, bool terminal) {
  termios saved{};
  if (terminal) {
    std::cerr << prompt << std::flush;
    tcgetattr(STDIN_FILENO, &saved);
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  std::string line;
  bool got = static_cast<bool>(std::getline(std::cin, line));
  if (terminal) {
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::cerr << "\n";
  }
  if (!got) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

int RunAdd(const UserOptions& o) {
  if (o.name.empty() || o.name.size() > 100) return Fail(2, "give the user name (at most 100 characters)");
  if (o.rights.find_first_not_of("NED") != std::string::npos)
    return Fail(2, "--rights takes the letters N (new), E (edit) and D (delete)");
  try {
    auto con = Open(o.database);
    if (!con) return Fail(2, "no database file " + o.database);
    if (UserId(*con, o.name)) return Fail(2, "there is a user " + o.name + " already");
    std::vector<int> companies = o.companies;
    if (companies.empty()) {
      for (db::Recordset rs = con->Open("SELECT CompanyID FROM aCompanyMaster ORDER BY CompanyID"); !rs.Eof();
           rs.MoveNext())
        companies.push_back(static_cast<int>(db::AsInt(rs.Field(0))));
    }
    for (int company : companies) {
      if (con->Open("SELECT 1 FROM aCompanyMaster WHERE CompanyID = ?", {std::int64_t{company}}).Eof())
        return Fail(2, "there is no company " + std::to_string(company));
    }
    std::string password = shell::RandomPassword();
    int id = 0;
    {
      db::Transaction tx(*con);
      id = static_cast<int>(db::AsInt(con->Open("SELECT coalesce(max(UserID), 0) + 1 FROM aUsers").Field(0)));
      con->Execute("INSERT INTO aUsers (UserID, UserName) VALUES (?, ?)", {std::int64_t{id}, o.name});
      for (int company : companies)
        con->Execute("INSERT INTO auserrights (companyid, userid, interfaceid, FunctionRights) VALUES (?, ?, ?, ?)",
                     {std::int64_t{company}, std::int64_t{id}, std::int64_t{kInterface}, o.rights});
      shell::SetPassword(*con, id, password);
      tx.Commit();
    }
    std::cout << "User " << o.name << " (" << id << ") added with rights " << (o.rights.empty() ? "none" : o.rights)
              << " in " << companies.size() << " compan" << (companies.size() == 1 ? "y" : "ies")
              << "; password: " << password << "\n";
    return 0;
  } catch (const std::exception& e) {
    return Fail(1, std::string("the user could not be added: ") + e.what());
  }
}

int RunPasswd(const UserOptions& o) {
  try {
    auto con = Open(o.database);
    if (!con) return Fail(2, "no database file " + o.database);
    auto id = UserId(*con, o.name);
    if (!id) return Fail(2, "there is no user " + o.name);
    bool terminal = isatty(STDIN_FILENO) == 1;
    auto password = ReadLine("New password: ", terminal);
    if (!password) return Fail(2, "no password given");
    if (password->size() < kMinPassword)
      return Fail(2, "the password needs at least " + std::to_string(kMinPassword) + " characters");
    if (terminal) {
      auto again = ReadLine("Repeat it: ", terminal);
      if (!again || *again != *password) return Fail(2, "the passwords differ; nothing changed");
    }
    shell::SetPassword(*con, *id, *password);
    std::cout << "Password of " << o.name << " changed\n";
    return 0;
  } catch (const std::exception& e) {
    return Fail(1, std::string("the password could not be changed: ") + e.what());
  }
}

void AddUserCommand(CLI::App& app, int& exit_code) {
  CLI::App* user = app.add_subcommand("user", "Sign-in users");
  user->require_subcommand(1);

  auto add = std::make_shared<UserOptions>();
  CLI::App* cmd_add = user->add_subcommand("add", "Add a user with a random password (printed)");
  cmd_add->add_option("NAME", add->name, "User name")->required();
  cmd_add->add_option("--database", add->database, "SQLite file (default hp.db) or postgresql:// URL");
  cmd_add->add_option("--rights", add->rights, "Rights letters: N new, E edit, D delete (default NED)");
  cmd_add->add_option("--company", add->companies, "Company to give the rights in (repeatable; default all)");
  cmd_add->callback([add, &exit_code] { exit_code = RunAdd(*add); });

  auto passwd = std::make_shared<UserOptions>();
  CLI::App* cmd_passwd = user->add_subcommand("passwd", "Set a user's password (read from stdin)");
  cmd_passwd->add_option("NAME", passwd->name, "User name")->required();
  cmd_passwd->add_option("--database", passwd->database, "SQLite file (default hp.db) or postgresql:// URL");
  cmd_passwd->callback([passwd, &exit_code] { exit_code = RunPasswd(*passwd); });
}

}  // namespace

static const CommandRegistrar registrar{"user", &AddUserCommand};

}  // namespace hp::app
