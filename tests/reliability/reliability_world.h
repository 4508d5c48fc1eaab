// What the reliability tests share: the records they start from, a session
// with the real windows, the saves and the cancellation driven as a user
// drives them, and a snapshot of the module's tables.
//
// A driver takes its window as far as the save and hands the window and the
// action that saves ("press") to `at_save`. With `fill` set, the driver calls
// it on each window whose inputs are ready for a hostile text and tolerates
// what that text makes the window refuse; without it, a window that does not
// go where the driver expects throws forms::ScriptError.
#pragma once

#include <fmt/format.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "aftersettlement/frm_reprocessing_after_settlemt.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/list_view.h"
#include "platform/forms/scripted_host.h"
#include "processing/frm_processing.h"
#include "register/frm_master.h"
#include "register/window_factory.h"
#include "reprocessing/frm_reprocessing.h"
#include "shell/bas_module.h"
#include "support/records.h"
#include "support/ui.h"

namespace hp::reliability {

using forms::MsgBoxResult;
using testing::Click;
using testing::Key;
using testing::Paste;
using Press = std::function<void()>;
using AtSave = std::function<void(forms::Form& screen, const Press& press)>;
struct Steer {
  AtSave at_save;
  std::function<void(forms::Form&)> fill = {};
};
using Lines = std::vector<std::pair<std::string, std::string>>;  // (rental, cheque amount) typed by hand
inline const Lines kManualLines = {{"6000", "6000"}, {"5000", "5000"}, {"4000", "4000"}};

// ---- Starting records (customer `id` owns invoice `id` and processing `id`) --

inline std::string Due(int months) { return text::IsoDate(text::AddMonths(text::Date{2024, 1, 31}, months)); }

// A confirmed, unprocessed invoice of 24 rentals of 5000 with a cheque register.
inline void SeedOpenInvoice(db::Connection& con, int id, std::optional<int> service_tax = {}) {
  testing::AddCustomer(con, {.id = id, .name = "Customer " + std::to_string(id)});
  testing::AddInvoice(con, {.id = id, .number = "INV" + std::to_string(id), .customer = id, .service_tax = service_tax});
}

// A processed invoice and its live processing "HP<id>" with `lines`.
inline void SeedLive(db::Connection& con, int id, double rate = 1.51, double rental = 5000,
                     std::vector<testing::LineSpec> lines = testing::Lines(3, "2024-04-15", 5000)) {
  SeedOpenInvoice(con, id);
  con.Execute("update losHpInvoiceHeader set hpqhProcessed=1 where hpqhQuotationID=?", {std::int64_t{id}});
  testing::AddProcessing(con, {.id = id, .number = "HP" + std::to_string(id), .customer = id, .invoice = id,
                               .rate = rate, .rental = rental, .lines = std::move(lines)});
}

// 15 lines of 1250, three settled: twelve (15000) to re-process.
inline void SeedReprocessable(db::Connection& con, int id) {
  std::vector<testing::LineSpec> lines;
  for (int i = 0; i < 15; ++i) {
    const double capital = i < 3 ? 16250 - 1150.0 * i : 12500 - 1150.0 * (i - 3);
    lines.push_back({.cheque_date = Due(i - 3), .capital = capital, .rental = 1250, .interest = 100,
                     .repayment = 1150, .balance = capital - 1150, .settlement = i < 3 ? 1250.0 : 0.0, .rate = 1.25});
  }
  SeedLive(con, id, 1.25, 1250, lines);
}

// Ten rentals of 5000 with rentals 1, 2 and 5 settled.
inline void SeedSettled(db::Connection& con, int id) {
  std::vector<testing::LineSpec> lines;
  for (int d = 1; d <= 10; ++d)
    lines.push_back({.cheque_date = Due(d - 1), .rental = 5000, .interest = 1500.0 - 100 * d,
                     .bank = "Bank of Ceylon", .cheque_no = "C",
                     .settlement = d == 1 || d == 2 || d == 5 ? 5000.0 : 0.0, .rate = 1.5});
  SeedLive(con, id, 1.5, 5000, lines);
}

// Processing `id`: a stored re-processing after settlement of SeedSettled
// processing `reference` (now amended), three lines.
inline void SeedStoredAfterSettlement(db::Connection& con, int id, int reference) {
  SeedSettled(con, reference);
  con.Execute("update aHpProcessingHeader set hphAmended=1 where hphProcessingID=?", {std::int64_t{reference}});
  testing::ProcessingSpec p{.id = id, .number = "HP" + std::to_string(id), .customer = reference,
                            .invoice = reference, .reference = reference, .after_settlement = 1,
                            .adjustment_posted = 0, .rate = 1.5, .installment_price = 34000};
  for (int d = 1; d <= 3; ++d)
    p.lines.push_back({.cheque_date = Due(d - 1), .rental = 5000, .interest = 100, .bank = "Bank of Ceylon",
                       .cheque_no = "S", .settlement = 1000.0 * d, .rate = 1.5});
  testing::AddProcessing(con, p);
  testing::SetReprocessingFigures(con, id, 106000, 6800);
}

// ---- A session --------------------------------------------------------------

// The standard world's clerk with the real windows on `con` (which must
// outlive it), the register loaded: its load completes the session (shared
// components, rights) and the saves refresh its grid.
struct Session {
  explicit Session(db::Connection& con) : windows(reg::MakeWindowFactory()), bas(host, *windows) {
    bas.adocon = &con;
    bas.strMsgboxCaption = "HP";
    bas.intCompanyID = bas.intuserid = bas.intfinancialId = 1;
    bas.intdepartmentid = 10;
    bas.dtProcessDate = text::Date{2024, 3, 15};
    OpenRegister();
  }
  forms::ScriptedHost host;
  std::unique_ptr<shell::WindowFactory> windows;
  shell::BasModule bas;
  std::unique_ptr<reg::FrmMaster> register_window;

  void OpenRegister() {  // as Show does, without its modal loop
    register_window = std::make_unique<reg::FrmMaster>(bas);
    register_window->Load();
  }
};

// ---- Driving the windows ----------------------------------------------------

inline void Pick(forms::Form& f, const std::string& control, std::int64_t data) {
  auto* combo = dynamic_cast<forms::ComboBox*>(f.Find(control));
  for (int i = 0; combo && i < combo->ListCount(); ++i)
    if (combo->ItemData(i) == data) return testing::Choose(f, control, i);
  throw forms::ScriptError(f.Name() + "." + control + " does not offer " + std::to_string(data));
}
// Clicks a control the window offers now; one it does not is left alone.
inline void Act(forms::Form& f, const std::string& control) {
  forms::Control* c = f.Find(control);
  if (c && c->Shown() && c->Enabled) Click(f, control);
}
inline void Require(const Steer& st, bool ok, const std::string& what) {
  if (!ok && !st.fill) throw forms::ScriptError(what);
}
inline void Fill(const Steer& st, forms::Form& f) {
  if (st.fill) st.fill(f);
}
inline void PasteIf(forms::Form& f, const std::string& control, const std::string& text) {
  if (!text.empty()) Paste(f, control, text);
}
// Remarks, then the save handed over; whatever is left closes without "Save Changes?".
inline void HandOver(forms::Form& f, const Steer& st, const std::string& remarks, Press press) {
  PasteIf(f, "txtRemarks", remarks);
  st.at_save(f, press);
  f.Tag.clear();
}

// A new processing: Process Interest (the cheque register gives every line
// its cheque), remarks, OK (or Close and Yes to "Save Changes?").
inline void SaveProcessing(Session& s, std::int64_t customer, std::int64_t invoice, const std::string& remarks,
                           const Steer& st, bool through_close = false) {
  s.bas.GStrMasterNewEditFlag = "N";
  processing::frmProcessing screen(s.bas);
  s.host.OnShow("frmProcessing", [&](forms::Form& f) {
    Pick(f, "cboCustomer", customer);
    Pick(f, "cboInvoice", invoice);
    Fill(st, f);
    Act(f, "cmdProcess");
    Require(st, screen.lvwProcessing.Count() > 0, "Process Interest laid out no line");
    HandOver(f, st, remarks, [&] {
      if (through_close && s.host.PendingAnswers() == 0) s.host.Answer(MsgBoxResult::Yes);
      Act(f, through_close ? "cmdClose" : "cmdOK");
    });
  });
  s.host.ShowModal(screen);
}

// A re-processing: automatic to `rentals` rentals, each line's cheque entered
// through the line editor; or, with `manual` lines, those entered by hand.
inline void SaveReprocessing(Session& s, std::int64_t customer, std::int64_t processing, const std::string& rentals,
                             const Lines& manual, const std::string& remarks, const Steer& st) {
  s.bas.GStrMasterNewEditFlag = "N";
  reprocessing::frmReprocessing screen(s.bas);
  s.host.OnShow("frmReprocessing", [&](forms::Form& f) {
    Click(f, manual.empty() ? "optAuto" : "optMan");
    Pick(f, "cboCustomer", customer);
    Pick(f, "cboPrrocNo", processing);
    int n = 0;
    if (manual.empty()) {
      Paste(f, "txtNoRetals", rentals);
      Key(f, "txtNoRetals", 13);
      Fill(st, f);
      if (screen.lvwReProcessing.Count() > 0 && s.host.PendingAnswers() == 0)
        s.host.Answer(MsgBoxResult::Yes);  // clear the loaded lines
      Act(f, "cmdReProcess");
      s.host.OnShow("frmReProcessingPopUp", [&](forms::Form& d) {
        while (d.IsLoaded() && n < 1000) {
          Paste(d, "cboBankName", "Bank of Ceylon");
          Paste(d, "txtchequeno", "Q" + std::to_string(++n));
          Click(d, "cmdOk");
        }
      });
      if (screen.lvwReProcessing.Count() > 0) testing::DblClick(f, "lvwReProcessing", 0);
    } else {
      s.host.OnShow("frmReProcessingPopUp", [&](forms::Form& d) {
        for (const auto& [rental, amount] : manual) {
          if (!d.IsLoaded()) break;
          Paste(d, "dtpPeriod", "2024-06-15");
          Paste(d, "txtRentalAmount", rental);
          Paste(d, "cboBankName", "Sampath Bank");
          Paste(d, "txtchequeno", "S" + std::to_string(++n));
          Paste(d, "txtAmount", amount);
          if (n == 1) Fill(st, d);
          Act(d, "cmdOk");
        }
      });
      s.host.ChooseMenu("mnuAdd");
      f.Dispatch(forms::Event{.control = "lvwReProcessing", .type = "mousedown", .item = -1, .button = 2});
      Act(f, "cmdReProcess");
    }
    Require(st, screen.lvwReProcessing.Count() > 0, "Re-Process laid out no line");
    HandOver(f, st, remarks, [&] { Act(f, "cmdOk"); });
  });
  s.host.ShowModal(screen);
}

// A new re-processing after settlement to `revised` rentals at a new price.
inline void SaveAfterSettlement(Session& s, std::int64_t customer, std::int64_t processing,
                                const std::string& revised, const std::string& price, const std::string& remarks,
                                const Steer& st) {
  s.bas.GStrMasterNewEditFlag = "N";
  aftersettlement::frmReprocessingAfterSettlemt screen(s.bas);
  s.host.OnShow("frmReprocessingAfterSettlemt", [&](forms::Form& f) {
    Click(f, "optAuto");
    Pick(f, "cboCustomer", customer);
    Pick(f, "cboPrrocNo", processing);
    Paste(f, "txtNoRetals", revised);
    Paste(f, "txtnewInstPrice", price);
    Fill(st, f);
    Act(f, "cmdReProcess");
    Require(st, screen.Processed(), "Re-Process built no settled list: " + s.host.LastMessage());
    HandOver(f, st, remarks, [&] { Act(f, "cmdOk"); });
  });
  s.host.ShowModal(screen);
}

inline void SelectRegisterRow(Session& s, std::int64_t id) {
  const forms::FlexGrid& grid = s.register_window->flexMaster;
  for (int r = 1; r < grid.Rows(); ++r)
    if (grid.TextMatrix(r, reg::kColId) == std::to_string(id))
      return testing::ClickCell(*s.register_window, "flexMaster", r, reg::kColNumber);
  throw forms::ScriptError("the register does not list processing " + std::to_string(id));
}

// Stored re-processing after settlement `id` opened with the register's Edit
// and saved again; empty texts are left as loaded.
inline void SaveAfterSettlementAgain(Session& s, std::int64_t id, const std::string& price,
                                     const std::string& remarks, const Steer& st) {
  SelectRegisterRow(s, id);
  bool shown = false;
  s.host.OnShow("frmReprocessingAfterSettlemt", [&](forms::Form& f) {
    shown = true;
    Fill(st, f);
    PasteIf(f, "txtnewInstPrice", price);
    HandOver(f, st, remarks, [&] { Act(f, "cmdOk"); });
  });
  Click(*s.register_window, "CmdEdit");
  if (!shown) throw forms::ScriptError("Edit opened no window: " + s.host.LastMessage());
}

// Processing `id` cancelled from the register: Yes to "Are You Sure ...?",
// the reason given in the reason dialog.
inline void CancelFromRegister(Session& s, std::int64_t id, const std::string& reason, const Steer& st) {
  reg::FrmMaster& r = *s.register_window;
  SelectRegisterRow(s, id);
  s.host.OnShow("frmcancel", [&](forms::Form& d) {
    PasteIf(d, "txtcanreason", reason);
    Act(d, "cmdok");
  });
  st.at_save(r, [&] {
    if (s.host.PendingAnswers() == 0) s.host.Answer(MsgBoxResult::Yes);
    Act(r, "CmdDelete");
  });
}

// ---- Snapshots ----------------------------------------------------------------

// Each table's rows as sorted texts naming every column, value and type. With
// `mask_times` the columns that differ between two runs of one action read
// "<varies>": the clocks and the audit entry's drawn identifier (a PostgreSQL
// sequence does not give back what a rolled-back insert took).
using Dump = std::map<std::string, std::vector<std::string>>;
inline Dump Snapshot(db::Connection& con, bool mask_times = false,
                     const std::vector<std::string>& tables = {"aHpProcessingHeader", "aHpProcessingDetail",
                                                               "aHpProcessingDetailOthers",
                                                               "ahpProcessingCashFlowDetail", "losHpInvoiceHeader",
                                                               "hpAuditTrail"}) {
  static const std::set<std::string> varying = {"loggedtime", "savedtime", "hphupdatetime", "auditid"};
  Dump dump;
  for (const auto& table : tables) {
    std::vector<std::string>& rows = dump[table];
    for (db::Recordset rs = con.Open("select * from " + table); !rs.Eof(); rs.MoveNext()) {
      std::string row;
      for (int i = 0; i < rs.FieldCount(); ++i) {
        std::string name = rs.FieldName(i), cell;
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        const db::Value& v = rs.Field(i);
        if (db::IsNull(v)) cell = "NULL";
        else if (mask_times && varying.count(name)) cell = "<varies>";
        else if (auto* n = std::get_if<std::int64_t>(&v)) cell = "i" + std::to_string(*n);
        else if (auto* d = std::get_if<double>(&v)) cell = fmt::format("d{:.17g}", *d);
        else cell = "'" + std::get<std::string>(v) + "'";  // std::string keeps an embedded NUL
        row += name + "=" + cell + "; ";
      }
      rows.push_back(std::move(row));
    }
    std::sort(rows.begin(), rows.end());
  }
  return dump;
}

// How `after` differs from `before`: rows lost and gained, a few shown.
struct Change {
  long lost = 0, gained = 0;
  std::string text;
};
inline Change Compare(const Dump& before, const Dump& after) {
  Change c;
  for (const auto& [table, rows] : before) {
    const std::vector<std::string>& now = after.at(table);
    std::vector<std::string> lost, gained;
    std::set_difference(rows.begin(), rows.end(), now.begin(), now.end(), std::back_inserter(lost));
    std::set_difference(now.begin(), now.end(), rows.begin(), rows.end(), std::back_inserter(gained));
    for (size_t i = 0; i < lost.size() && i < 3; ++i) c.text += "\n  " + table + " lost: " + lost[i];
    for (size_t i = 0; i < gained.size() && i < 3; ++i) c.text += "\n  " + table + " gained: " + gained[i];
    c.lost += static_cast<long>(lost.size());
    c.gained += static_cast<long>(gained.size());
  }
  return c;
}

// Descriptions of the errors logged whose source is a failed statement.
inline std::vector<std::string> ErrorsLogged(db::Connection& con) {
  std::vector<std::string> errors;
  for (db::Recordset rs = con.Open("select RoutineName, Description from hpErrorLog where ErrorSource='hp.db' "
                                   "order by ErrorID");
       !rs.Eof(); rs.MoveNext())
    errors.push_back(db::AsText(rs.Field(0)) + ": " + db::AsText(rs.Field(1)));
  return errors;
}

// ---- The counts the program reports when it ends ------------------------------

struct Tally : ::testing::Environment {
  long kills = 0, kills_survived = 0, injected = 0, injected_survived = 0, injection_cases = 0;
  void TearDown() override {
    if (kills) std::cout << "[ reliability ] kill points survived: " << kills_survived << " of " << kills << "\n";
    if (injected)
      std::cout << "[ reliability ] injected failures survived: " << injected_survived << " of " << injected << "\n";
    if (injection_cases) std::cout << "[ reliability ] injection cases tried: " << injection_cases << "\n";
  }
};
inline Tally& Totals() {
  static Tally* t = static_cast<Tally*>(::testing::AddGlobalTestEnvironment(new Tally));
  return *t;
}
inline Tally& kTallyRegistered = Totals();  // registered before RUN_ALL_TESTS

}  // namespace hp::reliability
