#include "platform/forms/tab_strip.h"

#include <nlohmann/json.hpp>

namespace hp::forms {

TabStrip::TabStrip(Form& owner, std::string name) : Control(owner, std::move(name), "tabs") {}

void TabStrip::Handle(const Event& e) {
  if (e.type == "select") {
    if (e.item < 0 || e.item >= static_cast<int>(Tabs.size())) Refuse("has no tab " + std::to_string(e.item));
    if (!Tabs[static_cast<size_t>(e.item)].enabled) Refuse("tab " + std::to_string(e.item) + " is switched off");
    Current = e.item;
    if (Click) Click();
    return;
  }
  Control::Handle(e);
}

void TabStrip::Describe(nlohmann::json& out) const {
  Control::Describe(out);
  auto& tabs = out["tabs"] = nlohmann::json::array();
  for (const auto& t : Tabs) tabs.push_back({{"caption", t.caption}, {"enabled", t.enabled}});
  out["current"] = Current;
}

}  // namespace hp::forms
