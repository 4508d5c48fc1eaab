// A signed-in session for window tests: a fresh database with the standard
// world, a scripted host, and the module's session values and shared
// components set as the register's load sets them.
#pragma once

#include <memory>

#include "platform/db/connection.h"
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
  // A fresh in-memory database holding the standard world; `windows`
  // defaults to NoWindows.
  explicit Module(const World& world = World{}, shell::WindowFactory* windows = nullptr);

  std::unique_ptr<db::Connection> con;
  World world;
  forms::ScriptedHost host;
  NoWindows no_windows;
  shell::BasModule bas;
};

}  // namespace hp::testing
