#include "shell/error_details.h"

#include <spdlog/spdlog.h>

#include "platform/text/date_text.h"

namespace hp::shell {

bool ErrorDetails::ErrorTrack(const std::string& screen, const std::string& user_name, const std::string& routine,
                              long number, const std::string& source, const std::string& description,
                              const std::string& context, bool) noexcept {
  try {
    spdlog::error("{} {} user={} error={} source={} context={}: {}", screen, routine, user_name, number, source,
                  context, description);
  } catch (...) {
  }
  if (!con_ || !con_->IsOpen()) return false;
  try {
    con_->Execute(
        "insert into hpErrorLog (LoggedAt, ScreenName, UserName, RoutineName, ErrorNumber, ErrorSource, "
        "Description, Context) values (?,?,?,?,?,?,?,?)",
        {text::IsoDateTime(text::Now()), screen, user_name, routine, static_cast<std::int64_t>(number), source,
         description, context});
    return true;
  } catch (...) {
    try {
      spdlog::error("the error above could not be stored in the error log table");
    } catch (...) {
    }
    return false;
  }
}

}  // namespace hp::shell
