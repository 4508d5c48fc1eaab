// Signing in, sessions, cookies, CSRF and the rate limit, against the server
// in-process over loopback.
#include <thread>

#include "web_fixture.h"

namespace hp::webtest {
namespace {

using SignIn = ServerFixture;

TEST_F(SignIn, AnswersByCredentials) {
  struct Case {
    const char* what;
    json body;
    const char* content_type;
    int status;
    bool cookie;
  };
  const Case cases[] = {
      {"right password", {{"user", "clerk"}, {"password", "clerk-pass"}}, "application/json", 200, true},
      {"blanks around the name", {{"user", " clerk "}, {"password", "clerk-pass"}}, "application/json", 200, true},
      {"wrong password", {{"user", "clerk"}, {"password", "clerk-pas"}}, "application/json", 401, false},
      {"name in other case", {{"user", "CLERK"}, {"password", "clerk-pass"}}, "application/json", 401, false},
      {"unknown user", {{"user", "ghost"}, {"password", "clerk-pass"}}, "application/json", 401, false},
      {"empty password", {{"user", "clerk"}, {"password", ""}}, "application/json", 401, false},
      {"no password", {{"user", "clerk"}}, "application/json", 400, false},
      {"password not text", {{"user", "clerk"}, {"password", 12}}, "application/json", 400, false},
      {"no rights anywhere", {{"user", "nobody"}, {"password", "nobody-pass"}}, "application/json", 403, false},
      {"a form post", {{"user", "clerk"}, {"password", "clerk-pass"}}, "application/x-www-form-urlencoded", 415,
       false},
  };
  for (const auto& c : cases) {
    Browser b(port);
    auto r = b.Send("POST", "/api/signin", c.body, false, c.content_type);
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(!r.set_cookie.empty(), c.cookie) << c.what;
    if (c.status != 200) {
      EXPECT_TRUE(r.body.contains("error")) << c.what;
    }
  }
}

TEST_F(SignIn, OffersOnlyTheCompaniesWithRights) {
  Browser b(port);
  auto r = b.SignIn("other", "other-pass");
  ASSERT_EQ(r.status, 200);
  ASSERT_EQ(r.body["companies"].size(), 1u);
  const json& c = r.body["companies"][0];
  EXPECT_EQ(c["id"], 2);
  EXPECT_EQ(c["name"], "Second Company");
  ASSERT_EQ(c["departments"].size(), 1u);
  EXPECT_EQ(c["departments"][0]["id"], 20);
  ASSERT_EQ(c["years"].size(), 1u);
  EXPECT_EQ(c["years"][0]["id"], 2);
  EXPECT_EQ(c["year"], 2);
}

TEST_F(SignIn, CookieIsHttpOnlyAndSameSiteStrict) {
  Browser b(port);
  auto r = b.SignIn("clerk", "clerk-pass");
  ASSERT_EQ(r.status, 200);
  EXPECT_EQ(r.set_cookie.rfind("hp_session=", 0), 0u) << r.set_cookie;
  EXPECT_NE(r.set_cookie.find("; HttpOnly"), std::string::npos);
  EXPECT_NE(r.set_cookie.find("; SameSite=Strict"), std::string::npos);
  EXPECT_NE(r.set_cookie.find("; Path=/"), std::string::npos);
  EXPECT_EQ(r.set_cookie.find("Secure"), std::string::npos) << "plain HTTP on loopback";
  std::string id = b.cookie().substr(std::string("hp_session=").size());
  EXPECT_EQ(id.size(), 64u);
  EXPECT_EQ(r.raw.find(id), std::string::npos) << "the identifier travels only in the cookie";
}

TEST_F(SignIn, SecureCookieWhenAsked) {
  auto options = TestOptions(database.file.string());
  options.secure_cookie = true;
  server.reset();
  StartServer(std::move(options));
  Browser b(port);
  auto r = b.SignIn("clerk", "clerk-pass");
  EXPECT_NE(r.set_cookie.find("; Secure"), std::string::npos);
}

TEST_F(SignIn, NewSessionIdentifierAtEverySignIn) {
  Browser b(port);
  ASSERT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);
  std::string first = b.cookie();
  std::string first_csrf = b.csrf();
  ASSERT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);  // sent with the first cookie
  EXPECT_NE(b.cookie(), first);
  EXPECT_NE(b.csrf(), first_csrf);
  EXPECT_EQ(b.State().status, 200);
  // The session signed in over has ended: its identifier is worth nothing.
  Browser old(port);
  old.cookie() = first;
  EXPECT_EQ(old.State().status, 401);
  EXPECT_EQ(server->SessionCount(), 1u);
}

TEST_F(SignIn, PlantedIdentifierIsNotAdopted) {
  Browser b(port);
  b.cookie() = "hp_session=" + std::string(64, 'a');
  ASSERT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);
  EXPECT_NE(b.cookie(), "hp_session=" + std::string(64, 'a'));
}

TEST_F(SignIn, EveryRouteButThePageNeedsASession) {
  struct Case {
    const char* method;
    const char* path;
    int status;
  };
  const Case cases[] = {
      {"GET", "/", 200},
      {"GET", "/index.html", 200},
      {"GET", "/app.js", 200},
      {"GET", "/app.css", 200},
      {"GET", "/api/state", 401},
      {"POST", "/api/event", 401},
      {"POST", "/api/open", 401},
      {"POST", "/api/signout", 401},
      {"GET", "/api/document/1", 401},
      {"GET", "/api/unknown", 401},
      {"GET", "/secret.txt", 401},
      {"POST", "/index.html", 401},
  };
  Browser anonymous(port);
  Browser forged(port);
  forged.cookie() = "hp_session=" + std::string(64, '0');
  for (Browser* b : {&anonymous, &forged}) {
    for (const auto& c : cases) {
      json body = {{"window", "frmTestRegister"}, {"control", "cmdAdd"}, {"type", "click"}};
      auto r = b->Send(c.method, c.path, body, false);
      EXPECT_EQ(r.status, c.status) << c.method << " " << c.path;
    }
  }
}

TEST_F(SignIn, StateChangingRequestsNeedTheCsrfToken) {
  Browser b(port);
  ASSERT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);
  json open = {{"company", 1}, {"department", 0}, {"financial", 1}, {"date", "2024-03-15"}};
  std::string good = b.csrf();

  EXPECT_EQ(b.Send("POST", "/api/open", open, false).status, 403) << "no token";
  b.csrf() = std::string(64, 'f');
  EXPECT_EQ(b.Send("POST", "/api/open", open).status, 403) << "wrong token";
  b.csrf() = good.substr(0, 63);
  EXPECT_EQ(b.Send("POST", "/api/open", open).status, 403) << "short token";
  b.csrf() = good;
  ASSERT_EQ(b.Send("POST", "/api/open", open).status, 200);

  json click = {{"window", "frmTestRegister"}, {"control", "cmdAdd"}, {"type", "click"}};
  EXPECT_EQ(b.Send("POST", "/api/event", click, false).status, 403);
  EXPECT_EQ(b.Send("POST", "/api/signout", json(), false).status, 403);
  EXPECT_EQ(b.State().status, 200) << "a refused sign-out changes nothing";
  EXPECT_EQ(b.Send("POST", "/api/event", click).status, 200);
}

TEST_F(SignIn, PageCarriesTheTokenOfItsSession) {
  Browser b(port);
  auto anonymous = b.Send("GET", "/");
  EXPECT_EQ(anonymous.raw.find("__HP_CSRF__"), std::string::npos);
  ASSERT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);
  auto page = b.Send("GET", "/");
  EXPECT_NE(page.raw.find(b.csrf()), std::string::npos);
}

TEST_F(SignIn, RequestsFromAnotherOriginAreRefused) {
  Browser b(port);
  ASSERT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);
  httplib::Client cli("127.0.0.1", port);
  httplib::Headers h = {{"Cookie", b.cookie()}, {"X-CSRF-Token", b.csrf()}, {"Origin", "http://evil.example"}};
  auto r = cli.Post("/api/signout", h, "", "application/json");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 403);
  h = {{"Origin", "http://evil.example"}};
  r = cli.Post("/api/signin", h, json({{"user", "clerk"}, {"password", "clerk-pass"}}).dump(), "application/json");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 403);
}

TEST_F(SignIn, FailuresAreLimitedPerUserNameAndPerAddress) {
  auto options = TestOptions(database.file.string());
  options.failures_per_user = 3;
  options.failures_per_address = 5;
  server.reset();
  StartServer(std::move(options));
  Browser b(port);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(b.SignIn("clerk", "guess" + std::to_string(i)).status, 401);
  // Locked: even the right password is refused now, and says when to retry.
  auto locked = b.SignIn("clerk", "clerk-pass");
  EXPECT_EQ(locked.status, 429);
  EXPECT_GT(locked.body.value("retryAfter", 0), 0);
  EXPECT_EQ(b.SignIn(" Clerk ", "clerk-pass").status, 429) << "the name is counted however it is written";
  // Another name from the same address still may, until the address is spent.
  EXPECT_EQ(b.SignIn("other", "wrong").status, 401);
  EXPECT_EQ(b.SignIn("other", "wrong").status, 401);
  EXPECT_EQ(b.SignIn("other", "other-pass").status, 429) << "five failures from this address";
}

TEST_F(SignIn, SuccessClearsTheUserNamesFailures) {
  auto options = TestOptions(database.file.string());
  options.failures_per_user = 3;
  server.reset();
  StartServer(std::move(options));
  Browser b(port);
  EXPECT_EQ(b.SignIn("clerk", "x").status, 401);
  EXPECT_EQ(b.SignIn("clerk", "y").status, 401);
  EXPECT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);
  EXPECT_EQ(b.SignIn("clerk", "z").status, 401);
  EXPECT_EQ(b.SignIn("clerk", "w").status, 401);
  EXPECT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);
}

TEST_F(SignIn, WorkplaceMustBeAmongTheUsersOwn) {
  struct Case {
    const char* what;
    json open;
    int status;
  };
  const Case cases[] = {
      {"another company", {{"company", 2}, {"department", 0}, {"financial", 2}, {"date", "2024-03-15"}}, 403},
      {"no such company", {{"company", 99}, {"department", 0}, {"financial", 1}, {"date", "2024-03-15"}}, 403},
      {"another company's department", {{"company", 1}, {"department", 20}, {"financial", 1}, {"date", "2024-03-15"}},
       403},
      {"another company's year", {{"company", 1}, {"department", 0}, {"financial", 2}, {"date", "2024-03-15"}}, 403},
      {"no date", {{"company", 1}, {"department", 0}, {"financial", 1}, {"date", ""}}, 400},
      {"a date that is none", {{"company", 1}, {"department", 0}, {"financial", 1}, {"date", "2024-02-30"}}, 400},
      {"company as text", {{"company", "1"}, {"department", 0}, {"financial", 1}, {"date", "2024-03-15"}}, 400},
      {"company beyond int", {{"company", 4294967297}, {"department", 0}, {"financial", 1}, {"date", "2024-03-15"}},
       400},
      {"own department", {{"company", 1}, {"department", 10}, {"financial", 1}, {"date", "2024-03-15"}}, 200},
  };
  for (const auto& c : cases) {
    Browser b(port);
    ASSERT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);
    auto r = b.Send("POST", "/api/open", c.open);
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.raw;
    if (c.status == 200) {
      EXPECT_EQ(CaptionOf(r.body["state"], "lblCompany"), "Company 1");
      EXPECT_EQ(r.body["state"]["heading"]["department"], "Vehicles");
    }
  }
}

TEST_F(SignIn, SignOutEndsTheUiThreadEvenInAMessageBox) {
  Browser b(port);
  ASSERT_EQ(b.Open("clerk", "clerk-pass").status, 200);
  auto asked = b.Event({{"window", "frmTestRegister"}, {"control", "cmdAsk"}, {"type", "click"}});
  ASSERT_EQ(WindowNames(asked.body["state"]).back(), "$msgbox");
  std::string cookie = b.cookie();
  auto out = b.Send("POST", "/api/signout");
  EXPECT_EQ(out.status, 200);
  EXPECT_NE(out.set_cookie.find("Max-Age=0"), std::string::npos);
  EXPECT_EQ(server->SessionCount(), 0u);
  b.cookie() = cookie;
  EXPECT_EQ(b.State().status, 401);
}

TEST_F(SignIn, IdleSessionsEnd) {
  auto options = TestOptions(database.file.string());
  options.idle_timeout = std::chrono::seconds(1);
  server.reset();
  StartServer(std::move(options));
  Browser b(port);
  ASSERT_EQ(b.Open("clerk", "clerk-pass").status, 200);
  EXPECT_EQ(b.State().status, 200);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_EQ(b.State().status, 401);
  EXPECT_EQ(server->SessionCount(), 0u) << "the sweeper has ended it";
}

TEST_F(SignIn, DatabaseErrorsAreLoggedNotShown) {
  // A file that is not a database: every query fails inside SQLite.
  std::filesystem::path broken = database.dir / "broken.db";
  {
    std::FILE* f = std::fopen(broken.c_str(), "w");
    std::fputs("this is not a database file, not at all, it is just some text....................", f);
    std::fclose(f);
  }
  server.reset();
  StartServer(TestOptions(broken.string()));
  Browser b(port);
  auto r = b.SignIn("clerk", "clerk-pass");
  EXPECT_EQ(r.status, 500);
  for (const char* leak : {"SELECT", "select", "aUsers", "sqlite", "SQLITE", "not a database"})
    EXPECT_EQ(r.raw.find(leak), std::string::npos) << leak << " in " << r.raw;
}

}  // namespace
}  // namespace hp::webtest
