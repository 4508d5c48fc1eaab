// Shared scenery of the re-processing tests: a processing with settled and
// remaining rentals, the screen driven through the scripted host, and the
// figures a re-processing must give, computed here from the rules alone.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/db/row_writer.h"
#include "platform/text/date_text.h"
#include "reprocessing/frm_reprocessing.h"
#include "support/module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::reprocessing::fixture {

using forms::MsgBoxResult;
using testing::ChooseData;
using testing::Click;
using testing::DblClick;
using testing::Key;
using testing::Paste;

// A processing of customer `customer` with `settled` settled rentals before
// `remaining` unsettled ones; the first unsettled one is due on `first_due`
// and opens with capital `first_capital`.
struct Reprocessable {
  int id = 1;
  std::string number = "HP1";
  int customer = 1;
  int department = 10;
  double rate = 1.25;
  double rental = 1250;
  int settled = 3;
  int remaining = 12;
  std::string first_due = "2024-01-31";
  double first_capital = 12500;
};

inline void AddReprocessable(db::Connection& con, const Reprocessable& r) {
  testing::ProcessingSpec p;
  p.id = r.id;
  p.number = r.number;
  p.customer = r.customer;
  p.invoice = r.id;
  p.department = r.department;
  p.rate = r.rate;
  p.rental = r.rental;
  p.rentals = 24;  // the stored term, not what remains
  const text::Date first = text::DateOf(r.first_due);
  double capital = r.first_capital + r.settled * r.rental;
  for (int i = -r.settled; i < r.remaining; ++i) {
    testing::LineSpec l;
    l.cheque_date = text::IsoDate(text::AddMonths(first, i));
    l.capital = i == 0 ? r.first_capital : capital;
    l.rental = r.rental;
    l.interest = 100;
    l.repayment = r.rental - 100;
    l.balance = l.capital - l.repayment;
    l.settlement = i < 0 ? r.rental : 0.0;
    l.rate = r.rate;
    capital = l.balance;
    p.lines.push_back(l);
  }
  testing::AddProcessing(con, p);
}

inline void AddScenery(db::Connection& con, const Reprocessable& r = Reprocessable{}) {
  testing::CustomerSpec customer;
  customer.id = r.customer;
  customer.name = "Nimal Perera";
  testing::AddCustomer(con, customer);
  testing::InvoiceSpec invoice;
  invoice.id = r.id;
  invoice.number = "INV" + std::to_string(r.id);
  invoice.customer = r.customer;
  invoice.processed = true;
  testing::AddInvoice(con, invoice);
  AddReprocessable(con, r);
}
inline void AddScenery(testing::Module& m, const Reprocessable& r = Reprocessable{}) { AddScenery(*m.con, r); }

// Shows a new re-processing screen and runs `body` on it; a screen still open
// afterwards is closed without the "Save Changes?" question.
inline void WithScreen(testing::Module& m, const std::function<void(frmReprocessing&)>& body) {
  if (m.bas.GStrMasterNewEditFlag.empty()) m.bas.GStrMasterNewEditFlag = "N";
  m.host.OnShow("frmReprocessing", [&](forms::Form& f) {
    auto& screen = dynamic_cast<frmReprocessing&>(f);
    body(screen);
    screen.Tag.clear();
  });
  frmReprocessing screen(m.bas);
  m.host.ShowModal(screen);
}

// Chooses the mode ("optAuto" / "optMan"), the customer and the processing.
inline void Choose(frmReprocessing& s, const std::string& mode, int customer = 1, int processing = 1) {
  Click(s, mode);
  ChooseData(s, "cboCustomer", customer);
  ChooseData(s, "cboPrrocNo", processing);
}

// No of Rentals typed and Enter (the rental follows), then Re-Process,
// answering Yes to clearing the loaded lines.
inline void Reprocess(testing::Module& m, frmReprocessing& s, const std::string& rentals) {
  Paste(s, "txtNoRetals", rentals);
  Key(s, "txtNoRetals", 13);
  if (s.lvwReProcessing.Count() > 0) m.host.Answer(MsgBoxResult::Yes);
  Click(s, "cmdReProcess");
}

// Walks the line editor from line 1, giving every line a bank and cheque.
// Returns how many lines were accepted.
inline int EnterCheques(testing::Module& m, frmReprocessing& s) {
  int accepted = 0;
  m.host.OnShow("frmReProcessingPopUp", [&](forms::Form& d) {
    while (d.IsLoaded() && accepted < 1000) {
      Paste(d, "cboBankName", "Bank of Ceylon");
      Paste(d, "txtchequeno", "Q" + std::to_string(++accepted));
      Click(d, "cmdOk");
    }
  });
  DblClick(s, "lvwReProcessing", 0);
  return accepted;
}

inline forms::Event RightClick(int item = -1) {
  forms::Event e;
  e.control = "lvwReProcessing";
  e.type = "mousedown";
  e.item = item;
  e.button = 2;
  return e;
}

// Adds manual lines (rental, cheque amount) through the pop-up menu's Add.
inline void AddLines(testing::Module& m, frmReprocessing& s,
                     const std::vector<std::pair<std::string, std::string>>& lines) {
  m.host.OnShow("frmReProcessingPopUp", [&](forms::Form& d) {
    int n = 0;
    for (const auto& [rental, amount] : lines) {
      Paste(d, "dtpPeriod", "2024-06-15");
      Paste(d, "txtRentalAmount", rental);
      Paste(d, "cboBankName", "Sampath Bank");
      Paste(d, "txtchequeno", "S" + std::to_string(++n));
      Paste(d, "txtAmount", amount);
      Click(d, "cmdOk");
    }
  });
  m.host.ChooseMenu("mnuAdd");
  s.Dispatch(RightClick());
}

// ---- The figures from the rules, without the production code ---------------

inline double Round2(double v) { return std::round(v * 100) / 100; }          // halves away from zero
inline double Round4(double v) { return std::nearbyint(v * 10000) / 10000; }  // halves to even

// The monthly rate (a fraction) at which n rentals R at month end are worth B.
inline double SolveRate(int n, double R, double B) {
  auto worth = [&](double q) { return R * (1 - std::pow(1 + q, -n)) / q; };
  double lo = 1e-12, hi = 1.0;
  for (int i = 0; i < 200; ++i) {
    double mid = (lo + hi) / 2;
    (worth(mid) > B ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

struct ExpectedSchedule {
  std::vector<double> factor, discounted;
  double total = 0, adjustment = 0, adjusted_capital = 0, rate = 0;
  std::vector<double> capital, interest, repayment, balance;
};

// Automatic re-processing of `n` rentals `R` at the loaded monthly rate
// `loaded_rate` (percent) of a capital balance `B`.
inline ExpectedSchedule Expect(double loaded_rate, double B, int n, double R) {
  ExpectedSchedule e;
  for (int i = 1; i <= n; ++i) {
    e.factor.push_back(1 / std::pow(1 + loaded_rate / 100, i));
    e.discounted.push_back(Round2(R * e.factor.back()));
    e.total += e.discounted.back();
  }
  e.total = Round2(e.total);
  e.adjustment = Round2(e.total - B);
  e.adjusted_capital = Round2(e.adjustment + B);
  e.rate = SolveRate(n, R, e.adjusted_capital);
  double c = Round4(e.adjusted_capital);
  for (int i = 1; i <= n; ++i) {
    e.capital.push_back(c);
    e.interest.push_back(Round4(e.rate * 100 / 100 * c));
    e.repayment.push_back(Round4(R - e.interest.back()));
    e.balance.push_back(Round4(c - e.repayment.back()));
    c = e.balance.back();
  }
  return e;
}

inline std::string Money(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

inline double Cell(const forms::ListView& list, int row, int col) { return std::stod(list.Item(row).SubItem(col)); }

}  // namespace hp::reprocessing::fixture
