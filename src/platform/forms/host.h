// What the windows ask of the place they run in: message boxes, modal
// windows, pop-up menus, a chance for the user interface to breathe during
// long work, and showing a document (the report preview).
//
// Modal behaviour is linear: MsgBox returns the user's answer and ShowModal
// returns once the window has been unloaded. The web host runs a nested event
// loop on the user's UI thread for both; the scripted host of the tests
// answers from a script.
#pragma once

#include <string>
#include <vector>

namespace hp::forms {

class Form;
struct Menu;

// Message box styles, added together as the windows write them.
enum MsgBoxStyle : int {
  vbOKOnly = 0,
  vbOKCancel = 1,
  vbYesNoCancel = 3,
  vbYesNo = 4,
  vbCritical = 16,
  vbQuestion = 32,
  vbExclamation = 48,
  vbInformation = 64,
  vbDefaultButton2 = 256,
};

enum class MsgBoxResult { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

class Host {
 public:
  virtual ~Host() = default;

  virtual MsgBoxResult MsgBox(const std::string& prompt, int style, const std::string& title) = 0;

  // Loads the window when it is not loaded, activates it and returns when it
  // has been unloaded; the window below is then activated again.
  void ShowModal(Form& form);

  // Shows the menu over the window; returns after the chosen item's Click has
  // run, or after the menu was dismissed.
  virtual void PopupMenu(Form& form, Menu& menu) = 0;

  // Lets the user interface process what is pending (a repaint).
  virtual void DoEvents() {}

  // Shows a document to the user (a PDF report) in a window of its own.
  virtual void ShowDocument(const std::string& title, const std::string& mime, std::string bytes) = 0;

  // The windows shown, bottom first.
  const std::vector<Form*>& Stack() const { return stack_; }
  Form* ActiveForm() const { return stack_.empty() ? nullptr : stack_.back(); }

 protected:
  // Runs the window until it is unloaded.
  virtual void RunModal(Form& form) = 0;

 private:
  std::vector<Form*> stack_;
};

}  // namespace hp::forms
