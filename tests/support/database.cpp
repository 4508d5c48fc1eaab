#include "support/database.h"

#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <random>
#include <vector>

#include "platform/db/postgres_connection.h"
#include "platform/db/schema.h"
#include "platform/db/sqlite_connection.h"

namespace hp::testing {
namespace {

std::string PostgresBaseUrl() {
  const char* v = std::getenv("HP_TEST_POSTGRES");
  return v ? v : "";
}

// A schema name no other test (of this or a parallel program) uses.
std::string NewSchemaName() {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  char name[64];
  std::snprintf(name, sizeof name, "hpt_%08x_%d_%u", seed, static_cast<int>(getpid()), counter++);
  return name;
}

// The URL of the test server with `schema` as the connection's search path
// (libpq's "options" parameter, '=' written as %3D).
std::string WithSearchPath(const std::string& url, const std::string& schema) {
  return url + (url.find('?') == std::string::npos ? "?" : "&") + "options=-csearch_path%3D" + schema;
}

void DropSchema(db::Connection& con, const std::string& schema) {
  try {
    if (con.IsOpen() && con.InTransaction()) con.RollbackTrans();
    con.Execute("drop schema if exists " + schema + " cascade");
  } catch (const db::DbError&) {
    // The cluster is thrown away after the run; a schema left behind harms
    // no other test.
  }
}

// FreshDatabase on PostgreSQL. Creating the tables costs the server far more
// than emptying them, so the schemas "hpt_pool_<n>" are kept from test to
// test: a connection takes a free one with a session advisory lock (released
// when the connection ends), empties its tables and restarts its sequences.
// A schema whose catalog no longer matches what the schema file created (a
// test altered something, or the file changed) is made anew: its comment
// records the file and the catalog as they were when it was made.
constexpr const char* kPoolLockClass = "7504";  // first key of the pool's advisory locks
constexpr int kPoolSlots = 1000;

std::string SchemaFileHash() {
  const std::string& text = db::EmbeddedSql().at("schema_postgresql.sql");
  char hex[32];
  std::snprintf(hex, sizeof hex, "%zx", std::hash<std::string>{}(text));
  return hex;
}

// The schema's comment and a summary of its catalog rows (counts,
// identifiers, writing transactions): any object created, dropped or altered
// changes it, deleting rows does not. Both empty when there is no schema.
std::pair<std::string, std::string> CatalogState(db::Connection& con, const std::string& schema) {
  db::Recordset rs = con.Open(
      "with n as (select oid from pg_namespace where nspname = ?),"
      " r as (select c.oid, c.xmin from pg_class c join n on c.relnamespace = n.oid)"
      " select (select obj_description(oid, 'pg_namespace') from n), concat_ws(':',"
      "  (select count(*) || '.' || sum(oid::int8) || '.' || sum(xmin::text::int8) from r),"
      "  (select count(*) || '.' || sum(a.xmin::text::int8) from pg_attribute a join r on a.attrelid = r.oid"
      "   where a.attnum > 0),"
      "  (select count(*) || '.' || sum(d.oid::int8) from pg_attrdef d join r on d.adrelid = r.oid),"
      "  (select count(*) || '.' || sum(t.oid::int8) from pg_trigger t join r on t.tgrelid = r.oid),"
      "  (select count(*) || '.' || sum(k.oid::int8) || '.' || sum(k.xmin::text::int8)"
      "   from pg_constraint k join n on k.connamespace = n.oid),"
      "  (select count(*) || '.' || sum(p.oid::int8) || '.' || sum(p.xmin::text::int8)"
      "   from pg_proc p join n on p.pronamespace = n.oid))",
      {schema});
  return {db::AsText(rs.Field(0)), db::AsText(rs.Field(1))};
}

// Deletes every row of the schema's tables (those that refer to others
// first) and restarts its sequences, in one statement.
void EmptySchema(db::Connection& con, const std::string& schema) {
  const std::string in_schema = "n.nspname = '" + schema + "'";
  con.Execute(
      "do $$ declare t record; begin"
      " for t in select c.relname from pg_class c join pg_namespace n on n.oid = c.relnamespace"
      "  where " + in_schema + " and c.relkind = 'r'"
      "  order by (select count(*) from pg_constraint k where k.conrelid = c.oid and k.contype = 'f') desc, c.relname"
      " loop execute format('delete from %I.%I', '" + schema + "', t.relname); end loop;"
      " perform setval(c.oid, 1, false) from pg_class c join pg_namespace n on n.oid = c.relnamespace"
      "  where " + in_schema + " and c.relkind = 'S';"
      " end $$");
}

std::unique_ptr<db::Connection> PooledSchema(const std::string& base) {
  auto con = db::OpenPostgres(base);
  const std::string file = SchemaFileHash();
  for (int slot = 0; slot < kPoolSlots; ++slot) {
    db::Recordset lock = con->Open(std::string("select pg_try_advisory_lock(") + kPoolLockClass + ", cast(? as integer))",
                                   {static_cast<std::int64_t>(slot)});
    if (!db::AsBool(lock.Field(0))) continue;
    std::string schema = "hpt_pool_" + std::to_string(slot);
    con->Execute("set search_path to " + schema);
    auto [comment, catalog] = CatalogState(*con, schema);
    if (!comment.empty() && comment == file + ":" + catalog) {
      EmptySchema(*con, schema);
    } else {
      con->Execute("drop schema if exists " + schema + " cascade");
      con->Execute("create schema " + schema);
      db::CreateSchema(*con);
      // Hex digits, digits, '.' and ':' only: nothing to quote.
      con->Execute("comment on schema " + schema + " is '" + file + ":" + CatalogState(*con, schema).second + "'");
    }
    return con;
  }
  throw db::DbError("every pooled test schema is in use");
}

// The shared databases of TestDatabaseUrl, removed when the program ends.
class SharedDatabases {
 public:
  ~SharedDatabases() {
    std::string base = PostgresBaseUrl();
    if (!schemas_.empty() && !base.empty()) {
      try {
        auto con = db::OpenPostgres(base);
        for (const auto& s : schemas_) DropSchema(*con, s);
      } catch (const db::DbError&) {
      }
    }
    for (const auto& dir : folders_) {
      std::error_code ec;
      std::filesystem::remove_all(dir, ec);
    }
  }
  void AddSchema(std::string s) {
    std::lock_guard lock(mutex_);
    schemas_.push_back(std::move(s));
  }
  void AddFolder(std::string d) {
    std::lock_guard lock(mutex_);
    folders_.push_back(std::move(d));
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> schemas_;
  std::vector<std::string> folders_;
};

SharedDatabases& Shared() {
  static SharedDatabases shared;
  return shared;
}

}  // namespace

bool OnPostgres() { return !PostgresBaseUrl().empty(); }

std::unique_ptr<db::Connection> FreshDatabase() {
  std::string base = PostgresBaseUrl();
  if (!base.empty()) return PooledSchema(base);
  auto con = db::OpenSqlite(":memory:");
  db::CreateSchema(*con);
  return con;
}

std::string TestDatabaseUrl() {
  std::string base = PostgresBaseUrl();
  if (!base.empty()) {
    std::string schema = NewSchemaName();
    auto con = db::OpenPostgres(WithSearchPath(base, schema));
    con->Execute("create schema " + schema);
    Shared().AddSchema(schema);  // dropped at the end, also when half made
    db::CreateSchema(*con);
    return WithSearchPath(base, schema);
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "hp-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw db::DbError("cannot create a temporary folder for a test database");
  Shared().AddFolder(pattern);
  std::string path = pattern + "/hp.db";
  auto con = db::OpenSqlite(path);
  db::CreateSchema(*con);
  return path;
}

std::unique_ptr<db::Connection> OpenTestDatabase(const std::string& url) { return db::OpenDatabase(url); }

void FailWrites(db::Connection& con, const std::string& table, const std::string& event, const std::string& when) {
  const std::string name = "hp_fail_" + table;
  const std::string condition = when.empty() ? "" : " when (" + when + ")";
  if (con.backend() == db::Backend::SQLite) {
    con.Execute("create trigger " + name + " before " + event + " on " + table + condition +
                " begin select raise(abort, 'injected failure on " + table + "'); end");
  } else {
    con.Execute(
        "create or replace function hp_fail_write() returns trigger language plpgsql as "
        "$$ begin raise exception 'injected failure on %', TG_TABLE_NAME; end $$");
    con.Execute("create trigger " + name + " before " + event + " on " + table + " for each row" + condition +
                " execute function hp_fail_write()");
  }
}

void StopFailingWrites(db::Connection& con, const std::string& table) {
  const std::string name = "hp_fail_" + table;
  if (con.backend() == db::Backend::SQLite)
    con.Execute("drop trigger if exists " + name);
  else
    con.Execute("drop trigger if exists " + name + " on " + table);
}

}  // namespace hp::testing
