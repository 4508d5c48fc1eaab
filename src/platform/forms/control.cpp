#include "platform/forms/control.h"

#include <nlohmann/json.hpp>

#include "platform/forms/basic_controls.h"
#include "platform/forms/form.h"
#include "platform/forms/json_writer.h"
#include "platform/forms/tab_strip.h"

namespace hp::forms {

Control::Control(Form& owner, std::string name, std::string kind)
    : owner_(owner), name_(std::move(name)), kind_(std::move(kind)) {
  owner_.Register(this);
}

bool Control::Shown() const {
  if (!Visible) return false;
  if (!Container) return true;
  if (TabPage >= 0) {
    if (auto* tabs = dynamic_cast<const TabStrip*>(Container); tabs && tabs->Current != TabPage) return false;
  }
  return Container->Shown();
}

bool Control::CanFocus() const {
  if (!Focusable() || !Shown() || !Enabled) return false;
  for (Control* c = Container; c; c = c->Container)
    if (!c->Enabled) return false;
  return true;
}

bool Control::SetFocus() { return owner_.MoveFocus(this); }

bool Control::HasFocus() const { return owner_.ActiveControl() == this; }

int Control::PressKey(int key) {
  key = owner_.PreviewKey(key);
  if (key != 0 && KeyPress) KeyPress(key);
  return key;
}

void Control::Refuse(const std::string& why) const {
  throw EventError(EventError::kRefused, name_ + ": " + why);
}

void Control::Handle(const Event& e) {
  if (e.type == "focus") {
    if (!SetFocus()) Refuse("cannot take the focus");
    return;
  }
  if (e.type == "key") {
    int key = PressKey(e.key);
    if (key == 13 && !KeyPress && owner_.DefaultButton && owner_.DefaultButton != this) {
      owner_.DefaultButton->Press();
    }
    if (key != 0 && KeyUp) KeyUp(key);
    return;
  }
  Refuse("does not take '" + e.type + "' events");
}

void Control::Write(JsonWriter& out) const {
  out.Field("name", name_);
  out.Field("kind", kind_);
  out.Field("caption", Caption);
  out.Field("left", Pos.left);
  out.Field("top", Pos.top);
  out.Field("width", Pos.width);
  out.Field("height", Pos.height);
  out.Field("enabled", Enabled);
  out.Field("visible", Visible);
  if (Locked) out.Field("locked", true);
  out.Field("tabIndex", TabIndex);
  if (ForeColor != kDefaultColour) out.Field("foreColor", ForeColor);
  if (BackColor != kDefaultColour) out.Field("backColor", BackColor);
  if (!ToolTipText.empty()) out.Field("toolTip", ToolTipText);
  if (Container) out.Field("container", Container->Name());
  if (TabPage >= 0) out.Field("tabPage", TabPage);
}

void Control::Describe(nlohmann::json& out) const {
  JsonWriter w;
  w.BeginObject();
  Write(w);
  w.EndObject();
  if (!out.is_object()) out = nlohmann::json::object();
  out.update(nlohmann::json::parse(w.Text()));
}

}  // namespace hp::forms
