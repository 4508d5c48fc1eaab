#include "platform/db/row_writer.h"

namespace hp::db {

RowWriter::RowWriter(Connection& con, std::string table) : con_(con), table_(std::move(table)) {}

void RowWriter::AddNew() {
  row_.clear();
  adding_ = true;
}

void RowWriter::Set(const std::string& column, Value value) {
  if (!adding_) throw DbError("RowWriter::Set before AddNew on " + table_);
  for (auto& [name, v] : row_) {
    if (name == column) {
      v = std::move(value);
      return;
    }
  }
  row_.emplace_back(column, std::move(value));
}

void RowWriter::Update() {
  if (!adding_) throw DbError("RowWriter::Update before AddNew on " + table_);
  adding_ = false;
  std::string sql = "insert into " + table_ + " (";
  std::string marks;
  Params params;
  params.reserve(row_.size());
  for (size_t i = 0; i < row_.size(); ++i) {
    if (i) { sql += ','; marks += ','; }
    sql += row_[i].first;
    marks += '?';
    params.push_back(std::move(row_[i].second));
  }
  sql += ") values (" + marks + ")";
  row_.clear();
  con_.Execute(sql, params);
}

}  // namespace hp::db
