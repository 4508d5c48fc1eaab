#include "register/cancel_processing.h"

#include "platform/db/connection.h"
#include "platform/text/number_text.h"

namespace hp::reg {
namespace {

db::Value Id(std::int64_t v) { return v; }

struct Header {
  bool found = false;
  bool cancelled = false;
  bool amended = false;
  bool after_settlement = false;
  bool adjustment_posted = false;
  std::int64_t invoice = 0;
  std::int64_t reference = 0;  // 0: a first processing
};

Header ReadHeader(shell::BasModule& bas, std::int32_t id) {
  db::Recordset rs = bas.adocon->Open(
      "select hphInvoiceID, hphReferenceID, hphcancel, hphAmended, hphreprocessaftersettlement, "
      "coalesce(hphAdjustmentPosted,0) from aHpProcessingHeader where hphProcessingID=? and hphCompanyID=?",
      {Id(id), Id(bas.intCompanyID)});
  Header h;
  if (rs.Eof()) return h;
  h.found = true;
  h.invoice = db::AsInt(rs.Field(0));
  h.reference = db::AsInt(rs.Field(1));
  h.cancelled = db::AsBool(rs.Field(2));
  h.amended = db::AsBool(rs.Field(3));
  h.after_settlement = db::AsBool(rs.Field(4));  // null: not one
  h.adjustment_posted = db::AsInt(rs.Field(5)) == 1;
  return h;
}

CancelRefusal Check(shell::BasModule& bas, std::int32_t id, const Header& h) {
  if (!h.found) return CancelRefusal::kMissing;
  if (h.cancelled) return CancelRefusal::kCancelled;
  if (h.amended) return CancelRefusal::kAmended;
  bas.objDb->SetTable("ahpprocessingdetail where hpdProcessingId=? and hpdCompanyID=?",
                      {Id(id), Id(bas.intCompanyID)});
  double settled = db::AsDouble(bas.objDb->fnreturnfield("sum(hpdSettlementAmount)"));
  if (text::Format00(settled) != "0.00") {
    if (!h.after_settlement) return CancelRefusal::kSettled;
    if (h.adjustment_posted) return CancelRefusal::kAdjustmentPosted;
  }
  return CancelRefusal::kNone;
}

}  // namespace

std::string RefusalMessage(CancelRefusal refusal) {
  switch (refusal) {
    case CancelRefusal::kNone: return {};
    case CancelRefusal::kMissing: return "The selected transaction no longer exists. Cannot delete.";
    case CancelRefusal::kCancelled: return "The selected transaction is already cancelled. Cannot delete.";
    case CancelRefusal::kAmended: return "The selected transaction has been re-processed. Cannot delete.";
    case CancelRefusal::kSettled: return "The selected transaction is already Processed. Cannot delete.";
    case CancelRefusal::kAdjustmentPosted:
      return "This reprocessing adjustment is already posted to journal. Cannot delete.";
  }
  return {};
}

CancelRefusal CheckCancellable(shell::BasModule& bas, std::int32_t processing_id) {
  return Check(bas, processing_id, ReadHeader(bas, processing_id));
}

CancelRefusal CancelProcessing(shell::BasModule& bas, std::int32_t processing_id, const std::string& processing_no,
                               const std::string& reason) {
  db::Connection& con = *bas.adocon;
  const db::Value id = Id(processing_id);
  const db::Value company = Id(bas.intCompanyID);
  db::Transaction tx(con);
  const Header h = ReadHeader(bas, processing_id);
  if (CancelRefusal refusal = Check(bas, processing_id, h); refusal != CancelRefusal::kNone) return refusal;
  con.Execute("update aHpProcessingHeader set hphcancel=1,hphcancelRemarks=? where hphProcessingID=? and hphCompanyID=?",
              {reason, id, company});
  if (h.reference == 0) {
    con.Execute("update losHpInvoiceHeader set  hpqhProcessed=0  where hpqhquotationId=? and hpqhCompanyID=?",
                {Id(h.invoice), company});
  } else {
    con.Execute(
        "Update aHpProcessingHeader set hphAmended=0 where hphProcessingID in (select hphReferenceID from "
        "aHpProcessingHeader where hphProcessingID=? and hphCompanyID=?) and hphCompanyID=?",
        {id, company, company});
  }
  bas.objAudit->SaveOskendalInfo(processing_id, processing_no, true, "D");
  tx.Commit();
  return CancelRefusal::kNone;
}

}  // namespace hp::reg
