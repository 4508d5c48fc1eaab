#include "platform/forms/tab_strip.h"

#include "platform/forms/json_writer.h"


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

void TabStrip::Write(JsonWriter& out) const {
  Control::Write(out);
  out.Key("tabs");
  out.BeginArray();
  for (const auto& t : Tabs) {
    out.BeginObject();
    out.Field("caption", t.caption);
    out.Field("enabled", t.enabled);
    out.EndObject();
  }
  out.EndArray();
  out.Field("current", Current);
}

}  // namespace hp::forms
