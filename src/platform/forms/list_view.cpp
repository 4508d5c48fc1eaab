#include "platform/forms/list_view.h"

#include "platform/forms/json_writer.h"

#include <stdexcept>

namespace hp::forms {

const std::string& ListItem::SubItem(int j) const {
  static const std::string empty;
  if (j == 0) return text;
  if (j < 0 || static_cast<size_t>(j) > sub.size()) return empty;
  return sub[static_cast<size_t>(j) - 1];
}

void ListItem::SetSubItem(int j, std::string value) {
  if (j == 0) {
    text = std::move(value);
    return;
  }
  if (j < 0) throw std::out_of_range("sub-item " + std::to_string(j));
  if (sub.size() < static_cast<size_t>(j)) sub.resize(static_cast<size_t>(j));
  sub[static_cast<size_t>(j) - 1] = std::move(value);
}

ListView::ListView(Form& owner, std::string name) : Control(owner, std::move(name), "list") {}

ListItem& ListView::Item(int index) { return items_.at(static_cast<size_t>(index)); }
const ListItem& ListView::Item(int index) const { return items_.at(static_cast<size_t>(index)); }

int ListView::Add(std::string text) {
  items_.push_back(ListItem{std::move(text), {}, false});
  return Count() - 1;
}

void ListView::Remove(int index) {
  items_.erase(items_.begin() + index);
  if (selected_ >= Count()) selected_ = Count() - 1;
}

void ListView::Clear() {
  items_.clear();
  selected_ = -1;
}

void ListView::Select(int index) {
  if (index < -1 || index >= Count()) throw std::out_of_range(Name() + ": no row " + std::to_string(index));
  selected_ = index;
}

ListItem* ListView::Selected() { return selected_ >= 0 ? &items_[static_cast<size_t>(selected_)] : nullptr; }

void ListView::Handle(const Event& e) {
  auto row_of = [&](const Event& ev) {
    if (ev.item < 0 || ev.item >= Count()) Refuse("has no row " + std::to_string(ev.item));
    return ev.item;
  };
  if (e.type == "select") {
    Select(row_of(e));
    SetFocus();
    if (ItemClick) ItemClick();
    return;
  }
  if (e.type == "dblclick") {
    if (e.item >= 0) Select(row_of(e));
    SetFocus();
    if (DblClick) DblClick();
    return;
  }
  if (e.type == "mousedown") {
    if (e.item >= 0) Select(row_of(e));
    SetFocus();
    if (MouseDown) MouseDown(e.button);
    return;
  }
  if (e.type == "check") {
    if (!Checkboxes) Refuse("has no tick boxes");
    int i = row_of(e);
    items_[static_cast<size_t>(i)].checked = e.value == "1" || e.value == "true";
    if (ItemCheck) ItemCheck(i);
    return;
  }
  if (e.type == "key" && (e.key == kArrowUp || e.key == kArrowDown)) {
    int next = selected_ + (e.key == kArrowUp ? -1 : 1);
    if (next >= 0 && next < Count()) Select(next);
    return;
  }
  Control::Handle(e);
}

void ListView::Write(JsonWriter& out) const {
  Control::Write(out);
  out.Key("columns");
  out.BeginArray();
  for (const auto& c : Columns) {
    out.BeginObject();
    out.Field("header", c.header);
    out.Field("width", c.width);
    out.EndObject();
  }
  out.EndArray();
  out.Key("rows");
  out.BeginArray();
  for (const auto& it : items_) {
    out.BeginArray();
    out.String(it.text);
    for (size_t j = 0; j + 1 < Columns.size(); ++j) out.String(j < it.sub.size() ? it.sub[j] : std::string_view());
    out.EndArray();
  }
  out.EndArray();
  out.Field("selected", selected_);
  if (Checkboxes) {
    out.Key("checked");
    out.BeginArray();
    for (const auto& it : items_) out.Bool(it.checked);
    out.EndArray();
  }
}

std::string ListView::ValueSignature() const {
  std::string s;
  for (const auto& it : items_) {
    s += it.text;
    for (const auto& v : it.sub) s += '\t' + v;
    s += it.checked ? "\t1\n" : "\t0\n";
  }
  return s;
}

}  // namespace hp::forms
