// Error logging: every trapped error of every window ends here, in the
// error table and in the log file. Never raises.
#pragma once

#include <string>

#include "platform/db/connection.h"

namespace hp::shell {

class ErrorDetails {
 public:
  explicit ErrorDetails(db::Connection* con) : con_(con) {}

  // Records the error; returns false when it could not be stored in the
  // database (it is still written to the log).
  bool ErrorTrack(const std::string& screen, const std::string& user_name, const std::string& routine,
                  long number, const std::string& source, const std::string& description,
                  const std::string& context, bool flag) noexcept;

 private:
  db::Connection* con_;
};

}  // namespace hp::shell
