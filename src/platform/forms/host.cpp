#include "platform/forms/host.h"

#include "platform/forms/form.h"

namespace hp::forms {

void Host::ShowModal(Form& form) {
  form.Load();
  if (!form.IsLoaded()) return;  // the window unloaded itself while loading
  stack_.push_back(&form);
  try {
    form.Activate();
    RunModal(form);
  } catch (...) {
    stack_.pop_back();
    throw;
  }
  stack_.pop_back();
  if (!stack_.empty()) stack_.back()->Activate();
}

}  // namespace hp::forms
