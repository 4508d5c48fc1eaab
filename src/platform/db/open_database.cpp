#include "platform/db/connection.h"
#include "platform/db/postgres_connection.h"
#include "platform/db/sqlite_connection.h"

namespace hp::db {

std::unique_ptr<Connection> OpenDatabase(const std::string& path_or_url) {
  if (path_or_url.rfind("postgresql://", 0) == 0 || path_or_url.rfind("postgres://", 0) == 0)
    return OpenPostgres(path_or_url);
  return OpenSqlite(path_or_url);
}

}  // namespace hp::db
