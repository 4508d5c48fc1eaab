// "Reset Reprocessing": the revised number of rentals taken from the settled
// rows the user keeps. The ticked rows of the previous-settlements list are
// copied, renumbered from after the rows the re-processing list already
// holds, into the re-processing list; the revised number becomes the number
// of rows that list now holds; the previous-settlements list is emptied and
// hidden. Nothing is asked, shown or written to the database, and the totals
// and the adjustment panel keep what they showed: a following Re-Process
// rebuilds the settled list with that many rows.
#pragma once

#include "platform/forms/list_view.h"
#include "platform/forms/text_box.h"

namespace hp::aftersettlement {

// Returns the number of rows copied. Cannot fail.
int ResetReprocessing(forms::ListView& lvwPreDetails, forms::ListView& lvwReProcessing, forms::TextBox& txtNoRetals);

}  // namespace hp::aftersettlement
