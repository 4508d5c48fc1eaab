// The register tests' world: processings the register lists (each with its
// customer and invoice), the open register and the working screens it opens,
// and what the tests read back: grid columns, stored rows, a report's text.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "register/frm_master.h"
#include "register/window_factory.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::reg::test {

namespace t = hp::testing;
using forms::Form;
using t::Lines;
using t::ProcessingSpec;

inline constexpr char kReason[] = "Customer's cheque bounced";

struct Register {
  std::unique_ptr<shell::WindowFactory> windows = MakeWindowFactory();
  t::Module m{t::World{}, windows.get()};
  std::unique_ptr<FrmMaster> frm;
  std::unique_ptr<Form> screen;  // the last working screen shown, readable after it closed

  // A processing with its customer and (processed) invoice unless they exist.
  void Add(const ProcessingSpec& p, const std::string& customer = "Customer", const std::string& invoice_no = "") {
    if (Count("aCustomerMaster", "CustomerID=" + std::to_string(p.customer)) == 0)
      t::AddCustomer(*m.con, {.id = p.customer, .name = customer});
    if (Count("losHpInvoiceHeader", "hpqhQuotationID=" + std::to_string(p.invoice)) == 0)
      t::AddInvoice(*m.con, {.id = p.invoice, .number = invoice_no.empty() ? "INV" + std::to_string(p.invoice) : invoice_no,
                             .company = p.company, .customer = p.customer, .processed = true, .cheque_register = false});
    t::AddProcessing(*m.con, p);
  }
  FrmMaster& Open() {
    frm = std::make_unique<FrmMaster>(m.bas);
    frm->Load();
    return *frm;
  }
  forms::FlexGrid& Grid() { return frm->flexMaster; }
  int RowOf(int id) {
    for (int r = 1; r < Grid().Rows(); ++r)
      if (Grid().TextMatrix(r, kColId) == std::to_string(id)) return r;
    return -1;
  }
  // Makes the row of processing `id` current as a user's click does.
  void Select(int id) { t::ClickCell(*frm, "flexMaster", RowOf(id), kColNumber); }
  std::vector<std::string> Column(int col) {
    std::vector<std::string> v;
    for (int r = 1; r < Grid().Rows(); ++r) v.push_back(Grid().TextMatrix(r, col));
    return v;
  }
  long Count(const std::string& table, const std::string& cond) { return t::CountRows(*m.con, table, cond); }
  std::string Processed(int invoice) {
    return db::AsText(m.con->Open("select hpqhProcessed from losHpInvoiceHeader where hpqhQuotationID=?",
                                  {std::int64_t{invoice}}).Field(0));
  }
  // Columns of processing `id`'s header as text, each followed by '|'.
  std::string Fields(int id, const std::string& columns) {
    db::Recordset rs = m.con->Open("select " + columns + " from aHpProcessingHeader where hphProcessingID=?",
                                   {std::int64_t{id}});
    std::string s;
    for (int f = 0; f < rs.FieldCount() && !rs.Eof(); ++f) s += db::AsText(rs.Field(f)) + "|";
    return s;
  }
  // Deletes processing `id` from the open register: Yes, and kReason pasted.
  void Delete(int id) {
    Select(id);
    m.host.Answer(forms::MsgBoxResult::Yes);
    m.host.OnShow("frmcancel", [](Form& f) { t::Paste(f, "txtcanreason", kReason), t::Click(f, "cmdok"); });
    t::Click(*frm, "CmdDelete");
  }
  // Shows a working screen the factory made (new mode unless the session says
  // otherwise), `user` driving it; still open afterwards, it is closed.
  template <class Screen>
  Screen& Show(std::unique_ptr<Form> made, const std::function<void(Screen&)>& user) {
    if (m.bas.GStrMasterNewEditFlag.empty()) m.bas.GStrMasterNewEditFlag = "N";
    screen = std::move(made);
    m.host.OnShow(screen->Name(), [&](Form& f) {
      user(dynamic_cast<Screen&>(f));
      f.Tag.clear();  // closed without the "Save Changes?" question
    });
    m.host.ShowModal(*screen);
    return dynamic_cast<Screen&>(*screen);
  }
};

// Every row of the module's stored tables (of one company unless 0), as text.
inline std::string Snapshot(db::Connection& con, int company = 0) {
  const char* tables[][3] = {{"aHpProcessingHeader", "hphCompanyID", "hphProcessingID"},
                             {"aHpProcessingDetail", "hpdCompanyID", "hpdProcessingID, hpddetailID"},
                             {"ahpProcessingCashFlowDetail", "hpcComapnyID", "hpcProcessingID, hpcdetailID"},
                             {"losHpInvoiceHeader", "hpqhCompanyID", "hpqhQuotationID"},
                             {"hpAuditTrail", "CompanyID", "AuditID"}};
  std::string all;
  for (auto& [table, column, order] : tables) {
    db::Recordset rs = con.Open(std::string("select * from ") + table + " where ?=0 or " + column + "=? order by " + order,
                                {std::int64_t{company}, std::int64_t{company}});
    for (all += table + std::string(":\n"); !rs.Eof(); rs.MoveNext(), all += "\n")
      for (int f = 0; f < rs.FieldCount(); ++f) all += db::AsText(rs.Field(f)) + "|";
  }
  return all;
}

// The text of a PDF as `pdftotext -layout` gives it (pages end with '\f').
inline std::string PdfText(const std::string& pdf) {
  char path[] = "/tmp/hp_report_test_XXXXXX.pdf";
  const int fd = mkstemps(path, 4);
  if (fd < 0) return {};
  const bool written = write(fd, pdf.data(), pdf.size()) == static_cast<ssize_t>(pdf.size());
  close(fd);
  std::string text;
  if (FILE* pipe = written ? popen(("pdftotext -layout '" + std::string(path) + "' - 2>/dev/null").c_str(), "r") : nullptr) {
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    pclose(pipe);
  }
  unlink(path);
  return text;
}

}  // namespace hp::reg::test
