// The server backend: a PostgreSQL database reached with libpq, behind the
// same Connection interface as the embedded one.
//
// - Statements keep their '?' placeholders; they become $1..$n here (never
//   inside quoted texts, quoted names, comments or $$ bodies). Whole numbers
//   travel as int4 when they fit (so that they can stand where the server
//   wants an integer: substr(x, 1, ?), date + ?) and as int8 otherwise;
//   doubles as float8 (written in their shortest exact text, so they come
//   back bit for bit); texts untyped so that the server reads them as the
//   column's type ("2024-01-31" compared with a date column is a date). A
//   statement whose placeholders do not match its values is refused. A NUL
//   character in a text is refused (the server cannot store one).
// - LIKE ignores case, as on SQLite: it is sent as ILIKE.
// - Results: int2/int4/int8 and bool (1/0) are whole numbers, float4/float8
//   and numeric doubles, a date "yyyy-mm-dd", a timestamp
//   "yyyy-mm-dd hh:mm:ss", anything else its text.
// - BeginTrans also takes a transaction-scoped advisory lock shared by every
//   connection of the module, so transactions serialise as SQLite's
//   BEGIN IMMEDIATE does: keys drawn inside one (max + 1) cannot be drawn by
//   another until it ends. Transactions run at READ COMMITTED, so each
//   statement after the lock sees every commit made before it.
// - A failing statement inside a transaction aborts the whole transaction (the
//   server refuses every later statement); CommitTrans then rolls back and
//   throws instead of reporting success.
// - Waiting for a lock ends after 10 seconds with a DbError that is busy(),
//   as do serialization failures and deadlocks.
// - The password comes from the environment (PGPASSWORD) or ~/.pgpass, never
//   from the program's files.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/db/connection.h"

namespace hp::db {

// Opens a connection to the database of a "postgresql://" (or "postgres://")
// URL, e.g. "postgresql://hp@127.0.0.1:5432/hp". Throws DbError when it cannot
// connect.
std::unique_ptr<Connection> OpenPostgres(const std::string& url);

// The number DbError::code() carries for a SQLSTATE: its five characters
// packed six bits each ((c - '0') & 63), first character lowest, as the server
// numbers its own error codes internally ("23505" -> 83906754). 0 for a text
// that is not five characters of 0-9 and A-Z.
long SqlStateCode(std::string_view sqlstate);

// The statement text as the server receives it. Outside quoted texts, quoted
// names, comments and dollar-quoted bodies: each '?' becomes $1, $2, ... in
// order, and LIKE becomes ILIKE, since the module's statements are written
// for a LIKE that ignores case (as SQLite's does). `count` receives the
// number of placeholders.
std::string ServerStatement(std::string_view sql, int& count);

}  // namespace hp::db
