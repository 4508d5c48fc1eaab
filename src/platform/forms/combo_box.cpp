#include "platform/forms/combo_box.h"

#include "platform/forms/json_writer.h"

#include "platform/forms/text_box.h"

#include <stdexcept>

namespace hp::forms {

ComboBox::ComboBox(Form& owner, std::string name, Style s) : Control(owner, std::move(name), "combo"), style(s) {}

void ComboBox::AddItem(std::string text, std::int64_t item_data) { items_.push_back({std::move(text), item_data}); }

void ComboBox::Clear() {
  items_.clear();
  index_ = -1;
  text_.clear();
}

const std::string& ComboBox::List(int index) const { return items_.at(static_cast<size_t>(index)).text; }

std::int64_t ComboBox::ItemData(int index) const { return items_.at(static_cast<size_t>(index)).data; }

void ComboBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) throw std::out_of_range(Name() + ": no entry " + std::to_string(index));
  if (index == index_) return;
  index_ = index;
  text_ = index >= 0 ? items_[static_cast<size_t>(index)].text : std::string();
  if (Click) Click();
}

std::int64_t ComboBox::SelectedData() const { return index_ >= 0 ? items_[static_cast<size_t>(index_)].data : 0; }

void ComboBox::SetText(std::string text) {
  if (style == Style::DropDownList) {
    for (int i = 0; i < ListCount(); ++i) {
      if (items_[static_cast<size_t>(i)].text == text) {
        SetListIndex(i);
        return;
      }
    }
    SetListIndex(-1);
    return;
  }
  if (text == text_) return;
  text_ = std::move(text);
  index_ = -1;
  for (int i = 0; i < ListCount(); ++i)
    if (items_[static_cast<size_t>(i)].text == text_) index_ = i;
  if (Change) Change();
}

void ComboBox::Handle(const Event& e) {
  if (e.type == "select") {
    if (Locked) Refuse("is locked");
    if (e.item < -1 || e.item >= ListCount()) Refuse("has no entry " + std::to_string(e.item));
    SetFocus();
    if (e.item == index_) {
      if (Click) Click();  // choosing the same entry again still runs its handler
      return;
    }
    SetListIndex(e.item);
    return;
  }
  if (e.type == "change" && style == Style::DropDownCombo) {
    if (Locked) Refuse("is locked");
    SetText(WithoutNul(e.value));
    return;
  }
  Control::Handle(e);
}

void ComboBox::Write(JsonWriter& out) const {
  Control::Write(out);
  out.Field("editable", style == Style::DropDownCombo);
  out.Field("text", text_);
  out.Field("index", index_);
  out.Key("items");
  out.BeginArray();
  for (const auto& it : items_) out.String(it.text);
  out.EndArray();
}

std::string ComboBox::ValueSignature() const { return std::to_string(index_) + "|" + text_; }

}  // namespace hp::forms
