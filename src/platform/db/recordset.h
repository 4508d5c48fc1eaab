// The rows of one query, read in full when the query is opened: move through
// them, test the end, count them, read fields by name or position. Field names
// are matched without regard to case (PostgreSQL folds unquoted names).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/db/value.h"

namespace hp::db {

class Recordset {
 public:
  Recordset() = default;
  Recordset(std::vector<std::string> columns, std::vector<Value> cells);

  bool Eof() const { return pos_ >= RecordCount(); }
  void MoveFirst() { pos_ = 0; }
  void MoveNext() { if (pos_ < RecordCount()) ++pos_; }
  long RecordCount() const;
  long Position() const { return pos_; }

  int FieldCount() const { return static_cast<int>(columns_.size()); }
  const std::string& FieldName(int index) const { return columns_.at(index); }
  bool HasField(std::string_view name) const { return IndexOf(name) >= 0; }

  // The field of the current row. Throws DbError at the end of the rows or
  // for a field the query does not have.
  const Value& Field(int index) const;
  const Value& Field(std::string_view name) const;

 private:
  int IndexOf(std::string_view name) const;

  std::vector<std::string> columns_;
  std::vector<Value> cells_;  // row-major
  long pos_ = 0;
};

}  // namespace hp::db
