#include "platform/db/recordset.h"

#include <strings.h>

#include "platform/db/db_error.h"

namespace hp::db {

Recordset::Recordset(std::vector<std::string> columns, std::vector<Value> cells)
    : columns_(std::move(columns)), cells_(std::move(cells)) {}

long Recordset::RecordCount() const {
  return columns_.empty() ? 0 : static_cast<long>(cells_.size() / columns_.size());
}

int Recordset::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (columns_[i].size() == name.size() &&
        strncasecmp(columns_[i].data(), name.data(), name.size()) == 0)
      return static_cast<int>(i);
  }
  return -1;
}

const Value& Recordset::Field(int index) const {
  if (Eof()) throw DbError("no current row: the end of the rows has been reached");
  if (index < 0 || index >= FieldCount()) throw DbError("no field number " + std::to_string(index));
  return cells_[static_cast<size_t>(pos_) * columns_.size() + index];
}

const Value& Recordset::Field(std::string_view name) const {
  int index = IndexOf(name);
  if (index < 0) throw DbError("the query has no field named " + std::string(name));
  return Field(index);
}

}  // namespace hp::db
