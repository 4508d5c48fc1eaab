#include "processing/processing_no.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include <fmt/format.h>

#include "platform/db/connection.h"

namespace hp::processing {
namespace {

db::Value I(std::int64_t v) { return v; }

db::Connection& Con(shell::BasModule& bas) {
  if (!bas.adocon) throw db::DbError("processing keys drawn without a connection");
  return *bas.adocon;
}

std::int64_t CharCount(const std::string& utf8) {
  std::int64_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string Prefix(shell::BasModule& bas, int department) {
  db::Recordset rs =
      department != 0
          ? Con(bas).Open("SELECT Prefix FROM aPrefix WHERE InterfaceID = ? and DepartmentId=? and FinancialId = ?",
                          {I(bas.intInterfaceID), I(department), I(bas.intfinancialId)})
          : Con(bas).Open("SELECT Prefix FROM aPrefix WHERE InterfaceID = ? and FinancialId = ?",
                          {I(bas.intInterfaceID), I(bas.intfinancialId)});
  return rs.Eof() ? std::string() : db::AsText(rs.Field("Prefix"));
}

// The running number a stored number carries after the prefix. Leading zeros
// read as the database's integer conversion reads them ("HP007" is 7).
std::uint64_t Tail(const std::string& number, size_t prefix_bytes) {
  std::string_view tail = std::string_view(number).substr(std::min(prefix_bytes, number.size()));
  bool digits = !tail.empty();
  for (char c : tail) digits = digits && c >= '0' && c <= '9';
  std::uint64_t value = 0;
  if (digits) {
    auto [end, ec] = std::from_chars(tail.data(), tail.data() + tail.size(), value);
    digits = ec == std::errc() && end == tail.data() + tail.size() &&
             value < static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  }
  if (!digits)
    throw NumberingError(fmt::format(
        "The processing number \"{}\" does not end in a whole number after its prefix, so the next number "
        "cannot be formed. Correct that number first.",
        number));
  return value;
}

}  // namespace

std::string GenerateProcessingNo(shell::BasModule& bas, int department) {
  const std::string prefix = Prefix(bas, department);
  const db::Params where = {I(department), I(bas.intfinancialId), I(CharCount(prefix)), prefix};
  constexpr const char* kNumbers =
      "select HphProcessingNo from aHpProcessingHeader where HphDepartmentID = ? and HphFinancialid = ? "
      "and substr(HphProcessingNo, 1, ?) = ?";
  // The numbers this module writes have plain tails without leading zeros, so
  // the longest and, among those, the greatest text is the largest: one step
  // down the index on (department, year, length, number), however many
  // processings the year holds.
  db::Recordset top = Con(bas).Open(
      std::string(kNumbers) + " order by length(HphProcessingNo) desc, HphProcessingNo desc limit 1", where);
  if (top.Eof()) return prefix + "1";
  const std::string largest_text = db::AsText(top.Field(0));
  const std::string_view tail = std::string_view(largest_text).substr(std::min(prefix.size(), largest_text.size()));
  if (!tail.empty() && tail.front() != '0') return prefix + std::to_string(Tail(largest_text, prefix.size()) + 1);
  // A number stored otherwise (leading zeros, no tail): compare every tail as
  // a number, so HP010 comes after HP9, and a tail that is not a whole number
  // stops the numbering with a message naming it.
  std::uint64_t largest = 0;
  Con(bas).ForEachRow(kNumbers, where, [&](const db::RowView& row) {
    largest = std::max(largest, Tail(row.Text(0), prefix.size()));
  });
  return prefix + std::to_string(largest + 1);
}

ProcessingKeys DrawProcessingKeys(shell::BasModule& bas, int department) {
  // Outside a transaction another save could draw the same keys between our
  // reading them and writing the header.
  if (!Con(bas).InTransaction()) throw std::logic_error("processing keys must be drawn inside the save transaction");
  ProcessingKeys keys;
  keys.number = GenerateProcessingNo(bas, department);
  db::Recordset rs = Con(bas).Open("select max(hphProcessingID) from aHpProcessingHeader");
  const std::int64_t largest = rs.Eof() || db::IsNull(rs.Field(0)) ? 0 : db::AsInt(rs.Field(0));
  if (largest >= std::numeric_limits<std::int32_t>::max())
    throw NumberingError(fmt::format("No processing identifier is left after {}.", largest));
  keys.id = static_cast<std::int32_t>(largest + 1);
  return keys;
}

}  // namespace hp::processing
