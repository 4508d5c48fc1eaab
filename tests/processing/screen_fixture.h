// The processing tests' session: the screen, a stand-in register grid fed by
// a register-like query, optionally on a database shared with other sessions.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/text/date_text.h"
#include "processing/frm_processing.h"
#include "support/database.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::processing::fixture {

inline void AddWorkedExample(db::Connection& con, testing::InvoiceSpec invoice = {}) {
  testing::AddCustomer(con, {.id = 1, .name = "Perera"});
  testing::AddInvoice(con, invoice);
}

// A session as the register leaves it for a new processing, the register's
// columns: identifier, number, date, customer, invoice, amended, cancelled.
// With `url`, on that shared database (see testing::Module).
struct Screen {
  explicit Screen(const std::string& url = {}, bool create_world = false)
      : m(url, create_world),
        reg(m, 7,
            "select h.hphProcessingID, h.hphProcessingNo, h.hphProcessingdate, c.CustomerName, i.hpqhQuotationNo, "
            "case when h.hphAmended=1 then 'Yes' else 'No' end, case when h.hphCancel=1 then 'Yes' else 'No' end "
            "from aHpProcessingHeader h left join aCustomerMaster c on c.CustomerID=h.hphCustomerID "
            "left join losHpInvoiceHeader i on i.hpqhQuotationID=h.hphInvoiceID where h.hphCompanyID=? "
            "order by h.hphProcessingNo") {
    m.bas.GStrMasterNewEditFlag = "N";
  }
  testing::Module m;
  testing::RegisterStub reg;
  std::unique_ptr<frmProcessing> frm;

  // Loaded and activated without a modal loop, to be driven event by event.
  frmProcessing& Open() {
    frm = std::make_unique<frmProcessing>(m.bas);
    frm->Load();
    frm->Activate();
    return *frm;
  }
  db::Connection& con() { return *m.con; }
};

inline void ChooseInvoice(forms::Form& f, std::int64_t invoice = 1) {
  testing::ChooseData(f, "cboCustomer", 1);
  testing::ChooseData(f, "cboInvoice", invoice);
}
inline void ChooseAndProcess(forms::Form& f) {
  ChooseInvoice(f);
  testing::Click(f, "cmdProcess");
}
// The worked example opened, chosen and processed: 24 lines with cheques
// CHQ1..CHQ24 at People's Bank.
inline frmProcessing& Processed(Screen& s, testing::InvoiceSpec invoice = {}) {
  AddWorkedExample(s.con(), invoice);
  frmProcessing& f = s.Open();
  ChooseAndProcess(f);
  return f;
}

inline std::string Focus(const forms::Form& f) { return f.ActiveControl() ? f.ActiveControl()->Name() : ""; }

inline std::string Cell(db::Connection& con, const std::string& sql) {
  db::Recordset rs = con.Open(sql);
  return rs.Eof() ? "<no row>" : db::AsText(rs.Field(0));
}

// The current row's fields, as text, joined by '|'.
inline std::string Row(const db::Recordset& rs, std::initializer_list<const char*> columns) {
  std::string out;
  for (const char* c : columns) out += (out.empty() ? "" : "|") + db::AsText(rs.Field(c));
  return out;
}

// Headers, lines, before-tax lines, audit entries and processed invoices:
// unchanged when a save stored nothing.
inline std::vector<long> Snapshot(db::Connection& con) {
  return {testing::CountRows(con, "aHpProcessingHeader"), testing::CountRows(con, "aHpProcessingDetail"),
          testing::CountRows(con, "aHpProcessingDetailOthers"), testing::CountRows(con, "hpAuditTrail"),
          testing::CountRows(con, "losHpInvoiceHeader", "hpqhProcessed=1")};
}

}  // namespace hp::processing::fixture
