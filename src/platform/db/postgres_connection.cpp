#include "platform/db/postgres_connection.h"

#include <libpq-fe.h>
#include <strings.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/text/number_text.h"

namespace hp::db {
namespace {

// Type OIDs of the server's built-in types (pg_type.dat); fixed since forever.
constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kOidType = 26, kFloat4 = 700, kFloat8 = 701,
              kDate = 1082, kTimestamp = 1114, kNumeric = 1700;

// The advisory lock every module transaction takes: the interface number of
// the module, so that other applications sharing the database can stay clear
// of it or join it deliberately.
constexpr const char* kBeginWithLock = "BEGIN; SELECT pg_advisory_xact_lock(7503)";

// How many prepared statements one connection keeps before it starts afresh.
constexpr size_t kCacheLimit = 512;

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

Result Wrap(PGresult* r) { return Result(r, &PQclear); }

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || (c & 0x80); }
bool IsNameChar(char c) { return IsNameStart(c) || std::isdigit(static_cast<unsigned char>(c)); }

// The length of the dollar-quote tag starting at sql[i] ("$$" -> 2,
// "$body$" -> 6), or 0 when sql[i] does not open one ("$1", a lone '$').
size_t DollarTag(std::string_view sql, size_t i) {
  size_t j = i + 1;
  if (j < sql.size() && sql[j] == '$') return 2;
  if (j >= sql.size() || !IsNameStart(sql[j])) return 0;
  while (j < sql.size() && IsNameChar(sql[j]) && sql[j] != '$') ++j;
  return j < sql.size() && sql[j] == '$' ? j + 1 - i : 0;
}

std::string DoubleText(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, d);  // shortest text that reads back exactly
  return std::string(buf, res.ptr);
}

// Statements the server can prepare once and run many times; anything else
// (schema statements, SET, ...) runs unprepared.
bool Preparable(std::string_view sql) {
  size_t i = 0;
  while (i < sql.size() && (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '(')) ++i;
  size_t j = i;
  while (j < sql.size() && std::isalpha(static_cast<unsigned char>(sql[j]))) ++j;
  std::string word(sql.substr(i, j - i));
  for (auto& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word == "select" || word == "insert" || word == "update" || word == "delete" || word == "with" ||
         word == "values";
}

std::string Trimmed(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  return s;
}

// The URL with any password replaced, for messages that may be logged.
std::string Redacted(const std::string& url) {
  size_t scheme = url.find("://");
  if (scheme == std::string::npos) return url;
  size_t start = scheme + 3;
  size_t at = url.find('@', start);
  size_t slash = url.find('/', start);
  if (at == std::string::npos || (slash != std::string::npos && slash < at)) return url;
  size_t colon = url.find(':', start);
  if (colon == std::string::npos || colon > at) return url;
  return url.substr(0, colon + 1) + "***" + url.substr(at);
}

Value CellValue(const PGresult* r, int row, int col) {
  if (PQgetisnull(r, row, col)) return std::monostate{};
  const char* p = PQgetvalue(r, row, col);
  const char* end = p + PQgetlength(r, row, col);
  switch (PQftype(r, col)) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOidType: {
      std::int64_t v = 0;
      auto res = std::from_chars(p, end, v);
      if (res.ec == std::errc() && res.ptr == end) return v;
      break;
    }
    case kBool:
      return static_cast<std::int64_t>(*p == 't' ? 1 : 0);
    case kFloat4:
    case kFloat8:
    case kNumeric: {
      double v = 0;
      auto res = std::from_chars(p, end, v);
      if (res.ec == std::errc() && res.ptr == end) return v;
      break;
    }
    case kTimestamp:  // "yyyy-mm-dd hh:mm:ss[.ffffff]": whole seconds, as the module writes them
      return std::string(p, std::min<size_t>(static_cast<size_t>(end - p), 19));
    default:
      break;
  }
  return std::string(p, end);
}

class PgRow : public RowView {
 public:
  explicit PgRow(const PGresult* r) : r_(r) {}
  void At(int row) { row_ = row; }
  int FieldCount() const override { return PQnfields(r_); }
  Value Field(int i) const override {
    if (i < 0 || i >= PQnfields(r_)) throw DbError("no field number " + std::to_string(i));
    return CellValue(r_, row_, i);
  }
  std::string Text(int i) const override {
    if (i < 0 || i >= PQnfields(r_)) throw DbError("no field number " + std::to_string(i));
    if (PQgetisnull(r_, row_, i)) return {};
    switch (PQftype(r_, i)) {
      case kFloat4:
      case kFloat8:
      case kNumeric:
      case kBool:
      case kTimestamp:
        return AsText(CellValue(r_, row_, i));
      default:
        return std::string(PQgetvalue(r_, row_, i), static_cast<size_t>(PQgetlength(r_, row_, i)));
    }
  }

 private:
  const PGresult* r_;
  int row_ = 0;
};

class PostgresConnection : public Connection {
 public:
  explicit PostgresConnection(const std::string& url) {
    // The URL goes in as "dbname" so that libpq reads it as a whole
    // connection string; texts travel as UTF-8 whatever it says; the
    // application name shows in pg_stat_activity.
    const char* keys[] = {"dbname", "client_encoding", "fallback_application_name", nullptr};
    const char* values[] = {url.c_str(), "UTF8", "hp", nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (!conn_) throw DbError("cannot open database " + Redacted(url) + ": out of memory");
    if (PQstatus(conn_) != CONNECTION_OK) {
      std::string msg = "cannot open database " + Redacted(url) + ": " + Trimmed(PQerrorMessage(conn_));
      PQfinish(conn_);
      conn_ = nullptr;
      throw DbError(msg, SqlStateCode("08001"));
    }
    // Notices ("relation already exists, skipping") are not errors and must
    // not reach the terminal.
    PQsetNoticeProcessor(conn_, [](void*, const char*) {}, nullptr);
    // ISO dates whatever the server's defaults; shortest exact float text; a
    // bounded wait for locks, as the embedded backend's busy wait.
    try {
      RunPlain("SET DateStyle TO ISO, YMD; SET extra_float_digits TO 3; SET lock_timeout TO '10s'");
    } catch (...) {
      PQfinish(conn_);
      conn_ = nullptr;
      throw;
    }
  }

  ~PostgresConnection() override {
    if (conn_) {
      if (InTransaction()) PQclear(PQexec(conn_, "ROLLBACK"));
      PQfinish(conn_);
    }
  }

  Backend backend() const override { return Backend::PostgreSQL; }

  long Execute(std::string_view sql, const Params& params) override {
    Result r = Run(sql, params);
    const char* n = PQcmdTuples(r.get());
    return n && *n ? std::strtol(n, nullptr, 10) : 0;
  }

  Recordset Open(std::string_view sql, const Params& params) override {
    Result r = Run(sql, params);
    int rows = PQntuples(r.get()), cols = PQnfields(r.get());
    std::vector<std::string> columns;
    columns.reserve(static_cast<size_t>(cols));
    for (int c = 0; c < cols; ++c) columns.emplace_back(PQfname(r.get(), c));
    std::vector<Value> cells;
    cells.reserve(static_cast<size_t>(rows) * static_cast<size_t>(cols));
    for (int i = 0; i < rows; ++i)
      for (int c = 0; c < cols; ++c) cells.push_back(CellValue(r.get(), i, c));
    return Recordset(std::move(columns), std::move(cells));
  }

  // The rows are fetched in one piece before the first callback, so that the
  // callback may run statements of its own on this connection.
  long ForEachRow(std::string_view sql, const Params& params,
                  const std::function<void(const RowView&)>& fn) override {
    Result r = Run(sql, params);
    PgRow row(r.get());
    int rows = PQntuples(r.get());
    for (int i = 0; i < rows; ++i) {
      row.At(i);
      fn(row);
    }
    return rows;
  }

  void BeginTrans() override {
    if (InTransaction()) throw DbError("a transaction is already open on this connection");
    Result r = Wrap(PQexec(conn_, kBeginWithLock));
    if (!r || PQresultStatus(r.get()) != PGRES_TUPLES_OK) {
      // The lock was not had (timeout, lost connection): leave no
      // transaction open behind the error.
      if (PQtransactionStatus(conn_) != PQTRANS_IDLE) PQclear(PQexec(conn_, "ROLLBACK"));
      Fail(r.get(), "cannot begin a transaction");
    }
  }

  void CommitTrans() override {
    if (!InTransaction()) throw DbError("commit without an open transaction");
    if (PQtransactionStatus(conn_) == PQTRANS_INERROR) {
      // The server would answer COMMIT with a silent rollback; say so.
      PQclear(PQexec(conn_, "ROLLBACK"));
      throw DbError("the transaction was rolled back: a statement in it had failed, nothing of it was stored",
                    SqlStateCode("25P02"));
    }
    RunPlain("COMMIT");
  }

  void RollbackTrans() override {
    if (InTransaction()) RunPlain("ROLLBACK");
  }

  bool InTransaction() const override {
    if (!conn_) return false;
    auto s = PQtransactionStatus(conn_);
    return s == PQTRANS_INTRANS || s == PQTRANS_INERROR || s == PQTRANS_ACTIVE;
  }

  bool IsOpen() const override { return conn_ && PQstatus(conn_) == CONNECTION_OK; }

 private:
  // A statement as sent to the server, and the name it is prepared under
  // (empty until its second use).
  struct Statement {
    std::string text;
    std::string name;
    bool preparable = false;
  };

  // Runs one statement with its values. Each text (with the kinds of its
  // values) is translated once; it is prepared on the server from its second
  // use on, except statements that cannot be prepared.
  Result Run(std::string_view sql, const Params& params) {
    if (!conn_) throw DbError("the database connection is closed");
    const int n = static_cast<int>(params.size());
    std::vector<std::string> texts(params.size());
    std::vector<const char*> values(params.size(), nullptr);
    std::vector<Oid> types(params.size(), 0);
    std::string key;
    key.reserve(sql.size() + params.size() + 1);
    key.append(sql);
    key.push_back('\0');
    for (size_t i = 0; i < params.size(); ++i) {
      const Value& v = params[i];
      if (auto* iv = std::get_if<std::int64_t>(&v)) {
        // int4 when it fits, so that the value can go where the server wants
        // an integer (substr(x, 1, ?), date + ?); int8 compares and mixes
        // with it anyway.
        bool small = *iv >= std::numeric_limits<std::int32_t>::min() && *iv <= std::numeric_limits<std::int32_t>::max();
        texts[i] = std::to_string(*iv);
        values[i] = texts[i].c_str();
        types[i] = small ? kInt4 : kInt8;
        key.push_back(small ? 'i' : 'I');
      } else if (auto* d = std::get_if<double>(&v)) {
        texts[i] = DoubleText(*d);
        values[i] = texts[i].c_str();
        types[i] = kFloat8;
        key.push_back('d');
      } else if (auto* s = std::get_if<std::string>(&v)) {
        if (s->find('\0') != std::string::npos)
          throw DbError(Describe(sql) + ": value " + std::to_string(i + 1) +
                        " holds a NUL character, which the database cannot store");
        values[i] = s->c_str();  // type left to the server
        key.push_back('s');
      } else {
        key.push_back('n');
      }
    }

    auto it = cache_.find(key);
    if (it == cache_.end()) {
      int count = 0;
      std::string text = ServerStatement(sql, count);
      if (count != n)
        throw DbError(Describe(sql) + ": the statement has " + std::to_string(count) + " placeholders but " +
                      std::to_string(n) + " values were given");
      if (cache_.size() >= kCacheLimit && PQtransactionStatus(conn_) == PQTRANS_IDLE) {
        if (next_name_ > 0) RunPlain("DEALLOCATE ALL");
        cache_.clear();
      }
      bool preparable = Preparable(text);
      it = cache_.emplace(std::move(key), Statement{std::move(text), {}, preparable}).first;
    } else if (it->second.preparable && it->second.name.empty()) {
      // The second use: from now on the server keeps the plan. (A statement
      // used once goes in one round trip, unprepared.)
      std::string name = "hp" + std::to_string(++next_name_);
      Result p = Wrap(PQprepare(conn_, name.c_str(), it->second.text.c_str(), n, types.data()));
      Check(p.get(), sql);
      it->second.name = std::move(name);
    }
    Statement& st = it->second;
    Result r = st.name.empty()
                   ? Wrap(PQexecParams(conn_, st.text.c_str(), n, types.data(), values.data(), nullptr, nullptr, 0))
                   : Wrap(PQexecPrepared(conn_, st.name.c_str(), n, values.data(), nullptr, nullptr, 0));
    if (!st.name.empty() && Failed(r.get()) && PQtransactionStatus(conn_) == PQTRANS_IDLE && Stale(r.get())) {
      // The prepared statement was dropped or its tables were changed under
      // it: prepare it again, once.
      PQclear(PQexec(conn_, ("DEALLOCATE " + st.name).c_str()));
      Result p = Wrap(PQprepare(conn_, st.name.c_str(), st.text.c_str(), n, types.data()));
      if (Failed(p.get())) {
        cache_.erase(it);
        Check(p.get(), sql);
      }
      r = Wrap(PQexecPrepared(conn_, st.name.c_str(), n, values.data(), nullptr, nullptr, 0));
    }
    Check(r.get(), sql);
    return r;
  }

  static bool Failed(const PGresult* r) {
    if (!r) return true;
    auto s = PQresultStatus(r);
    return s != PGRES_COMMAND_OK && s != PGRES_TUPLES_OK;
  }

  static bool Stale(const PGresult* r) {
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    if (!state) return false;
    // 26000: no such prepared statement; 0A000 "cached plan must not change
    // result type" after a table was altered.
    return std::strcmp(state, "26000") == 0 ||
           (std::strcmp(state, "0A000") == 0 &&
            std::strstr(PQresultErrorMessage(r), "cached plan") != nullptr);
  }

  void Check(const PGresult* r, std::string_view sql) {
    if (Failed(r)) Fail(r, Describe(sql));
  }

  void RunPlain(const char* sql) {
    Result r = Wrap(PQexec(conn_, sql));
    if (Failed(r.get())) Fail(r.get(), sql);
  }

  [[noreturn]] void Fail(const PGresult* r, std::string_view what) {
    const char* state = r ? PQresultErrorField(r, PG_DIAG_SQLSTATE) : nullptr;
    std::string detail = r ? Trimmed(PQresultErrorMessage(r)) : std::string();
    if (detail.empty()) detail = conn_ ? Trimmed(PQerrorMessage(conn_)) : "the connection is closed";
    std::string sqlstate = state ? state : (IsOpen() ? "" : "08006");
    bool unique = sqlstate == "23505";
    bool busy = sqlstate == "40001" || sqlstate == "40P01" || sqlstate == "55P03";
    std::string msg = std::string(what) + ": " + detail;
    if (busy)
      msg = std::string(what) +
            ": the database could not run this transaction alongside another user's (" + detail +
            "); nothing of it was stored, try again";
    throw DbError(msg, SqlStateCode(sqlstate), unique, busy);
  }

  static std::string Describe(std::string_view sql) {
    constexpr size_t kShown = 160;
    std::string s(sql.substr(0, kShown));
    if (sql.size() > kShown) s += "...";
    return "statement failed [" + s + "]";
  }

  PGconn* conn_ = nullptr;
  std::unordered_map<std::string, Statement> cache_;
  long next_name_ = 0;
};

}  // namespace

long SqlStateCode(std::string_view sqlstate) {
  if (sqlstate.size() != 5) return 0;
  long code = 0;
  for (size_t i = 0; i < 5; ++i) {
    char c = sqlstate[i];
    if (!std::isdigit(static_cast<unsigned char>(c)) && !(c >= 'A' && c <= 'Z')) return 0;
    code |= static_cast<long>((c - '0') & 0x3F) << (6 * i);
  }
  return code;
}

std::string ServerStatement(std::string_view sql, int& count) {
  std::string out;
  out.reserve(sql.size() + 16);
  count = 0;
  size_t i = 0;
  const size_t n = sql.size();
  while (i < n) {
    char c = sql[i];
    if (c == '?') {
      out += '$';
      out += std::to_string(++count);
      ++i;
    } else if (c == '\'') {
      // A quoted text; E'...' also takes backslash escapes.
      bool escapes = i > 0 && (sql[i - 1] == 'E' || sql[i - 1] == 'e') && (i < 2 || !IsNameChar(sql[i - 2]));
      size_t j = i + 1;
      while (j < n) {
        if (escapes && sql[j] == '\\' && j + 1 < n) {
          j += 2;
        } else if (sql[j] == '\'') {
          if (j + 1 < n && sql[j + 1] == '\'') j += 2;
          else break;
        } else {
          ++j;
        }
      }
      j = std::min(j + 1, n);
      out.append(sql.substr(i, j - i));
      i = j;
    } else if (c == '"') {
      // A quoted name; "" stands for one quote inside it.
      size_t j = i + 1;
      while (j < n) {
        if (sql[j] != '"') ++j;
        else if (j + 1 < n && sql[j + 1] == '"') j += 2;
        else break;
      }
      j = std::min(j + 1, n);
      out.append(sql.substr(i, j - i));
      i = j;
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      size_t j = sql.find('\n', i);
      j = j == std::string_view::npos ? n : j;
      out.append(sql.substr(i, j - i));
      i = j;
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      int depth = 0;
      size_t j = i;
      while (j < n) {
        if (sql[j] == '/' && j + 1 < n && sql[j + 1] == '*') {
          ++depth;
          j += 2;
        } else if (sql[j] == '*' && j + 1 < n && sql[j + 1] == '/') {
          j += 2;
          if (--depth == 0) break;
        } else {
          ++j;
        }
      }
      out.append(sql.substr(i, j - i));
      i = j;
    } else if (c == '$' && (i == 0 || !IsNameChar(sql[i - 1])) && DollarTag(sql, i) > 0) {
      size_t len = DollarTag(sql, i);
      std::string_view tag = sql.substr(i, len);
      size_t close = sql.find(tag, i + len);
      size_t j = close == std::string_view::npos ? n : close + len;
      out.append(sql.substr(i, j - i));
      i = j;
    } else if (IsNameStart(c) && (i == 0 || !IsNameChar(sql[i - 1]))) {
      size_t j = i;
      while (j < n && IsNameChar(sql[j])) ++j;
      std::string_view word = sql.substr(i, j - i);
      if (word.size() == 4 && strncasecmp(word.data(), "like", 4) == 0 && (i == 0 || sql[i - 1] != '.'))
        out += "ilike";  // the module's LIKE ignores case, as on SQLite
      else
        out.append(word);
      i = j;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

std::unique_ptr<Connection> OpenPostgres(const std::string& url) {
  return std::make_unique<PostgresConnection>(url);
}

}  // namespace hp::db
