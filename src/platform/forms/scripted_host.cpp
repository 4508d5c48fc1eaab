#include "platform/forms/scripted_host.h"

namespace hp::forms {

MsgBoxResult ScriptedHost::MsgBox(const std::string& prompt, int style, const std::string& title) {
  messages_.push_back({prompt, style, title});
  if (answers_.empty()) {
    if ((style & 7) == vbOKOnly) return MsgBoxResult::Ok;
    throw ScriptError("no scripted answer for the question \"" + prompt + "\"");
  }
  MsgBoxResult a = answers_.front();
  answers_.pop_front();
  return a;
}

void ScriptedHost::PopupMenu(Form& form, Menu& menu) {
  if (menu_choices_.empty()) throw ScriptError("no scripted choice for menu " + menu.name);
  std::string item = menu_choices_.front();
  menu_choices_.pop_front();
  if (!item.empty() && !menu.Choose(item))
    throw ScriptError("menu item " + item + " of " + menu.name + " cannot be chosen");
}

void ScriptedHost::RunModal(Form& form) {
  shown_.push_back(form.Name());
  auto it = drivers_.find(form.Name());
  if (it == drivers_.end()) throw ScriptError("no driver for window " + form.Name());
  it->second(form);
  if (form.IsLoaded() && !form.Unload()) throw ScriptError("window " + form.Name() + " would not close");
}

}  // namespace hp::forms
