// The re-processing tests' scenery: a processing with settled and remaining
// rentals, the screen driven through the scripted host, and the figures a
// re-processing must give, worked out here from the rules alone.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <fmt/format.h>

#include "platform/text/date_text.h"
#include "reprocessing/frm_reprocessing.h"
#include "reprocessing/frm_reprocessing_pop_up.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::reprocessing::fixture {

using forms::MsgBoxResult;
using testing::ChooseData;
using testing::Click;
using testing::Key;
using testing::Paste;

// A processing at 1.25% a month: `settled` settled rentals, then `remaining`
// unsettled ones from 31 January 2024, the first opening with `first_capital`.
struct Reprocessable {
  int id = 1;
  std::string number = "HP1";
  int customer = 1, department = 10;
  double rental = 1250;
  int settled = 3, remaining = 12;
  double first_capital = 12500;
};

inline void AddReprocessable(db::Connection& con, const Reprocessable& r) {
  testing::ProcessingSpec p{.id = r.id, .number = r.number, .department = r.department, .customer = r.customer,
                            .invoice = r.id, .rentals = 24, .rate = 1.25, .rental = r.rental};
  const text::Date first = text::AddMonths(text::Date{2024, 1, 31}, -r.settled);
  p.lines = testing::Lines(r.settled + r.remaining, text::IsoDate(first), r.rental, r.settled);
  p.lines[r.settled].capital = r.first_capital;
  testing::AddProcessing(con, p);
}

// The customer, the processed invoice "INV<id>" and the processing.
inline void AddScenery(db::Connection& con, const Reprocessable& r = {}) {
  testing::AddCustomer(con, {.id = r.customer, .name = "Nimal Perera"});
  testing::AddInvoice(con, {.id = r.id, .number = "INV" + std::to_string(r.id), .customer = r.customer,
                            .processed = true});
  AddReprocessable(con, r);
}
inline void AddScenery(testing::Module& m, const Reprocessable& r = {}) { AddScenery(*m.con, r); }

// Shows a new re-processing screen and runs `body` on it; a screen still open
// afterwards is closed without the "Save Changes?" question.
inline void WithScreen(testing::Module& m, const std::function<void(frmReprocessing&)>& body) {
  if (m.bas.GStrMasterNewEditFlag.empty()) m.bas.GStrMasterNewEditFlag = "N";
  m.host.OnShow("frmReprocessing", [&](forms::Form& f) {
    body(dynamic_cast<frmReprocessing&>(f));
    f.Tag.clear();
  });
  frmReprocessing screen(m.bas);
  m.host.ShowModal(screen);
}

// The mode ("optAuto" / "optMan"), customer 1 and processing 1.
inline void Choose(frmReprocessing& s, const std::string& mode) {
  Click(s, mode);
  ChooseData(s, "cboCustomer", 1);
  ChooseData(s, "cboPrrocNo", 1);
}

// No of Rentals typed and Enter (the rental follows), then Re-Process,
// answering Yes to clearing the loaded lines.
inline void Reprocess(testing::Module& m, frmReprocessing& s, const std::string& rentals) {
  Paste(s, "txtNoRetals", rentals);
  Key(s, "txtNoRetals", 13);
  if (s.lvwReProcessing.Count() > 0) m.host.Answer(MsgBoxResult::Yes);
  Click(s, "cmdReProcess");
}

// Walks the line editor from line 1 giving every line a bank and cheque
// "Q<n>"; returns how many lines were accepted.
inline int EnterCheques(testing::Module& m, frmReprocessing& s) {
  int accepted = 0;
  m.host.OnShow("frmReProcessingPopUp", [&](forms::Form& f) {
    while (f.IsLoaded()) {
      ASSERT_LT(accepted, s.lvwReProcessing.Count());  // closed after the last line
      auto& d = dynamic_cast<frmReProcessingPopUp&>(f);
      EXPECT_FALSE(d.dtpPeriod.Enabled || d.txtRentalAmount.Enabled);  // computed lines keep date and rental
      EXPECT_EQ(d.txtRentalAmount.Text(), s.lvwReProcessing.Item(accepted).SubItem(3));
      Paste(f, "cboBankName", "Bank of Ceylon");
      Paste(f, "txtchequeno", "Q" + std::to_string(++accepted));
      Click(f, "cmdOk");
    }
  });
  testing::DblClick(s, "lvwReProcessing", 0);
  return accepted;
}

inline forms::Event RightClick(int item = -1) {
  return forms::Event{.control = "lvwReProcessing", .type = "mousedown", .item = item, .button = 2};
}

// Chooses `item` of the list's pop-up menu, right-clicking line `select`,
// with `drive` run on the dialog it opens.
inline void Menu(testing::Module& m, frmReprocessing& s, const std::string& item, int select = -1,
                 std::function<void(forms::Form&)> drive = {}) {
  if (drive) m.host.OnShow("frmReProcessingPopUp", std::move(drive));
  m.host.ChooseMenu(item);
  s.Dispatch(RightClick(select));
}

inline void Fill(forms::Form& d, const std::string& rental, const std::string& bank, const std::string& cheque,
                 const std::string& amount) {
  Paste(d, "txtRentalAmount", rental);
  Paste(d, "cboBankName", bank);
  Paste(d, "txtchequeno", cheque);
  Paste(d, "txtAmount", amount);
}

// Manual lines (rental, cheque amount) through the menu's Add: cheques "S<n>"
// of Sampath Bank.
inline void AddLines(testing::Module& m, frmReprocessing& s,
                     const std::vector<std::pair<std::string, std::string>>& lines) {
  Menu(m, s, "mnuAdd", -1, [&](forms::Form& d) {
    int n = 0;
    for (const auto& [rental, amount] : lines) {
      Paste(d, "dtpPeriod", "2024-06-15");
      Fill(d, rental, "Sampath Bank", "S" + std::to_string(++n), amount);
      Click(d, "cmdOk");
    }
  });
}

// Expects the current row to hold each "column=value": a number within 1e-9,
// anything else as text (a null reads as "").
inline void ExpectRow(const db::Recordset& rs, std::initializer_list<std::string> columns) {
  for (const std::string& c : columns) {
    const std::string name = c.substr(0, c.find('=')), want = c.substr(c.find('=') + 1);
    const db::Value& got = rs.Field(name);
    char* end = nullptr;
    const double number = std::strtod(want.c_str(), &end);
    if (!want.empty() && *end == '\0' && !db::IsNull(got))
      EXPECT_NEAR(db::AsDouble(got), number, 1e-9) << name;
    else
      EXPECT_EQ(db::AsText(got), want) << name;
  }
}
// What a save writes, counted: unchanged when nothing was stored.
inline std::vector<long> Stored(db::Connection& con) {
  std::vector<long> n;
  for (const char* table : {"aHpProcessingHeader", "aHpProcessingDetail", "ahpProcessingCashFlowDetail", "hpAuditTrail"})
    n.push_back(testing::CountRows(con, table));
  n.push_back(testing::CountRows(con, "aHpProcessingHeader", "hphAmended=1"));
  return n;
}
inline std::string N(double v) { return fmt::format("{}", v); }

// ---- The figures from the rules, without the production code ---------------

inline double Round2(double v) { return std::round(v * 100) / 100; }          // halves away from zero
inline double Round4(double v) { return std::nearbyint(v * 10000) / 10000; }  // halves to even

struct ExpectedSchedule {
  std::vector<double> factor, discounted, capital, interest, repayment, balance;
  double adjustment = 0, rate = 0;
};

// Automatic re-processing of `n` rentals `R` at the loaded monthly rate
// `loaded_rate` (percent) of a capital balance `B`.
inline ExpectedSchedule Expect(double loaded_rate, double B, int n, double R) {
  ExpectedSchedule e;
  double total = 0;
  for (int i = 1; i <= n; ++i) {
    e.factor.push_back(1 / std::pow(1 + loaded_rate / 100, i));
    e.discounted.push_back(Round2(R * e.factor.back()));
    total += e.discounted.back();
  }
  e.adjustment = Round2(Round2(total) - B);
  // The monthly rate at which the rentals are worth the adjusted balance, by bisection.
  const double worth = Round2(e.adjustment + B);
  double lo = 1e-12, hi = 1.0;
  for (int i = 0; i < 200; ++i) {
    const double mid = (lo + hi) / 2;
    (R * (1 - std::pow(1 + mid, -n)) / mid > worth ? lo : hi) = mid;
  }
  e.rate = (lo + hi) / 2;
  double c = Round4(worth);
  for (int i = 1; i <= n; ++i) {
    e.capital.push_back(c);
    e.interest.push_back(Round4(e.rate * 100 / 100 * c));
    e.repayment.push_back(Round4(R - e.interest.back()));
    e.balance.push_back(c = Round4(c - e.repayment.back()));
  }
  return e;
}

inline double Cell(const forms::ListView& list, int row, int col) { return std::stod(list.Item(row).SubItem(col)); }

}  // namespace hp::reprocessing::fixture
