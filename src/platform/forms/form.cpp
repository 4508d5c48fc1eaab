#include "platform/forms/form.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "platform/forms/basic_controls.h"
#include "platform/forms/json_writer.h"
#include "platform/forms/menu.h"

namespace hp::forms {

Form::Form(Host& host, std::string name) : host_(host), name_(std::move(name)) {}

void Form::Register(Control* c) {
  c->TabIndex = static_cast<int>(controls_.size());
  controls_.push_back(c);
}

void Form::Load() {
  if (loaded_) return;
  loaded_ = true;
  Form_Load();
}

bool Form::Unload() {
  if (!loaded_) return true;
  if (unloading_) return false;
  unloading_ = true;
  bool cancel = false;
  try {
    Form_QueryUnload(cancel);
  } catch (...) {
    unloading_ = false;
    throw;
  }
  unloading_ = false;
  if (cancel) return false;
  Form_Unload();
  loaded_ = false;
  focus_ = nullptr;
  return true;
}

void Form::Activate() {
  if (!loaded_) return;
  if (!focus_ || !focus_->CanFocus()) FocusFirst();
  Form_Activate();
}

Control* Form::Find(const std::string& name) const {
  for (Control* c : controls_)
    if (c->Name() == name) return c;
  return nullptr;
}

bool Form::MoveFocus(Control* to) {
  if (to && !to->CanFocus()) return false;
  if (to == focus_) return true;
  Control* from = focus_;
  focus_ = to;
  if (from && from->LostFocus) from->LostFocus();
  if (to && to->GotFocus) to->GotFocus();
  return true;
}

namespace {
std::vector<Control*> TabOrder(const std::vector<Control*>& controls) {
  std::vector<Control*> order;
  for (Control* c : controls)
    if (c->TabStop && c->CanFocus()) order.push_back(c);
  std::stable_sort(order.begin(), order.end(), [](Control* a, Control* b) { return a->TabIndex < b->TabIndex; });
  return order;
}
}  // namespace

void Form::FocusNext() {
  auto order = TabOrder(controls_);
  if (order.empty()) return;
  auto it = std::find(order.begin(), order.end(), focus_);
  if (it == order.end()) {
    // The focused control is not in the order (it is a later one, or none):
    // take the first control after it by tab index.
    int from = focus_ ? focus_->TabIndex : -1;
    auto next = std::find_if(order.begin(), order.end(), [&](Control* c) { return c->TabIndex > from; });
    MoveFocus(next == order.end() ? order.front() : *next);
    return;
  }
  ++it;
  MoveFocus(it == order.end() ? order.front() : *it);
}

void Form::FocusFirst() {
  auto order = TabOrder(controls_);
  MoveFocus(order.empty() ? nullptr : order.front());
}

void Form::PopupMenu(Menu& menu) { host_.PopupMenu(*this, menu); }

int Form::PreviewKey(int key) {
  if (KeyPreview && key != 0) Form_KeyPress(key);
  return key;
}

void Form::Dispatch(const Event& e) {
  Control* c = Find(e.control);
  if (!c) throw EventError(EventError::kUnknown, "window " + name_ + " has no control '" + e.control + "'");
  if (!c->Shown()) throw EventError(EventError::kRefused, e.control + " is hidden");
  if (!c->Enabled) throw EventError(EventError::kRefused, e.control + " is disabled");
  for (Control* p = c->Container; p; p = p->Container)
    if (!p->Enabled) throw EventError(EventError::kRefused, e.control + " is in a disabled " + p->Name());
  if (e.type == "key" && e.key == 27 && CancelButton) {
    CancelButton->Press();
    return;
  }
  c->Handle(e);
}

void Form::Write(JsonWriter& out, const ControlNote& note) const {
  out.Field("name", name_);
  out.Field("caption", Caption);
  out.Field("width", Width);
  out.Field("height", Height);
  if (BackColor != kDefaultColour) out.Field("backColor", BackColor);
  if (Busy) out.Field("busy", true);
  out.Field("focus", focus_ ? focus_->Name() : std::string());
  if (DefaultButton) out.Field("defaultButton", DefaultButton->Name());
  if (CancelButton) out.Field("cancelButton", CancelButton->Name());
  out.Key("controls");
  out.BeginArray();
  for (Control* c : controls_) {
    out.BeginObject();
    c->Write(out);
    if (note) note(*c, out);
    out.EndObject();
  }
  out.EndArray();
}

void Form::Describe(nlohmann::json& out) const {
  JsonWriter w;
  w.BeginObject();
  Write(w);
  w.EndObject();
  if (!out.is_object()) out = nlohmann::json::object();
  out.update(nlohmann::json::parse(w.Text()));
}

std::map<std::string, std::string> Form::Values() const {
  std::map<std::string, std::string> values;
  for (Control* c : controls_) values[c->Name()] = c->ValueSignature();
  return values;
}

}  // namespace hp::forms
