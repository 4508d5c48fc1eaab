#include "platform/forms/basic_controls.h"

#include "platform/forms/json_writer.h"


#include "platform/forms/form.h"

namespace hp::forms {

Label::Label(Form& owner, std::string name, std::string caption) : Control(owner, std::move(name), "label") {
  Caption = std::move(caption);
  TabStop = false;
}

Frame::Frame(Form& owner, std::string name, std::string caption) : Control(owner, std::move(name), "frame") {
  Caption = std::move(caption);
  TabStop = false;
}

CommandButton::CommandButton(Form& owner, std::string name, std::string caption)
    : Control(owner, std::move(name), "button") {
  Caption = std::move(caption);
}

void CommandButton::Press() {
  if (CanFocus() && Click) Click();
}

void CommandButton::Handle(const Event& e) {
  if (e.type == "click" || (e.type == "key" && (e.key == 13 || e.key == 32))) {
    if (e.type == "key" && PressKey(e.key) == 0) return;
    SetFocus();
    if (Click) Click();
    return;
  }
  Control::Handle(e);
}

CheckBox::CheckBox(Form& owner, std::string name, std::string caption)
    : Control(owner, std::move(name), "checkbox") {
  Caption = std::move(caption);
}

void CheckBox::Handle(const Event& e) {
  if (e.type == "click") {
    if (Locked) Refuse("is locked");
    Value = Value ? 0 : 1;
    SetFocus();
    if (Click) Click();
    return;
  }
  Control::Handle(e);
}

void CheckBox::Write(JsonWriter& out) const {
  Control::Write(out);
  out.Field("value", Value);
}

OptionButton::OptionButton(Form& owner, std::string name, std::string caption)
    : Control(owner, std::move(name), "option") {
  Caption = std::move(caption);
}

void OptionButton::SetValue(bool on) {
  if (on) {
    for (Control* c : Owner().Controls()) {
      auto* other = dynamic_cast<OptionButton*>(c);
      if (other && other != this && other->Container == Container) other->value_ = false;
    }
  }
  value_ = on;
}

void OptionButton::Handle(const Event& e) {
  if (e.type == "click") {
    SetValue(true);
    SetFocus();
    if (Click) Click();
    return;
  }
  Control::Handle(e);
}

void OptionButton::Write(JsonWriter& out) const {
  Control::Write(out);
  out.Field("value", value_);
}

DatePicker::DatePicker(Form& owner, std::string name) : Control(owner, std::move(name), "date") {}

void DatePicker::Handle(const Event& e) {
  if (e.type == "change") {
    auto d = text::ParseDate(e.value);
    if (!d) Refuse("'" + e.value + "' is not a date");
    Value = *d;
    if (Change) Change();
    return;
  }
  Control::Handle(e);
}

void DatePicker::Write(JsonWriter& out) const {
  Control::Write(out);
  out.Field("value", text::IsoDate(Value));
  out.Field("text", text::ShortDate(Value));
}

}  // namespace hp::forms
