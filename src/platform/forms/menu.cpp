#include "platform/forms/menu.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

namespace hp::forms {

MenuItem& Menu::Item(const std::string& item_name) {
  for (auto& it : items)
    if (it.name == item_name) return it;
  throw std::out_of_range("menu " + name + " has no item " + item_name);
}

bool Menu::Choose(const std::string& item_name) {
  for (auto& it : items) {
    if (it.name != item_name) continue;
    if (!it.enabled || !it.visible) return false;
    if (it.Click) it.Click();
    return true;
  }
  return false;
}

void Menu::Describe(nlohmann::json& out) const {
  out["name"] = name;
  auto& list = out["items"] = nlohmann::json::array();
  for (const auto& it : items)
    if (it.visible) list.push_back({{"name", it.name}, {"caption", it.caption}, {"enabled", it.enabled}});
}

}  // namespace hp::forms
