#include "web/web_host.h"

#include <spdlog/spdlog.h>

#include <algorithm>
#include <cctype>

#include "platform/forms/combo_box.h"
#include "platform/forms/form.h"
#include "platform/forms/json_writer.h"
#include "platform/forms/menu.h"
#include "platform/forms/text_box.h"

namespace hp::web {
namespace {

using forms::MsgBoxResult;

constexpr char kFailed[] = "The action could not be completed. The error has been logged.";

// The text of an editable combo after a key typed at the caret, as a text box
// would apply it: backspace deletes, a character replaces the selection.
std::string TypeInto(const std::string& text, int key, const forms::Event& e) {
  int n = static_cast<int>(forms::CharCount(text));
  int start = e.sel_start < 0 || e.sel_start > n ? n : e.sel_start;
  int length = std::clamp(e.sel_length, 0, n - start);
  std::string next = text;
  size_t b0 = forms::Utf8ByteOffset(next, static_cast<size_t>(start));
  size_t b1 = forms::Utf8ByteOffset(next, static_cast<size_t>(start + length));
  if (key == 8) {
    if (length == 0 && start > 0) b0 = forms::Utf8ByteOffset(next, static_cast<size_t>(start - 1));
    next.erase(b0, b1 - b0);
  } else {
    next.replace(b0, b1 - b0, forms::EncodeUtf8(key));
  }
  return next;
}

bool IsTypedKey(int key) { return key == 8 || (key >= 32 && key < forms::kSpecialKey); }

MsgBoxResult ResultOf(const std::string& button) {
  if (button == "Cancel") return MsgBoxResult::Cancel;
  if (button == "Yes") return MsgBoxResult::Yes;
  if (button == "No") return MsgBoxResult::No;
  return MsgBoxResult::Ok;
}

std::string IconOf(int style) {
  switch (style & 0x70) {
    case forms::vbCritical: return "critical";
    case forms::vbQuestion: return "question";
    case forms::vbExclamation: return "exclamation";
    case forms::vbInformation: return "information";
    default: return "";
  }
}

std::vector<std::string> ButtonsOf(int style) {
  switch (style & 7) {
    case forms::vbOKCancel: return {"OK", "Cancel"};
    case forms::vbYesNoCancel: return {"Yes", "No", "Cancel"};
    case forms::vbYesNo: return {"Yes", "No"};
    default: return {"OK"};
  }
}

// Restores a control's KeyUp handler however the event ends.
class KeyUpGuard {
 public:
  explicit KeyUpGuard(forms::Control& c) : c_(c), saved_(c.KeyUp) {}
  ~KeyUpGuard() { c_.KeyUp = saved_; }
  const std::function<void(int)>& saved() const { return saved_; }

 private:
  forms::Control& c_;
  std::function<void(int)> saved_;
};

}  // namespace

WebHost::WebHost(UiChannel& channel, DocumentShelf& documents, nlohmann::json heading)
    : channel_(channel),
      documents_(documents),
      heading_(std::move(heading)),
      heading_text_(heading_.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)) {}

void WebHost::RunModal(forms::Form& form) {
  while (form.IsLoaded()) ServeOne();
}

forms::MsgBoxResult WebHost::MsgBox(const std::string& prompt, int style, const std::string& title) {
  Overlay box;
  box.kind = "msgbox";
  box.prompt = prompt;
  box.title = title;
  box.icon = IconOf(style);
  box.buttons = ButtonsOf(style);
  size_t def = (style & 0x300) == forms::vbDefaultButton2 ? 1 : (style & 0x300) == 512 ? 2 : 0;
  box.default_button = box.buttons[std::min(def, box.buttons.size() - 1)];
  if (std::find(box.buttons.begin(), box.buttons.end(), "Cancel") != box.buttons.end())
    box.cancel_button = "Cancel";
  else if (box.buttons.size() == 1)
    box.cancel_button = "OK";
  overlays_.push_back(&box);
  try {
    while (!box.answered) ServeOne();
  } catch (...) {
    overlays_.pop_back();
    throw;
  }
  overlays_.pop_back();
  return ResultOf(box.choice);
}

void WebHost::PopupMenu(forms::Form& form, forms::Menu& menu) {
  Overlay pop;
  pop.kind = "menu";
  pop.menu = &menu;
  pop.owner = form.Name();
  overlays_.push_back(&pop);
  try {
    while (!pop.answered) ServeOne();
  } catch (...) {
    overlays_.pop_back();
    throw;
  }
  overlays_.pop_back();
  // The item runs once the menu is gone, so that a window it opens is on top.
  if (!pop.choice.empty()) menu.Choose(pop.choice);
}

void WebHost::DoEvents() { channel_.ThrowIfClosing(); }

void WebHost::ShowDocument(const std::string& title, const std::string& mime, std::string bytes) {
  last_document_ = documents_.Put(Document{title, mime, std::move(bytes)});
  last_document_title_ = title;
}

void WebHost::ServeOne() {
  UiChannel::Job& job = channel_.Next(SnapshotText());
  Apply(job.command);
}

void WebHost::Fail(int status, const std::string& message) {
  if (UiChannel::Job* job = channel_.InHand()) {
    job->answer.status = status;
    job->answer.message = message;
  }
}

forms::Form* WebHost::TopForm() const {
  const auto& stack = Stack();
  for (auto it = stack.rbegin(); it != stack.rend(); ++it)
    if ((*it)->IsLoaded()) return *it;
  return nullptr;
}

void WebHost::Apply(const Command& command) {
  const forms::Event& e = command.event;
  try {
    if (!overlays_.empty()) {
      Overlay& top = *overlays_.back();
      const char* name = top.kind == "msgbox" ? kMsgBoxWindow : kMenuWindow;
      if (command.window != name) throw forms::EventError(forms::EventError::kRefused, "another window is in front");
      ApplyToOverlay(top, command);
      return;
    }
    forms::Form* form = TopForm();
    if (!form) throw forms::EventError(forms::EventError::kRefused, "no window is open");
    if (command.window != form->Name())
      throw forms::EventError(forms::EventError::kRefused, "the window '" + command.window + "' is not the active window");
    ApplyToForm(*form, command);
  } catch (const forms::EventError& error) {
    Fail(error.kind() == forms::EventError::kUnknown ? 400 : 409, error.what());
  } catch (const SessionClosed&) {
    throw;
  } catch (const std::exception& error) {
    spdlog::error("{} event on {}.{} failed: {}", e.type, command.window, e.control, error.what());
    Fail(500, kFailed);
  } catch (...) {
    spdlog::error("{} event on {}.{} failed with an unknown error", e.type, command.window, e.control);
    Fail(500, kFailed);
  }
}

void WebHost::ApplyToOverlay(Overlay& overlay, const Command& command) {
  const forms::Event& e = command.event;
  using forms::EventError;
  if (overlay.kind == "msgbox") {
    auto answer = [&](const std::string& button) {
      overlay.choice = button;
      overlay.answered = true;
    };
    auto has = [&](const std::string& button) {
      return std::find(overlay.buttons.begin(), overlay.buttons.end(), button) != overlay.buttons.end();
    };
    if (e.type == "click") {
      if (!has(e.control)) throw EventError(EventError::kUnknown, "the message has no button '" + e.control + "'");
      answer(e.control);
    } else if (e.type == "key" && e.key == 13) {
      answer(overlay.default_button);
    } else if ((e.type == "key" && e.key == 27) || e.type == "close") {
      if (overlay.cancel_button.empty()) throw EventError(EventError::kRefused, "the message must be answered");
      answer(overlay.cancel_button);
    } else if (e.type == "key") {
      // A button's first letter chooses it, as on the desktop.
      for (const auto& b : overlay.buttons)
        if (e.key < 128 && std::toupper(e.key) == b[0]) answer(b);
    } else {
      throw EventError(EventError::kRefused, "the message does not take '" + e.type + "' events");
    }
    return;
  }
  // A pop-up menu.
  if (e.type == "menu") {
    if (e.value.empty()) {
      overlay.answered = true;
      return;
    }
    auto& items = overlay.menu->items;
    auto it = std::find_if(items.begin(), items.end(), [&](const forms::MenuItem& m) { return m.name == e.value; });
    if (it == items.end() || !it->visible) throw EventError(EventError::kUnknown, "the menu has no item '" + e.value + "'");
    if (!it->enabled) throw EventError(EventError::kRefused, "the menu item '" + e.value + "' is disabled");
    overlay.choice = e.value;
    overlay.answered = true;
  } else if ((e.type == "key" && e.key == 27) || e.type == "close") {
    overlay.answered = true;
  } else {
    throw EventError(EventError::kRefused, "the menu does not take '" + e.type + "' events");
  }
}

void WebHost::ApplyToForm(forms::Form& form, const Command& command) {
  const forms::Event& e = command.event;
  if (e.type == "close") {
    form.Unload();  // Form_QueryUnload may keep it open
    return;
  }
  // The toolkit's combo takes a typed key only as KeyPress and KeyUp; the
  // browser types into an editable combo key by key, so the key is applied to
  // the text here, at the caret, between the two, as a text box does. A key
  // swallowed by KeyPress never reaches KeyUp and so changes nothing.
  auto* combo = dynamic_cast<forms::ComboBox*>(form.Find(e.control));
  if (combo && combo->style == forms::ComboBox::Style::DropDownCombo && e.type == "key" && IsTypedKey(e.key)) {
    if (combo->Locked) throw forms::EventError(forms::EventError::kRefused, e.control + ": is locked");
    KeyUpGuard guard(*combo);
    combo->KeyUp = [&, saved = guard.saved()](int key) {
      if (IsTypedKey(key)) combo->SetText(TypeInto(combo->Text(), key, e));
      if (saved) saved(key);
    };
    form.Dispatch(e);
    return;
  }
  form.Dispatch(e);
}

nlohmann::json WebHost::Snapshot() const { return nlohmann::json::parse(SnapshotText()); }

std::string WebHost::SnapshotText() const {
  forms::JsonWriter out;
  out.Reserve(32 * 1024);
  out.BeginObject();
  out.Key("heading");
  out.Raw(heading_text_);
  out.Key("windows");
  out.BeginArray();
  bool busy = false;
  const forms::Form* top_form = nullptr;
  // What the browser needs beside each control's own state: whether it shows
  // through its containers, and a text box's selection.
  const forms::Form::ControlNote note = [](const forms::Control& c, forms::JsonWriter& w) {
    w.Field("shown", c.Shown());
    if (auto* box = dynamic_cast<const forms::TextBox*>(&c)) {
      w.Field("selStart", box->SelStart);
      w.Field("selLength", box->SelLength);
    }
  };
  for (forms::Form* f : Stack()) {
    if (!f->IsLoaded()) continue;
    out.BeginObject();
    f->Write(out, note);
    out.Field("kind", "form");
    out.EndObject();
    busy = busy || f->Busy;
    top_form = f;
  }
  std::string focus_window = top_form ? top_form->Name() : std::string();
  std::string focus_control =
      top_form && top_form->ActiveControl() ? top_form->ActiveControl()->Name() : std::string();
  for (const Overlay* o : overlays_) {
    out.BeginObject();
    if (o->kind == "msgbox") {
      out.Field("kind", "msgbox");
      out.Field("name", kMsgBoxWindow);
      out.Field("caption", o->title);
      out.Field("prompt", o->prompt);
      out.Field("icon", o->icon);
      out.Key("buttons");
      out.BeginArray();
      for (const auto& b : o->buttons) out.String(b);
      out.EndArray();
      out.Field("defaultButton", o->default_button);
      out.Field("cancelButton", o->cancel_button);
      focus_window = kMsgBoxWindow;
      focus_control = o->default_button;
    } else {
      out.Field("kind", "menu");
      out.Field("name", kMenuWindow);
      out.Field("owner", o->owner);
      out.Key("menu");
      out.BeginObject();
      o->menu->Write(out);
      out.EndObject();
      focus_window = kMenuWindow;
      focus_control.clear();
    }
    out.EndObject();
  }
  out.EndArray();
  out.Key("focus");
  out.BeginObject();
  out.Field("window", focus_window);
  out.Field("control", focus_control);
  out.EndObject();
  out.Field("busy", busy);
  if (last_document_) {
    out.Key("document");
    out.BeginObject();
    out.Field("id", last_document_);
    out.Field("title", last_document_title_);
    out.EndObject();
  }
  out.EndObject();
  return out.Take();
}

}  // namespace hp::web
