// The one exception of the data layer.
#pragma once

#include <stdexcept>
#include <string>

namespace hp::db {

// Thrown by every data-layer call that fails: the statement did not prepare or
// run, a constraint was violated, the connection is gone, or a field was asked
// for that the row does not have. `code()` is the backend's own error number
// (SQLite's extended result code; on PostgreSQL a number formed from the
// SQLSTATE), `unique_violation()` tells a duplicate key apart, and
// `busy()` a lock that could not be had in time.
class DbError : public std::runtime_error {
 public:
  DbError(const std::string& message, long code = 0, bool unique_violation = false, bool busy = false)
      : std::runtime_error(message), code_(code), unique_(unique_violation), busy_(busy) {}
  long code() const { return code_; }
  bool unique_violation() const { return unique_; }
  bool busy() const { return busy_; }

 private:
  long code_;
  bool unique_;
  bool busy_;
};

}  // namespace hp::db
