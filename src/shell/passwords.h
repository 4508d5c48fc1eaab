// Sign-in passwords, stored only as Argon2id hashes (libsodium) in hpUserLogin.
#pragma once

#include <string>

#include "platform/db/connection.h"

namespace hp::shell {

// Stores (or replaces) the user's password hash. Throws db::DbError, or
// std::runtime_error when hashing fails (out of memory).
void SetPassword(db::Connection& con, int user_id, const std::string& password);

// True when the user has a password and `password` matches it.
bool CheckPassword(db::Connection& con, int user_id, const std::string& password);

// A random password of `length` letters and digits, for new users.
std::string RandomPassword(int length = 16);

}  // namespace hp::shell
