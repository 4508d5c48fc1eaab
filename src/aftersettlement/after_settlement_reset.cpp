#include "aftersettlement/after_settlement_reset.h"

#include <string>

#include "aftersettlement/after_settlement_schedule.h"

namespace hp::aftersettlement {

int ResetReprocessing(forms::ListView& lvwPreDetails, forms::ListView& lvwReProcessing, forms::TextBox& txtNoRetals) {
  int copied = 0;
  for (int i = 0; i < lvwPreDetails.Count(); ++i) {
    const forms::ListItem& kept = lvwPreDetails.Item(i);
    if (!kept.checked) continue;
    ++copied;
    // Numbered on from the rows already there, so that a rental number is
    // its position, as the line editor expects.
    forms::ListItem& row = lvwReProcessing.Item(lvwReProcessing.Add(std::to_string(lvwReProcessing.Count() + 1)));
    for (int j = kChequeDate; j <= kMonthlyRate; ++j) row.SetSubItem(j, kept.SubItem(j));
  }
  lvwPreDetails.Visible = false;
  txtNoRetals.SetText(std::to_string(lvwReProcessing.Count()));
  lvwPreDetails.Clear();
  return copied;
}

}  // namespace hp::aftersettlement
