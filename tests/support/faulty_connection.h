// A connection that fails on purpose: it forwards every call to a real one
// (which must outlive it) and, once armed, makes the Nth counted statement
// throw db::DbError("injected failure") instead of running it, once.
// Counted are Execute, Open, ForEachRow and CommitTrans; BeginTrans and
// RollbackTrans never fail, so a failing save can always clean up. A failed
// CommitTrans commits nothing and leaves the transaction open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/db/connection.h"

namespace hp::testing {

class FaultyConnection : public db::Connection {
 public:
  // The kinds of statement it counts, in the order they ran.
  enum class Kind { kExecute, kOpen, kForEachRow, kCommit };
  struct Statement {
    Kind kind;
    std::string sql;  // empty for a commit
  };

  explicit FaultyConnection(db::Connection& real) : real_(real) {}

  // Counts from zero; the `nth` statement from now (1-based) fails, none for 0.
  void Arm(long nth);
  void Disarm() { fail_at_ = 0; }  // counting goes on

  // Statements counted since the last Arm, the failed one included.
  long Counted() const { return static_cast<long>(log_.size()); }
  const std::vector<Statement>& Log() const { return log_; }
  // Position (1-based) of the first commit counted since Arm; 0 when none.
  long FirstCommit() const;
  // True once the armed failure has been thrown.
  bool Fired() const { return fired_; }

  db::Connection& real() { return real_; }

  db::Backend backend() const override { return real_.backend(); }
  long Execute(std::string_view sql, const db::Params& params = {}) override;
  db::Recordset Open(std::string_view sql, const db::Params& params = {}) override;
  long ForEachRow(std::string_view sql, const db::Params& params,
                  const std::function<void(const db::RowView&)>& row) override;
  void BeginTrans() override { real_.BeginTrans(); }
  void CommitTrans() override;
  void RollbackTrans() override { real_.RollbackTrans(); }
  bool InTransaction() const override { return real_.InTransaction(); }
  bool IsOpen() const override { return real_.IsOpen(); }

 private:
  void Count(Kind kind, std::string_view sql);

  db::Connection& real_;
  long fail_at_ = 0;
  bool fired_ = false;
  std::vector<Statement> log_;
};

}  // namespace hp::testing
