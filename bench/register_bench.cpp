// The register's load over 100,000 and 1,000,000 processings against the
// register query alone, read to the end: the grid fill should cost little
// more than the reading itself (aim: at most twice the query's time).
//
//   register_bench --benchmark_filter=Register
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/db/connection.h"
#include "platform/db/schema.h"
#include "platform/forms/scripted_host.h"
#include "register/frm_master.h"
#include "register/window_factory.h"
#include "shell/bas_module.h"

namespace {

using namespace hp;

constexpr int kCustomers = 2000;
constexpr int kCompany = 1, kDepartment = 10, kUser = 1, kFinancial = 1, kInterface = 7503;
constexpr text::Date kProcessDate{2024, 3, 15};

db::Value I(std::int64_t v) { return v; }

// A temporary SQLite file holding one company's register: every processing
// has its invoice and customer, dates spread over the year before the
// processing date, and the look-back covers them all.
class RegisterDatabase {
 public:
  explicit RegisterDatabase(int processings)
      : path_(std::filesystem::temp_directory_path() /
              ("hp_register_bench_" + std::to_string(getpid()) + "_" + std::to_string(processings) + ".db")) {
    RemoveFiles();
    con_ = db::OpenDatabase(path_.string());
    // A new file filled once: no journal and no syncing while it is written,
    // with a page cache that holds the indexes; the register then reads it as
    // the server does (write-ahead log, full sync).
    con_->Execute("PRAGMA journal_mode=OFF");
    con_->Execute("PRAGMA synchronous=OFF");
    con_->Execute("PRAGMA cache_size=-262144");
    db::CreateSchema(*con_);
    db::Transaction tx(*con_);
    con_->Execute("insert into aCompanyMaster (CompanyID, CompanyName) values (?, 'Bench Traders')", {I(kCompany)});
    con_->Execute("insert into aUsers (UserID, UserName) values (?, 'bench')", {I(kUser)});
    con_->Execute("insert into auserrights (companyid, userid, interfaceid, FunctionRights) values (?,?,?,'NED')",
                  {I(kCompany), I(kUser), I(kInterface)});
    con_->Execute("insert into asettings (companyid, noofpreviousdays) values (?, 400)", {I(kCompany)});
    con_->Execute("insert into atables (tableid, tablename) values (1, 'aHpProcessingHeader')");
    const char* headings[] = {"Processing ID", "Processing No", "Processing Date", "Customer",
                              "Invoice No",    "Amended",       "Cancelled"};
    for (int c = 0; c < 7; ++c)
      con_->Execute("insert into atablecolumns (tableid, columnid, columnname, columnheader) values (1,?,?,?)",
                    {I(c + 1), "c" + std::to_string(c), std::string(headings[c])});
    for (int c = 1; c <= kCustomers; ++c)
      con_->Execute("insert into aCustomerMaster (CustomerID, CustomerName) values (?,?)",
                    {I(c), "Customer number " + std::to_string(c)});
    for (int i = 1; i <= processings; ++i) {
      const std::string date = text::IsoDate(text::AddDays(kProcessDate, -(i % 365)));
      const int customer = 1 + i % kCustomers;
      con_->Execute(
          "insert into losHpInvoiceHeader (hpqhQuotationID, hpqhQuotationNo, hpqhQuotationDate, hpqhCompanyID, "
          "hpqhCustomerID, hpqhShopID, hpqhConfirmed, hpqhProcessed) values (?,?,?,?,?,100,1,1)",
          {I(i), "INV" + std::to_string(i), date, I(kCompany), I(customer)});
      con_->Execute(
          "insert into aHpProcessingHeader (hphCompanyID, hphDepartmentID, hphProcessingID, hphProcessingNo, "
          "hphProcessingdate, hphCustomerID, hphInvoiceID, hphFinancialID, hphAmended, hphCancel) "
          "values (?,?,?,?,?,?,?,?,?,?)",
          {I(kCompany), I(kDepartment), I(i), "HP" + std::to_string(i), date, I(customer), I(i), I(kFinancial),
           I(i % 50 == 0), I(i % 97 == 0)});
    }
    tx.Commit();
    con_->Execute("PRAGMA cache_size=-2000");
    con_->Execute("PRAGMA journal_mode=WAL");
    con_->Execute("PRAGMA synchronous=FULL");
  }
  ~RegisterDatabase() {
    con_.reset();
    RemoveFiles();
  }

  db::Connection& con() { return *con_; }

 private:
  void RemoveFiles() {
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path_.string() + suffix);
  }
  std::filesystem::path path_;
  std::unique_ptr<db::Connection> con_;
};

RegisterDatabase& Database(int processings) {
  static std::map<int, std::unique_ptr<RegisterDatabase>> databases;
  if (!databases.count(processings)) {
    // One large file at a time on the disk.
    databases.clear();
    databases[processings] = std::make_unique<RegisterDatabase>(processings);
  }
  return *databases[processings];
}

struct Session {
  forms::ScriptedHost host;
  std::unique_ptr<shell::WindowFactory> windows = reg::MakeWindowFactory();
  shell::BasModule bas{host, *windows};
  explicit Session(int processings) {
    bas.adocon = &Database(processings).con();
    bas.strMsgboxCaption = "HP";
    bas.intCompanyID = kCompany;
    bas.intdepartmentid = kDepartment;
    bas.intuserid = kUser;
    bas.intfinancialId = kFinancial;
    bas.dtProcessDate = kProcessDate;
  }
};

void BM_RegisterLoad(benchmark::State& state) {
  const int processings = static_cast<int>(state.range(0));
  Database(processings);
  for (auto _ : state) {
    auto s = std::make_unique<Session>(processings);
    auto frm = std::make_unique<reg::FrmMaster>(s->bas);
    frm->Load();
    const bool complete = frm->flexMaster.Rows() == processings + 1;
    // Freeing the grid is the closing's cost, not the load's.
    state.PauseTiming();
    frm.reset();
    s.reset();
    state.ResumeTiming();
    if (!complete) {
      state.SkipWithError("the register did not list every processing");
      break;
    }
  }
  state.counters["rows"] = processings;
}

void BM_RegisterQueryOnly(benchmark::State& state) {
  // The register's own statement and values, as its load keeps them.
  const int processings = static_cast<int>(state.range(0));
  Session s(processings);
  {
    reg::FrmMaster frm(s.bas);
    frm.Load();
  }
  const std::string sql = s.bas.strSql;
  const db::Params params = s.bas.strSqlParams;
  for (auto _ : state) {
    long rows = Database(processings).con().ForEachRow(sql, params, [](const db::RowView& row) {
      for (int f = 0; f < row.FieldCount(); ++f) benchmark::DoNotOptimize(row.Text(f));
    });
    if (rows != processings) {
      state.SkipWithError("the query did not read every processing");
      break;
    }
  }
  state.counters["rows"] = processings;
}

// Each size's load and query run one after the other, on one file.
BENCHMARK(BM_RegisterLoad)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RegisterQueryOnly)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RegisterLoad)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_RegisterQueryOnly)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
