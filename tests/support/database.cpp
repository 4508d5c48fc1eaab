#include "support/database.h"

#include "platform/db/schema.h"
#include "platform/db/sqlite_connection.h"

namespace hp::testing {

std::unique_ptr<db::Connection> FreshDatabase() {
  auto con = db::OpenSqlite(":memory:");
  db::CreateSchema(*con);
  return con;
}

}  // namespace hp::testing
