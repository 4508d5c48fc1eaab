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
    SignInAgain();
  }
  void SignInAgain() {
    b = std::make_unique<Browser>(port);
    auto r = b->Open("clerk", "clerk-pass");
    ASSERT_EQ(r.status, 200) << r.raw;
    state = r.body["state"];
  }
  // Sends an event (to the test register unless it names a window) and keeps the state.
  int Send(json event, const std::string& window = "frmTestRegister") {
    if (!event.contains("window")) event["window"] = window;
    auto r = b->Event(event);
    if (r.body.is_object() && r.body.contains("state")) state = r.body["state"];
    return r.status;
  }
  int Click(const std::string& control) { return Send(On(control)); }
  // Types text key by key at the end of the box, as the page sends it.
  void Type(const std::string& control, const std::string& text) {
    for (unsigned char ch : text)
      ASSERT_EQ(Send(On(control, "key", {{"key", ch}, {"value", std::string(1, static_cast<char>(ch))}})), 200);
  }
  json Control(const std::string& name) { return ControlOf(state, name); }
  json Top() { return WindowNames(state).back(); }
};

TEST_F(Events, KeysAreAppliedByTheWindowsKeyHandlers) {
  Type("txtName", "ab1c");
  EXPECT_EQ(Control("txtName")["text"], "ABC") << "upper-cased, digit dropped";
  EXPECT_EQ(Control("txtName")["selStart"], 3);
  const std::tuple<const char*, json, const char*> steps[] = {
      {"txtName", {{"type", "key"}, {"key", 8}, {"sel_start", 1}}, "BC"},  // backspace after "A"
      {"txtName", {{"type", "key"}, {"key", 'x'}, {"value", "x"}, {"sel_start", 0}, {"sel_length", 2}}, "X"},
      {"txtName", {{"type", "change"}, {"value", "pasted text 123"}}, "pasted tex"},  // cut to MaxLength
      {"cboBank", {{"type", "select"}, {"item", 1}}, "Sampath Bank"},
      {"cboBank", {{"type", "key"}, {"key", 8}, {"sel_start", 1}}, "ampath Bank"}};
  for (const auto& [control, event, text] : steps) {
    ASSERT_EQ(Send(On(control, event["type"], event)), 200) << event.dump();
    EXPECT_EQ(Control(control)["text"], text) << event.dump();
  }
  Type("cboBank", "'s");
  EXPECT_EQ(Control("cboBank")["text"], "ampath Banks") << "the key handler swallowed the apostrophe";
  EXPECT_EQ(Control("lblAnswer")["caption"], "bank changed to ampath Banks") << "Change ran for the key";
}

TEST_F(Events, RefusedEventsChangeNothing) {
  EXPECT_FALSE(Control("txtHidden")["shown"]);
  Type("txtName", "abc");
  ASSERT_EQ(Click("cmdAdd"), 200);
  json no_window = On("cmdAdd");
  no_window.erase("window");
  const std::tuple<const char*, json, int, const char*> cases[] = {  // what, event, status, part of the error
      {"unknown control", On("cmdNothing"), 400, "cmdNothing"},
      {"hidden control", On("txtHidden", "change", {{"value", "x"}}), 409, "hidden"},
      {"button in a disabled frame", On("cmdInside"), 409, "disabled"},
      {"event a control does not take", On("lblCompany", "change", {{"value", "x"}}), 409, ""},
      {"unknown window", {{"window", "frmOther"}, {"control", "cmdAdd"}, {"type", "click"}}, 409, "active"},
      {"no list row", On("lvwItems", "select", {{"item", 5}}), 409, "row"},
      {"no combo entry", On("cboBank", "select", {{"item", 9}}), 409, "entry"},
      {"no grid cell", On("flexRows", "click", {{"row", 500}, {"col", 0}}), 409, "cell"},
      {"message box not open", {{"window", "$msgbox"}, {"control", "Yes"}, {"type", "click"}}, 409, ""},
      {"no type", On("cmdAdd", ""), 400, ""},
      {"type not text", {{"window", "frmTestRegister"}, {"control", "cmdAdd"}, {"type", 3}}, 400, ""},
      {"item as text", On("lvwItems", "select", {{"item", "0"}}), 400, ""},
      {"key beyond int", On("cmdAdd", "key", {{"key", 4294967309}}), 400, ""},
      {"no window", no_window, 400, ""}};
  for (const auto& [what, event, status, message] : cases) {
    auto r = b->Event(event);
    EXPECT_EQ(r.status, status) << what << ": " << r.raw;
    EXPECT_FALSE(r.body.value("ok", true)) << what << ": " << r.raw;
    EXPECT_NE(r.body.value("error", std::string()).find(message), std::string::npos) << what << ": " << r.raw;
    EXPECT_EQ(b->State().body["state"], state) << what;
  }
}

TEST_F(Events, OnlyTheWindowOnTopTakesEvents) {
  ASSERT_EQ(Click("cmdDialog"), 200);
  ASSERT_EQ(WindowNames(state), (std::vector<std::string>{"frmTestRegister", "frmTestDialog"}));
  EXPECT_EQ(state["focus"]["window"], "frmTestDialog");
  const json before = state;
  EXPECT_EQ(Click("cmdAdd"), 409);
  EXPECT_EQ(state, before);
  ASSERT_EQ(Send({{"control", "txtReply"}, {"type", "change"}, {"value", "fine"}}, "frmTestDialog"), 200);
  ASSERT_EQ(Send({{"control", "txtReply"}, {"type", "key"}, {"key", 13}}, "frmTestDialog"), 200) << "default button";
  EXPECT_EQ(Top(), "frmTestRegister");
  EXPECT_EQ(Control("lblAnswer")["caption"], "reply fine") << "ShowModal returned to the handler";
}

TEST_F(Events, MessageBoxAnswersReturnToTheHandler) {
  const std::tuple<json, int, const char*> cases[] = {  // answer, status, caption after it ("": the box stays)
      {{{"control", "Maybe"}, {"type", "click"}}, 400, ""},
      {{{"type", "key"}, {"key", 27}}, 409, ""},  // Yes/No cannot be escaped
      {{{"type", "close"}}, 409, ""},
      {{{"control", "Yes"}, {"type", "click"}}, 200, "Yes"},
      {{{"control", "No"}, {"type", "click"}}, 200, "No"},
      {{{"type", "key"}, {"key", 13}}, 200, "Yes"},  // the default button
      {{{"type", "key"}, {"key", 'n'}}, 200, "No"}};
  for (const auto& [answer, status, caption] : cases) {
    ASSERT_EQ(Click("cmdAsk"), 200);
    ASSERT_EQ(Top(), "$msgbox");
    const json& box = state["windows"].back();
    EXPECT_EQ(box["prompt"], "Proceed?");
    EXPECT_EQ(box["caption"], "Hire Purchase");
    EXPECT_EQ(box["icon"], "question");
    EXPECT_EQ(box["buttons"], json({"Yes", "No"}));
    EXPECT_EQ(state["focus"]["window"], "$msgbox");
    EXPECT_EQ(Click("cmdAdd"), 409) << "the window below takes nothing";
    EXPECT_EQ(Send(answer, "$msgbox"), status) << answer.dump();
    EXPECT_EQ(Top(), *caption ? "frmTestRegister" : "$msgbox") << answer.dump();
    if (*caption) {
      EXPECT_EQ(Control("lblAnswer")["caption"], caption) << answer.dump();
    } else {
      ASSERT_EQ(Send({{"control", "No"}, {"type", "click"}}, "$msgbox"), 200);
    }
  }
}

TEST_F(Events, PopupMenuRunsOnlyAnEnabledChosenItem) {
  ASSERT_EQ(Click("cmdMenu"), 200);
  ASSERT_EQ(Top(), "$menu");
  EXPECT_EQ(state["windows"].back()["menu"]["items"].size(), 2u);
  EXPECT_EQ(Send({{"type", "menu"}, {"value", "mnuOff"}}, "$menu"), 409) << "disabled item";
  EXPECT_EQ(Send({{"type", "menu"}, {"value", "mnuNone"}}, "$menu"), 400);
  EXPECT_EQ(Top(), "$menu");
  ASSERT_EQ(Send({{"type", "menu"}, {"value", "mnuAdd"}}, "$menu"), 200);
  EXPECT_EQ(Top(), "frmTestRegister");
  EXPECT_EQ(Control("lvwItems")["rows"].size(), 1u);
  ASSERT_EQ(Click("cmdMenu"), 200);
  ASSERT_EQ(Send({{"type", "menu"}, {"value", ""}}, "$menu"), 200) << "dismissed";
  EXPECT_EQ(Control("lvwItems")["rows"].size(), 1u);
  EXPECT_EQ(Control("lblAnswer")["caption"], "");
}

TEST_F(Events, GridSendsOnlyTheRowsAroundTheTopRow) {
  EXPECT_FALSE(Control("flexRows")["cells"].contains("90"));
  ASSERT_EQ(Send(On("flexRows", "scroll", {{"row", 80}})), 200);
  EXPECT_EQ(Control("flexRows")["topRow"], 80);
  EXPECT_EQ(Control("flexRows")["cells"]["90"]["text"][1], "row 90");
  ASSERT_EQ(Send(On("flexRows", "colwidth", {{"col", 1}, {"value", "2400"}})), 200);
  EXPECT_EQ(Control("flexRows")["widths"][1], 2400);
  ASSERT_EQ(Send(On("flexRows", "click", {{"row", 85}, {"col", 1}})), 200);
  EXPECT_EQ(Control("flexRows")["row"], 85);
  ASSERT_EQ(Send(On("flexRows", "key", {{"key", forms::kArrowDown}})), 200);
  EXPECT_EQ(Control("flexRows")["row"], 86);
  EXPECT_EQ(state["focus"]["control"], "flexRows");
}

// The register closing (Esc presses its cancel button) or a sign-out, even
// while a message box waits, ends the session and its cookie.
TEST_F(Events, ClosingTheRegisterOrSigningOutEndsTheSession) {
  for (const json& closer : {On("txtName", "key", {{"key", 27}}), On("", "close"), On("CmdClose"), json()}) {
    if (!b->State().body.contains("state")) SignInAgain();
    const std::string cookie = b->cookie;
    if (closer.is_null()) {
      ASSERT_EQ(Click("cmdAsk"), 200);
    }
    auto r = closer.is_null() ? b->Send("POST", "/api/signout") : b->Event(closer);
    EXPECT_EQ(r.status, 200) << closer.dump();
    EXPECT_TRUE(r.body.value("ended", false)) << r.raw;
    EXPECT_NE(r.set_cookie.find("Max-Age=0"), std::string::npos);
    EXPECT_EQ(server->SessionCount(), 0u);
    b->cookie = cookie;
    EXPECT_EQ(b->State().status, 401);
  }
}

TEST_F(Events, LongWorkAnswersBusyAndSignOutStopsItAtItsNextBreath) {
  Restart([](auto& o) { o.event_wait = std::chrono::milliseconds(100); });
  SignInAgain();
  auto r = b->Event(On("cmdSlow"));
  EXPECT_EQ(r.status, 202);
  EXPECT_TRUE(r.body.value("busy", false));
  for (int i = 0; i < 50 && r.body.value("busy", true); ++i) ASSERT_EQ((r = b->State()).status, 200);
  EXPECT_FALSE(r.body.value("busy", true));
  EXPECT_EQ(r.Control("lblAnswer")["caption"], "slow done");

  ASSERT_EQ(Click("cmdSlow"), 202);
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(b->Send("POST", "/api/signout").status, 200);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1200))
      << "the work stopped at a DoEvents rather than running to its end";
  EXPECT_EQ(server->SessionCount(), 0u);
}

}  // namespace
}  // namespace hp::webtest
