// The server as a whole: its address, its page and its headers.
#include "web_fixture.h"

namespace hp::webtest {
namespace {

using ServerTest = ServerFixture;

TEST_F(ServerTest, SecondServerCannotTakeTheSamePort) {
  web::Server second(TestOptions(database.file.string()));
  EXPECT_EQ(second.Bind("127.0.0.1", port), -1) << "two servers would split the sessions between them";
}

TEST_F(ServerTest, PageAndAssetsCarryTheirTypesAndSafetyHeaders) {
  httplib::Client cli("127.0.0.1", port);
  struct Case {
    const char* path;
    const char* type;
  };
  const Case cases[] = {{"/", "text/html"}, {"/app.js", "application/javascript"}, {"/app.css", "text/css"}};
  for (const auto& c : cases) {
    auto r = cli.Get(c.path);
    ASSERT_TRUE(r) << c.path;
    EXPECT_EQ(r->status, 200) << c.path;
    EXPECT_EQ(r->get_header_value("Content-Type").rfind(c.type, 0), 0u) << c.path;
    EXPECT_EQ(r->get_header_value("X-Content-Type-Options"), "nosniff") << c.path;
    EXPECT_EQ(r->get_header_value("X-Frame-Options"), "DENY") << c.path;
    EXPECT_FALSE(r->body.empty()) << c.path;
  }
  auto page = cli.Get("/");
  EXPECT_NE(page->get_header_value("Content-Security-Policy").find("default-src 'self'"), std::string::npos);
  EXPECT_NE(page->body.find("<script src=\"/app.js\""), std::string::npos);
}

TEST_F(ServerTest, ApiAnswersAreNotCached) {
  Browser b(port);
  auto r = b.SignIn("clerk", "clerk-pass");
  ASSERT_EQ(r.status, 200);
  httplib::Client cli("127.0.0.1", port);
  auto state = cli.Get("/api/state", {{"Cookie", b.cookie()}});
  ASSERT_TRUE(state);
  EXPECT_EQ(state->get_header_value("Cache-Control"), "no-store");
}

}  // namespace
}  // namespace hp::webtest
