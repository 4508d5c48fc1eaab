// The after-settlement tests' world: customer 1 with invoice 1 (INV1 of 2
// January 2024, installment price 140000.00) and processings of ten rentals
// (cash price 120000, down payment 20000) with the lines given.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "aftersettlement/frm_reprocessing_after_settlemt.h"
#include "platform/forms/text_box.h"
#include "platform/text/date_text.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::aftersettlement {

namespace t = hp::testing;
using Screen = frmReprocessingAfterSettlemt;
using Texts = std::vector<std::string>;
using Rows = std::vector<Texts>;

// A rental line due on 31 January 2024 plus (detail - 1) months, cheque
// prefix + detail, rental 5000, monthly rate 1.5.
struct LineRow {
  int detail;
  std::optional<double> settlement;
  double interest;
  int department = 0;  // 0: the processing's
};

inline t::LineSpec Spec(const LineRow& r, const std::string& prefix = "C") {
  t::LineSpec l{.cheque_date = text::IsoDate(text::AddMonths(text::Date{2024, 1, 31}, r.detail - 1)),
                .capital = 99999,  // never read: the capital is rebuilt
                .rental = 5000, .interest = r.interest, .bank = "Bank of Ceylon",
                .cheque_no = prefix + std::to_string(r.detail), .settlement = r.settlement, .rate = 1.5};
  if (r.department) l.department = r.department;
  return l;
}

inline std::vector<LineRow> Ten(const std::function<LineRow(int)>& line) {
  std::vector<LineRow> rows;
  for (int i = 1; i <= 10; ++i) rows.push_back(line(i));
  return rows;
}

struct World {
  t::Module m;
  World() { t::AddCustomer(*m.con, {.name = "Nimal Perera"}), t::AddInvoice(*m.con, {.processed = true}); }
  // Processing `id` ("HP<id>") with its lines stored in the order given.
  void Settled(int id, const std::vector<LineRow>& lines, int amended = 0) {
    t::AddProcessing(*m.con, {.id = id, .number = "HP" + std::to_string(id), .amended = amended, .rentals = 10,
                              .rate = 1.5});
    for (const LineRow& r : lines) t::AddProcessingLine(*m.con, 1, id, r.detail, Spec(r));
  }
  // Shows the window new or, with `stored`, opened on that stored processing
  // as the register's Edit does, running `body` while shown; false when the
  // stored one is refused.
  bool Show(const std::function<void(Screen&)>& body, int stored = 0) {
    m.bas.GStrMasterNewEditFlag = stored ? "E" : "N";
    m.bas.lngEditProcessingID = stored;
    Screen screen(m.bas);
    if (stored && (screen.Load(), !screen.LoadStored(stored))) return false;
    m.host.OnShow("frmReprocessingAfterSettlemt", [&](forms::Form& f) { body(screen), f.Tag.clear(); });
    m.host.ShowModal(screen);
    return true;
  }
  long Count(const std::string& table, const std::string& cond = {}) { return t::CountRows(*m.con, table, cond); }
};

inline void ChooseProcessing(Screen& s, int id = 1) {
  t::Click(s, "optAuto"), t::ChooseData(s, "cboCustomer", 1), t::ChooseData(s, "cboPrrocNo", id);
}

// The texts of the named boxes (names between blanks), each followed by '|'.
inline std::string Boxes(Screen& s, const std::string& names) {
  std::istringstream in(names);
  std::string all;
  for (std::string name; in >> name;) all += dynamic_cast<forms::TextBox&>(*s.Find(name)).Text() + "|";
  return all;
}

// Each row's text followed by its sub-items.
inline Rows RowsOf(const forms::ListView& list) {
  Rows rows;
  for (int i = 0; i < list.Count(); ++i) {
    rows.push_back({list.Item(i).text});
    rows.back().insert(rows.back().end(), list.Item(i).sub.begin(), list.Item(i).sub.end());
  }
  return rows;
}

inline Texts ChequesOf(const forms::ListView& list) {
  Texts cheques;
  for (int i = 0; i < list.Count(); ++i) cheques.push_back(list.Item(i).SubItem(kChequeNo));
  return cheques;
}

}  // namespace hp::aftersettlement
