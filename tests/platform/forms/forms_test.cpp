// The forms toolkit as the windows and the browser use it: key handling in
// text boxes, refusals of events, focus order, default and cancel buttons,
// option groups, combo clicks, grid sorting, modal windows, and the JSON text
// every browser answer is made of (strings escaped, bytes that are not UTF-8
// replaced so the answer always parses, a window read back whole).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/form.h"
#include "platform/forms/json_writer.h"
#include "platform/forms/list_view.h"
#include "platform/forms/scripted_host.h"
#include "platform/forms/text_box.h"

namespace hp::forms {
namespace {

struct Window : Form {
  explicit Window(Host& h, std::string name = "frmTest") : Form(h, std::move(name)) {
    optX.Container = &fra;
    optY.Container = &fra;
    cmdOK.Click = [this] { ++ok_clicks; };
    cmdClose.Click = [this] { Unload(); };
  }
  Frame fra{*this, "fra"};
  TextBox txtA{*this, "txtA"}, txtB{*this, "txtB"};
  ComboBox cboC{*this, "cboC"};
  OptionButton optX{*this, "optX"}, optY{*this, "optY"}, optZ{*this, "optZ"};
  CommandButton cmdOK{*this, "cmdOK", "&OK"}, cmdClose{*this, "cmdClose", "&Close"};
  int ok_clicks = 0;
  int activations = 0;

 protected:
  void Form_Activate() override { ++activations; }
};

// One window on a scripted host.
struct WindowTest : ::testing::Test {
  ScriptedHost host;
  Window w{host};
};
using TextBoxKeys = WindowTest;
using Controls = WindowTest;

Event KeyEvent(const std::string& control, int key, int sel_start = -1, int sel_length = 0) {
  return Event{.control = control, .type = "key", .key = key, .sel_start = sel_start, .sel_length = sel_length};
}

TEST_F(TextBoxKeys, KeysAreFilteredThenAppliedAtTheCaretCountingCharacters) {
  struct Case {
    std::string start;
    int key;
    int sel_start, sel_length;
    int max_length;
    std::string expected;
    std::string value = "";  // the key's text, for keys beyond ASCII
  } cases[] = {
      {"12", '3', -1, 0, 0, "123"},   // typed at the end
      {"12", '9', 0, 0, 0, "912"},    // at the caret
      {"1234", '0', 1, 2, 0, "104"},  // over the selection
      {"12", 8, -1, 0, 0, "1"},       // backspace
      {"12", 8, 0, 0, 0, "12"},       // backspace at the start
      {"ab", 8, 0, 2, 0, ""},         // backspace over a selection
      {"abc", 'd', -1, 0, 3, "abc"},  // full box
      {"abc", 'd', 1, 1, 3, "adc"},   // a full box still takes a replacement
      {"x", '\'', -1, 0, 0, "x"},     // the key handler swallowed the apostrophe
      {"é", 0x20AC, -1, 0, 3, "é€", "€"},
      {"é€", 'x', -1, 0, 3, "é€x"},  // two characters, five bytes
      {"é€x", 'y', -1, 0, 3, "é€x"},
      {"é€x", 8, -1, 0, 3, "é€"},
      {"é€", '9', 1, 0, 0, "é9€"},
  };
  w.txtA.KeyPress = [](int& key) {
    if (key == '\'') key = 0;
  };
  for (const auto& c : cases) {
    w.txtA.SetText(c.start);
    w.txtA.MaxLength = c.max_length;
    w.Dispatch(Event{.control = "txtA", .type = "key", .value = c.value, .key = c.key, .sel_start = c.sel_start,
                     .sel_length = c.sel_length});
    EXPECT_EQ(w.txtA.Text(), c.expected) << c.start << " + " << c.key;
  }
}

TEST_F(TextBoxKeys, ChangeRunsOnlyWhenTheTextChangesAndKeyUpAfterIt) {
  std::vector<std::string> seen;
  w.txtA.Change = [&] { seen.push_back("change:" + w.txtA.Text()); };
  w.txtA.KeyUp = [&](int) { seen.push_back("up:" + w.txtA.Text()); };
  w.Dispatch(KeyEvent("txtA", 'a'));
  w.Dispatch(KeyEvent("txtA", 8, 0, 0));  // nothing to delete: no Change
  w.Dispatch(Event{.control = "txtA", .type = "change", .value = "it's pasted"});
  EXPECT_EQ(seen, (std::vector<std::string>{"change:a", "up:a", "up:a", "change:it's pasted"}));
}

// Unknown controls, hidden ones, disabled frames and missing entries are
// refused through the web layer in tests/web.
TEST_F(WindowTest, RefusesWhatAUserCouldNotDoAndChangesNothing) {
  const struct {
    const char* name;
    std::function<void(Window&)> setup;
    Event event;
  } cases[] = {
      {"disabled button", [](Window& win) { win.cmdOK.Enabled = false; }, Event{.control = "cmdOK", .type = "click"}},
      {"option in a hidden frame", [](Window& win) { win.fra.Visible = false; },
       Event{.control = "optX", .type = "click"}},
      {"locked text", [](Window& win) { win.txtA.Locked = true; },
       Event{.control = "txtA", .type = "change", .value = "x"}},
  };
  for (const auto& c : cases) {
    Window win(host);
    c.setup(win);
    auto before = win.Values();
    try {
      win.Dispatch(c.event);
      ADD_FAILURE() << c.name << ": accepted";
    } catch (const EventError& e) {
      EXPECT_EQ(e.kind(), EventError::kRefused) << c.name;
    }
    EXPECT_EQ(win.Values(), before) << c.name;
    EXPECT_EQ(win.ok_clicks, 0) << c.name;
  }
}

TEST_F(WindowTest, TabOrderSkipsWhatCannotTakeTheFocusAndWraps) {
  w.txtB.Enabled = false;
  w.cboC.Visible = false;
  w.FocusFirst();
  std::vector<std::string> order;
  for (int i = 0; i < 7; ++i) {
    order.push_back(w.ActiveControl()->Name());
    w.FocusNext();
  }
  EXPECT_EQ(order, (std::vector<std::string>{"txtA", "optX", "optY", "optZ", "cmdOK", "cmdClose", "txtA"}));
}

TEST_F(WindowTest, EnterPressesTheDefaultButtonOnlyWhereTheControlHasNoKeyHandler) {
  w.DefaultButton = &w.cmdOK;
  w.CancelButton = &w.cmdClose;
  w.optX.KeyPress = [&](int& key) {
    if (key == 13) w.FocusNext();
  };
  w.Dispatch(KeyEvent("optX", 13));
  EXPECT_EQ(w.ok_clicks, 0);
  w.Dispatch(KeyEvent("optZ", 13));
  EXPECT_EQ(w.ok_clicks, 1);
  w.Load();
  w.Dispatch(KeyEvent("txtA", 27));  // Esc: the cancel button closes the window
  EXPECT_FALSE(w.IsLoaded());
}

TEST_F(Controls, OptionButtonsAllowOneChoicePerContainer) {
  w.optZ.SetValue(true);
  w.Dispatch(Event{.control = "optX", .type = "click"});
  w.Dispatch(Event{.control = "optY", .type = "click"});
  EXPECT_FALSE(w.optX.Value());
  EXPECT_TRUE(w.optY.Value());
  EXPECT_TRUE(w.optZ.Value());  // another container
}

TEST_F(Controls, ComboBoxEntryChosenRunsClickAndCarriesItsData) {
  int clicks = 0;
  w.cboC.Click = [&] { ++clicks; };
  w.cboC.AddItem("Vehicles", 10);
  w.cboC.AddItem("Electronics", 20);
  w.cboC.SetListIndex(1);
  w.cboC.SetListIndex(1);  // no change from code: no Click
  EXPECT_EQ(clicks, 1);
  w.Dispatch(Event{.control = "cboC", .type = "select", .item = 1});  // the user chose it again
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(w.cboC.SelectedData(), 20);
  EXPECT_EQ(w.cboC.Text(), "Electronics");
  w.cboC.SetListIndex(-1);
  EXPECT_EQ(w.cboC.SelectedData(), 0);
}

TEST_F(Controls, FlexGridSortsNumbersAsNumbersOnlyInGenericSorts) {
  FlexGrid grid(w, "grid");
  grid.SetCols(2);
  grid.SetRows(1);
  for (const char* v : {"120", "13", "5", "abc", "121", "Abd"}) grid.AddItem(std::string("id\t") + v);
  grid.Col = 1;
  const std::pair<int, std::vector<std::string>> cases[] = {
      {FlexGrid::kGenericAscending, {"5", "13", "120", "121", "abc", "Abd"}},
      {FlexGrid::kGenericDescending, {"Abd", "abc", "121", "120", "13", "5"}},
      {FlexGrid::kStringAscending, {"120", "121", "13", "5", "Abd", "abc"}},
      {FlexGrid::kStringDescending, {"abc", "Abd", "5", "13", "121", "120"}},
  };
  for (const auto& [kind, expected] : cases) {
    grid.DoSort(kind);
    std::vector<std::string> column;
    for (int r = 1; r < grid.Rows(); ++r) column.push_back(grid.TextMatrix(r, 1));
    EXPECT_EQ(column, expected) << "kind " << kind;
  }
}

TEST_F(Controls, FlexGridSendsTheBrowserTheHeadingsAndAWindowOfRows) {
  FlexGrid grid(w, "grid");
  grid.SetCols(2);
  grid.SetRows(1);
  grid.SetTextMatrix(0, 1, "Processing No");
  for (int i = 1; i <= 100000; ++i) grid.AddItem(std::to_string(i) + "\tHP" + std::to_string(i));
  grid.TopRow = 50000;
  nlohmann::json j;
  grid.Describe(j);
  EXPECT_EQ(j["rows"], 100001);
  EXPECT_EQ(j["cells"]["0"]["text"][1], "Processing No");
  EXPECT_EQ(j["cells"]["50000"]["text"][1], "HP50000");
  EXPECT_LT(j["cells"].size(), 100u);
}

TEST(ModalWindows, TheWindowBelowIsActivatedAgainWhenTheDialogCloses) {
  ScriptedHost host;
  Window main(host, "frmMain");
  Window dialog(host, "frmDialog");
  host.OnShow("frmMain", [&](Form&) {
    host.ShowModal(dialog);
    EXPECT_EQ(host.ActiveForm(), &main);
  });
  host.OnShow("frmDialog", [&](Form& f) {
    EXPECT_EQ(host.ActiveForm(), &f);
    EXPECT_EQ(host.Stack().size(), 2u);
  });
  host.ShowModal(main);
  EXPECT_EQ(main.activations, 2);
  EXPECT_EQ(dialog.activations, 1);
  EXPECT_FALSE(dialog.IsLoaded());
  EXPECT_TRUE(host.Stack().empty());
  EXPECT_EQ(host.Shown(), (std::vector<std::string>{"frmMain", "frmDialog"}));
}

TEST(ScriptedHost, AQuestionWithoutAnAnswerFailsTheTest) {
  ScriptedHost host;
  EXPECT_EQ(host.MsgBox("Saved.", vbInformation, "HP"), MsgBoxResult::Ok);
  EXPECT_THROW(host.MsgBox("Save Changes?", vbYesNoCancel, "HP"), ScriptError);
  host.Answer(MsgBoxResult::No);
  EXPECT_EQ(host.MsgBox("Save Changes?", vbYesNoCancel, "HP"), MsgBoxResult::No);
  Window w(host, "frmUndriven");
  EXPECT_THROW(host.ShowModal(w), ScriptError);
}

TEST_F(Controls, ListViewNumbersSubItemsFromOneAndGrowsThemOnWrite) {
  ListView lvw(w, "lvw");
  int i = lvw.Add("1");
  lvw.Item(i).SetSubItem(3, "5000.00");
  EXPECT_EQ(lvw.Item(i).SubItem(0), "1");
  EXPECT_EQ(lvw.Item(i).SubItem(3), "5000.00");
  EXPECT_EQ(lvw.Item(i).SubItem(1), "");
  EXPECT_EQ(lvw.Item(i).SubItem(11), "");
  w.Dispatch(Event{.control = "lvw", .type = "select", .item = 0});
  EXPECT_EQ(lvw.SelectedIndex(), 0);
}

TEST(JsonWriter, WritesStringsAsValidJsonReplacingWhatIsNotUtf8) {
  const std::string bad = "\xEF\xBF\xBD";  // U+FFFD for each byte that is not UTF-8
  const struct {
    const char* name;
    std::string text;
    std::string written;  // the JSON text, quotes included
  } cases[] = {
      {"empty", "", "\"\""}, {"plain", "HP 1/2024", "\"HP 1/2024\""},
      {"quote and backslash", "a\"b\\c", R"("a\"b\\c")"}, {"named controls", "1\n2\r3\t4\b5\f", R"("1\n2\r3\t4\b5\f")"},
      {"other controls", std::string("x\x01y\x1F", 4), R"("x\u0001y\u001f")"},
      {"NUL inside", std::string("a\0b", 3), R"("a\u0000b")"}, {"delete", "\x7F", "\"\x7F\""},
      {"two bytes", "\xC3\x85ke", "\"\xC3\x85ke\""}, {"three bytes", "\xE2\x82\xAC" "5", "\"\xE2\x82\xAC" "5\""},
      {"four bytes", "\xF0\x9F\x98\x80", "\"\xF0\x9F\x98\x80\""},
      {"lone continuation", "a\x80" "b", "\"a" + bad + "b\""},
      {"overlong two bytes", "\xC0\xAF", "\"" + bad + bad + "\""},
      {"overlong three bytes", "\xE0\x80\xAF", "\"" + bad + bad + bad + "\""},
      {"surrogate", "\xED\xA0\x80", "\"" + bad + bad + bad + "\""},
      {"above Unicode", "\xF4\x90\x80\x80", "\"" + bad + bad + bad + bad + "\""},
      {"cut short at the end", "ok\xE2\x82", "\"ok" + bad + bad + "\""},
      {"cut short before ASCII", "\xE2\x82" "A", "\"" + bad + bad + "A\""},
      {"never a lead byte", "\xF8\xFF", "\"" + bad + bad + "\""},
  };
  for (const auto& c : cases) {
    std::string out;
    AppendJsonString(out, c.text);
    EXPECT_EQ(out, c.written) << c.name;
    // A strict reader takes it (it refuses text that is not UTF-8).
    nlohmann::json parsed = nlohmann::json::parse(out);
    ASSERT_TRUE(parsed.is_string()) << c.name;
    if (c.written.find(bad) == std::string::npos) {
      EXPECT_EQ(parsed.get<std::string>(), c.text) << c.name;
    }
  }
}

TEST(JsonWriter, PlacesCommasInNestedContainers) {
  JsonWriter w;
  w.BeginObject();
  w.Field("a", 1);
  w.Key("empty"), w.BeginArray(), w.EndArray();
  w.Key("list"), w.BeginArray();
  w.Int(-9223372036854775807LL - 1);
  w.BeginObject(), w.EndObject();
  w.BeginObject(), w.Field("x", true), w.Field("y", "z"), w.EndObject();
  w.Null();
  w.Raw(R"({"r":[1,2]})");
  w.EndArray();
  w.Field("b", false);
  w.EndObject();
  EXPECT_EQ(w.Text(),
            R"({"a":1,"empty":[],"list":[-9223372036854775808,{},{"x":true,"y":"z"},null,{"r":[1,2]}],"b":false})");
  const std::string text = w.Text();
  EXPECT_EQ(w.Take(), text);
  EXPECT_EQ(w.Text(), "");
}

struct Screen : Form {
  explicit Screen(Host& h) : Form(h, "frmScreen") {
    Caption = "A \\ window";
    DefaultButton = &cmd;
  }
  TextBox txt{*this, "txt"};
  ComboBox cbo{*this, "cbo"};
  ListView lvw{*this, "lvw"};
  FlexGrid grid{*this, "grid"};
  CheckBox chk{*this, "chk", "Tick \"me\""};
  CommandButton cmd{*this, "cmd", "&OK"};
};

// The window as the browser gets it: every control in order, each with its
// own members and what the caller notes beside them.
TEST(JsonWriter, AWindowReadsBackWithEveryControl) {
  ScriptedHost host;
  Screen s(host);
  s.txt.SetText("line 1\nline \"2\"");
  s.cbo.AddItem("First", 1);
  s.cbo.AddItem("Sec\xC3\xB6nd", 2);
  s.lvw.Columns = {{"No", 500}, {"Amount", 900}};
  s.lvw.Add("1");
  s.lvw.Item(0).SetSubItem(1, "5,000.00");
  s.lvw.Add("2");  // no sub-item: sent as an empty cell
  s.grid.SetCols(2);
  s.grid.SetRows(1);
  s.grid.SetTextMatrix(0, 0, "Head");
  for (int i = 1; i <= 3; ++i) s.grid.AddItem(std::to_string(i) + "\tHP" + std::to_string(i));
  s.grid.SetCellForeColor(2, 1, kRed);
  s.chk.Value = 1;

  JsonWriter w;
  w.BeginObject();
  s.Write(w, [](const Control& c, JsonWriter& out) { out.Field("note", c.Name() + "!"); });
  w.EndObject();
  nlohmann::json j = nlohmann::json::parse(w.Text());

  EXPECT_EQ(j["name"], "frmScreen");
  EXPECT_EQ(j["caption"], "A \\ window");
  EXPECT_EQ(j["defaultButton"], "cmd");
  const auto& controls = j["controls"];
  ASSERT_EQ(controls.size(), 6u);
  for (size_t i = 0; i < controls.size(); ++i) {
    EXPECT_EQ(controls[i]["note"], s.Controls()[i]->Name() + "!");
    EXPECT_EQ(controls[i]["tabIndex"], static_cast<int>(i));
  }
  EXPECT_EQ(controls[0]["text"], "line 1\nline \"2\"");
  EXPECT_EQ(controls[1]["items"], nlohmann::json::array({"First", "Sec\xC3\xB6nd"}));
  EXPECT_EQ(controls[2]["rows"], nlohmann::json::parse(R"([["1","5,000.00"],["2",""]])"));
  EXPECT_EQ(controls[3]["rows"], 4);
  EXPECT_EQ(controls[3]["cells"]["0"]["text"], nlohmann::json::array({"Head", ""}));
  EXPECT_EQ(controls[3]["cells"]["2"]["text"], nlohmann::json::array({"2", "HP2"}));
  EXPECT_EQ(controls[3]["cells"]["2"]["colours"], nlohmann::json::array({kDefaultColour, kRed}));
  EXPECT_FALSE(controls[3]["cells"]["1"].contains("colours"));
  EXPECT_EQ(controls[4]["caption"], "Tick \"me\"");
  EXPECT_EQ(controls[4]["value"], 1);

  // Describe gives the same document, without the caller's notes.
  nlohmann::json described;
  s.Describe(described);
  for (auto& c : j["controls"]) c.erase("note");
  EXPECT_EQ(described, j);
}

}  // namespace
}  // namespace hp::forms
