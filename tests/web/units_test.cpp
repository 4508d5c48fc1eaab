// The pieces under the server: password hashes, the failure counter and the
// address it listens on.
#include <gtest/gtest.h>

#include <set>

#include "platform/db/connection.h"
#include "platform/db/schema.h"
#include "shell/passwords.h"
#include "support/records.h"
#include "web/listen_address.h"
#include "web/rate_limiter.h"

namespace hp::webtest {
namespace {

// Wrong, empty and unknown-user passwords are tried through the sign-in.
TEST(Listen, LoopbackUnlessToldOtherwiseAndMalformedAddressesRefused) {
  const auto by_default = web::ParseListen(web::kDefaultListen);
  ASSERT_TRUE(by_default);
  EXPECT_TRUE(web::IsLoopback(by_default->first));
  const struct {
    const char* text;
    const char* host;  // nullptr: refused
    int port;
    bool loopback;
  } cases[] = {{"localhost:0", "localhost", 0, true},     {"[::1]:8080", "::1", 8080, true},
               {"127.1.2.3:65535", "127.1.2.3", 65535, true}, {"0.0.0.0:80", "0.0.0.0", 80, false},
               {"[::]:80", "::", 80, false},               {"10.0.0.127:80", "10.0.0.127", 80, false},
               {"8080", nullptr},                          {":8080", nullptr},
               {"host:", nullptr},                         {"host:65536", nullptr},
               {"host:8o", nullptr},                       {"host:-1", nullptr}};
  for (const auto& c : cases) {
    const auto address = web::ParseListen(c.text);
    ASSERT_EQ(address.has_value(), c.host != nullptr) << c.text;
    if (!address) continue;
    EXPECT_EQ(address->first, c.host) << c.text;
    EXPECT_EQ(address->second, c.port) << c.text;
    EXPECT_EQ(web::IsLoopback(address->first), c.loopback) << c.text;
  }
}

TEST(Passwords, StoredAsSaltedHashThatOnlyTheRightPasswordMatches) {
  auto con = db::OpenDatabase(":memory:");
  db::CreateSchema(*con);
  testing::AddUser(*con, 1, "clerk");
  testing::AddUser(*con, 2, "other");
  EXPECT_FALSE(shell::CheckPassword(*con, 1, "")) << "no password yet";
  shell::SetPassword(*con, 1, "s3cret pass");
  shell::SetPassword(*con, 2, "s3cret pass");
  db::Recordset rs = con->Open("select PasswordHash from hpUserLogin order by UserID");
  std::string first = db::AsText(rs.Field(0));
  rs.MoveNext();
  EXPECT_EQ(first.rfind("$argon2id$", 0), 0u) << first;
  EXPECT_EQ(first.find("s3cret"), std::string::npos);
  EXPECT_NE(first, db::AsText(rs.Field(0))) << "salted: the same password hashes differently";
  EXPECT_TRUE(shell::CheckPassword(*con, 2, "s3cret pass"));
  EXPECT_FALSE(shell::CheckPassword(*con, 1, "S3cret pass"));

  shell::SetPassword(*con, 1, "changed");
  EXPECT_FALSE(shell::CheckPassword(*con, 1, "s3cret pass"));
  EXPECT_TRUE(shell::CheckPassword(*con, 1, "changed"));
  EXPECT_EQ(testing::CountRows(*con, "hpUserLogin"), 2);
  // A corrupt stored hash matches nothing, not even its own text.
  con->Execute("update hpUserLogin set PasswordHash = ? where UserID = 1", {std::string(300, 'x')});
  EXPECT_FALSE(shell::CheckPassword(*con, 1, std::string(300, 'x')));
}

TEST(Passwords, RandomPasswordsAreLettersAndDigits) {
  std::set<std::string> seen;
  for (int len : {0, 1, 16, 40}) {
    std::string p = shell::RandomPassword(len);
    EXPECT_EQ(p.size(), static_cast<size_t>(len));
    for (char ch : p) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(ch))) << p;
    seen.insert(shell::RandomPassword(16));
  }
  EXPECT_EQ(seen.size(), 4u);
}

TEST(RateLimiter, CountsFailuresInASlidingWindow) {
  auto now = web::RateLimiter::Clock::time_point{} + std::chrono::hours(1);
  web::RateLimiter limiter(3, std::chrono::seconds(60), [&] { return now; });
  const std::tuple<int, char, const char*, bool, long> steps[] = {
      // seconds on, action (Failed, Clear or just look), key, allowed after it, retry after
      {0, ' ', "u", true, 0},   {0, 'F', "u", true, 0},  {10, 'F', "u", true, 0}, {10, 'F', "u", false, 40},
      {0, ' ', "v", true, 0},   {39, ' ', "u", false, 1},
      {1, ' ', "u", true, 0},   // the first failure left the window
      {0, 'F', "u", false, 10}, {0, 'C', "u", true, 0}};
  for (const auto& [advance, action, key, allowed, retry_after] : steps) {
    now += std::chrono::seconds(advance);
    if (action == 'F') limiter.Failed(key);
    if (action == 'C') limiter.Clear(key);
    EXPECT_EQ(limiter.Allowed(key), allowed) << action << " " << key << " +" << advance;
    EXPECT_EQ(limiter.RetryAfter(key), retry_after) << action << " " << key << " +" << advance;
  }
}

}  // namespace
}  // namespace hp::webtest
