// A window: caption, size in twips, the controls it owns as members, focus
// and tab order, default and cancel buttons, and its own handlers
// (Form_Load, Form_Activate, Form_QueryUnload, Form_KeyPress).
//
// Each window class describes its layout once in its constructor (captions,
// positions, tab order, headers); the browser draws it from Describe().
#pragma once

#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <map>
#include <string>
#include <vector>

#include "platform/forms/control.h"
#include "platform/forms/event.h"
#include "platform/forms/host.h"

namespace hp::forms {

class CommandButton;
class JsonWriter;
struct Menu;

class Form {
 public:
  Form(Host& host, std::string name);
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;
  virtual ~Form() = default;

  Host& host() const { return host_; }
  const std::string& Name() const { return name_; }

  std::string Caption;
  int Width = 0, Height = 0;
  std::string Tag;
  bool KeyPreview = false;
  int BackColor = kDefaultColour;
  bool Busy = false;  // the hourglass pointer
  CommandButton* DefaultButton = nullptr;  // Enter where the control has no key handler
  CommandButton* CancelButton = nullptr;   // Esc

  bool IsLoaded() const { return loaded_; }
  // Runs Form_Load the first time; later calls do nothing.
  void Load();
  // Asks Form_QueryUnload; unless it cancels, the window is unloaded (a modal
  // window then closes). Returns true when the window is unloaded.
  bool Unload();
  // Called by the host when the window becomes the active one.
  void Activate();

  const std::vector<Control*>& Controls() const { return controls_; }
  Control* Find(const std::string& name) const;
  Control* ActiveControl() const { return focus_; }
  // Moves the focus to the next control in tab order, as Tab does.
  void FocusNext();
  // Gives the focus to the first control in tab order.
  void FocusFirst();

  // Shows a pop-up menu over the window (see Host::PopupMenu).
  void PopupMenu(Menu& menu);
  // Menus the window can pop up; Dispatch finds them by name.
  void AddMenu(Menu& menu) { menus_.push_back(&menu); }

  // Applies a user event to the named control. Throws EventError (kUnknown)
  // when the window has no such control and (kRefused) when the control is
  // hidden or disabled, or locked for an edit; nothing changes then.
  void Dispatch(const Event& e);

  // The window for the browser: caption, size, controls, focus, written as
  // the members of the object `out` has open. `note`, when given, adds
  // members of its own to each control's object after the control's.
  using ControlNote = std::function<void(const Control&, JsonWriter&)>;
  void Write(JsonWriter& out, const ControlNote& note = {}) const;
  // The same as a JSON object, merged into `out`.
  void Describe(nlohmann::json& out) const;
  // The user-visible values of all controls, by control name.
  std::map<std::string, std::string> Values() const;

  // The key preview: runs Form_KeyPress when KeyPreview is set. Returns the
  // key left over.
  int PreviewKey(int key);

 protected:
  virtual void Form_Load() {}
  virtual void Form_Activate() {}
  // Set cancel to keep the window open.
  virtual void Form_QueryUnload(bool& cancel) {}
  virtual void Form_Unload() {}
  virtual void Form_KeyPress(int& key) {}

 private:
  friend class Control;
  void Register(Control* c);
  bool MoveFocus(Control* to);

  Host& host_;
  std::string name_;
  std::vector<Control*> controls_;
  std::vector<Menu*> menus_;
  Control* focus_ = nullptr;
  bool loaded_ = false;
  bool unloading_ = false;
};

}  // namespace hp::forms
