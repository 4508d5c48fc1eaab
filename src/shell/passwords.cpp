#include "shell/passwords.h"

#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace hp::shell {
namespace {

void InitSodium() {
  static std::once_flag once;
  static int rc = 0;
  std::call_once(once, [] { rc = sodium_init(); });
  if (rc < 0) throw std::runtime_error("the cryptography library could not be initialised");
}

}  // namespace

void SetPassword(db::Connection& con, int user_id, const std::string& password) {
  InitSodium();
  char hash[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    throw std::runtime_error("the password could not be hashed (out of memory)");
  // One statement, so that it is atomic without a transaction of its own and
  // may run inside the caller's.
  con.Execute(
      "INSERT INTO hpUserLogin (UserID, PasswordHash) VALUES (?, ?) "
      "ON CONFLICT (UserID) DO UPDATE SET PasswordHash = excluded.PasswordHash",
      {std::int64_t{user_id}, std::string(hash)});
}

bool CheckPassword(db::Connection& con, int user_id, const std::string& password) {
  InitSodium();
  db::Recordset rs = con.Open("SELECT PasswordHash FROM hpUserLogin WHERE UserID = ?", {std::int64_t{user_id}});
  if (rs.Eof()) return false;
  std::string hash = db::AsText(rs.Field("PasswordHash"));
  if (hash.empty() || hash.size() >= crypto_pwhash_STRBYTES) return false;
  char stored[crypto_pwhash_STRBYTES] = {};
  std::memcpy(stored, hash.data(), hash.size());
  return crypto_pwhash_str_verify(stored, password.data(), password.size()) == 0;
}

std::string RandomPassword(int length) {
  InitSodium();
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  constexpr uint32_t kSize = sizeof(kAlphabet) - 1;
  std::string out;
  out.reserve(static_cast<size_t>(std::max(0, length)));
  for (int i = 0; i < length; ++i) out += kAlphabet[randombytes_uniform(kSize)];
  return out;
}

}  // namespace hp::shell
