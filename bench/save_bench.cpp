// A 24-line processing saved through the processing screen against the same
// rows written by bare prepared statements: the screen's OK should cost at
// most twice the writing itself.
//
// BM_SaveThroughScreen presses OK on a processing screen that has its invoice
// chosen and its schedule processed (that preparation is not timed): one
// transaction that claims the invoice, draws the identifier and number,
// writes the header, the 24 rental lines and the audit entry, commits, and
// then refreshes the register row and closes the screen, as the user waits
// for it. BM_BareInserts writes the same rows (the header and lines the
// screen stored, read back, under new keys), the invoice flag and an audit
// row with statements prepared once, bound and stepped, in one transaction on
// a connection opened as the server opens its own (write-ahead log, full
// sync). Both run on one SQLite file, with an empty register (Arg 0) and with
// 10,000 and 100,000 processings already in the department and year, whose
// numbers the numbering reads.
//
//   save_bench --benchmark_filter=Save|Bare
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/db/connection.h"
#include "platform/db/schema.h"
#include "platform/forms/combo_box.h"
#include "platform/forms/scripted_host.h"
#include "processing/frm_processing.h"
#include "register/frm_master.h"
#include "register/window_factory.h"
#include "shell/bas_module.h"
#include "support/records.h"

namespace {

using namespace hp;

constexpr int kIterations = 200;
constexpr int kLines = 24;
constexpr int kCompany = 1, kDepartment = 10, kFinancial = 1, kUser = 1, kShop = 100;
constexpr int kScreenCustomer = 1;     // owns the invoices the screen processes
constexpr int kBareCustomer = 2;       // owns the invoices the bare statements claim
constexpr int kRegisterCustomers = 1000;
constexpr text::Date kProcessDate{2024, 3, 15};
// Invoices of the stored processings are numbered from 1, the screen's from
// here, the bare statements' from kBareInvoices.
constexpr int kScreenInvoices = 2'000'000;
constexpr int kBareInvoices = 3'000'000;

db::Value I(std::int64_t v) { return v; }

forms::Event Click(const std::string& control) {
  forms::Event e;
  e.control = control;
  e.type = "click";
  return e;
}

forms::Event Select(const std::string& control, int item) {
  forms::Event e;
  e.control = control;
  e.type = "select";
  e.item = item;
  return e;
}

testing::CustomerSpec Customer(int id, const std::string& name) {
  testing::CustomerSpec c;
  c.id = id;
  c.name = name;
  return c;
}

// An open invoice of 24 rentals in the standard shop, with or without its
// cheque register.
testing::InvoiceSpec Invoice(int id, const std::string& number, int customer, bool cheque_register) {
  testing::InvoiceSpec inv;
  inv.id = id;
  inv.number = number;
  inv.customer = customer;
  inv.shop = kShop;
  inv.cheque_register = cheque_register;
  return inv;
}

// One SQLite file: the standard world, `existing` processings of the
// department and year (dated over the year before the processing date, so
// that the register lists the last month of them), and the open invoices,
// each with a cheque register of 24 cheques.
class SaveDatabase {
 public:
  explicit SaveDatabase(int existing)
      : path_((std::filesystem::temp_directory_path() /
               ("hp_save_bench_" + std::to_string(getpid()) + "_" + std::to_string(existing) + ".db"))
                  .string()) {
    RemoveFiles();
    auto con = db::OpenDatabase(path_);
    // Filling a new file: no syncing, the rows written once.
    con->Execute("PRAGMA synchronous=OFF");
    db::CreateSchema(*con);
    db::Transaction tx(*con);
    testing::StandardWorld(*con);
    testing::AddCustomer(*con, Customer(kScreenCustomer, "Perera"));
    testing::AddCustomer(*con, Customer(kBareCustomer, "Silva"));
    for (int c = 1; c <= kRegisterCustomers; ++c)
      con->Execute("insert into aCustomerMaster (CustomerID, CustomerName) values (?,?)",
                   {I(1000 + c), "Customer number " + std::to_string(c)});
    for (int i = 1; i <= existing; ++i) {
      const std::string date = text::IsoDate(text::AddDays(kProcessDate, -(i % 365)));
      const int customer = 1000 + 1 + i % kRegisterCustomers;
      con->Execute(
          "insert into losHpInvoiceHeader (hpqhQuotationID, hpqhQuotationNo, hpqhQuotationDate, hpqhCompanyID, "
          "hpqhCustomerID, hpqhShopID, hpqhType, hpqhCancel, hpqhConfirmed, hpqhProcessed) "
          "values (?,?,?,?,?,?,'I',0,1,1)",
          {I(i), "INV" + std::to_string(i), date, I(kCompany), I(customer), I(kShop)});
      con->Execute(
          "insert into aHpProcessingHeader (hphCompanyID, hphDepartmentID, hphProcessingID, hphProcessingNo, "
          "hphProcessingdate, hphCustomerID, hphInvoiceID, hphFinancialID, hphAmended, hphCancel, "
          "hphreprocessaftersettlement) values (?,?,?,?,?,?,?,?,0,0,0)",
          {I(kCompany), I(kDepartment), I(i), "HP" + std::to_string(i), date, I(customer), I(i), I(kFinancial)});
    }
    // Beside the timed saves: one that warms the caches, and for the screen
    // one more that gives the bare statements their rows.
    for (int k = 0; k <= kIterations + 1; ++k) {
      testing::AddInvoice(*con, Invoice(kScreenInvoices + k, "SCR" + std::to_string(k), kScreenCustomer, true));
      testing::AddInvoice(*con, Invoice(kBareInvoices + k, "BARE" + std::to_string(k), kBareCustomer, false));
    }
    tx.Commit();
  }
  ~SaveDatabase() { RemoveFiles(); }
  const std::string& path() const { return path_; }

 private:
  void RemoveFiles() {
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path_ + suffix);
  }
  std::string path_;
};

SaveDatabase& Database(int existing) {
  static std::map<int, std::unique_ptr<SaveDatabase>> databases;
  auto& db = databases[existing];
  if (!db) db = std::make_unique<SaveDatabase>(existing);
  return *db;
}

// A signed-in clerk with the register open over the database, as the server
// runs it: the register completes the session and is the grid a save
// refreshes.
struct Session {
  explicit Session(const std::string& path) : con(db::OpenDatabase(path)) {
    bas.adocon = con.get();
    bas.strMsgboxCaption = "HP";
    bas.intCompanyID = kCompany;
    bas.intdepartmentid = kDepartment;
    bas.intuserid = kUser;
    bas.intfinancialId = kFinancial;
    bas.dtProcessDate = kProcessDate;
    reg = std::make_unique<reg::FrmMaster>(bas);
    reg->Load();
  }
  std::unique_ptr<db::Connection> con;
  forms::ScriptedHost host;
  std::unique_ptr<shell::WindowFactory> windows = reg::MakeWindowFactory();
  shell::BasModule bas{host, *windows};
  std::unique_ptr<reg::FrmMaster> reg;
};

void Choose(forms::Form& form, forms::ComboBox& combo, std::int64_t data) {
  for (int i = 0; i < combo.ListCount(); ++i) {
    if (combo.ItemData(i) == data) {
      form.Dispatch(Select(combo.Name(), i));
      return;
    }
  }
  throw std::runtime_error(combo.Name() + " does not offer " + std::to_string(data));
}

// The screen as the user leaves it before OK: invoice chosen, interest
// processed (each line with the register's cheque). Empty when that failed.
std::unique_ptr<processing::frmProcessing> ReadyToSave(Session& s, int invoice, std::string& error) {
  s.bas.GStrMasterNewEditFlag = "N";
  s.bas.objAudit->LoggedTime = text::Now();
  auto frm = std::make_unique<processing::frmProcessing>(s.bas);
  frm->Load();
  frm->Activate();
  Choose(*frm, frm->cboCustomer, kScreenCustomer);
  Choose(*frm, frm->cboInvoice, invoice);
  frm->Dispatch(Click("cmdProcess"));
  if (frm->lvwProcessing.Count() != kLines || !s.host.Messages().empty()) {
    error = "the schedule was not processed: " + s.host.LastMessage();
    return nullptr;
  }
  return frm;
}

long Count(db::Connection& con, const std::string& sql, const db::Params& params = {}) {
  return static_cast<long>(db::AsInt(con.Open(sql, params).Field(0)));
}

void BM_SaveThroughScreen(benchmark::State& state) {
  const int existing = static_cast<int>(state.range(0));
  Session s(Database(existing).path());
  std::string error;
  int next = 0;
  auto save_one = [&](bool timed) {
    if (timed) state.PauseTiming();
    auto frm = ReadyToSave(s, kScreenInvoices + next++, error);
    if (timed) state.ResumeTiming();
    if (!frm) return false;
    frm->Dispatch(Click("cmdOK"));
    if (timed) state.PauseTiming();
    const bool closed = !frm->IsLoaded() && s.host.Messages().empty();
    if (!closed) error = "OK did not store the processing: " + s.host.LastMessage();
    frm.reset();
    if (timed) state.ResumeTiming();
    return closed;
  };
  if (!save_one(false)) {
    state.SkipWithError(error.c_str());
    return;
  }
  const long before = Count(*s.con, "select count(*) from aHpProcessingDetail");
  for (auto _ : state) {
    if (!save_one(true)) {
      state.SkipWithError(error.c_str());
      return;
    }
  }
  const long stored = Count(*s.con, "select count(*) from aHpProcessingDetail") - before;
  if (stored != static_cast<long>(state.iterations()) * kLines) state.SkipWithError("not every line was stored");
  state.counters["existing"] = existing;
  state.counters["lines"] = kLines;
}
BENCHMARK(BM_SaveThroughScreen)
    ->Arg(0)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kIterations);

// --- The same rows through bare statements ---------------------------------

class Sqlite {
 public:
  explicit Sqlite(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
      throw std::runtime_error("cannot open " + path);
    sqlite3_busy_timeout(db_, 10000);
    Exec("PRAGMA foreign_keys=ON");
    Exec("PRAGMA journal_mode=WAL");
    Exec("PRAGMA synchronous=FULL");
  }
  ~Sqlite() {
    for (sqlite3_stmt* st : statements_) sqlite3_finalize(st);
    sqlite3_close(db_);
  }
  void Exec(const char* sql) {
    if (sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(sql);
  }
  sqlite3_stmt* Prepare(const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) Fail(sql);
    statements_.push_back(st);
    return st;
  }
  void Bind(sqlite3_stmt* st, int i, const db::Value& v) {
    if (auto* n = std::get_if<std::int64_t>(&v)) sqlite3_bind_int64(st, i, *n);
    else if (auto* d = std::get_if<double>(&v)) sqlite3_bind_double(st, i, *d);
    else if (auto* t = std::get_if<std::string>(&v))
      sqlite3_bind_text(st, i, t->data(), static_cast<int>(t->size()), SQLITE_STATIC);
    else sqlite3_bind_null(st, i);
  }
  // Steps a bound statement to its end and resets it; returns the rows changed.
  int Run(sqlite3_stmt* st) {
    const int rc = sqlite3_step(st);
    sqlite3_reset(st);
    if (rc != SQLITE_DONE) Fail(sqlite3_sql(st));
    return sqlite3_changes(db_);
  }

 private:
  [[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + sqlite3_errmsg(db_));
  }
  sqlite3* db_ = nullptr;
  std::vector<sqlite3_stmt*> statements_;
};

// A stored row as the screen wrote it: every column but the keys, with its
// value (nulls too).
struct StoredRow {
  std::vector<std::string> columns;
  std::vector<db::Value> values;
};

std::vector<StoredRow> ReadRows(db::Connection& con, const std::string& sql, const std::vector<std::string>& skip,
                                const db::Params& params) {
  db::Recordset rs = con.Open(sql, params);
  std::vector<StoredRow> rows;
  for (; !rs.Eof(); rs.MoveNext()) {
    StoredRow row;
    for (int f = 0; f < rs.FieldCount(); ++f) {
      const std::string name = rs.FieldName(f);
      bool skipped = false;
      for (const auto& s : skip) skipped = skipped || s == name;
      if (skipped) continue;
      row.columns.push_back(name);
      row.values.push_back(rs.Field(f));
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string InsertSql(const std::string& table, const std::vector<std::string>& columns,
                      const std::vector<std::string>& keys) {
  std::string sql = "insert into " + table + " (";
  std::string marks;
  for (const auto& c : keys) {
    sql += c + ",";
    marks += "?,";
  }
  for (size_t i = 0; i < columns.size(); ++i) {
    sql += columns[i] + (i + 1 < columns.size() ? "," : "");
    marks += i + 1 < columns.size() ? "?," : "?";
  }
  return sql + ") values (" + marks + ")";
}

void BM_BareInserts(benchmark::State& state) {
  const int existing = static_cast<int>(state.range(0));
  const std::string& path = Database(existing).path();
  // One save through the screen gives the rows to write again.
  std::int64_t template_id = 0;
  std::vector<StoredRow> header, lines;
  {
    Session s(path);
    std::string error;
    auto frm = ReadyToSave(s, kScreenInvoices + kIterations + 1, error);
    if (!frm) {
      state.SkipWithError(error.c_str());
      return;
    }
    frm->Dispatch(Click("cmdOK"));
    template_id = db::AsInt(s.con->Open("select max(hphProcessingID) from aHpProcessingHeader").Field(0));
    header = ReadRows(*s.con, "select * from aHpProcessingHeader where hphProcessingID=?",
                      {"hphProcessingID", "hphProcessingNo", "hphInvoiceID"}, {I(template_id)});
    lines = ReadRows(*s.con, "select * from aHpProcessingDetail where hpdProcessingID=? order by hpddetailID",
                     {"hpdProcessingID"}, {I(template_id)});
    if (header.size() != 1 || lines.size() != static_cast<size_t>(kLines)) {
      state.SkipWithError("the screen's save did not give one header and 24 lines");
      return;
    }
  }
  Sqlite bare(path);
  sqlite3_stmt* claim = bare.Prepare(
      "update losHpInvoiceHeader set hpqhProcessed=1 where hpqhquotationId=? and hpqhCompanyID=? "
      "and hpqhProcessed=0");
  sqlite3_stmt* put_header = bare.Prepare(
      InsertSql("aHpProcessingHeader", header[0].columns, {"hphProcessingID", "hphProcessingNo", "hphInvoiceID"}));
  sqlite3_stmt* put_line = bare.Prepare(InsertSql("aHpProcessingDetail", lines[0].columns, {"hpdProcessingID"}));
  sqlite3_stmt* put_audit = bare.Prepare(
      "insert into hpAuditTrail (CompanyID, DepartmentID, UserID, InterfaceID, RecordID, RecordNo, Action, "
      "ScreenName, LoggedTime, SavedTime) values (?,?,?,?,?,?,'N','frmProcessing',?,?)");
  const std::string logged = text::IsoDateTime(text::Now());
  // Negative identifiers and another prefix: the screen's keys never meet them.
  int next = 0;
  auto write_one = [&]() {
    const std::int64_t id = -1 - next;
    const std::int64_t invoice = kBareInvoices + next;
    const db::Value number = "BARE" + std::to_string(next);
    ++next;
    bare.Exec("BEGIN IMMEDIATE");
    bare.Bind(claim, 1, I(invoice));
    bare.Bind(claim, 2, I(kCompany));
    if (bare.Run(claim) != 1) throw std::runtime_error("the invoice was not claimed");
    bare.Bind(put_header, 1, I(id));
    bare.Bind(put_header, 2, number);
    bare.Bind(put_header, 3, I(invoice));
    for (size_t c = 0; c < header[0].values.size(); ++c)
      bare.Bind(put_header, static_cast<int>(c) + 4, header[0].values[c]);
    bare.Run(put_header);
    for (const StoredRow& line : lines) {
      bare.Bind(put_line, 1, I(id));
      for (size_t c = 0; c < line.values.size(); ++c) bare.Bind(put_line, static_cast<int>(c) + 2, line.values[c]);
      bare.Run(put_line);
    }
    const db::Value fields[] = {I(kCompany), I(kDepartment), I(kUser), I(testing::kInterface), I(id), number};
    for (int f = 0; f < 6; ++f) bare.Bind(put_audit, f + 1, fields[f]);
    const db::Value saved = text::IsoDateTime(text::Now());
    bare.Bind(put_audit, 7, logged);
    bare.Bind(put_audit, 8, saved);
    bare.Run(put_audit);
    bare.Exec("COMMIT");
  };
  try {
    write_one();  // warms the caches as the screen's first save did
    for (auto _ : state) write_one();
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  state.counters["existing"] = existing;
  state.counters["lines"] = kLines;
}
BENCHMARK(BM_BareInserts)
    ->Arg(0)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kIterations);

}  // namespace

BENCHMARK_MAIN();
