// Fresh databases for tests, on SQLite or on PostgreSQL.
//
// Every test program runs twice: as it is, on SQLite, and with the
// environment variable HP_TEST_POSTGRES set to the URL of a throw-away
// PostgreSQL database (tests/pg/with-postgres.sh starts one). These helpers
// give the test the backend of its run; a test written against them needs no
// change to run on both.
#pragma once

#include <memory>
#include <string>

#include "platform/db/connection.h"

namespace hp::testing {

// True when this run of the tests is on PostgreSQL (HP_TEST_POSTGRES set).
bool OnPostgres();

// A private database holding the module's schema and nothing else:
// SQLite in memory, or on PostgreSQL a schema of its own (random name, on the
// connection's search path) that is dropped when the connection is destroyed.
std::unique_ptr<db::Connection> FreshDatabase();

// For tests that need several connections to ONE database (concurrency):
// creates a new database holding the module's schema and returns where it is
// (on SQLite the path of a file in a temporary folder, on PostgreSQL a URL
// whose search path names a schema of its own). It is removed when the test
// program ends. Each call gives a new, empty database.
std::string TestDatabaseUrl();

// One more connection to the database named by TestDatabaseUrl(); each
// connection belongs to one thread at a time.
std::unique_ptr<db::Connection> OpenTestDatabase(const std::string& url);

// Makes the writes `event` names on `table` fail with a DbError from now on,
// on either backend, to test what a save does when a statement fails half-way
// (a full disk, a broken store). `event` is "insert", "update", "delete" or
// "update of <column>"; `when`, if given, limits the failure to rows matching
// a condition on NEW (OLD for delete): "NEW.hpddetailID=12". One failure per
// table at a time; StopFailingWrites(con, table) ends it.
void FailWrites(db::Connection& con, const std::string& table, const std::string& event,
                const std::string& when = "");
void StopFailingWrites(db::Connection& con, const std::string& table);

}  // namespace hp::testing
