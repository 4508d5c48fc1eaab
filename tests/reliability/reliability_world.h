// What the reliability tests share: the records they start from, sessions on
// an SQLite file, the saves and the cancellation driven through the windows
// as a user drives them, and a dump of every table of the module to compare
// a database before and after.
//
// A driver takes the window as far as the save and then hands the window and
// the action that saves ("press") to the caller's `at_save`, which may press
// it once, twice or not at all and look at the window in between. Drivers
// throw forms::ScriptError when the window does not offer what they expect
// (so that an error trap never swallows it).
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "aftersettlement/frm_reprocessing_after_settlemt.h"
#include "platform/db/connection.h"
#include "platform/db/sqlite_connection.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/flex_grid.h"
#include "platform/forms/scripted_host.h"
#include "platform/forms/text_box.h"
#include "processing/frm_processing.h"
#include "register/frm_master.h"
#include "register/window_factory.h"
#include "reprocessing/frm_reprocessing.h"
#include "shell/bas_module.h"
#include "support/records.h"

namespace hp::reliability {

using forms::MsgBoxResult;
using Press = std::function<void()>;
using AtSave = std::function<void(forms::Form& screen, const Press& press)>;

inline db::Value I(std::int64_t v) { return v; }

// ---- Starting records -------------------------------------------------------

// A verified customer and its confirmed, unprocessed invoice `id` of 24
// rentals of 5000 with a cheque register; service tax category when given.
inline void SeedOpenInvoice(db::Connection& con, int id, int customer, std::optional<int> service_tax = {}) {
  testing::AddCustomer(con, {.id = customer, .name = "Customer " + std::to_string(customer)});
  testing::AddInvoice(con, {.id = id, .number = "INV" + std::to_string(id), .customer = customer,
                            .service_tax = service_tax});
}

// A processed invoice and its live processing `id` (number "HP<id>") of
// 15 lines of 1250: three settled, twelve to go (12 x 1250 = 15000 remain).
inline void SeedReprocessable(db::Connection& con, int id, int customer) {
  testing::AddCustomer(con, {.id = customer, .name = "Customer " + std::to_string(customer)});
  testing::AddInvoice(con, {.id = id, .number = "INV" + std::to_string(id), .customer = customer, .processed = true});
  testing::ProcessingSpec p;
  p.id = id;
  p.number = "HP" + std::to_string(id);
  p.customer = customer;
  p.invoice = id;
  p.rate = 1.25;
  p.rental = 1250;
  const text::Date first{2024, 1, 31};
  double capital = 12500 + 3 * 1250;
  for (int i = -3; i < 12; ++i) {
    testing::LineSpec l;
    l.cheque_date = text::IsoDate(text::AddMonths(first, i));
    l.capital = i == 0 ? 12500 : capital;
    l.rental = 1250;
    l.interest = 100;
    l.repayment = 1150;
    l.balance = l.capital - l.repayment;
    l.settlement = i < 0 ? 1250.0 : 0.0;
    l.rate = 1.25;
    capital = l.balance;
    p.lines.push_back(l);
  }
  testing::AddProcessing(con, p);
}

// A processed invoice and its live processing `id` of ten rentals of 5000
// with rentals 1, 2 and 5 settled: what a re-processing after settlement
// starts from.
inline void SeedSettled(db::Connection& con, int id, int customer) {
  testing::AddCustomer(con, {.id = customer, .name = "Customer " + std::to_string(customer)});
  testing::AddInvoice(con, {.id = id, .number = "INV" + std::to_string(id), .customer = customer, .processed = true});
  testing::ProcessingSpec p;
  p.id = id;
  p.number = "HP" + std::to_string(id);
  p.customer = customer;
  p.invoice = id;
  p.rate = 1.5;
  p.rentals = 10;
  testing::AddProcessing(con, p);
  for (int d = 1; d <= 10; ++d) {
    testing::LineSpec l;
    l.cheque_date = text::IsoDate(text::AddMonths(text::Date{2024, 1, 31}, d - 1));
    l.rental = 5000;
    l.interest = 1500.0 - 100 * d;
    l.bank = "Bank of Ceylon";
    l.cheque_no = "C" + std::to_string(d);
    l.settlement = d == 1 || d == 2 || d == 5 ? 5000.0 : 0.0;
    l.rate = 1.5;
    testing::AddProcessingLine(con, 1, id, d, l);
  }
}

// Processing `id`: a stored re-processing after settlement of `reference`
// (a SeedSettled processing, marked amended here) with three lines.
inline void SeedStoredAfterSettlement(db::Connection& con, int id, int reference) {
  con.Execute("update aHpProcessingHeader set hphAmended=1 where hphProcessingID=?", {I(reference)});
  testing::ProcessingSpec p;
  p.id = id;
  p.number = "HP" + std::to_string(id);
  p.customer = static_cast<int>(
      db::AsInt(con.Open("select hphCustomerID from aHpProcessingHeader where hphProcessingID=?", {I(reference)})
                    .Field(0)));
  p.invoice = reference;
  p.reference = reference;
  p.after_settlement = 1;
  p.adjustment_posted = 0;
  p.rentals = 3;
  p.rate = 1.5;
  p.installment_price = 34000;
  testing::AddProcessing(con, p);
  for (int d = 1; d <= 3; ++d) {
    testing::LineSpec l;
    l.cheque_date = text::IsoDate(text::AddMonths(text::Date{2024, 1, 31}, d - 1));
    l.rental = 5000;
    l.interest = 100;
    l.bank = "Bank of Ceylon";
    l.cheque_no = "S" + std::to_string(d);
    l.settlement = 1000.0 * d;
    l.rate = 1.5;
    testing::AddProcessingLine(con, 1, id, d, l);
  }
  testing::SetReprocessingFigures(con, id, 106000, 6800);
}

// ---- Sessions ---------------------------------------------------------------

// Points the session and its shared components at `con`, as the register's
// load does with the connection the audit component hands back.
inline void UseConnection(shell::BasModule& bas, db::Connection& con) {
  bas.adocon = &con;
  if (bas.objDb) bas.objDb->adocon = &con;
  if (bas.objAudit)
    bas.objAudit->OpenObject(&con, bas.intCompanyID, bas.intuserid, bas.intdepartmentid, bas.intInterfaceID,
                             text::Now());
}

// The session values of the standard world's clerk, with the shared
// components, on `con`.
inline void SignIn(shell::BasModule& bas, db::Connection& con) {
  bas.strMsgboxCaption = "HP";
  bas.intCompanyID = 1;
  bas.intdepartmentid = 10;
  bas.intuserid = 1;
  bas.intfinancialId = 1;
  bas.dtProcessDate = text::Date{2024, 3, 15};
  bas.intInterfaceID = testing::kInterface;
  bas.strUserName = "clerk";
  bas.strFunctionRights = "NED";
  bas.objDb = std::make_unique<shell::ClsCommonDb>();
  bas.objGen = std::make_unique<shell::clsCommonGen>();
  bas.objAudit = std::make_unique<shell::clsOskendal>();
  bas.objColour = std::make_unique<shell::clsPavlin>();
  UseConnection(bas, con);
}

// One user's session with the module's real windows on a connection it is
// given (which must outlive it).
struct Session {
  explicit Session(db::Connection& con) : windows(reg::MakeWindowFactory()), bas(host, *windows) {
    SignIn(bas, con);
  }
  forms::ScriptedHost host;
  std::unique_ptr<shell::WindowFactory> windows;
  shell::BasModule bas;
  std::unique_ptr<reg::FrmMaster> register_window;

  // Loads the register (as Show does, without its modal loop): the session is
  // completed and the saves refresh its grid.
  reg::FrmMaster& OpenRegister() {
    register_window = std::make_unique<reg::FrmMaster>(bas);
    register_window->Load();
    return *register_window;
  }
};

// ---- Driving the windows ------------------------------------------------------

// Chooses the combo entry carrying `data`, as a user's click does.
inline void Pick(forms::Form& f, const std::string& control, std::int64_t data) {
  auto* combo = dynamic_cast<forms::ComboBox*>(f.Find(control));
  if (!combo) throw forms::ScriptError(control + " is not a combo box");
  for (int i = 0; i < combo->ListCount(); ++i) {
    if (combo->ItemData(i) == data) {
      f.Dispatch(forms::Event{.control = control, .type = "select", .item = i});
      return;
    }
  }
  throw forms::ScriptError(f.Name() + "." + control + " does not offer " + std::to_string(data));
}

inline void Click(forms::Form& f, const std::string& control) {
  f.Dispatch(forms::Event{.control = control, .type = "click"});
}
inline void Paste(forms::Form& f, const std::string& control, const std::string& text) {
  f.Dispatch(forms::Event{.control = control, .type = "change", .value = text});
}
inline void Key(forms::Form& f, const std::string& control, int key) {
  f.Dispatch(forms::Event{.control = control, .type = "key", .key = key});
}

// Types `text` key by key, one character (UTF-8 sequence) per key, each
// through the box's KeyPress.
inline void TypeText(forms::Form& f, const std::string& control, const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    n = std::min(n, text.size() - i);
    int cp = n == 1 ? lead : lead & (0x3F >> (n - 1));
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    f.Dispatch(forms::Event{.control = control, .type = "key", .value = text.substr(i, n), .key = cp});
    i += n;
  }
}

// Every line of the re-processing list gets a bank and a cheque number through
// the line editor, from line 1.
inline void EnterCheques(forms::ScriptedHost& host, forms::Form& screen) {
  int accepted = 0;
  host.OnShow("frmReProcessingPopUp", [&](forms::Form& d) {
    while (d.IsLoaded() && accepted < 1000) {
      Paste(d, "cboBankName", "Bank of Ceylon");
      Paste(d, "txtchequeno", "Q" + std::to_string(++accepted));
      Click(d, "cmdOk");
    }
  });
  screen.Dispatch(forms::Event{.control = "lvwReProcessing", .type = "dblclick", .item = 0});
}

// Lines entered by hand through the pop-up menu's Add: (rental, cheque amount).
inline void AddManualLines(forms::ScriptedHost& host, forms::Form& screen,
                           const std::vector<std::pair<std::string, std::string>>& lines) {
  host.OnShow("frmReProcessingPopUp", [&](forms::Form& d) {
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
  host.ChooseMenu("mnuAdd");
  screen.Dispatch(forms::Event{.control = "lvwReProcessing", .type = "mousedown", .item = -1, .button = 2});
}

// What a driver hands on: the window, and the action that saves.
inline void HandOver(forms::Form& f, const AtSave& at_save, Press press) {
  at_save(f, press);
  f.Tag.clear();  // whatever is left closes without "Save Changes?"
}

// A new processing of `invoice` of `customer`: Process Interest (the cheque
// register gives every line its cheque), remarks, OK.
inline void SaveProcessing(Session& s, std::int64_t customer, std::int64_t invoice, const std::string& remarks,
                           const AtSave& at_save, bool through_close_question = false) {
  s.bas.GStrMasterNewEditFlag = "N";
  processing::frmProcessing screen(s.bas);
  s.host.OnShow("frmProcessing", [&](forms::Form& f) {
    Pick(f, "cboCustomer", customer);
    Pick(f, "cboInvoice", invoice);
    Click(f, "cmdProcess");
    if (screen.lvwProcessing.Count() == 0) throw forms::ScriptError("Process Interest laid out no line");
    Paste(f, "txtRemarks", remarks);
    if (through_close_question) {
      HandOver(f, at_save, [&] {
        if (s.host.PendingAnswers() == 0) s.host.Answer(MsgBoxResult::Yes);  // "Save Changes?"
        Click(f, "cmdClose");
      });
    } else {
      HandOver(f, at_save, [&] { Click(f, "cmdOK"); });
    }
  });
  s.host.ShowModal(screen);
}

// A re-processing of `processing` of `customer`: automatic to `rentals`
// rentals (the rental follows from Enter), cheques through the line editor;
// or manual, from `manual` lines entered by hand.
inline void SaveReprocessing(Session& s, std::int64_t customer, std::int64_t processing, const std::string& rentals,
                             const std::vector<std::pair<std::string, std::string>>& manual,
                             const std::string& remarks, const AtSave& at_save) {
  s.bas.GStrMasterNewEditFlag = "N";
  reprocessing::frmReprocessing screen(s.bas);
  s.host.OnShow("frmReprocessing", [&](forms::Form& f) {
    Click(f, manual.empty() ? "optAuto" : "optMan");
    Pick(f, "cboCustomer", customer);
    Pick(f, "cboPrrocNo", processing);
    if (manual.empty()) {
      Paste(f, "txtNoRetals", rentals);
      Key(f, "txtNoRetals", 13);
      if (screen.lvwReProcessing.Count() > 0) s.host.Answer(MsgBoxResult::Yes);  // clear the loaded lines
      Click(f, "cmdReProcess");
      EnterCheques(s.host, f);
    } else {
      AddManualLines(s.host, f, manual);
      Click(f, "cmdReProcess");
    }
    if (screen.lvwReProcessing.Count() == 0) throw forms::ScriptError("Re-Process laid out no line");
    Paste(f, "txtRemarks", remarks);
    HandOver(f, at_save, [&] { Click(f, "cmdOk"); });
  });
  s.host.ShowModal(screen);
}

// A new re-processing after settlement of `processing` of `customer`,
// re-processed to `revised` rentals, with a new installment price.
inline void SaveAfterSettlement(Session& s, std::int64_t customer, std::int64_t processing,
                                const std::string& revised, const std::string& price, const std::string& remarks,
                                const AtSave& at_save) {
  s.bas.GStrMasterNewEditFlag = "N";
  aftersettlement::frmReprocessingAfterSettlemt screen(s.bas);
  s.host.OnShow("frmReprocessingAfterSettlemt", [&](forms::Form& f) {
    Click(f, "optAuto");
    Pick(f, "cboCustomer", customer);
    Pick(f, "cboPrrocNo", processing);
    Paste(f, "txtNoRetals", revised);
    Click(f, "cmdReProcess");
    if (!screen.Processed()) throw forms::ScriptError("Re-Process built no settled list: " + s.host.LastMessage());
    Paste(f, "txtnewInstPrice", price);
    Paste(f, "txtRemarks", remarks);
    HandOver(f, at_save, [&] { Click(f, "cmdOk"); });
  });
  s.host.ShowModal(screen);
}

// The register row showing processing `id`; -1 when none.
inline int RegisterRowOf(const forms::FlexGrid& grid, std::int64_t id) {
  for (int r = 1; r < grid.Rows(); ++r)
    if (grid.TextMatrix(r, reg::kColId) == std::to_string(id)) return r;
  return -1;
}

// Selects the register row of processing `id` as a user's click does.
inline void SelectRegisterRow(Session& s, std::int64_t id) {
  reg::FrmMaster& r = *s.register_window;
  const int row = RegisterRowOf(r.flexMaster, id);
  if (row < 0) throw forms::ScriptError("the register does not list processing " + std::to_string(id));
  r.Dispatch(forms::Event{.control = "flexMaster", .type = "click", .row = row, .col = reg::kColNumber});
}

// Opens stored processing `id` (a re-processing after settlement) with the
// open register's Edit and runs `body` on the window it shows.
inline void EditFromRegister(Session& s, std::int64_t id, const std::function<void(forms::Form&)>& body) {
  SelectRegisterRow(s, id);
  bool shown = false;
  s.host.OnShow("frmReprocessingAfterSettlemt", [&](forms::Form& f) {
    shown = true;
    body(f);
    f.Tag.clear();
  });
  Click(*s.register_window, "CmdEdit");
  if (!shown) throw forms::ScriptError("Edit opened no window: " + s.host.LastMessage());
}

// Stored re-processing after settlement `id` saved again (edit mode) from
// the open register's Edit: a new installment price and remarks, OK.
inline void SaveAfterSettlementAgain(Session& s, std::int64_t id, const std::string& price, const std::string& remarks,
                                     const AtSave& at_save) {
  EditFromRegister(s, id, [&](forms::Form& f) {
    Paste(f, "txtnewInstPrice", price);
    Paste(f, "txtRemarks", remarks);
    HandOver(f, at_save, [&] { Click(f, "cmdOk"); });
  });
}

// Cancels processing `id` from the open register: Yes to the question, the
// reason pasted into the reason dialog.
inline void CancelFromRegister(Session& s, std::int64_t id, const std::string& reason, const AtSave& at_save) {
  reg::FrmMaster& r = *s.register_window;
  SelectRegisterRow(s, id);
  s.host.OnShow("frmcancel", [reason](forms::Form& d) {
    Paste(d, "txtcanreason", reason);
    Click(d, "cmdok");
  });
  at_save(r, [&] {
    if (s.host.PendingAnswers() == 0) s.host.Answer(MsgBoxResult::Yes);  // "Are You Sure ...?"
    Click(r, "CmdDelete");
  });
}

// ---- Comparing databases ----------------------------------------------------------

// The module's tables and those it writes into.
inline const std::vector<std::string>& ModuleTables() {
  static const std::vector<std::string> tables = {"aHpProcessingHeader",         "aHpProcessingDetail",
                                                  "aHpProcessingDetailOthers",   "ahpProcessingCashFlowDetail",
                                                  "losHpInvoiceHeader",          "hpAuditTrail"};
  return tables;
}

// Each table's rows, each row one text naming every column with its value and
// type, the rows sorted: two dumps are equal when the tables hold the same
// rows. With `mask_times` the columns that differ between two runs of one
// action read as one placeholder: the clock columns (when an action was
// logged or saved) and the audit entry's identifier, which the database draws
// (a PostgreSQL sequence does not give back a number a rolled-back insert
// took).
using Dump = std::map<std::string, std::vector<std::string>>;

inline std::string CellText(const db::Value& v) {
  if (db::IsNull(v)) return "NULL";
  if (auto* n = std::get_if<std::int64_t>(&v)) return "i" + std::to_string(*n);
  if (auto* d = std::get_if<double>(&v)) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "d%.17g", *d);
    return buf;
  }
  std::string s = "'";
  for (char c : std::get<std::string>(v)) {
    if (c == '\'' || c == '\\') s += '\\';
    if (c == '\0') {
      s += "\\0";
      continue;
    }
    s += c;
  }
  return s + "'";
}

inline Dump DumpTables(db::Connection& con, const std::vector<std::string>& tables, bool mask_times) {
  static const std::set<std::string> varying = {"loggedtime", "savedtime", "hphupdatetime", "auditid"};
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  Dump dump;
  for (const auto& table : tables) {
    std::vector<std::string>& rows = dump[table];
    db::Recordset rs = con.Open("select * from " + table);
    for (; !rs.Eof(); rs.MoveNext()) {
      std::string row;
      for (int i = 0; i < rs.FieldCount(); ++i) {
        row += rs.FieldName(i) + "=";
        const bool masked = mask_times && varying.count(lower(rs.FieldName(i))) && !db::IsNull(rs.Field(i));
        row += masked ? "<varies>" : CellText(rs.Field(i));
        row += "; ";
      }
      rows.push_back(std::move(row));
    }
    std::sort(rows.begin(), rows.end());
  }
  return dump;
}
inline Dump DumpModule(db::Connection& con, bool mask_times = false) {
  return DumpTables(con, ModuleTables(), mask_times);
}

// The rows one dump has and the other lacks, table by table (at most a few).
inline std::string Difference(const Dump& expected, const Dump& actual) {
  std::string out;
  for (const auto& [table, rows] : expected) {
    const auto it = actual.find(table);
    const std::vector<std::string> none;
    const std::vector<std::string>& other = it == actual.end() ? none : it->second;
    std::vector<std::string> missing, extra;
    std::set_difference(rows.begin(), rows.end(), other.begin(), other.end(), std::back_inserter(missing));
    std::set_difference(other.begin(), other.end(), rows.begin(), rows.end(), std::back_inserter(extra));
    for (size_t i = 0; i < missing.size() && i < 3; ++i) out += "\n  " + table + " lost: " + missing[i];
    for (size_t i = 0; i < extra.size() && i < 3; ++i) out += "\n  " + table + " gained: " + extra[i];
    if (missing.size() + extra.size() > 6)
      out += "\n  " + table + ": " + std::to_string(missing.size()) + " lost, " + std::to_string(extra.size()) +
             " gained in all";
  }
  return out;
}

// The texts of a grid, row by row.
using GridText = std::vector<std::vector<std::string>>;
inline GridText TextOf(const forms::FlexGrid* grid) {
  GridText t;
  if (!grid) return t;
  for (int r = 0; r < grid->Rows(); ++r) {
    t.emplace_back();
    for (int c = 0; c < grid->Cols(); ++c) t.back().push_back(grid->TextMatrix(r, c));
  }
  return t;
}

// Errors the module logged whose source is the data layer (a statement that
// failed), with their descriptions.
inline std::vector<std::string> DatabaseErrorsLogged(db::Connection& con) {
  std::vector<std::string> errors;
  db::Recordset rs =
      con.Open("select RoutineName, Description from hpErrorLog where ErrorSource='hp.db' order by ErrorID");
  for (; !rs.Eof(); rs.MoveNext()) errors.push_back(db::AsText(rs.Field(0)) + ": " + db::AsText(rs.Field(1)));
  return errors;
}

}  // namespace hp::reliability
