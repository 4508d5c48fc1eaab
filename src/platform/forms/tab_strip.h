// A tab control: tabs with captions, one current tab; controls placed on it
// name it as their Container and their TabPage.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/forms/control.h"

namespace hp::forms {

class TabStrip : public Control {
 public:
  TabStrip(Form& owner, std::string name);

  struct Tab {
    std::string caption;
    bool enabled = true;
  };
  std::vector<Tab> Tabs;
  int Current = 0;

  std::function<void()> Click;

  void Handle(const Event& e) override;
  void Write(JsonWriter& out) const override;

 protected:
  bool Focusable() const override { return true; }
};

}  // namespace hp::forms
