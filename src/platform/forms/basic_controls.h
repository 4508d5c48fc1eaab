// Labels, frames, buttons, check boxes, option buttons and the date picker.
#pragma once

#include <functional>
#include <string>

#include "platform/forms/control.h"
#include "platform/text/date_text.h"

namespace hp::forms {

class Label : public Control {
 public:
  Label(Form& owner, std::string name, std::string caption = {});
};

// A frame groups controls (and the option buttons in it form one group).
class Frame : public Control {
 public:
  Frame(Form& owner, std::string name, std::string caption = {});
};

class CommandButton : public Control {
 public:
  CommandButton(Form& owner, std::string name, std::string caption = {});
  std::function<void()> Click;
  // Runs Click as a user's click would (nothing when disabled or hidden).
  void Press();
  void Handle(const Event& e) override;

 protected:
  bool Focusable() const override { return true; }
};

class CheckBox : public Control {
 public:
  CheckBox(Form& owner, std::string name, std::string caption = {});
  int Value = 0;  // 0 unticked, 1 ticked
  std::function<void()> Click;
  void Handle(const Event& e) override;
  void Write(JsonWriter& out) const override;
  std::string ValueSignature() const override { return std::to_string(Value); }

 protected:
  bool Focusable() const override { return true; }
};

// Option buttons with the same container form one group: choosing one clears
// the others.
class OptionButton : public Control {
 public:
  OptionButton(Form& owner, std::string name, std::string caption = {});
  bool Value() const { return value_; }
  // Chooses (or clears) the option from code; clears the others of the group.
  // Raises no event.
  void SetValue(bool on);
  std::function<void()> Click;
  void Handle(const Event& e) override;
  void Write(JsonWriter& out) const override;
  std::string ValueSignature() const override { return value_ ? "1" : "0"; }

 protected:
  bool Focusable() const override { return true; }

 private:
  bool value_ = false;
};

class DatePicker : public Control {
 public:
  DatePicker(Form& owner, std::string name);
  text::Date Value{2000, 1, 1};
  std::function<void()> Change;
  void Handle(const Event& e) override;
  void Write(JsonWriter& out) const override;
  std::string ValueSignature() const override { return text::IsoDate(Value); }

 protected:
  bool Focusable() const override { return true; }
};

}  // namespace hp::forms
