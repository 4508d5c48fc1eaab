#include "platform/db/value.h"

#include "platform/text/number_text.h"

namespace hp::db {

std::string AsText(const Value& v) {
  if (auto* i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (auto* d = std::get_if<double>(&v)) return text::PlainNumber(*d);
  if (auto* s = std::get_if<std::string>(&v)) return *s;
  return {};
}

double AsDouble(const Value& v) {
  if (auto* i = std::get_if<std::int64_t>(&v)) return static_cast<double>(*i);
  if (auto* d = std::get_if<double>(&v)) return *d;
  if (auto* s = std::get_if<std::string>(&v)) return s->empty() ? 0.0 : text::NumberOf(*s);
  return 0.0;
}

std::int64_t AsInt(const Value& v) {
  if (auto* i = std::get_if<std::int64_t>(&v)) return *i;
  return static_cast<std::int64_t>(text::WholeHalfEven(AsDouble(v)));
}

bool AsBool(const Value& v) { return AsDouble(v) != 0.0; }

}  // namespace hp::db
