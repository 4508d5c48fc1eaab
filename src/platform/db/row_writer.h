// Adds rows to one table: AddNew, set columns by name, Update. Columns are set
// in the order the caller gives them and written with one bound INSERT per
// row. Nothing reaches the database before Update.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/db/connection.h"

namespace hp::db {

class RowWriter {
 public:
  RowWriter(Connection& con, std::string table);

  void AddNew();
  void Set(const std::string& column, Value value);
  // Inserts the row. Throws DbError on failure (the row is then dropped).
  void Update();

 private:
  Connection& con_;
  std::string table_;
  std::vector<std::pair<std::string, Value>> row_;
  bool adding_ = false;
};

}  // namespace hp::db
