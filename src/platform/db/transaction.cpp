#include "platform/db/connection.h"

namespace hp::db {

Transaction::~Transaction() {
  if (done_) return;
  try {
    if (con_.IsOpen() && con_.InTransaction()) con_.RollbackTrans();
  } catch (...) {
    // A rollback that fails leaves the backend to discard the transaction
    // when the connection closes; nothing more can be done from a destructor.
  }
}

void Transaction::Commit() {
  con_.CommitTrans();
  done_ = true;
}

}  // namespace hp::db
