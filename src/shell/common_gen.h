// General services: choosing a combo entry by its item data, and the key
// filter of numeric text boxes.
#pragma once

#include <cstdint>

#include "platform/forms/combo_box.h"
#include "platform/forms/text_box.h"

namespace hp::shell {

class clsCommonGen {
 public:
  // Chooses the entry whose item data equals `value` (which raises the combo's
  // Click). Leaves the combo as it is when no entry carries the value.
  void SelectComboItemByValue(forms::ComboBox& combo, std::int64_t value);

  // For a key about to be typed into `box`: cancels it (key = 0) when the text
  // it would make is not a number of at most `whole_digits` digits before the
  // point and, when `decimals` >= 0, at most `decimals` after it (no point at
  // all when decimals < 0). Control keys (backspace, Enter, Tab) pass.
  void TextValidateNum(const forms::TextBox& box, int& key, int whole_digits, int decimals = -1);
};

}  // namespace hp::shell
