#include "support/faulty_connection.h"

namespace hp::testing {

void FaultyConnection::Arm(long nth) {
  fail_at_ = nth;
  fired_ = false;
  log_.clear();
}

long FaultyConnection::FirstCommit() const {
  for (size_t i = 0; i < log_.size(); ++i)
    if (log_[i].kind == Kind::kCommit) return static_cast<long>(i) + 1;
  return 0;
}

void FaultyConnection::Count(Kind kind, std::string_view sql) {
  log_.push_back({kind, std::string(sql)});
  if (fail_at_ > 0 && Counted() == fail_at_) {
    fired_ = true;
    throw db::DbError("injected failure");
  }
}

long FaultyConnection::Execute(std::string_view sql, const db::Params& params) {
  Count(Kind::kExecute, sql);
  return real_.Execute(sql, params);
}

db::Recordset FaultyConnection::Open(std::string_view sql, const db::Params& params) {
  Count(Kind::kOpen, sql);
  return real_.Open(sql, params);
}

long FaultyConnection::ForEachRow(std::string_view sql, const db::Params& params,
                                  const std::function<void(const db::RowView&)>& row) {
  Count(Kind::kForEachRow, sql);
  return real_.ForEachRow(sql, params, row);
}

void FaultyConnection::CommitTrans() {
  Count(Kind::kCommit, {});
  real_.CommitTrans();
}

}  // namespace hp::testing
