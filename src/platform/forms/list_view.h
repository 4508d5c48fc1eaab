// A list view in report style: column headers, rows of a text and sub-items,
// one selected row, and optionally a tick box on each row. Rows are numbered
// from 0; sub-items from 1 (sub-item 0 is the row's text), as the windows
// name the columns.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/forms/control.h"

namespace hp::forms {

struct ListItem {
  std::string text;
  std::vector<std::string> sub;  // sub-items 1..n
  bool checked = false;

  // Sub-item j (1-based; 0 is the row's text). Reading a missing sub-item
  // gives the empty text; writing one extends the row.
  const std::string& SubItem(int j) const;
  void SetSubItem(int j, std::string value);
};

class ListView : public Control {
 public:
  ListView(Form& owner, std::string name);

  struct Column {
    std::string header;
    int width;
  };
  std::vector<Column> Columns;
  bool Checkboxes = false;

  int Count() const { return static_cast<int>(items_.size()); }
  ListItem& Item(int index);
  const ListItem& Item(int index) const;
  // Appends a row and returns its index.
  int Add(std::string text);
  void Remove(int index);
  void Clear();

  int SelectedIndex() const { return selected_; }  // -1: none
  void Select(int index);                          // raises nothing
  // The selected row, or nullptr.
  ListItem* Selected();

  std::function<void()> ItemClick;
  std::function<void()> DblClick;
  std::function<void(int button)> MouseDown;
  std::function<void(int index)> ItemCheck;

  void Handle(const Event& e) override;
  void Write(JsonWriter& out) const override;
  std::string ValueSignature() const override;

 protected:
  bool Focusable() const override { return true; }

 private:
  std::vector<ListItem> items_;
  int selected_ = -1;
};

}  // namespace hp::forms
