// The server's guards, in-process over loopback: sessions, cookies, CSRF,
// origins, the sign-in limit, the workplace and rights checks, and what an
// error shows.
#include <fstream>

#include "web_fixture.h"

namespace hp::webtest {
namespace {

using Security = ServerFixture;
const json kAdd = On("cmdAdd");

TEST_F(Security, EveryRouteButThePageAndSignInNeedsALiveSession) {
  const std::tuple<const char*, const char*, int> routes[] = {
      {"GET", "/", 200},          {"GET", "/index.html", 200},      {"GET", "/app.js", 200},
      {"GET", "/app.css", 200},   {"GET", "/api/state", 401},       {"POST", "/api/event", 401},
      {"POST", "/api/open", 401}, {"POST", "/api/signout", 401},    {"GET", "/api/document/1", 401},
      {"GET", "/api/x", 401},     {"GET", "/secret.txt", 401},      {"POST", "/index.html", 401},
      {"PUT", "/api/event", 401}, {"DELETE", "/api/state", 401}};
  Browser anonymous(port), forged(port), ended(port);
  forged.cookie = "hp_session=" + std::string(64, '0');
  ASSERT_EQ(ended.Open("clerk", "clerk-pass").status, 200);
  std::string old = ended.cookie;
  ASSERT_EQ(ended.Send("POST", "/api/signout").status, 200);
  ended.cookie = old;
  for (Browser* b : {&anonymous, &forged, &ended})
    for (const auto& [method, path, status] : routes)
      EXPECT_EQ(b->Send(method, path, kAdd, false).status, status) << method << " " << path << " " << b->cookie;
  EXPECT_EQ(server->SessionCount(), 0u);
}

// Another session's token is refused too: a user of one company cannot drive
// another's session with its cookie.
TEST_F(Security, StateChangingRequestsNeedTheirSessionsCsrfToken) {
  Browser b(port), other(port);
  ASSERT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);
  ASSERT_EQ(other.SignIn("other", "other-pass").status, 200);
  const std::string good = b.csrf;
  const std::tuple<const char*, const char*, json> requests[] = {
      {"POST", "/api/open", kOpenCompany1}, {"POST", "/api/event", kAdd}, {"POST", "/api/signout", json()},
      {"PUT", "/api/event", kAdd},          {"DELETE", "/api/state", json()}};
  for (const std::string& token : {std::string(), std::string(64, 'f'), good.substr(0, 63), other.csrf})
    for (const auto& [method, path, body] : requests) {
      b.csrf = token;
      EXPECT_EQ(b.Send(method, path, body, !token.empty()).status, 403) << method << path << " '" << token << "'";
    }
  b.csrf = good;
  EXPECT_EQ(b.State().body["stage"], "choose") << "refused requests opened nothing";
  EXPECT_EQ(server->SessionCount(), 2u) << "a refused sign-out ended nothing";
  ASSERT_EQ(b.Send("POST", "/api/open", kOpenCompany1).status, 200);
  EXPECT_EQ(b.Event(kAdd).Control("lvwItems")["rows"].size(), 1u);
  // The page carries the token of its own session only.
  EXPECT_NE(b.Send("GET", "/").raw.find(good), std::string::npos);
  auto anonymous = Browser(port).Send("GET", "/").raw;
  EXPECT_EQ(anonymous.find("__HP_CSRF__"), std::string::npos);
  EXPECT_EQ(anonymous.find(good), std::string::npos);
}

TEST_F(Security, RequestsFromAnotherOriginAreRefused) {
  Browser b(port);
  ASSERT_EQ(b.Open("clerk", "clerk-pass").status, 200);
  const std::string own = "http://127.0.0.1:" + std::to_string(port);
  const std::pair<const char*, json> posts[] = {
      {"/api/signin", {{"user", "clerk"}, {"password", "clerk-pass"}}}, {"/api/event", kAdd}, {"/api/signout", json()}};
  for (const std::string& origin : {std::string("http://evil.example"), std::string("null"),
                                    std::string("http://127.0.0.1"), own + ".evil.example"})
    for (const auto& [path, body] : posts)
      EXPECT_EQ(b.Send("POST", path, body, true, "application/json", {{"Origin", origin}}).status, 403)
          << origin << " " << path;
  EXPECT_EQ(server->SessionCount(), 1u);
  EXPECT_EQ(b.State().Control("lvwItems")["rows"].size(), 0u) << "refused events change nothing";
  EXPECT_EQ(b.Send("POST", "/api/event", kAdd, true, "application/json", {{"Origin", own}}).status, 200);
}

TEST_F(Security, SessionIdentifierIsRandomInAStrictHttpOnlyCookieAndNewAtEverySignIn) {
  Browser b(port);
  b.cookie = "hp_session=" + std::string(64, 'a');  // planted before sign-in: not adopted
  for (int i = 0; i < 3; ++i) {
    const std::string before = b.cookie, csrf = b.csrf;
    auto r = b.SignIn("clerk", "clerk-pass");  // sent with the cookie of before
    ASSERT_EQ(r.status, 200);
    for (const char* part : {"; HttpOnly", "; SameSite=Strict", "; Path=/"})
      EXPECT_NE(r.set_cookie.find(part), std::string::npos) << r.set_cookie;
    EXPECT_EQ(r.set_cookie.find("Secure"), std::string::npos) << "plain HTTP on loopback";
    ASSERT_EQ(b.cookie.rfind("hp_session=", 0), 0u);
    const std::string id = b.cookie.substr(11);
    EXPECT_EQ(id.size(), 64u);
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos) << id;
    EXPECT_EQ(r.raw.find(id), std::string::npos) << "the identifier travels only in the cookie";
    EXPECT_NE(b.csrf, csrf);
    Browser old(port);
    old.cookie = before;
    EXPECT_EQ(old.State().status, 401) << "the session signed in over has ended, its identifier not reused";
  }
  EXPECT_EQ(server->SessionCount(), 1u);
  Restart([](auto& o) { o.secure_cookie = true; });
  EXPECT_NE(Browser(port).SignIn("clerk", "clerk-pass").set_cookie.find("; Secure"), std::string::npos);
}

TEST_F(Security, SignInAnswersByCredentials) {
  const char* wrong = "The user name or password is wrong.";
  const std::tuple<const char*, json, int, const char*> cases[] = {  // what, body, status, error
      {"right password", {{"user", "clerk"}, {"password", "clerk-pass"}}, 200, ""},
      {"blanks around the name", {{"user", " clerk "}, {"password", "clerk-pass"}}, 200, ""},
      {"wrong password", {{"user", "clerk"}, {"password", "clerk-pas"}}, 401, wrong},
      {"name in other case", {{"user", "CLERK"}, {"password", "clerk-pass"}}, 401, wrong},
      {"unknown user", {{"user", "ghost"}, {"password", "clerk-pass"}}, 401, wrong},
      {"empty password", {{"user", "clerk"}, {"password", ""}}, 401, wrong},
      {"no password", {{"user", "clerk"}}, 400, "Enter your user name and password."},
      {"password not text", {{"user", "clerk"}, {"password", 12}}, 400, "Enter your user name and password."},
      {"no rights anywhere", {{"user", "nobody"}, {"password", "nobody-pass"}}, 403,
       "You have no rights to hire-purchase processing."},
      {"a form post", {{"user", "clerk"}, {"password", "clerk-pass"}}, 415, "Send the sign-in as JSON."}};
  for (const auto& [what, body, status, error] : cases) {
    std::string type = status == 415 ? "application/x-www-form-urlencoded" : "application/json";
    auto r = Browser(port).Send("POST", "/api/signin", body, false, type);
    EXPECT_EQ(r.status, status) << what;
    EXPECT_EQ(r.set_cookie.empty(), status != 200) << what;
    EXPECT_EQ(r.body.value("error", std::string()), error) << what;
  }
  EXPECT_EQ(server->SessionCount(), 2u);
}

TEST_F(Security, FailedSignInsAreLimitedPerUserNameAndPerAddress) {
  Restart([](auto& o) { o.failures_per_user = 3, o.failures_per_address = 6; });
  const std::tuple<const char*, const char*, int> steps[] = {
      {"clerk", "x", 401},         {"clerk", "y", 401},
      {"clerk", "clerk-pass", 200},  // success clears the name's failures
      {"clerk", "a", 401},         {"clerk", "b", 401},      {"clerk", "c", 401},
      {"clerk", "clerk-pass", 429},  // locked: even the right password
      {" Clerk ", "clerk-pass", 429},  // the name is counted however it is written
      {"other", "wrong", 401},      // another name may, until the address is spent
      {"other", "other-pass", 429}};
  Browser b(port);
  for (const auto& [user, password, status] : steps) {
    auto r = b.SignIn(user, password);
    EXPECT_EQ(r.status, status) << user << "/" << password;
    EXPECT_EQ(r.body.value("retryAfter", 0) > 0, status == 429) << r.raw;
  }
}

TEST_F(Security, WorkplaceMustBeAmongTheUsersOwn) {
  auto offered = Browser(port).SignIn("other", "other-pass").body["companies"];
  ASSERT_EQ(offered.size(), 1u) << offered.dump();
  EXPECT_EQ(offered[0]["id"], 2);
  EXPECT_EQ(offered[0]["departments"], json::parse(R"([{"id":20,"name":"Trucks"}])"));
  EXPECT_EQ(offered[0]["year"], 2);
  const std::tuple<const char*, const char*, json, int> cases[] = {
      {"another company", "company", 2, 403},
      {"no such company", "company", 99, 403},
      {"another company's department", "department", 20, 403},
      {"another company's year", "financial", 2, 403},
      {"no date", "date", "", 400},
      {"a date that is none", "date", "2024-02-30", 400},
      {"company as text", "company", "1", 400},
      {"company beyond int", "company", 4294967297, 400},
      {"own department", "department", 10, 200}};
  for (const auto& [what, member, value, status] : cases) {
    Browser b(port);
    ASSERT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);
    json open = kOpenCompany1;
    open[member] = value;
    auto r = b.Send("POST", "/api/open", open);
    EXPECT_EQ(r.status, status) << what << ": " << r.raw;
    if (status != 200) {
      EXPECT_EQ(b.State().body["stage"], "choose") << what;
      EXPECT_EQ(b.Event(kAdd).status, 409) << "no events before the workplace is chosen";
      continue;
    }
    const json& state = r.body["state"];
    EXPECT_EQ(WindowNames(state), std::vector<std::string>{"frmTestRegister"});
    EXPECT_EQ(state["heading"], json::parse(R"({"user": "clerk", "company": "Lanka Motor Traders", "year": "2023/24",
                                                "department": "Vehicles", "date": "15/03/2024"})"));
    EXPECT_EQ(r.Control("lblCompany")["caption"], "Company 1");
    EXPECT_EQ(b.Send("POST", "/api/open", kOpenCompany1).status, 409) << "a running session cannot switch";
  }
}

// A disabled button is refused by the server whatever the page sends: a
// click, Enter on it, or Enter elsewhere that would press it as the default.
TEST_F(Security, RightsLettersAreEnforcedByTheServer) {
  const std::pair<const char*, const char*> buttons[] = {{"N", "cmdNew"}, {"E", "cmdEdit"}, {"D", "CmdDelete"}};
  for (std::string rights : {"NED", "NE", "E", "D", ""}) {
    SCOPED_TRACE("rights " + rights);
    testing::SetRights(*db::OpenDatabase(database.file.string()), 1, 1, rights);
    Browser b(port);
    ASSERT_EQ(b.Open("clerk", "clerk-pass").status, 200);
    ASSERT_EQ(b.Event(On("txtName", "change", {{"value", "x"}})).status, 200);
    const json before = b.Event(kAdd).body["state"];
    for (const auto& [letter, button] : buttons) {
      const bool allowed = rights.find(letter) != std::string::npos;
      EXPECT_EQ(ControlOf(before, button)["enabled"], allowed) << button;
      if (allowed) continue;
      for (const json& event : {On(button), On(button, "key", {{"key", 13}})}) {
        auto refused = b.Event(event);
        EXPECT_EQ(refused.status, 409) << event.dump();
        EXPECT_NE(refused.raw.find("disabled"), std::string::npos) << refused.raw;
        EXPECT_EQ(refused.body["state"], before) << event.dump();
      }
    }
    auto enter = b.Event(On("txtRef", "key", {{"key", 13}}));
    EXPECT_EQ(enter.Control("lblAnswer")["caption"] == "new ran", rights.find('N') != std::string::npos);
    EXPECT_EQ(enter.Control("lvwItems"), ControlOf(before, "lvwItems"));
  }
}

// No route takes a processing's or a company's identifier: an event names
// only a window and a control and goes to the session of its cookie, so the
// ways to another company's data are another session's cookie, token or
// documents.
TEST_F(Security, ASessionReachesOnlyItsOwnWindowsAndDocuments) {
  Browser mine(port), theirs(port);
  ASSERT_EQ(mine.Open("clerk", "clerk-pass").status, 200);
  ASSERT_EQ(theirs.Open("other", "other-pass", 2, 2).Control("lblCompany")["caption"], "Company 2");
  json crafted = kAdd;
  crafted.update({{"company", 1}, {"CompanyID", 1}, {"hphProcessingID", 1}});
  EXPECT_EQ(theirs.Event(crafted).Control("lblCompany")["caption"], "Company 2") << "the company is the session's";
  EXPECT_EQ(mine.State().Control("lvwItems")["rows"].size(), 0u) << "nothing reached clerk";

  json doc = mine.Event(On("cmdReport")).body["state"]["document"];
  ASSERT_TRUE(doc.is_object());
  const int id = doc["id"];
  EXPECT_EQ(doc["title"], "Processing report");
  auto got = mine.Send("GET", "/api/document/" + std::to_string(id));
  EXPECT_EQ(got.status, 200);
  EXPECT_EQ(got.raw, "%PDF-1.4 test");
  for (const std::string& n : {std::to_string(id), std::to_string(id + 1), std::string("0"), std::string("9999999999")})
    EXPECT_EQ(theirs.Send("GET", "/api/document/" + n).status, 404) << n;
}

TEST_F(Security, ErrorsShowNeitherSqlNorTraces) {
  Browser b(port);
  ASSERT_EQ(b.Open("clerk", "clerk-pass").status, 200);
  auto failed = b.Event(On("cmdFail"));
  EXPECT_EQ(failed.status, 500);
  EXPECT_FALSE(failed.body.value("error", std::string()).empty());
  EXPECT_EQ(b.Event(kAdd).status, 200) << "the session carries on";
  // A file that is not a database: every query fails inside SQLite.
  std::filesystem::path broken = database.dir / "broken.db";
  std::ofstream(broken) << "this is not a database file, not at all, it is just some text....................";
  Restart({}, broken.string());
  auto sign_in = Browser(port).SignIn("clerk", "clerk-pass");
  EXPECT_EQ(sign_in.status, 500);
  for (const auto& raw : {failed.raw, sign_in.raw})
    for (const char* leak : {"SELECT ", "select ", "hpUserLogin", "aUsers", "syntax", "sqlite", "SQLITE",
                             "not a database", ".cpp", "std::", "#0 "})
      EXPECT_EQ(raw.find(leak), std::string::npos) << leak << " in " << raw;
}

TEST_F(Security, IdleSessionsEnd) {
  Restart([](auto& o) { o.idle_timeout = std::chrono::seconds(1); });
  Browser b(port);
  ASSERT_EQ(b.Open("clerk", "clerk-pass").status, 200);
  EXPECT_EQ(b.State().status, 200);
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_EQ(b.State().status, 401);
  EXPECT_EQ(server->SessionCount(), 0u) << "the sweeper has ended it";
}

TEST_F(Security, PageAssetsAndAnswersCarryTheirHeaders) {
  EXPECT_EQ(web::Server(TestOptions(database.file.string())).Bind("127.0.0.1", port), -1)
      << "two servers would split the sessions between them";
  Browser b(port);
  ASSERT_EQ(b.SignIn("clerk", "clerk-pass").status, 200);
  httplib::Client cli("127.0.0.1", port);
  for (const auto& [path, type] : {std::pair{"/", "text/html"}, std::pair{"/app.js", "application/javascript"},
                                   std::pair{"/app.css", "text/css"}, std::pair{"/api/state", "application/json"}}) {
    auto r = cli.Get(path, {{"Cookie", b.cookie}});
    ASSERT_TRUE(r) << path;
    EXPECT_EQ(r->status, 200) << path;
    EXPECT_EQ(r->get_header_value("Content-Type").rfind(type, 0), 0u) << path;
    EXPECT_EQ(r->get_header_value("X-Content-Type-Options"), "nosniff") << path;
    EXPECT_EQ(r->get_header_value("X-Frame-Options"), "DENY") << path;
    EXPECT_FALSE(r->body.empty()) << path;
  }
  auto page = cli.Get("/");
  EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'self'"), std::string::npos);
  EXPECT_NE(page->body.find("<script src=\"/app.js\""), std::string::npos);
  EXPECT_EQ(cli.Get("/api/state", {{"Cookie", b.cookie}})->get_header_value("Cache-Control"), "no-store");
}

}  // namespace
}  // namespace hp::webtest
