// The embedded backend: one SQLite file, shared by the connections of every
// signed-in user (write-ahead log, a busy wait of a few seconds for locks).
#pragma once

#include <memory>
#include <string>

#include "platform/db/connection.h"

namespace hp::db {

// Opens (creating when missing) the SQLite database at `path`; ":memory:" gives
// a private in-memory database. Throws DbError when the file cannot be opened.
std::unique_ptr<Connection> OpenSqlite(const std::string& path);

}  // namespace hp::db
