// The browser's events without a server: each line of the input is the body
// of one POST /api/event. DecodeEvent must refuse it or give a command that
// says exactly what the body says (and reads back the same when written as
// JSON again). The commands then go, as a session's do, through the channel to
// a WebHost on its own UI thread, running a window with a control of every
// kind and the handlers real windows have (a key filter, a question, a pop-up
// menu, a window opened over it). Every answer must be 200, 400 or 409 — 500
// would mean a control failed on what the browser sent — with the state as
// JSON; nothing may escape the UI thread.
#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>

#include "platform/forms/basic_controls.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/form.h"
#include "platform/forms/list_view.h"
#include "platform/forms/menu.h"
#include "platform/forms/tab_strip.h"
#include "platform/forms/text_box.h"
#include "web/event_body.h"
#include "web/web_host.h"

namespace f = hp::forms;
namespace w = hp::web;
using nlohmann::json;

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

class FuzzWindow : public f::Form {
 public:
  FuzzWindow(f::Host& host, std::string name, bool opens_child)
      : Form(host, std::move(name)), opens_child_(opens_child) {
    txtAmount.MaxLength = 12;
    txtAmount.KeyPress = [](int& key) {
      if (key >= 'a' && key <= 'z') key -= 'a' - 'A';
    };
    txtNotes.MultiLine = true;
    cboCode.AddItem("A1", 1);
    cboCode.AddItem("B2", 2);
    cboCode.KeyPress = [](int& key) {
      if (key == '#') key = 0;
    };
    cboList.AddItem("one", 1);
    cboList.AddItem("two", 2);
    lvw.Columns = {{"No", 500}, {"Name", 900}};
    lvw.Checkboxes = true;
    for (int i = 1; i <= 3; ++i) lvw.Item(lvw.Add(std::to_string(i))).SetSubItem(1, "row");
    lvw.MouseDown = [this](int button) {
      if (button == 2) PopupMenu(mnuEdit);
    };
    grid.SetRows(4);
    grid.SetCols(3);
    grid.SetTextMatrix(1, 1, "12.50");
    tabs.Tabs = {{"First"}, {"Second", false}};
    fraOff.Enabled = false;
    chkInside.Container = &fraOff;
    mnuEdit.name = "mnuEdit";
    mnuEdit.items = {{"mnuAdd", "Add"}, {"mnuOff", "Off", false}, {"mnuHidden", "Hidden", true, false}};
    mnuEdit.items[0].Click = [this] { this->host().MsgBox("Added", f::vbOKOnly, "Fuzz"); };
    AddMenu(mnuEdit);
    cmdAsk.Click = [this] { this->host().MsgBox("Sure?", f::vbYesNo + f::vbQuestion, "Fuzz"); };
    cmdOpen.Click = [this] {
      if (!opens_child_) return;
      FuzzWindow child(this->host(), "frmChild", false);
      this->host().ShowModal(child);
    };
    cmdClose.Click = [this] { Unload(); };
    DefaultButton = &cmdAsk;
    CancelButton = &cmdClose;
  }

 private:
  bool opens_child_;
  f::TextBox txtAmount{*this, "txtAmount"}, txtNotes{*this, "txtNotes"};
  f::ComboBox cboCode{*this, "cboCode", f::ComboBox::Style::DropDownCombo};
  f::ComboBox cboList{*this, "cboList"};
  f::ListView lvw{*this, "lvw"};
  f::FlexGrid grid{*this, "grid"};
  f::TabStrip tabs{*this, "tabs"};
  f::Frame fraOff{*this, "fraOff", "Off"};
  f::CheckBox chkInside{*this, "chkInside", "Inside"};
  f::OptionButton optA{*this, "optA", "A"}, optB{*this, "optB", "B"};
  f::DatePicker dtp{*this, "dtp"};
  f::Label lbl{*this, "lbl", "Label"};
  f::CommandButton cmdAsk{*this, "cmdAsk", "Ask"}, cmdOpen{*this, "cmdOpen", "Open"};
  f::CommandButton cmdClose{*this, "cmdClose", "Close"};
  f::Menu mnuEdit;
};

json Encode(const w::Command& c) {
  const f::Event& e = c.event;
  return {{"window", c.window}, {"control", e.control}, {"type", e.type},   {"value", e.value},
          {"key", e.key},       {"item", e.item},       {"row", e.row},     {"col", e.col},
          {"button", e.button}, {"sel_start", e.sel_start}, {"sel_length", e.sel_length}};
}

// The command says what the body says: each member's text, or the default
// where the body has none.
void CheckFaithful(const json& body, const w::Command& c) {
  Check(!c.event.type.empty());
  const json mine = Encode(c);
  for (const auto& [name, value] : mine.items()) {
    auto it = body.find(name);
    if (it == body.end() || it->is_null()) {
      Check(name != "window" && name != "type");
      Check(value == Encode(w::Command{}).at(name));
    } else {
      Check(it->dump() == value.dump());
    }
  }
  auto again = w::ParseJsonObject(mine.dump());
  Check(again && w::DecodeEvent(*again) && Encode(*w::DecodeEvent(*again)) == mine);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = (spdlog::set_level(spdlog::level::off), true);
  (void)quiet;
  std::vector<w::Command> commands;
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  while (!rest.empty() && commands.size() < 16) {
    const size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    auto body = w::ParseJsonObject(line);
    if (!body) continue;
    auto command = w::DecodeEvent(*body);
    if (!command) continue;
    CheckFaithful(*body, *command);
    commands.push_back(std::move(*command));
  }
  if (commands.empty()) return 0;

  using std::chrono::seconds;
  w::UiChannel channel;
  w::DocumentShelf shelf;
  std::thread ui([&] {
    try {
      w::WebHost host(channel, shelf, json::object());
      FuzzWindow window(host, "frmFuzz", true);
      host.ShowModal(window);
    } catch (const w::SessionClosed&) {
    }
    channel.Finish();
  });
  Check(channel.WaitReady(seconds(10)));
  for (const w::Command& c : commands) {
    auto answer = channel.Submit(c, seconds(10));
    Check(answer.has_value());
    if (answer->ended) break;
    Check(answer->status == 200 || answer->status == 400 || answer->status == 409);
    Check(!json::parse(answer->state, nullptr, false).is_discarded());
  }
  channel.Close();
  ui.join();
  return 0;
}
