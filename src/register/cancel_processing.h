// Cancelling a processing from the register. Nothing is ever removed: the
// header is marked cancelled with the user's reason; a first processing
// releases its invoice so that it can be processed again, and a re-processing
// makes the processing it had replaced current again.
//
// Every statement names the processing by identifier and company, and every
// value is bound, so a reason holding an apostrophe is stored as given.
#pragma once

#include <cstdint>
#include <string>

#include "shell/bas_module.h"

namespace hp::reg {

// What stands in the way of cancelling a processing.
enum class CancelRefusal {
  kNone,              // it may be cancelled
  kMissing,           // no such processing in the session's company
  kCancelled,         // already cancelled
  kAmended,           // replaced by a re-processing: cancel that one instead
  kSettled,           // rentals settled, and not a re-processing after settlement
  kAdjustmentPosted,  // a re-processing after settlement whose adjustment is posted
};

// The message telling the user why; empty for kNone.
std::string RefusalMessage(CancelRefusal refusal);

// Reads the processing's header and rental lines (in the session's company)
// and says whether it may be cancelled. Settled rentals forbid it unless the
// processing is a re-processing after settlement (a null flag reads as "not
// one") whose adjustment has not been posted. Throws db::DbError.
CancelRefusal CheckCancellable(shell::BasModule& bas, std::int32_t processing_id);

// Cancels the processing in one transaction on the session connection: the
// checks of CheckCancellable again under the transaction's write lock (another
// user may have acted since the question was asked), the cancel flag and
// reason, the invoice release or the un-amending of the replaced processing,
// and the audit entry (record identifier, `processing_no`, "D").
// Returns kNone when committed; any other value when the checks refused it,
// with nothing changed. Throws (db::DbError or the audit's error) when a
// statement or the commit fails; the transaction is then rolled back and
// nothing of the cancellation stays. Does not touch the register grid: the
// caller refreshes its row only after a successful return.
CancelRefusal CancelProcessing(shell::BasModule& bas, std::int32_t processing_id, const std::string& processing_no,
                               const std::string& reason);

}  // namespace hp::reg
