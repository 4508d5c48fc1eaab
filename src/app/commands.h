// The sub-commands of `hp`. Each lives in its own file (cmd_*.cpp) and
// registers itself with a CommandRegistrar; main() only parses and dispatches.
#pragma once

#include <CLI/CLI.hpp>

namespace hp::app {

// Adds one sub-command to `app`. Its callback sets `exit_code`
// (0 success, 2 bad arguments, 1 any other failure).
using CommandFactory = void (*)(CLI::App& app, int& exit_code);

// Declared at namespace scope in a cmd_*.cpp file:
//   static const CommandRegistrar registrar{"schedule", &AddScheduleCommand};
struct CommandRegistrar {
  CommandRegistrar(const char* name, CommandFactory factory);
};

}  // namespace hp::app
