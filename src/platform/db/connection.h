// The database connection every screen works through. Statements are SQL text
// with '?' placeholders; every value travels as a bound parameter, never as
// part of the text. One connection belongs to one user's session and is used
// from one thread at a time.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/db/db_error.h"
#include "platform/db/recordset.h"
#include "platform/db/value.h"

namespace hp::db {

enum class Backend { SQLite, PostgreSQL };

// One row handed to ForEachRow: valid only during the callback.
class RowView {
 public:
  virtual ~RowView() = default;
  virtual int FieldCount() const = 0;
  virtual Value Field(int index) const = 0;
  // The field as text, without building a Value (null -> "").
  virtual std::string Text(int index) const = 0;
};

class Connection {
 public:
  virtual ~Connection() = default;

  virtual Backend backend() const = 0;

  // Runs a statement that returns no rows; returns the number of rows changed.
  // Throws DbError on failure.
  virtual long Execute(std::string_view sql, const Params& params = {}) = 0;

  // Runs a query and reads all its rows. Throws DbError on failure.
  virtual Recordset Open(std::string_view sql, const Params& params = {}) = 0;

  // Runs a query and hands each row to `row` in turn without keeping them;
  // for long lists. Returns the number of rows. Throws DbError on failure.
  virtual long ForEachRow(std::string_view sql, const Params& params,
                          const std::function<void(const RowView&)>& row) = 0;

  // A transaction takes the database's write lock when it begins (SQLite
  // BEGIN IMMEDIATE), so that keys drawn inside it cannot be drawn by another
  // connection until it ends. Nesting is not supported: BeginTrans inside an
  // open transaction throws DbError.
  virtual void BeginTrans() = 0;
  virtual void CommitTrans() = 0;
  virtual void RollbackTrans() = 0;
  virtual bool InTransaction() const = 0;
  virtual bool IsOpen() const = 0;
};

// Opens "postgresql://..." URLs on PostgreSQL and anything else as an SQLite
// file (created when missing). Throws DbError when the database cannot be
// opened.
std::unique_ptr<Connection> OpenDatabase(const std::string& path_or_url);

// Commits on Commit(); rolls back when it goes out of scope uncommitted, so a
// failure anywhere between begin and commit leaves nothing behind.
class Transaction {
 public:
  explicit Transaction(Connection& con) : con_(con) { con_.BeginTrans(); }
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  ~Transaction();
  void Commit();

 private:
  Connection& con_;
  bool done_ = false;
};

}  // namespace hp::db
