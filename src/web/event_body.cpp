#include "web/event_body.h"

#include <cstdint>
#include <limits>

namespace hp::web {

using nlohmann::json;

std::optional<json> ParseJsonObject(std::string_view body) {
  json parsed = json::parse(body, nullptr, false);
  if (parsed.is_discarded() || !parsed.is_object()) return std::nullopt;
  return parsed;
}

std::optional<int> IntMember(const json& body, const char* name, std::optional<int> fallback) {
  auto it = body.find(name);
  if (it == body.end() || it->is_null()) return fallback;
  if (!it->is_number_integer()) return std::nullopt;
  auto v = it->get<std::int64_t>();
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return std::nullopt;
  return static_cast<int>(v);
}

std::optional<std::string> TextMember(const json& body, const char* name, bool required) {
  auto it = body.find(name);
  if (it == body.end() || it->is_null()) return required ? std::nullopt : std::optional<std::string>(std::string());
  if (!it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

std::optional<Command> DecodeEvent(const json& body) {
  auto window = TextMember(body, "window", true);
  auto control = TextMember(body, "control", false);
  auto type = TextMember(body, "type", true);
  auto value = TextMember(body, "value", false);
  auto key = IntMember(body, "key", 0);
  auto item = IntMember(body, "item", -1);
  auto row = IntMember(body, "row", -1);
  auto col = IntMember(body, "col", -1);
  auto button = IntMember(body, "button", 0);
  auto sel_start = IntMember(body, "sel_start", -1);
  auto sel_length = IntMember(body, "sel_length", 0);
  if (!window || !control || !type || !value || !key || !item || !row || !col || !button || !sel_start ||
      !sel_length || type->empty())
    return std::nullopt;
  Command c;
  c.window = *window;
  c.event.control = *control;
  c.event.type = *type;
  c.event.value = *value;
  c.event.key = *key;
  c.event.item = *item;
  c.event.row = *row;
  c.event.col = *col;
  c.event.button = *button;
  c.event.sel_start = *sel_start;
  c.event.sel_length = *sel_length;
  return c;
}

}  // namespace hp::web
