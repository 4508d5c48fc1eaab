#include "platform/db/schema.h"

namespace hp::db {
namespace {

// Splits a schema file into statements at semicolons that end a line; the
// files keep each statement's semicolon at the end of its last line. Lines
// holding only a "--" comment are left out. A function body quoted with $$
// may hold lines ending in ';': those do not end the statement.
std::vector<std::string> Statements(const std::string& script) {
  std::vector<std::string> out;
  std::string current;
  bool in_body = false;  // between an opening and a closing $$
  size_t start = 0;
  while (start < script.size()) {
    size_t end = script.find('\n', start);
    if (end == std::string::npos) end = script.size();
    std::string line = script.substr(start, end - start);
    start = end + 1;
    auto first = line.find_first_not_of(" \t\r");
    if (first == std::string::npos || (!in_body && line.compare(first, 2, "--") == 0)) continue;
    current += line + '\n';
    for (size_t at = line.find("$$"); at != std::string::npos; at = line.find("$$", at + 2)) in_body = !in_body;
    auto last = line.find_last_not_of(" \t\r");
    if (!in_body && line[last] == ';') {
      out.push_back(current);
      current.clear();
    }
  }
  return out;
}

}  // namespace

void CreateSchema(Connection& con) {
  const char* file = con.backend() == Backend::SQLite ? "schema_sqlite.sql" : "schema_postgresql.sql";
  auto it = EmbeddedSql().find(file);
  if (it == EmbeddedSql().end()) throw DbError(std::string("schema file missing: ") + file);
  Transaction tx(con);
  for (const auto& st : Statements(it->second)) con.Execute(st);
  tx.Commit();
}

}  // namespace hp::db
