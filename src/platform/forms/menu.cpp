#include "platform/forms/menu.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

#include "platform/forms/json_writer.h"

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

void Menu::Write(JsonWriter& out) const {
  out.Field("name", name);
  out.Key("items");
  out.BeginArray();
  for (const auto& it : items) {
    if (!it.visible) continue;
    out.BeginObject();
    out.Field("name", it.name);
    out.Field("caption", it.caption);
    out.Field("enabled", it.enabled);
    out.EndObject();
  }
  out.EndArray();
}

void Menu::Describe(nlohmann::json& out) const {
  JsonWriter w;
  w.BeginObject();
  Write(w);
  w.EndObject();
  if (!out.is_object()) out = nlohmann::json::object();
  out.update(nlohmann::json::parse(w.Text()));
}

}  // namespace hp::forms
