// The register tests' world: processings the register lists (each with its
// customer and invoice), an open register, and reading its grid.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "register/frm_master.h"
#include "register/window_factory.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::reg::test {

struct Register {
  std::unique_ptr<shell::WindowFactory> windows = MakeWindowFactory();
  hp::testing::Module m{hp::testing::World{}, windows.get()};
  std::unique_ptr<FrmMaster> frm;

  // A processing the register can list, with its customer and (processed)
  // invoice unless they exist already.
  void Add(const hp::testing::ProcessingSpec& p, const std::string& customer = "Customer",
           const std::string& invoice_no = "") {
    namespace t = hp::testing;
    if (t::CountRows(*m.con, "aCustomerMaster", "CustomerID=?", {std::int64_t{p.customer}}) == 0)
      t::AddCustomer(*m.con, {.id = p.customer, .name = customer});
    if (t::CountRows(*m.con, "losHpInvoiceHeader", "hpqhQuotationID=?", {std::int64_t{p.invoice}}) == 0)
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
  void Select(int id) { hp::testing::ClickCell(*frm, "flexMaster", RowOf(id), kColNumber); }
  std::vector<std::string> Column(int col) {
    std::vector<std::string> v;
    for (int r = 1; r < Grid().Rows(); ++r) v.push_back(Grid().TextMatrix(r, col));
    return v;
  }
  long Count(const std::string& table, const std::string& cond, const db::Params& params = {}) {
    return hp::testing::CountRows(*m.con, table, cond, params);
  }
  db::Value Header(int id, const std::string& column) {
    return m.con->Open("select " + column + " from aHpProcessingHeader where hphProcessingID=?", {std::int64_t{id}})
        .Field(0);
  }
};

}  // namespace hp::reg::test
