#include "shell/common_gen.h"

#include <cctype>

namespace hp::shell {

void clsCommonGen::SelectComboItemByValue(forms::ComboBox& combo, std::int64_t value) {
  for (int i = 0; i < combo.ListCount(); ++i) {
    if (combo.ItemData(i) == value) {
      combo.SetListIndex(i);
      return;
    }
  }
}

void clsCommonGen::TextValidateNum(const forms::TextBox& box, int& key, int whole_digits, int decimals) {
  if (key < 32) return;
  if (key > 126) {
    key = 0;
    return;
  }
  // The text as it would read with the key typed over the selection.
  std::string text = box.Text();
  size_t start = std::min<size_t>(box.SelStart < 0 ? text.size() : static_cast<size_t>(box.SelStart), text.size());
  size_t length = std::min<size_t>(static_cast<size_t>(std::max(0, box.SelLength)), text.size() - start);
  text.replace(start, length, 1, static_cast<char>(key));

  int whole = 0, frac = 0;
  bool point = false;
  for (char c : text) {
    if (c == '.') {
      if (point || decimals < 0) {
        key = 0;
        return;
      }
      point = true;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      (point ? frac : whole)++;
    } else {
      key = 0;
      return;
    }
  }
  if (whole > whole_digits || (point && frac > decimals)) key = 0;
}

}  // namespace hp::shell
