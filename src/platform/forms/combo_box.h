// A combo box: a list of entries, each showing a text and carrying a number
// (its item data), and the text of the box. A drop-down list only takes its
// entries; an editable combo also takes typed text.
//
// Setting ListIndex from code raises Click when the choice changes, as the
// windows rely on choosing an entry to run its handler.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/forms/control.h"

namespace hp::forms {

class ComboBox : public Control {
 public:
  enum class Style { DropDownCombo, DropDownList };
  ComboBox(Form& owner, std::string name, Style style = Style::DropDownList);

  Style style;

  void AddItem(std::string text, std::int64_t item_data = 0);
  void Clear();  // removes every entry and the text; raises nothing
  int ListCount() const { return static_cast<int>(items_.size()); }
  const std::string& List(int index) const;
  std::int64_t ItemData(int index) const;

  int ListIndex() const { return index_; }
  // -1 clears the choice. Throws std::out_of_range for another bad index.
  void SetListIndex(int index);
  // The item data of the chosen entry; 0 when nothing is chosen.
  std::int64_t SelectedData() const;

  const std::string& Text() const { return text_; }
  // For an editable combo: sets the typed text (raises Change). For a list
  // combo: chooses the entry with that text, or clears the choice.
  void SetText(std::string text);

  std::function<void()> Click;
  std::function<void()> Change;

  void Handle(const Event& e) override;
  void Write(JsonWriter& out) const override;
  std::string ValueSignature() const override;

 protected:
  bool Focusable() const override { return true; }

 private:
  struct Item {
    std::string text;
    std::int64_t data;
  };
  std::vector<Item> items_;
  int index_ = -1;
  std::string text_;
};

}  // namespace hp::forms
