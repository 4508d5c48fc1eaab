// Browser events reaching the windows through the session's UI thread: what
// is applied, what is refused and that a refusal changes nothing.
#include "web_fixture.h"

namespace hp::webtest {
namespace {

struct Events : ServerFixture {
  std::unique_ptr<Browser> b;
  json state;

  void SetUp() override {
    ServerFixture::SetUp();
    b = std::make_unique<Browser>(port);
    auto r = b->Open("clerk", "clerk-pass");
    ASSERT_EQ(r.status, 200) << r.raw;
    state = r.body["state"];
  }

  // Sends an event to the test register (or `window`) and keeps the state.
  Browser::Reply Send(json event, const std::string& window = "frmTestRegister") {
    if (!event.contains("window")) event["window"] = window;
    auto r = b->Event(event);
    if (r.body.is_object() && r.body.contains("state")) state = r.body["state"];
    return r;
  }
  Browser::Reply Click(const std::string& control, const std::string& window = "frmTestRegister") {
    return Send({{"control", control}, {"type", "click"}}, window);
  }
  // Types text key by key at the end of the box, as the page sends it.
  void Type(const std::string& control, const std::string& text) {
    for (char ch : text) {
      auto r = Send({{"control", control}, {"type", "key"}, {"key", static_cast<unsigned char>(ch)},
                     {"value", std::string(1, ch)}, {"sel_start", -1}});
      ASSERT_EQ(r.status, 200) << r.raw;
    }
  }
  std::string Text(const std::string& control) {
    return ControlOf(state, "frmTestRegister", control)["text"].get<std::string>();
  }
};

TEST_F(Events, FirstStateIsTheRegister) {
  EXPECT_EQ(WindowNames(state), std::vector<std::string>{"frmTestRegister"});
  EXPECT_EQ(state["heading"]["user"], "clerk");
  EXPECT_EQ(state["heading"]["company"], "Lanka Motor Traders");
  EXPECT_EQ(state["heading"]["date"], "15/03/2024");
  EXPECT_EQ(CaptionOf(state, "lblCompany"), "Company 1");
  EXPECT_TRUE(ControlOf(state, "frmTestRegister", "CmdDelete")["enabled"]) << "clerk has D";
  EXPECT_FALSE(ControlOf(state, "frmTestRegister", "txtHidden")["shown"]);
}

TEST_F(Events, KeysAreAppliedByTheWindowsKeyHandlers) {
  Type("txtName", "ab1c");
  EXPECT_EQ(Text("txtName"), "ABC") << "upper-cased, digit dropped";
  EXPECT_EQ(ControlOf(state, "frmTestRegister", "txtName")["selStart"], 3);
  // Backspace at the caret after "A", then a key typed over a selection.
  ASSERT_EQ(Send({{"control", "txtName"}, {"type", "key"}, {"key", 8}, {"sel_start", 1}}).status, 200);
  EXPECT_EQ(Text("txtName"), "BC");
  ASSERT_EQ(Send({{"control", "txtName"}, {"type", "key"}, {"key", 'x'}, {"value", "x"}, {"sel_start", 0},
                  {"sel_length", 2}})
                .status,
            200);
  EXPECT_EQ(Text("txtName"), "X");
  // A paste arrives whole, cut to the box's length.
  ASSERT_EQ(Send({{"control", "txtName"}, {"type", "change"}, {"value", "pasted text 123"}}).status, 200);
  EXPECT_EQ(Text("txtName"), "pasted tex");
}

TEST_F(Events, KeysTypedIntoAnEditableComboChangeItsText) {
  Type("cboBank", "Ha'tton");
  json combo = ControlOf(state, "frmTestRegister", "cboBank");
  EXPECT_EQ(combo["text"], "Hatton") << "the key handler swallowed the apostrophe";
  EXPECT_EQ(CaptionOf(state, "lblAnswer"), "bank changed to Hatton") << "Change ran for each key";
  ASSERT_EQ(Send({{"control", "cboBank"}, {"type", "key"}, {"key", 8}, {"sel_start", 1}}).status, 200);
  EXPECT_EQ(ControlOf(state, "frmTestRegister", "cboBank")["text"], "atton");
  ASSERT_EQ(Send({{"control", "cboBank"}, {"type", "select"}, {"item", 1}}).status, 200);
  EXPECT_EQ(ControlOf(state, "frmTestRegister", "cboBank")["text"], "Sampath Bank");
}

TEST_F(Events, RefusedEventsChangeNothing) {
  Type("txtName", "abc");
  ASSERT_EQ(Click("cmdAdd").status, 200);
  struct Case {
    const char* what;
    json event;
    int status;
    const char* message;  // part of the error the browser is told
  };
  const Case cases[] = {
      {"unknown control", {{"control", "cmdNothing"}, {"type", "click"}}, 400, "cmdNothing"},
      {"hidden control", {{"control", "txtHidden"}, {"type", "change"}, {"value", "x"}}, 409, "hidden"},
      {"event a control does not take", {{"control", "lblCompany"}, {"type", "change"}, {"value", "x"}}, 409, ""},
      {"unknown window", {{"window", "frmOther"}, {"control", "cmdAdd"}, {"type", "click"}}, 409, "active"},
      {"no list row", {{"control", "lvwItems"}, {"type", "select"}, {"item", 5}}, 409, "row"},
      {"no combo entry", {{"control", "cboBank"}, {"type", "select"}, {"item", 9}}, 409, "entry"},
      {"no grid cell", {{"control", "flexRows"}, {"type", "click"}, {"row", 500}, {"col", 0}}, 409, "cell"},
      {"message box not open", {{"window", "$msgbox"}, {"control", "Yes"}, {"type", "click"}}, 409, ""},
  };
  for (const auto& c : cases) {
    json before = state;
    auto r = Send(c.event);
    EXPECT_EQ(r.status, c.status) << c.what << ": " << r.raw;
    EXPECT_FALSE(r.body.value("ok", true)) << c.what;
    EXPECT_NE(r.body.value("error", std::string()).find(c.message), std::string::npos) << c.what << ": " << r.raw;
    EXPECT_EQ(state, before) << c.what;
  }
}

TEST_F(Events, DisabledControlIsRefusedAndNothingChanges) {
  // "other" has no D right in company 2: the window disables Delete.
  Browser other(port);
  auto opened = other.Open("other", "other-pass", 2, 2);
  ASSERT_EQ(opened.status, 200);
  json add_text = {{"window", "frmTestRegister"}, {"control", "txtName"}, {"type", "change"}, {"value", "row"}};
  ASSERT_EQ(other.Event(add_text).status, 200);
  auto added = other.Event({{"window", "frmTestRegister"}, {"control", "cmdAdd"}, {"type", "click"}});
  ASSERT_EQ(ControlOf(added.body["state"], "frmTestRegister", "lvwItems")["rows"].size(), 1u);
  EXPECT_FALSE(ControlOf(added.body["state"], "frmTestRegister", "CmdDelete")["enabled"]);

  auto crafted = other.Event({{"window", "frmTestRegister"}, {"control", "CmdDelete"}, {"type", "click"}});
  EXPECT_EQ(crafted.status, 409);
  EXPECT_NE(crafted.body["error"].get<std::string>().find("disabled"), std::string::npos);
  EXPECT_EQ(crafted.body["state"], added.body["state"]) << "the row is still there";
  // Nor can a key press it.
  crafted = other.Event({{"window", "frmTestRegister"}, {"control", "CmdDelete"}, {"type", "key"}, {"key", 13}});
  EXPECT_EQ(crafted.status, 409);
  EXPECT_EQ(crafted.body["state"], added.body["state"]);
}

TEST_F(Events, OnlyTheWindowOnTopTakesEvents) {
  auto r = Click("cmdDialog");
  ASSERT_EQ(r.status, 200);
  ASSERT_EQ(WindowNames(state), (std::vector<std::string>{"frmTestRegister", "frmTestDialog"}));
  EXPECT_EQ(state["focus"]["window"], "frmTestDialog");
  json before = state;
  r = Click("cmdAdd");
  EXPECT_EQ(r.status, 409);
  EXPECT_EQ(state, before);
  ASSERT_EQ(Send({{"control", "txtReply"}, {"type", "change"}, {"value", "fine"}}, "frmTestDialog").status, 200);
  ASSERT_EQ(Send({{"control", "txtReply"}, {"type", "key"}, {"key", 13}}, "frmTestDialog").status, 200)
      << "Enter presses the default button";
  EXPECT_EQ(WindowNames(state), std::vector<std::string>{"frmTestRegister"});
  EXPECT_EQ(CaptionOf(state, "lblAnswer"), "reply fine") << "ShowModal returned to the handler";
}

TEST_F(Events, MessageBoxAnswersReturnToTheHandler) {
  struct Case {
    json answer;
    int status;
    const char* caption;  // after the answer; empty: the box stays
  };
  const Case cases[] = {
      {{{"control", "Maybe"}, {"type", "click"}}, 400, ""},
      {{{"type", "key"}, {"key", 27}}, 409, ""},  // Yes/No cannot be escaped
      {{{"type", "close"}}, 409, ""},
      {{{"control", "Yes"}, {"type", "click"}}, 200, "Yes"},
      {{{"control", "No"}, {"type", "click"}}, 200, "No"},
      {{{"type", "key"}, {"key", 13}}, 200, "Yes"},  // the default button
      {{{"type", "key"}, {"key", 'n'}}, 200, "No"},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(Click("cmdAsk").status, 200);
    ASSERT_EQ(WindowNames(state).back(), "$msgbox");
    const json& box = state["windows"].back();
    EXPECT_EQ(box["prompt"], "Proceed?");
    EXPECT_EQ(box["caption"], "Hire Purchase");
    EXPECT_EQ(box["icon"], "question");
    EXPECT_EQ(box["buttons"], json({"Yes", "No"}));
    EXPECT_EQ(state["focus"]["window"], "$msgbox");
    // While it is open the window below takes nothing.
    EXPECT_EQ(Click("cmdAdd").status, 409);
    auto r = Send(c.answer, "$msgbox");
    EXPECT_EQ(r.status, c.status) << c.answer.dump();
    if (*c.caption) {
      EXPECT_EQ(WindowNames(state).back(), "frmTestRegister");
      EXPECT_EQ(CaptionOf(state, "lblAnswer"), c.caption) << c.answer.dump();
    } else {
      EXPECT_EQ(WindowNames(state).back(), "$msgbox");
      ASSERT_EQ(Send({{"control", "No"}, {"type", "click"}}, "$msgbox").status, 200);
    }
  }
}

TEST_F(Events, PopupMenuRunsTheChosenItem) {
  Type("txtName", "m");
  ASSERT_EQ(Click("cmdMenu").status, 200);
  ASSERT_EQ(WindowNames(state).back(), "$menu");
  EXPECT_EQ(state["windows"].back()["menu"]["items"].size(), 2u);
  EXPECT_EQ(Send({{"type", "menu"}, {"value", "mnuOff"}}, "$menu").status, 409) << "disabled item";
  EXPECT_EQ(Send({{"type", "menu"}, {"value", "mnuNone"}}, "$menu").status, 400);
  EXPECT_EQ(WindowNames(state).back(), "$menu");
  ASSERT_EQ(Send({{"type", "menu"}, {"value", "mnuAdd"}}, "$menu").status, 200);
  EXPECT_EQ(WindowNames(state).back(), "frmTestRegister");
  EXPECT_EQ(ControlOf(state, "frmTestRegister", "lvwItems")["rows"].size(), 1u);
  // Dismissed: nothing runs.
  ASSERT_EQ(Click("cmdMenu").status, 200);
  ASSERT_EQ(Send({{"type", "menu"}, {"value", ""}}, "$menu").status, 200);
  EXPECT_EQ(ControlOf(state, "frmTestRegister", "lvwItems")["rows"].size(), 1u);
}

TEST_F(Events, GridSendsOnlyTheRowsAroundTheTopRow) {
  json grid = ControlOf(state, "frmTestRegister", "flexRows");
  EXPECT_EQ(grid["rows"], 101);
  EXPECT_TRUE(grid["cells"].contains("0"));
  EXPECT_TRUE(grid["cells"].contains("1"));
  EXPECT_FALSE(grid["cells"].contains("90"));
  ASSERT_EQ(Send({{"control", "flexRows"}, {"type", "scroll"}, {"row", 80}}).status, 200);
  grid = ControlOf(state, "frmTestRegister", "flexRows");
  EXPECT_EQ(grid["topRow"], 80);
  EXPECT_EQ(grid["cells"]["90"]["text"][1], "row 90");
  EXPECT_FALSE(grid["cells"].contains("1"));
  ASSERT_EQ(Send({{"control", "flexRows"}, {"type", "colwidth"}, {"col", 1}, {"value", "2400"}}).status, 200);
  EXPECT_EQ(ControlOf(state, "frmTestRegister", "flexRows")["widths"][1], 2400);
  ASSERT_EQ(Send({{"control", "flexRows"}, {"type", "click"}, {"row", 85}, {"col", 1}}).status, 200);
  EXPECT_EQ(ControlOf(state, "frmTestRegister", "flexRows")["row"], 85);
  ASSERT_EQ(Send({{"control", "flexRows"}, {"type", "key"}, {"key", forms::kArrowDown}}).status, 200);
  EXPECT_EQ(ControlOf(state, "frmTestRegister", "flexRows")["row"], 86);
  EXPECT_EQ(state["focus"]["control"], "flexRows");
}

TEST_F(Events, FailingHandlerIsLoggedAndShowsNoSql) {
  auto r = Click("cmdFail");
  EXPECT_EQ(r.status, 500);
  for (const char* leak : {"SELECT", "hpUserLogin", "syntax", "PasswordHash"})
    EXPECT_EQ(r.raw.find(leak), std::string::npos) << leak << " in " << r.raw;
  EXPECT_FALSE(r.body["error"].get<std::string>().empty());
  // The session carries on.
  EXPECT_EQ(Click("cmdAdd").status, 200);
}

TEST_F(Events, DocumentsAreFetchedOnlyByTheirSession) {
  ASSERT_EQ(Click("cmdReport").status, 200);
  ASSERT_TRUE(state.contains("document"));
  int id = state["document"]["id"];
  EXPECT_EQ(state["document"]["title"], "Processing report");
  auto doc = b->Send("GET", "/api/document/" + std::to_string(id));
  EXPECT_EQ(doc.status, 200);
  EXPECT_EQ(doc.raw, "%PDF-1.4 test");
  Browser other(port);
  ASSERT_EQ(other.Open("other", "other-pass", 2, 2).status, 200);
  EXPECT_EQ(other.Send("GET", "/api/document/" + std::to_string(id)).status, 404);
}

TEST_F(Events, EventsReachOnlyTheSignedInSessionsWindows) {
  // There is no route that takes a processing's or a company's identifier:
  // an event names only a window and a control, and goes to the UI thread of
  // the session of its cookie. So the only way to another company's data
  // would be another session's windows.
  Browser other(port);
  auto opened = other.Open("other", "other-pass", 2, 2);
  ASSERT_EQ(opened.status, 200);
  EXPECT_EQ(CaptionOf(opened.body["state"], "lblCompany"), "Company 2");

  Type("txtName", "mine");
  ASSERT_EQ(Click("cmdAdd").status, 200);
  EXPECT_EQ(ControlOf(state, "frmTestRegister", "lvwItems")["rows"].size(), 1u);
  auto theirs = other.State();
  EXPECT_EQ(theirs.body["state"], opened.body["state"]) << "the other session saw nothing of it";

  // One session's cookie with the other's CSRF token is refused.
  Browser mixed(port);
  mixed.cookie() = b->cookie();
  mixed.csrf() = other.csrf();
  EXPECT_EQ(mixed.Event({{"window", "frmTestRegister"}, {"control", "cmdAdd"}, {"type", "click"}}).status, 403);
  // A user of company 2 cannot open company 1.
  Browser again(port);
  ASSERT_EQ(again.SignIn("other", "other-pass").status, 200);
  EXPECT_EQ(again.Send("POST", "/api/open", {{"company", 1}, {"department", 0}, {"financial", 1}, {"date", "2024-03-15"}})
                .status,
            403);
}

TEST_F(Events, ClosingTheRegisterEndsTheSession) {
  const json closers[] = {
      {{"control", "txtName"}, {"type", "key"}, {"key", 27}},  // Esc: the cancel button
      {{"control", ""}, {"type", "close"}},                      // the close box
      {{"control", "CmdClose"}, {"type", "click"}},
  };
  for (const auto& closer : closers) {
    if (!b->State().body.contains("state")) {
      ASSERT_EQ(b->Open("clerk", "clerk-pass").status, 200);
    }
    auto r = Send(closer);
    EXPECT_EQ(r.status, 200) << closer.dump();
    EXPECT_TRUE(r.body.value("ended", false)) << r.raw;
    EXPECT_NE(r.set_cookie.find("Max-Age=0"), std::string::npos);
    EXPECT_EQ(server->SessionCount(), 0u);
    EXPECT_EQ(b->State().status, 401);
  }
}

TEST_F(Events, LongWorkAnswersBusyThenTheStateFollows) {
  auto options = TestOptions(database.file.string());
  options.event_wait = std::chrono::milliseconds(200);
  server.reset();
  StartServer(std::move(options));
  b = std::make_unique<Browser>(port);
  ASSERT_EQ(b->Open("clerk", "clerk-pass").status, 200);
  auto r = Click("cmdSlow");
  EXPECT_EQ(r.status, 202);
  EXPECT_TRUE(r.body.value("busy", false));
  json latest;
  for (int i = 0; i < 50; ++i) {
    auto s = b->State();
    ASSERT_EQ(s.status, 200);
    latest = s.body;
    if (!s.body.value("busy", true)) break;
  }
  EXPECT_FALSE(latest.value("busy", true));
  EXPECT_EQ(CaptionOf(latest["state"], "lblAnswer"), "slow done");
}

TEST_F(Events, SignOutStopsLongWorkAtItsNextBreath) {
  auto options = TestOptions(database.file.string());
  options.event_wait = std::chrono::milliseconds(100);
  server.reset();
  StartServer(std::move(options));
  b = std::make_unique<Browser>(port);
  ASSERT_EQ(b->Open("clerk", "clerk-pass").status, 200);
  ASSERT_EQ(Click("cmdSlow").status, 202);
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(b->Send("POST", "/api/signout").status, 200);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1200))
      << "the work stopped at a DoEvents rather than running to its end";
  EXPECT_EQ(server->SessionCount(), 0u);
}

TEST_F(Events, EventsBeforeTheWorkplaceIsChosenAreRefused) {
  Browser fresh(port);
  ASSERT_EQ(fresh.SignIn("clerk", "clerk-pass").status, 200);
  EXPECT_EQ(fresh.State().body["stage"], "choose");
  EXPECT_EQ(fresh.Event({{"window", "frmTestRegister"}, {"control", "cmdAdd"}, {"type", "click"}}).status, 409);
  // And a second open of a running session is refused.
  EXPECT_EQ(b->Send("POST", "/api/open", {{"company", 1}, {"department", 0}, {"financial", 1}, {"date", "2024-03-15"}})
                .status,
            409);
}

TEST_F(Events, MalformedEventsAreRefused) {
  const json cases[] = {
      {{"window", "frmTestRegister"}, {"control", "cmdAdd"}},                           // no type
      {{"window", "frmTestRegister"}, {"control", "cmdAdd"}, {"type", 3}},              // type not text
      {{"window", "frmTestRegister"}, {"control", "lvwItems"}, {"type", "select"}, {"item", "0"}},
      {{"control", "cmdAdd"}, {"type", "click"}},                                       // no window
  };
  for (const auto& c : cases) {
    json before = state;
    auto r = b->Event(c);
    EXPECT_EQ(r.status, 400) << c.dump();
    EXPECT_EQ(b->State().body["state"], before);
  }
}

}  // namespace
}  // namespace hp::webtest
