// The scenery of the after-settlement tests: customer 1 with invoice 1 (INV1
// of 2 January 2024, installment price 140000.00) and processings of ten
// rentals (cash price 120000, down payment 20000) with the lines given.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "aftersettlement/frm_reprocessing_after_settlemt.h"
#include "platform/text/date_text.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::aftersettlement {

using Screen = frmReprocessingAfterSettlemt;
using Texts = std::vector<std::string>;

// A rental line due on 31 January 2024 plus (line - 1) months, cheque
// prefix + line, rental 5000, monthly rate 1.5.
struct LineRow {
  int detail;
  std::optional<double> settlement;
  double interest;
  int department = 0;  // 0: the processing's
};

inline testing::LineSpec Spec(const LineRow& r, const std::string& prefix = "C") {
  testing::LineSpec l{.cheque_date = text::IsoDate(text::AddMonths(text::Date{2024, 1, 31}, r.detail - 1)),
                      .capital = 99999,  // never read: the capital is rebuilt
                      .rental = 5000,
                      .interest = r.interest,
                      .bank = "Bank of Ceylon",
                      .cheque_no = prefix + std::to_string(r.detail),
                      .settlement = r.settlement,
                      .rate = 1.5};
  if (r.department) l.department = r.department;
  return l;
}

inline std::vector<LineRow> Ten(const std::function<LineRow(int)>& line) {
  std::vector<LineRow> rows;
  for (int i = 1; i <= 10; ++i) rows.push_back(line(i));
  return rows;
}

inline void AddCustomerAndInvoice(testing::Module& m) {
  testing::AddCustomer(*m.con, {.name = "Nimal Perera"});
  testing::AddInvoice(*m.con, {.processed = true});
}

// Processing `id` ("HP<id>") with its lines stored in the order given.
inline void AddSettled(testing::Module& m, int id, const std::vector<LineRow>& lines, int amended = 0) {
  testing::AddProcessing(*m.con, {.id = id, .number = "HP" + std::to_string(id), .amended = amended, .rentals = 10,
                                  .rate = 1.5});
  for (const LineRow& r : lines) testing::AddProcessingLine(*m.con, 1, id, r.detail, Spec(r));
}

// Shows the window new ("N") or, with `stored`, opened on that stored
// processing as the register's Edit does; runs `body` while shown.
inline void WithScreen(testing::Module& m, const std::function<void(Screen&)>& body, int stored = 0) {
  m.bas.GStrMasterNewEditFlag = stored ? "E" : "N";
  m.bas.lngEditProcessingID = stored;
  Screen screen(m.bas);
  if (stored) {
    screen.Load();
    ASSERT_TRUE(screen.LoadStored(stored)) << m.host.LastMessage();
  }
  m.host.OnShow("frmReprocessingAfterSettlemt", [&](forms::Form& f) {
    body(screen);
    f.Tag.clear();
  });
  m.host.ShowModal(screen);
}

inline void ChooseProcessing(Screen& s, int id = 1) {
  testing::Click(s, "optAuto");
  testing::ChooseData(s, "cboCustomer", 1);
  testing::ChooseData(s, "cboPrrocNo", id);
}

// A row's text followed by its sub-items.
inline Texts RowOf(const forms::ListView& list, int index) {
  const forms::ListItem& item = list.Item(index);
  Texts row{item.text};
  row.insert(row.end(), item.sub.begin(), item.sub.end());
  return row;
}

inline Texts ChequesOf(const forms::ListView& list) {
  Texts cheques;
  for (int i = 0; i < list.Count(); ++i) cheques.push_back(list.Item(i).SubItem(kChequeNo));
  return cheques;
}

}  // namespace hp::aftersettlement
