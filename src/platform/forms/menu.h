// A pop-up menu of a window: items with a caption, enabled and visible state
// and a Click handler. Shown with Form::PopupMenu, which returns once the user
// has chosen an item (its Click has run) or dismissed the menu.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <nlohmann/json_fwd.hpp>

namespace hp::forms {

class JsonWriter;

struct MenuItem {
  std::string name;
  std::string caption;
  bool enabled = true;
  bool visible = true;
  std::function<void()> Click;
};

struct Menu {
  std::string name;
  std::vector<MenuItem> items;

  MenuItem& Item(const std::string& item_name);
  // Runs the Click of the named item when it is enabled and visible; false
  // when there is no such item or it cannot be chosen.
  bool Choose(const std::string& item_name);
  // The visible items for the browser, written as the members of the object
  // `out` has open; Describe gives the same as a JSON object.
  void Write(JsonWriter& out) const;
  void Describe(nlohmann::json& out) const;
};

}  // namespace hp::forms
