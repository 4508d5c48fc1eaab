#include "support/ui.h"

#include <gtest/gtest.h>

#include "platform/forms/combo_box.h"

namespace hp::testing {

using forms::Event;

void Click(forms::Form& form, const std::string& control) { form.Dispatch(Event{.control = control, .type = "click"}); }

void DblClick(forms::Form& form, const std::string& control, int item) {
  form.Dispatch(Event{.control = control, .type = "dblclick", .item = item});
}

void Type(forms::Form& form, const std::string& control, const std::string& text) {
  for (char ch : text) {
    form.Dispatch(Event{.control = control, .type = "key", .value = std::string(1, ch),
                        .key = static_cast<unsigned char>(ch)});
  }
}

void Paste(forms::Form& form, const std::string& control, const std::string& text) {
  form.Dispatch(Event{.control = control, .type = "change", .value = text});
}

void Key(forms::Form& form, const std::string& control, int key) {
  form.Dispatch(Event{.control = control, .type = "key", .key = key});
}

void Choose(forms::Form& form, const std::string& control, int item) {
  form.Dispatch(Event{.control = control, .type = "select", .item = item});
}

void ChooseData(forms::Form& form, const std::string& control, std::int64_t item_data) {
  auto* combo = dynamic_cast<forms::ComboBox*>(form.Find(control));
  ASSERT_NE(combo, nullptr) << control << " is not a combo box";
  for (int i = 0; i < combo->ListCount(); ++i) {
    if (combo->ItemData(i) == item_data) {
      Choose(form, control, i);
      return;
    }
  }
  FAIL() << control << " has no entry with item data " << item_data;
}

void ClickCell(forms::Form& form, const std::string& control, int row, int col) {
  form.Dispatch(Event{.control = control, .type = "click", .row = row, .col = col});
}

void Tick(forms::Form& form, const std::string& control, int item, bool on) {
  form.Dispatch(Event{.control = control, .type = "check", .value = on ? "1" : "0", .item = item});
}

}  // namespace hp::testing
