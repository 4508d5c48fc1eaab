// The register's load over 100,000 and 1,000,000 processings against the
// register query alone, read to the end: the grid fill should cost little
// more than the reading itself (aim: at most twice the query's time).
//
//   register_bench --benchmark_filter=Register
//
// With HP_BENCH_POSTGRES_URL naming an empty PostgreSQL database, the same
// two measurements run there too (names ending in /pg); bench/run.sh gives
// it a throw-away server when the PostgreSQL programs are installed.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
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

// The rows every register database holds besides the processings.
void FillFixedRows(db::Connection& con) {
  con.Execute("insert into aCompanyMaster (CompanyID, CompanyName) values (?, 'Bench Traders')", {I(kCompany)});
  con.Execute("insert into aUsers (UserID, UserName) values (?, 'bench')", {I(kUser)});
  con.Execute("insert into auserrights (companyid, userid, interfaceid, FunctionRights) values (?,?,?,'NED')",
              {I(kCompany), I(kUser), I(kInterface)});
  con.Execute("insert into asettings (companyid, noofpreviousdays) values (?, 400)", {I(kCompany)});
  con.Execute("insert into atables (tableid, tablename) values (1, 'aHpProcessingHeader')");
  const char* headings[] = {"Processing ID", "Processing No", "Processing Date", "Customer",
                            "Invoice No",    "Amended",       "Cancelled"};
  for (int c = 0; c < 7; ++c)
    con.Execute("insert into atablecolumns (tableid, columnid, columnname, columnheader) values (1,?,?,?)",
                {I(c + 1), "c" + std::to_string(c), std::string(headings[c])});
  for (int c = 1; c <= kCustomers; ++c)
    con.Execute("insert into aCustomerMaster (CustomerID, CustomerName) values (?,?)",
                {I(c), "Customer number " + std::to_string(c)});
}

// One company's register: every processing has its invoice and customer,
// dates spread over the year before the processing date, and the look-back
// covers them all.
class RegisterDatabase {
 public:
  virtual ~RegisterDatabase() = default;
  virtual db::Connection& con() = 0;
};

// A temporary SQLite file, made afresh for each size.
class SqliteRegister : public RegisterDatabase {
 public:
  explicit SqliteRegister(int processings)
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
    FillFixedRows(*con_);
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
  ~SqliteRegister() override {
    con_.reset();
    RemoveFiles();
  }

  db::Connection& con() override { return *con_; }

 private:
  void RemoveFiles() {
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path_.string() + suffix);
  }
  std::filesystem::path path_;
  std::unique_ptr<db::Connection> con_;
};

// The PostgreSQL database of HP_BENCH_POSTGRES_URL, grown to each size in
// turn by set-based statements (row by row, a million processings would take
// longer than the whole suite), then analysed as a server would have it.
class PostgresRegister : public RegisterDatabase {
 public:
  PostgresRegister(const std::string& url, int processings) : con_(db::OpenDatabase(url)) {
    con_->Execute("drop schema public cascade");
    con_->Execute("create schema public");
    db::CreateSchema(*con_);
    db::Transaction tx(*con_);
    FillFixedRows(*con_);
    con_->Execute(
        "insert into losHpInvoiceHeader (hpqhQuotationID, hpqhQuotationNo, hpqhQuotationDate, hpqhCompanyID, "
        "hpqhCustomerID, hpqhShopID, hpqhConfirmed, hpqhProcessed) "
        "select g, 'INV' || g, date '2024-03-15' - (g % 365), ?, 1 + g % ?, 100, 1, 1 "
        "from generate_series(1, ?) g",
        {I(kCompany), I(kCustomers), I(processings)});
    con_->Execute(
        "insert into aHpProcessingHeader (hphCompanyID, hphDepartmentID, hphProcessingID, hphProcessingNo, "
        "hphProcessingdate, hphCustomerID, hphInvoiceID, hphFinancialID, hphAmended, hphCancel) "
        "select ?, ?, g, 'HP' || g, date '2024-03-15' - (g % 365), 1 + g % ?, g, ?, "
        "case when g % 50 = 0 then 1 else 0 end, case when g % 97 = 0 then 1 else 0 end "
        "from generate_series(1, ?) g",
        {I(kCompany), I(kDepartment), I(kCustomers), I(kFinancial), I(processings)});
    tx.Commit();
    con_->Execute("analyze");
  }
  db::Connection& con() override { return *con_; }

 private:
  std::unique_ptr<db::Connection> con_;
};

std::string PostgresUrl() {
  const char* url = std::getenv("HP_BENCH_POSTGRES_URL");
  return url ? url : "";
}

RegisterDatabase& Database(int processings, bool postgres) {
  static std::map<std::pair<int, bool>, std::unique_ptr<RegisterDatabase>> databases;
  const auto key = std::make_pair(processings, postgres);
  if (!databases.count(key)) {
    // One large database at a time.
    databases.clear();
    if (postgres)
      databases[key] = std::make_unique<PostgresRegister>(PostgresUrl(), processings);
    else
      databases[key] = std::make_unique<SqliteRegister>(processings);
  }
  return *databases[key];
}

struct Session {
  forms::ScriptedHost host;
  std::unique_ptr<shell::WindowFactory> windows = reg::MakeWindowFactory();
  shell::BasModule bas{host, *windows};
  Session(int processings, bool postgres) {
    bas.adocon = &Database(processings, postgres).con();
    bas.strMsgboxCaption = "HP";
    bas.intCompanyID = kCompany;
    bas.intdepartmentid = kDepartment;
    bas.intuserid = kUser;
    bas.intfinancialId = kFinancial;
    bas.dtProcessDate = kProcessDate;
  }
};

void BM_RegisterLoad(benchmark::State& state, bool postgres) {
  const int processings = static_cast<int>(state.range(0));
  Database(processings, postgres);
  for (auto _ : state) {
    auto s = std::make_unique<Session>(processings, postgres);
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

void BM_RegisterQueryOnly(benchmark::State& state, bool postgres) {
  // The register's own statement and values, as its load keeps them.
  const int processings = static_cast<int>(state.range(0));
  Session s(processings, postgres);
  {
    reg::FrmMaster frm(s.bas);
    frm.Load();
  }
  const std::string sql = s.bas.strSql;
  const db::Params params = s.bas.strSqlParams;
  for (auto _ : state) {
    long rows = Database(processings, postgres).con().ForEachRow(sql, params, [](const db::RowView& row) {
      for (int f = 0; f < row.FieldCount(); ++f) benchmark::DoNotOptimize(row.Text(f));
    });
    if (rows != processings) {
      state.SkipWithError("the query did not read every processing");
      break;
    }
  }
  state.counters["rows"] = processings;
}

}  // namespace

int main(int argc, char** argv) {
  // Each size's load and query run one after the other, on one database.
  const bool with_postgres = !PostgresUrl().empty();
  for (bool postgres : {false, true}) {
    if (postgres && !with_postgres) continue;
    const std::string suffix = postgres ? "/pg" : "";
    for (int size : {100000, 1000000}) {
      const int iterations = size == 100000 ? 5 : 3;
      benchmark::RegisterBenchmark(("BM_RegisterLoad" + suffix).c_str(), BM_RegisterLoad, postgres)
          ->Arg(size)->Unit(benchmark::kMillisecond)->Iterations(iterations);
      benchmark::RegisterBenchmark(("BM_RegisterQueryOnly" + suffix).c_str(), BM_RegisterQueryOnly, postgres)
          ->Arg(size)->Unit(benchmark::kMillisecond)->Iterations(iterations);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
