#include "platform/db/sqlite_connection.h"

#include <sqlite3.h>

#include <strings.h>

#include <cctype>
#include <string_view>
#include <unordered_map>

#include "platform/text/number_text.h"

namespace hp::db {
namespace {

[[noreturn]] void Fail(sqlite3* db, int rc, std::string_view what) {
  int ext = db ? sqlite3_extended_errcode(db) : rc;
  std::string msg = std::string(what) + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
  bool unique = ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY;
  bool busy = (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
  throw DbError(msg, ext, unique, busy);
}

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The statements call isnull(value, replacement) as the accounting system's
// server writes it; SQLite reads ISNULL as its own postfix operator, so the
// call is given SQLite's name for the same function, ifnull. Quoted texts are
// left alone.
std::string ToSqliteDialect(std::string_view sql) {
  std::string out(sql);
  char quote = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    char c = out[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '\'' || c == '"') {
      quote = c;
      continue;
    }
    if ((i > 0 && IsWordChar(out[i - 1])) || out.size() - i < 6 || strncasecmp(out.c_str() + i, "isnull", 6) != 0)
      continue;
    size_t j = i + 6;
    if (j < out.size() && IsWordChar(out[j])) continue;
    while (j < out.size() && std::isspace(static_cast<unsigned char>(out[j]))) ++j;
    if (j < out.size() && out[j] == '(') out.replace(i, 6, "ifnull");
  }
  return out;
}

class SqliteRow : public RowView {
 public:
  explicit SqliteRow(sqlite3_stmt* st) : st_(st) {}
  int FieldCount() const override { return sqlite3_column_count(st_); }
  Value Field(int i) const override {
    switch (sqlite3_column_type(st_, i)) {
      case SQLITE_INTEGER: return static_cast<std::int64_t>(sqlite3_column_int64(st_, i));
      case SQLITE_FLOAT: return sqlite3_column_double(st_, i);
      case SQLITE_NULL: return std::monostate{};
      default: {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st_, i));
        return std::string(p, static_cast<size_t>(sqlite3_column_bytes(st_, i)));
      }
    }
  }
  std::string Text(int i) const override {
    switch (sqlite3_column_type(st_, i)) {
      case SQLITE_NULL: return {};
      case SQLITE_INTEGER: return std::to_string(sqlite3_column_int64(st_, i));
      case SQLITE_FLOAT: return text::PlainNumber(sqlite3_column_double(st_, i));
      default: {
        auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st_, i));
        return std::string(p, static_cast<size_t>(sqlite3_column_bytes(st_, i)));
      }
    }
  }

 private:
  sqlite3_stmt* st_;
};

class SqliteConnection : public Connection {
 public:
  explicit SqliteConnection(const std::string& path) {
    int rc = sqlite3_open_v2(path.c_str(), &db_,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
      std::string msg = "cannot open database " + path;
      sqlite3* db = db_;
      db_ = nullptr;
      try {
        Fail(db, rc, msg);
      } catch (...) {
        sqlite3_close(db);
        throw;
      }
    }
    sqlite3_busy_timeout(db_, 10000);
    // A file that is not a database opens but fails its first statement; the
    // destructor does not run for a constructor that throws, so the handle is
    // closed here.
    try {
      RunPlain("PRAGMA foreign_keys=ON");
      if (path != ":memory:") {
        RunPlain("PRAGMA journal_mode=WAL");
        RunPlain("PRAGMA synchronous=FULL");
      }
    } catch (...) {
      sqlite3_close(db_);
      db_ = nullptr;
      throw;
    }
  }

  ~SqliteConnection() override {
    for (auto& [sql, st] : cache_) sqlite3_finalize(st);
    if (db_ && !sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
  }

  Backend backend() const override { return Backend::SQLite; }

  long Execute(std::string_view sql, const Params& params) override {
    Statement st(*this, sql, params);
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) Fail(db_, rc, Describe(sql));
    return sqlite3_changes(db_);
  }

  Recordset Open(std::string_view sql, const Params& params) override {
    Statement st(*this, sql, params);
    std::vector<std::string> columns;
    int n = sqlite3_column_count(st.get());
    for (int i = 0; i < n; ++i) columns.emplace_back(sqlite3_column_name(st.get(), i));
    std::vector<Value> cells;
    SqliteRow row(st.get());
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
      for (int i = 0; i < n; ++i) cells.push_back(row.Field(i));
    }
    if (rc != SQLITE_DONE) Fail(db_, rc, Describe(sql));
    return Recordset(std::move(columns), std::move(cells));
  }

  long ForEachRow(std::string_view sql, const Params& params,
                  const std::function<void(const RowView&)>& fn) override {
    Statement st(*this, sql, params);
    SqliteRow row(st.get());
    long count = 0;
    int rc;
    while ((rc = sqlite3_step(st.get())) == SQLITE_ROW) {
      fn(row);
      ++count;
    }
    if (rc != SQLITE_DONE) Fail(db_, rc, Describe(sql));
    return count;
  }

  void BeginTrans() override {
    if (InTransaction()) throw DbError("a transaction is already open on this connection");
    RunPlain("BEGIN IMMEDIATE");
  }
  void CommitTrans() override {
    if (!InTransaction()) throw DbError("commit without an open transaction");
    RunPlain("COMMIT");
  }
  void RollbackTrans() override {
    if (InTransaction()) RunPlain("ROLLBACK");
  }
  bool InTransaction() const override { return db_ && !sqlite3_get_autocommit(db_); }
  bool IsOpen() const override { return db_ != nullptr; }

 private:
  // A prepared statement from the cache, bound and reset for one use.
  class Statement {
   public:
    Statement(SqliteConnection& con, std::string_view sql, const Params& params) : con_(con) {
      st_ = con.Prepare(sql);
      for (size_t i = 0; i < params.size(); ++i) Bind(static_cast<int>(i) + 1, params[i], sql);
    }
    ~Statement() {
      sqlite3_reset(st_);
      sqlite3_clear_bindings(st_);
    }
    sqlite3_stmt* get() const { return st_; }

   private:
    void Bind(int i, const Value& v, std::string_view sql) {
      int rc;
      if (auto* n = std::get_if<std::int64_t>(&v)) rc = sqlite3_bind_int64(st_, i, *n);
      else if (auto* d = std::get_if<double>(&v)) rc = sqlite3_bind_double(st_, i, *d);
      else if (auto* s = std::get_if<std::string>(&v))
        rc = sqlite3_bind_text(st_, i, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
      else rc = sqlite3_bind_null(st_, i);
      if (rc != SQLITE_OK) Fail(con_.db_, rc, con_.Describe(sql));
    }
    SqliteConnection& con_;
    sqlite3_stmt* st_;
  };

  sqlite3_stmt* Prepare(std::string_view sql) {
    std::string key(sql);
    if (auto it = cache_.find(key); it != cache_.end()) return it->second;
    sqlite3_stmt* st = nullptr;
    const std::string text = ToSqliteDialect(sql);
    int rc = sqlite3_prepare_v2(db_, text.c_str(), static_cast<int>(text.size()), &st, nullptr);
    if (rc != SQLITE_OK) Fail(db_, rc, Describe(sql));
    if (!st) throw DbError("empty statement");
    if (cache_.size() > 512) {
      for (auto& [s, old] : cache_) sqlite3_finalize(old);
      cache_.clear();
    }
    cache_.emplace(std::move(key), st);
    return st;
  }

  void RunPlain(const char* sql) {
    char* err = nullptr;
    int rc = sqlite3_exec(db_, sql, nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
      sqlite3_free(err);
      Fail(db_, rc, sql);
    }
  }

  static std::string Describe(std::string_view sql) {
    constexpr size_t kShown = 160;
    std::string s(sql.substr(0, kShown));
    if (sql.size() > kShown) s += "...";
    return "statement failed [" + s + "]";
  }

  sqlite3* db_ = nullptr;
  std::unordered_map<std::string, sqlite3_stmt*> cache_;
};

}  // namespace

std::unique_ptr<Connection> OpenSqlite(const std::string& path) {
  return std::make_unique<SqliteConnection>(path);
}

}  // namespace hp::db
