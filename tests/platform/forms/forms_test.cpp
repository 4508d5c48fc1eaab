// The forms toolkit as the windows and the browser use it: key handling in
// text boxes, refusals of events, focus order, default and cancel buttons,
// option groups, combo clicks, grid sorting and modal windows.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/form.h"
#include "platform/forms/list_view.h"
#include "platform/forms/scripted_host.h"
#include "platform/forms/text_box.h"

namespace hp::forms {
namespace {

struct Window : Form {
  explicit Window(Host& h, std::string name = "frmTest")
      : Form(h, std::move(name)),
        fra(*this, "fra"),
        txtA(*this, "txtA"),
        txtB(*this, "txtB"),
        cboC(*this, "cboC"),
        optX(*this, "optX"),
        optY(*this, "optY"),
        optZ(*this, "optZ"),
        cmdOK(*this, "cmdOK", "&OK"),
        cmdClose(*this, "cmdClose", "&Close") {
    optX.Container = &fra;
    optY.Container = &fra;
    cmdOK.Click = [this] { ++ok_clicks; };
    cmdClose.Click = [this] { Unload(); };
  }
  Frame fra;
  TextBox txtA, txtB;
  ComboBox cboC;
  OptionButton optX, optY, optZ;
  CommandButton cmdOK, cmdClose;
  int ok_clicks = 0;
  int activations = 0;

 protected:
  void Form_Activate() override { ++activations; }
};

Event KeyEvent(const std::string& control, int key, int sel_start = -1, int sel_length = 0) {
  return Event{.control = control, .type = "key", .key = key, .sel_start = sel_start, .sel_length = sel_length};
}

TEST(TextBoxKeys, KeysAreFilteredThenAppliedAtTheCaret) {
  struct Case {
    std::string start;
    int key;
    int sel_start, sel_length;
    int max_length;
    std::string expected;
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
  };
  ScriptedHost host;
  for (const auto& c : cases) {
    Window w(host);
    w.txtA.SetText(c.start);
    w.txtA.MaxLength = c.max_length;
    w.txtA.KeyPress = [](int& key) {
      if (key == '\'') key = 0;
    };
    w.Dispatch(KeyEvent("txtA", c.key, c.sel_start, c.sel_length));
    EXPECT_EQ(w.txtA.Text(), c.expected) << c.start << " + " << c.key;
  }
}

TEST(TextBoxKeys, ChangeRunsOnlyWhenTheTextChangesAndKeyUpAfterIt) {
  ScriptedHost host;
  Window w(host);
  std::vector<std::string> seen;
  w.txtA.Change = [&] { seen.push_back("change:" + w.txtA.Text()); };
  w.txtA.KeyUp = [&](int) { seen.push_back("up:" + w.txtA.Text()); };
  w.Dispatch(KeyEvent("txtA", 'a'));
  w.Dispatch(KeyEvent("txtA", 8, 0, 0));  // nothing to delete: no Change
  w.Dispatch(Event{.control = "txtA", .type = "change", .value = "it's pasted"});
  EXPECT_EQ(seen, (std::vector<std::string>{"change:a", "up:a", "up:a", "change:it's pasted"}));
}

TEST(TextBoxKeys, UnicodeCharactersCountAsOne) {
  ScriptedHost host;
  Window w(host);
  w.txtA.MaxLength = 3;
  w.Dispatch(Event{.control = "txtA", .type = "key", .value = "é", .key = 0xE9});
  w.Dispatch(Event{.control = "txtA", .type = "key", .value = "€", .key = 0x20AC});
  w.Dispatch(KeyEvent("txtA", 'x'));
  w.Dispatch(KeyEvent("txtA", 'y'));
  EXPECT_EQ(w.txtA.Text(), "é€x");
  w.Dispatch(KeyEvent("txtA", 8));
  EXPECT_EQ(w.txtA.Text(), "é€");
}

TEST(Dispatch, RefusesWhatAUserCouldNotDoAndChangesNothing) {
  ScriptedHost host;
  struct Case {
    const char* name;
    std::function<void(Window&)> setup;
    Event event;
    EventError::Kind kind;
  } cases[] = {
      {"unknown control", [](Window&) {}, Event{.control = "cmdNope", .type = "click"}, EventError::kUnknown},
      {"disabled button", [](Window& w) { w.cmdOK.Enabled = false; }, Event{.control = "cmdOK", .type = "click"},
       EventError::kRefused},
      {"hidden button", [](Window& w) { w.cmdOK.Visible = false; }, Event{.control = "cmdOK", .type = "click"},
       EventError::kRefused},
      {"option in a hidden frame", [](Window& w) { w.fra.Visible = false; },
       Event{.control = "optX", .type = "click"}, EventError::kRefused},
      {"option in a disabled frame", [](Window& w) { w.fra.Enabled = false; },
       Event{.control = "optX", .type = "click"}, EventError::kRefused},
      {"locked text", [](Window& w) { w.txtA.Locked = true; },
       Event{.control = "txtA", .type = "change", .value = "x"}, EventError::kRefused},
      {"no such combo entry", [](Window&) {}, Event{.control = "cboC", .type = "select", .item = 3},
       EventError::kRefused},
  };
  for (auto& c : cases) {
    Window w(host);
    c.setup(w);
    auto before = w.Values();
    try {
      w.Dispatch(c.event);
      ADD_FAILURE() << c.name << ": accepted";
    } catch (const EventError& e) {
      EXPECT_EQ(e.kind(), c.kind) << c.name;
    }
    EXPECT_EQ(w.Values(), before) << c.name;
    EXPECT_EQ(w.ok_clicks, 0) << c.name;
  }
}

TEST(Focus, TabOrderSkipsWhatCannotTakeTheFocusAndWraps) {
  ScriptedHost host;
  Window w(host);
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

TEST(Keys, EnterPressesTheDefaultButtonOnlyWhereTheControlHasNoKeyHandler) {
  ScriptedHost host;
  Window w(host);
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

TEST(OptionButtons, OneChoicePerContainer) {
  ScriptedHost host;
  Window w(host);
  w.optZ.SetValue(true);
  w.Dispatch(Event{.control = "optX", .type = "click"});
  w.Dispatch(Event{.control = "optY", .type = "click"});
  EXPECT_FALSE(w.optX.Value());
  EXPECT_TRUE(w.optY.Value());
  EXPECT_TRUE(w.optZ.Value());  // another container
}

TEST(ComboBox, ChoosingAnEntryRunsClickAndCarriesItsData) {
  ScriptedHost host;
  Window w(host);
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

TEST(FlexGrid, SortKindsOrderNumbersAsNumbersOnlyInGenericSorts) {
  ScriptedHost host;
  Window w(host);
  FlexGrid grid(w, "grid");
  grid.SetCols(2);
  grid.SetRows(1);
  for (const char* v : {"120", "13", "5", "abc", "121", "Abd"}) grid.AddItem(std::string("id\t") + v);
  auto column = [&] {
    std::vector<std::string> out;
    for (int r = 1; r < grid.Rows(); ++r) out.push_back(grid.TextMatrix(r, 1));
    return out;
  };
  grid.Col = 1;
  struct Case {
    int kind;
    std::vector<std::string> expected;
  } cases[] = {
      {FlexGrid::kGenericAscending, {"5", "13", "120", "121", "abc", "Abd"}},
      {FlexGrid::kGenericDescending, {"Abd", "abc", "121", "120", "13", "5"}},
      {FlexGrid::kStringAscending, {"120", "121", "13", "5", "Abd", "abc"}},
      {FlexGrid::kStringDescending, {"abc", "Abd", "5", "13", "121", "120"}},
  };
  for (const auto& c : cases) {
    grid.DoSort(c.kind);
    EXPECT_EQ(column(), c.expected) << "kind " << c.kind;
  }
}

TEST(FlexGrid, TheBrowserGetsTheHeadingsAndAWindowOfRows) {
  ScriptedHost host;
  Window w(host);
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

TEST(ListView, SubItemsAreNumberedFromOneAndGrowOnWrite) {
  ScriptedHost host;
  Window w(host);
  ListView lvw(w, "lvw");
  int i = lvw.Add("1");
  lvw.Item(i).SetSubItem(3, "5000.00");
  EXPECT_EQ(lvw.Item(i).SubItem(0), "1");
  EXPECT_EQ(lvw.Item(i).SubItem(3), "5000.00");
  EXPECT_EQ(lvw.Item(i).SubItem(1), "");
  EXPECT_EQ(lvw.Item(i).SubItem(11), "");
  w.Dispatch(Event{.control = "lvw", .type = "select", .item = 0});
  EXPECT_EQ(lvw.SelectedIndex(), 0);
  EXPECT_THROW(w.Dispatch(Event{.control = "lvw", .type = "select", .item = 1}), EventError);
}

}  // namespace
}  // namespace hp::forms
