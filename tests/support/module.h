// A signed-in session for window tests: a fresh database with the standard
// world, a scripted host, and the module's session values and shared
// components set as the register's load sets them.
#pragma once

#include <memory>
#include <string>

#include "platform/db/connection.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/scripted_host.h"
#include "shell/bas_module.h"
#include "shell/windows.h"
#include "support/records.h"

namespace hp::testing {

// Opens no window: for tests of one window that must not open another.
class NoWindows : public shell::WindowFactory {
 public:
  std::unique_ptr<forms::Form> MakeRegister(shell::BasModule&) override;
  std::unique_ptr<forms::Form> MakeProcessing(shell::BasModule&) override;
  std::unique_ptr<forms::Form> MakeReprocessing(shell::BasModule&) override;
  std::unique_ptr<forms::Form> MakeAfterSettlement(shell::BasModule&) override;
};

struct Module {
  // A fresh database holding the standard world; `windows` defaults to
  // NoWindows.
  explicit Module(const World& world = World{}, shell::WindowFactory* windows = nullptr);
  // A session of its own on the shared database `url` (TestDatabaseUrl),
  // which it fills with the standard world when `create_world`; with no
  // `url`, as the constructor above.
  Module(const std::string& url, bool create_world);

  std::unique_ptr<db::Connection> con;
  World world;
  forms::ScriptedHost host;
  NoWindows no_windows;
  shell::BasModule bas;

 private:
  Module(std::unique_ptr<db::Connection> db, const World& w, bool create_world, shell::WindowFactory* windows);
};

// The register's grid as a save refreshes it: `cols` columns of `sql` (the
// identifier first; one parameter, the company) and an empty first row.
struct RegisterStub : forms::Form {
  RegisterStub(Module& m, int cols, const std::string& sql);
  forms::FlexGrid flexMaster;
};

}  // namespace hp::testing
