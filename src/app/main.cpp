// hp: the hire-purchase interest-processing module and its tools.
#include <map>
#include <string>

#include "app/commands.h"

namespace hp::app {
namespace {
std::map<std::string, CommandFactory>& Registry() {
  static std::map<std::string, CommandFactory> commands;
  return commands;
}
}  // namespace

CommandRegistrar::CommandRegistrar(const char* name, CommandFactory factory) {
  Registry()[name] = factory;
}
}  // namespace hp::app

int main(int argc, char** argv) {
  CLI::App app{"hp - hire-purchase interest processing"};
  app.require_subcommand(1);
  int exit_code = 0;
  for (const auto& [name, factory] : hp::app::Registry()) factory(app, exit_code);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int rc = app.exit(e);
    return rc == 0 ? 0 : 2;
  }
  return exit_code;
}
