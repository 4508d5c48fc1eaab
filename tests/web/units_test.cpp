// The pieces under the server: password hashes, tokens, the failure counter.
#include <gtest/gtest.h>

#include <set>

#include "platform/db/connection.h"
#include "platform/db/schema.h"
#include "shell/passwords.h"
#include "support/records.h"
#include "web/rate_limiter.h"
#include "web/tokens.h"

namespace hp::webtest {
namespace {

TEST(Passwords, StoredAsHashThatOnlyTheRightPasswordMatches) {
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

  struct Case {
    int user;
    const char* password;
    bool ok;
  };
  const Case cases[] = {{1, "s3cret pass", true}, {1, "s3cret pas", false}, {1, "S3cret pass", false},
                        {1, "", false},           {3, "s3cret pass", false}, {2, "s3cret pass", true}};
  for (const auto& c : cases) EXPECT_EQ(shell::CheckPassword(*con, c.user, c.password), c.ok) << c.password;

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
  for (int len : {1, 16, 40}) {
    std::string p = shell::RandomPassword(len);
    EXPECT_EQ(p.size(), static_cast<size_t>(len));
    for (char ch : p) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(ch))) << p;
    seen.insert(shell::RandomPassword(16));
  }
  EXPECT_EQ(seen.size(), 3u);
  EXPECT_EQ(shell::RandomPassword(0), "");
}

TEST(Tokens, AreRandomHexAndComparedWhole) {
  std::string a = web::NewToken(), b = web::NewToken();
  EXPECT_EQ(a.size(), 64u);
  EXPECT_EQ(a.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_NE(a, b);
  EXPECT_TRUE(web::SameToken(a, std::string(a)));
  EXPECT_FALSE(web::SameToken(a, b));
  EXPECT_FALSE(web::SameToken(a, a.substr(0, 63)));
  EXPECT_FALSE(web::SameToken("", "")) << "an empty token never matches";
  EXPECT_EQ(web::TokenDigest(a), web::TokenDigest(std::string(a)));
  EXPECT_NE(web::TokenDigest(a), web::TokenDigest(b));
}

TEST(RateLimiter, CountsFailuresInASlidingWindow) {
  auto now = web::RateLimiter::Clock::time_point{} + std::chrono::hours(1);
  web::RateLimiter limiter(3, std::chrono::seconds(60), [&] { return now; });
  using std::chrono::seconds;
  struct Step {
    seconds advance;
    const char* action;  // "fail", "clear" or "check"
    const char* key;
    bool allowed;        // expected after the step
    long retry_after;
  };
  const Step steps[] = {
      {seconds(0), "check", "u", true, 0},   {seconds(0), "fail", "u", true, 0},
      {seconds(10), "fail", "u", true, 0},   {seconds(10), "fail", "u", false, 40},
      {seconds(0), "check", "v", true, 0},   {seconds(39), "check", "u", false, 1},
      {seconds(1), "check", "u", true, 0},   // the first failure left the window
      {seconds(0), "fail", "u", false, 10},  {seconds(0), "clear", "u", true, 0},
  };
  for (const auto& s : steps) {
    now += s.advance;
    std::string action = s.action;
    if (action == "fail") limiter.Failed(s.key);
    if (action == "clear") limiter.Clear(s.key);
    EXPECT_EQ(limiter.Allowed(s.key), s.allowed) << action << " " << s.key << " at +" << s.advance.count();
    EXPECT_EQ(limiter.RetryAfter(s.key), s.retry_after) << action << " " << s.key;
  }
}

}  // namespace
}  // namespace hp::webtest
