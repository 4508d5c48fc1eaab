// A fresh database for each test: the module's schema on a private SQLite
// database (in memory), ready for records built with the helpers of
// records.h.
#pragma once

#include <memory>

#include "platform/db/connection.h"

namespace hp::testing {

std::unique_ptr<db::Connection> FreshDatabase();

}  // namespace hp::testing
