// Secrets of the web layer: session identifiers and CSRF tokens drawn from
// the system's random source, and their comparison in constant time.
#pragma once

#include <string>
#include <string_view>

namespace hp::web {

// 32 random bytes as 64 lower-case hex digits. Throws std::runtime_error when
// the random source cannot be initialised.
std::string NewToken();

// True when both texts are equal, in time that does not depend on where they
// first differ (texts of different length are unequal at once: the length of
// a token is no secret).
bool SameToken(std::string_view a, std::string_view b);

// A one-way digest (hex) of a token: the session table is keyed by it, so
// that looking a cookie up does not compare secrets byte by byte.
std::string TokenDigest(std::string_view token);

}  // namespace hp::web
