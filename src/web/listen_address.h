// Where `hp serve` listens. Unless told otherwise it listens on loopback
// only, so that nothing but this machine reaches the sign-in page.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace hp::web {

inline constexpr char kDefaultListen[] = "127.0.0.1:8080";

// "host:port", an IPv6 host in brackets ("[::1]:8080", given back without
// them); port 0 means any free port. nullopt when malformed.
std::optional<std::pair<std::string, int>> ParseListen(const std::string& text);

// Whether only this machine can reach `host`.
bool IsLoopback(const std::string& host);

}  // namespace hp::web
