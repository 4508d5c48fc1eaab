// Creates the module's tables, indexes and views on an empty database (and
// leaves an existing one as it is).
#pragma once

#include <map>
#include <string>

#include "platform/db/connection.h"

namespace hp::db {

// The db/*.sql files, compiled into the program, by file name.
const std::map<std::string, std::string>& EmbeddedSql();

// Runs the schema file of the connection's backend in one transaction.
// Throws DbError on failure (nothing is created then).
void CreateSchema(Connection& con);

}  // namespace hp::db
