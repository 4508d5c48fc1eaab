// The JSON bodies the page posts, read member by member. A member of the wrong
// kind makes the whole body malformed; it is never replaced by a default.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "web/ui_channel.h"

namespace hp::web {

// The body as a JSON object; nullopt when it is not JSON or not an object.
std::optional<nlohmann::json> ParseJsonObject(std::string_view body);

// An integer member: `fallback` when it is missing or null; nullopt when it
// is not a whole number or outside `int`.
std::optional<int> IntMember(const nlohmann::json& body, const char* name,
                             std::optional<int> fallback = std::nullopt);

// A text member: "" when it is missing or null (nullopt if `required`);
// nullopt when it is not a string.
std::optional<std::string> TextMember(const nlohmann::json& body, const char* name, bool required);

// The body of POST /api/event ({window, control, type, value, key, item, row,
// col, button, sel_start, sel_length}) as a command. nullopt when it is
// malformed: no window, no or an empty type, or any member of the wrong kind.
// Missing numbers take the Event defaults.
std::optional<Command> DecodeEvent(const nlohmann::json& body);

}  // namespace hp::web
