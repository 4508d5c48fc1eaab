// A value as it travels between the program and the database: null, a whole
// number, a double or a text. Dates travel as ISO text ("2024-01-31").
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace hp::db {

using Value = std::variant<std::monostate, std::int64_t, double, std::string>;
using Params = std::vector<Value>;

inline bool IsNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

// The value as the screens show a field read "as text": null is the empty
// text, numbers are their plain text (12500 -> "12500", 1.5 -> "1.5").
std::string AsText(const Value& v);

// The value as a number: null and empty text are 0; a text is read as a
// number and throws hp::text::NumberTextError when it is not one.
double AsDouble(const Value& v);
std::int64_t AsInt(const Value& v);

// A truth value: null, 0 and empty text are false; any other number is true.
bool AsBool(const Value& v);

}  // namespace hp::db
