// The base of every control: name, caption, position in twips, the state the
// windows read and set (enabled, visible, locked, colours, tool tip), focus,
// and the key handlers every focusable control has.
//
// A control is a member of its window and registers itself with it on
// construction; the window never owns it through a pointer. Changing a
// property from code raises no event unless the control's header says so.
#pragma once

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <string>

#include "platform/forms/event.h"

namespace hp::forms {

class Form;
class JsonWriter;

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

// Colours are 0xBBGGRR as the windows write them; -1 means "the default".
constexpr int kDefaultColour = -1;
constexpr int kRed = 0x0000FF;
constexpr int kLightYellow = 0xC0FFFF;

class Control {
 public:
  Control(Form& owner, std::string name, std::string kind);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;
  virtual ~Control() = default;

  const std::string& Name() const { return name_; }
  const std::string& Kind() const { return kind_; }
  Form& Owner() const { return owner_; }

  std::string Caption;
  Rect Pos;
  bool Enabled = true;
  bool Visible = true;
  bool Locked = false;
  bool TabStop = true;
  int TabIndex = 0;
  int ForeColor = kDefaultColour;
  int BackColor = kDefaultColour;
  std::string ToolTipText;
  // The frame or tab strip the control sits in (nullptr: the window itself),
  // and for a tab strip the page it is on.
  Control* Container = nullptr;
  int TabPage = -1;

  void Place(int left, int top, int width, int height) { Pos = {left, top, width, height}; }

  // Visible itself and through every container (a tab strip shows only its
  // current page).
  bool Shown() const;
  // Can take the focus now: shown, enabled and of a kind that takes focus.
  bool CanFocus() const;
  // Moves the focus here; false when the control cannot take it.
  bool SetFocus();
  bool HasFocus() const;

  std::function<void()> GotFocus;
  std::function<void()> LostFocus;
  std::function<void(int& key)> KeyPress;  // set key to 0 to swallow it
  std::function<void(int key)> KeyUp;

  // Applies a user event; throws EventError when the control does not take it.
  virtual void Handle(const Event& e);
  // The control's state for the browser, written as the members of the
  // object `out` has open (the caller opens and closes it). Each kind of
  // control adds its own members after the common ones.
  virtual void Write(JsonWriter& out) const;
  // The same state as a JSON object, merged into `out`.
  void Describe(nlohmann::json& out) const;
  // A text that changes whenever the user-visible value changes (for change
  // detection on close).
  virtual std::string ValueSignature() const { return {}; }

 protected:
  virtual bool Focusable() const { return false; }
  // Runs the form's key preview and KeyPress; returns the key left over.
  int PressKey(int key);
  [[noreturn]] void Refuse(const std::string& why) const;

 private:
  Form& owner_;
  std::string name_;
  std::string kind_;
};

}  // namespace hp::forms
