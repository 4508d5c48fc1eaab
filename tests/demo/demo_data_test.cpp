// The demo database: the same seed gives the same rows, and the rows hold
// together the way the screens rely on (cheque registers against due dates,
// invoice flags against processings, line numbering, customer tables).
#include "demo/demo_data.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/text/number_text.h"
#include "shell/passwords.h"
#include "support/database.h"
#include "support/records.h"

namespace hp::demo {
namespace {

using text::Date;

struct Generated {
  std::unique_ptr<db::Connection> con;
  DemoSummary summary;
};

Generated Make(const DemoOptions& o, const DemoProgress& progress = {}) {
  Generated g{hp::testing::FreshDatabase(), {}};
  g.summary = CreateDemoData(*g.con, o, progress);
  return g;
}

// Every table the demo writes, with a key to list its rows in, except the
// password hashes (random by design).
const struct {
  const char* name;
  const char* order;
} kTables[] = {{"aCompanyMaster", "CompanyID"},
               {"aFinancialYear", "FinancialId"},
               {"aDepartmentMaster", "DepartmentID"},
               {"ashops", "shopId"},
               {"aUsers", "UserID"},
               {"auserrights", "companyid, userid, interfaceid"},
               {"asettings", "companyid"},
               {"MiscSettings", "AccountsFreezeDate"},
               {"aPrefix", "InterfaceID, DepartmentId, FinancialId"},
               {"atables", "tableid"},
               {"atablecolumns", "tableid, columnid"},
               {"losHpCustomerDetails", "hpCustID"},
               {"aCustomerMaster", "CustomerID"},
               {"losHpItemRegistrationDetails", "ircustomerid, IRREGNO"},
               {"losHpInvoiceHeader", "hpqhQuotationID"},
               {"losHpInvoiceDetailOthers", "hpqdShopId, hpqdQuotationId"},
               {"losHpChequeRegisterHeader", "hphChqRegID"},
               {"losHpChequeRegisterDetail", "hpdChqRegID, hpdChqDate"},
               {"aHpProcessingHeader", "hphProcessingID"},
               {"aHpProcessingDetail", "hpdProcessingID, hpddetailID"},
               {"aHpProcessingDetailOthers", "hpdProcessingID, hpddetailIDBT"},
               {"ahpProcessingCashFlowDetail", "hpcProcessingID, hpcdetailID"}};

std::vector<std::string> Dump(db::Connection& con, const std::string& table, const std::string& order) {
  std::vector<std::string> rows;
  con.ForEachRow("select * from " + table + " order by " + order, {}, [&](const db::RowView& r) {
    std::string line;
    for (int i = 0; i < r.FieldCount(); ++i) line += r.Text(i) + "|";
    rows.push_back(std::move(line));
  });
  return rows;
}

// The first row where two dumps differ, or "" when they are equal.
std::string FirstDifference(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  for (size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::string x = i < a.size() ? a[i] : "(none)", y = i < b.size() ? b[i] : "(none)";
    if (x != y) return "row " + std::to_string(i) + ": " + x + " vs " + y;
  }
  return "";
}

DemoOptions Small(unsigned seed) {
  DemoOptions o;
  o.customers = 40;
  o.invoices = 150;
  o.seed = seed;
  return o;
}

TEST(DemoDeterminism, SameSeedGivesTheSameRowsAndAnotherSeedOthers) {
  Generated a = Make(Small(7)), b = Make(Small(7)), c = Make(Small(8));
  for (const auto& t : kTables) {
    const auto rows_a = Dump(*a.con, t.name, t.order);
    EXPECT_FALSE(rows_a.empty()) << t.name;
    EXPECT_EQ(FirstDifference(rows_a, Dump(*b.con, t.name, t.order)), "") << t.name;
  }
  for (const auto& t : kTables) {
    const std::string name = t.name;
    if (name == "losHpCustomerDetails" || name == "losHpInvoiceHeader" || name == "losHpChequeRegisterDetail" ||
        name == "aHpProcessingHeader" || name == "aHpProcessingDetail") {
      EXPECT_NE(FirstDifference(Dump(*a.con, t.name, t.order), Dump(*c.con, t.name, t.order)), "") << t.name;
    }
  }
  // The passwords are drawn afresh each time.
  EXPECT_NE(a.summary.users.at(0).password, b.summary.users.at(0).password);
}

struct ScaleCase {
  int customers, invoices;
  friend void PrintTo(const ScaleCase& c, std::ostream* os) {
    *os << c.customers << " customers, " << c.invoices << " invoices";
  }
};
class DemoScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(DemoScale, HoldsTheAskedCounts) {
  DemoOptions o;
  o.customers = GetParam().customers;
  o.invoices = GetParam().invoices;
  double last = -1;
  Generated g = Make(o, [&](std::string_view, double f) {
    EXPECT_GE(f, last);
    last = f;
  });
  EXPECT_EQ(hp::testing::CountRows(*g.con, "losHpCustomerDetails"), o.customers);
  EXPECT_EQ(hp::testing::CountRows(*g.con, "aCustomerMaster"), o.customers);
  EXPECT_EQ(hp::testing::CountRows(*g.con, "losHpInvoiceHeader"), o.invoices);
  EXPECT_EQ(g.summary.invoices, o.invoices);
  EXPECT_EQ(last, 1.0);
  // Every invoice's customer exists.
  EXPECT_EQ(hp::testing::CountRows(*g.con, "losHpInvoiceHeader",
                                   "hpqhCustomerID not in (select hpCustID from losHpCustomerDetails)"),
            0);
}
INSTANTIATE_TEST_SUITE_P(Sizes, DemoScale,
                         ::testing::Values(ScaleCase{1, 0}, ScaleCase{1, 3}, ScaleCase{7, 40},
                                           ScaleCase{500, 1500}));

TEST(DemoRefusal, RefusesBadOptionsAndDatabasesWithRecords) {
  auto con = hp::testing::FreshDatabase();
  for (DemoOptions o : {DemoOptions{0, 10}, DemoOptions{10, -1}, DemoOptions{10, 10, 7, {2024, 2, 30}},
                        DemoOptions{10, 10, 7, {2024, 3, 15}, 0}}) {
    EXPECT_THROW(CreateDemoData(*con, o), DemoError);
  }
  EXPECT_EQ(hp::testing::CountRows(*con, "aCompanyMaster"), 0);

  hp::testing::AddCustomer(*con, {});
  EXPECT_THROW(CreateDemoData(*con, Small(7)), DemoError);
  EXPECT_EQ(hp::testing::CountRows(*con, "losHpCustomerDetails"), 1);
  EXPECT_EQ(hp::testing::CountRows(*con, "aCompanyMaster"), 0);
  EXPECT_FALSE(con->InTransaction());
}

// The default demo database, made once for the checks of its contents.
class DemoContents : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { world_ = new Generated(Make(DemoOptions{})); }
  static void TearDownTestSuite() {
    delete world_;
    world_ = nullptr;
  }
  db::Connection& con() { return *world_->con; }
  const DemoSummary& summary() { return world_->summary; }
  long Count(const std::string& table, const std::string& condition = {}, const db::Params& p = {}) {
    return hp::testing::CountRows(con(), table, condition, p);
  }
  static Generated* world_;
};
Generated* DemoContents::world_ = nullptr;

Date Iso(const db::Value& v) { return text::DateOf(db::AsText(v)); }

TEST_F(DemoContents, LiveChequeRegisterCoversEachDueDateExactlyOnce) {
  long checked = 0;
  db::Recordset inv = con().Open(
      "select hpqhQuotationID, hpqhDelivaryDate, hpqhinstPeriod, hpqhChqReg from losHpInvoiceHeader");
  for (; !inv.Eof(); inv.MoveNext()) {
    const db::Params id{inv.Field(0)};
    db::Recordset regs =
        con().Open("select hphChqRegID from losHpChequeRegisterHeader where hphinvoiceid=? and hphCancel=0", id);
    ASSERT_LE(regs.RecordCount(), 1) << "invoice " << db::AsText(inv.Field(0));
    if (regs.Eof()) continue;
    EXPECT_NE(db::AsInt(inv.Field(3)), 0) << "invoice " << db::AsText(inv.Field(0));
    std::multiset<Date> dates;
    con().ForEachRow("select hpdChqDate from losHpChequeRegisterDetail where hpdChqRegID=?", {regs.Field(0)},
                     [&](const db::RowView& r) { dates.insert(text::DateOf(r.Text(0))); });
    std::multiset<Date> due;
    for (int i = 1; i <= db::AsInt(inv.Field(2)); ++i) due.insert(text::AddMonths(Iso(inv.Field(1)), i));
    EXPECT_EQ(dates, due) << "invoice " << db::AsText(inv.Field(0));
    ++checked;
  }
  EXPECT_GT(checked, 300);
  // Replaced registers exist beside live ones, and some invoices have none.
  EXPECT_GT(Count("losHpChequeRegisterHeader", "hphCancel=1"), 0);
  EXPECT_GT(summary().without_cheque_register, 0);
}

TEST_F(DemoContents, InvoiceIsProcessedExactlyWhenALiveProcessingExists) {
  db::Recordset rs = con().Open(
      "select hpqhQuotationID, hpqhProcessed, hpqhType, hpqhConfirmed, hpqhCancel, (select count(*) from "
      "aHpProcessingHeader h where h.hphInvoiceID=i.hpqhQuotationID and hphCancel=0 and hphAmended=0), "
      "(select count(*) from aHpProcessingHeader h where h.hphInvoiceID=i.hpqhQuotationID) from "
      "losHpInvoiceHeader i");
  for (; !rs.Eof(); rs.MoveNext()) {
    const std::string id = db::AsText(rs.Field(0));
    const long live = db::AsInt(rs.Field(5)), any = db::AsInt(rs.Field(6));
    EXPECT_LE(live, 1) << "invoice " << id;
    EXPECT_EQ(db::AsInt(rs.Field(1)), live) << "invoice " << id;
    if (any > 0) {
      // Only confirmed, live HP invoices are ever processed.
      EXPECT_EQ(db::AsText(rs.Field(2)), "I") << id;
      EXPECT_EQ(db::AsInt(rs.Field(3)), 1) << id;
      EXPECT_EQ(db::AsInt(rs.Field(4)), 0) << id;
    }
  }
}

TEST_F(DemoContents, StoredLinesAreNumberedFromOneToTheRentals) {
  struct Table {
    const char* sql;
    bool all_headers;  // every header has such lines
  };
  const Table tables[] = {
      {"select count(*), min(hpddetailID), max(hpddetailID) from aHpProcessingDetail where hpdProcessingID=?",
       true},
      {"select count(*), min(hpddetailIDBT), max(hpddetailIDBT) from aHpProcessingDetailOthers where "
       "hpdProcessingID=?",
       false},
      {"select count(*), min(hpcdetailID), max(hpcdetailID) from ahpProcessingCashFlowDetail where "
       "hpcProcessingID=?",
       false}};
  db::Recordset h = con().Open("select hphProcessingID, hphNoOfRentals from aHpProcessingHeader");
  ASSERT_GT(h.RecordCount(), 100);
  for (; !h.Eof(); h.MoveNext()) {
    const long n = db::AsInt(h.Field(1));
    for (const Table& t : tables) {
      db::Recordset c = con().Open(t.sql, {h.Field(0)});
      const long count = db::AsInt(c.Field(0));
      if (count == 0 && !t.all_headers) continue;
      EXPECT_EQ(count, n) << t.sql << " " << db::AsText(h.Field(0));
      EXPECT_EQ(db::AsInt(c.Field(1)), 1);
      EXPECT_EQ(db::AsInt(c.Field(2)), n);
    }
  }
  // Before-tax lines belong exactly to first processings of service-tax invoices.
  EXPECT_EQ(Count("aHpProcessingHeader h",
                  "(exists (select 1 from aHpProcessingDetailOthers o where o.hpdProcessingID=h.hphProcessingID))"
                  " <> (coalesce(hphReferenceID,0)=0 and (select coalesce(hpqhServTaxCateId,0) from "
                  "losHpInvoiceHeader where hpqhQuotationID=hphInvoiceID) <> 0)"),
            0);
}

TEST_F(DemoContents, LinesFollowTheScheduleAndTheRegister) {
  db::Recordset h = con().Open(
      "select hphProcessingID, hphbalance, coalesce(hphReferenceID,0), hpqhDelivaryDate, hphInvoiceID, "
      "hphRentalAmount from aHpProcessingHeader join losHpInvoiceHeader on hpqhQuotationID=hphInvoiceID");
  for (; !h.Eof(); h.MoveNext()) {
    const std::string id = db::AsText(h.Field(0));
    const bool first = db::AsInt(h.Field(2)) == 0;
    db::Recordset l = con().Open(
        "select hpddetailID, hpdChequeDate, hpdCapital, hpdRental, hpdInterest, hpdcapitalRepayment, "
        "hpdCapitalBalance, hpdBankName, hpdChequeNo, (select hpdBankName || '/' || hpdChqNo from "
        "losHpChequeRegisterDetail d join losHpChequeRegisterHeader r on r.hphChqRegID=d.hpdChqRegID where "
        "r.hphinvoiceid=? and r.hphCancel=0 and d.hpdChqDate=hpdChequeDate) from aHpProcessingDetail where "
        "hpdProcessingID=? order by hpddetailID",
        {h.Field(4), h.Field(0)});
    double previous_balance = db::AsDouble(h.Field(1));
    for (; !l.Eof(); l.MoveNext()) {
      const long i = db::AsInt(l.Field(0));
      const double capital = db::AsDouble(l.Field(2)), repayment = db::AsDouble(l.Field(5));
      if (first) {
        EXPECT_EQ(capital, previous_balance) << id << " line " << i;
      }
      EXPECT_NEAR(capital - repayment, db::AsDouble(l.Field(6)), 1e-6) << id << " line " << i;
      EXPECT_NEAR(db::AsDouble(l.Field(4)) + repayment, db::AsDouble(l.Field(3)), 1e-6) << id;
      EXPECT_EQ(db::AsDouble(l.Field(3)), db::AsDouble(h.Field(5))) << id;
      EXPECT_FALSE(db::AsText(l.Field(7)).empty() || db::AsText(l.Field(8)).empty()) << id << " line " << i;
      if (first) {
        EXPECT_EQ(Iso(l.Field(1)), text::AddMonths(Iso(h.Field(3)), static_cast<int>(i))) << id;
        EXPECT_EQ(db::AsText(l.Field(9)), db::AsText(l.Field(7)) + "/" + db::AsText(l.Field(8))) << id;
      }
      previous_balance = db::AsDouble(l.Field(6));
    }
  }
}

TEST_F(DemoContents, SettledAndPostedRentalsAreTheFirstOnes) {
  db::Recordset h = con().Open("select hphProcessingID from aHpProcessingHeader");
  for (; !h.Eof(); h.MoveNext()) {
    bool open_seen = false;
    con().ForEachRow(
        "select hpdSettlementAmount, hpdPosted, hpdChequeDate from aHpProcessingDetail where hpdProcessingID=? "
        "order by hpddetailID",
        {h.Field(0)}, [&](const db::RowView& r) {
          const bool settled = db::AsDouble(r.Field(0)) > 0;
          EXPECT_FALSE(settled && open_seen) << "processing " << db::AsText(h.Field(0));
          EXPECT_FALSE(db::AsInt(r.Field(1)) == 1 && !settled);
          if (settled) {
            EXPECT_LE(text::DateOf(r.Text(2)), summary().processing_date);
          }
          open_seen = open_seen || !settled;
        });
  }
  EXPECT_GT(summary().settled_processings, 0);
  EXPECT_GT(summary().posted_processings, 0);
}

TEST_F(DemoContents, ReprocessingsReplaceAnAmendedProcessingOfTheSameInvoice) {
  db::Recordset r = con().Open(
      "select n.hphProcessingID, o.hphProcessingID, o.hphAmended, n.hphInvoiceID - o.hphInvoiceID, "
      "case when n.hphProcessingdate >= o.hphProcessingdate then 1 else 0 end, n.hphReprocessingType, n.hphCompanyID - o.hphCompanyID "
      "from aHpProcessingHeader n left join aHpProcessingHeader o on o.hphProcessingID=n.hphReferenceID "
      "where coalesce(n.hphReferenceID,0)<>0");
  ASSERT_GT(r.RecordCount(), 0);
  for (; !r.Eof(); r.MoveNext()) {
    ASSERT_FALSE(db::IsNull(r.Field(1))) << "re-processing " << db::AsText(r.Field(0));
    EXPECT_LT(db::AsInt(r.Field(1)), db::AsInt(r.Field(0)));
    EXPECT_EQ(db::AsInt(r.Field(2)), 1);
    EXPECT_EQ(db::AsInt(r.Field(3)), 0);
    EXPECT_EQ(db::AsInt(r.Field(4)), 1);
    EXPECT_EQ(db::AsText(r.Field(5)), "A");
    EXPECT_EQ(db::AsInt(r.Field(6)), 0);
  }
  // Amended rows are exactly those a re-processing names.
  EXPECT_EQ(Count("aHpProcessingHeader o",
                  "hphAmended <> case when exists (select 1 from aHpProcessingHeader n where "
                  "n.hphReferenceID=o.hphProcessingID) then 1 else 0 end"),
            0);
}

TEST_F(DemoContents, ProcessingsLieInTheLookBackWindowAndTheirYear) {
  const Date date = summary().processing_date;
  const std::string from = text::IsoDate(text::AddDays(date, -summary().look_back_days));
  EXPECT_EQ(Count("aHpProcessingHeader", "hphProcessingdate < ? or hphProcessingdate > ?",
                  {from, text::IsoDate(date)}),
            0);
  EXPECT_EQ(Count("aHpProcessingHeader h",
                  "not exists (select 1 from aFinancialYear y where y.FinancialId=h.hphFinancialID and "
                  "y.CompanyID=h.hphCompanyID and h.hphProcessingdate between y.StartDate and y.EndDate)"),
            0);
  // The freeze date lies before most processings, but not before all of them.
  const std::string freeze = text::IsoDate(summary().freeze_date);
  const long frozen = Count("aHpProcessingHeader", "hphProcessingdate <= ?", {freeze});
  EXPECT_GT(frozen, 0);
  EXPECT_LT(frozen, summary().processings / 2);
  db::Recordset s = con().Open("select noofpreviousdays from asettings where companyid=1");
  EXPECT_EQ(db::AsInt(s.Field(0)), summary().look_back_days);
}

TEST_F(DemoContents, NumbersRunPerDepartmentAndYearInDateOrder) {
  std::map<std::pair<long, long>, long> last;  // (department, year) -> last running number
  std::string last_date;
  db::Recordset h = con().Open(
      "select hphDepartmentID, hphFinancialID, hphProcessingNo, hphProcessingdate, (select Prefix from aPrefix "
      "where InterfaceID=7503 and DepartmentId=hphDepartmentID and FinancialId=hphFinancialID) from "
      "aHpProcessingHeader order by hphProcessingID");
  for (; !h.Eof(); h.MoveNext()) {
    const std::string number = db::AsText(h.Field(2)), prefix = db::AsText(h.Field(4));
    ASSERT_FALSE(prefix.empty()) << number;
    ASSERT_EQ(number.rfind(prefix, 0), 0u) << number;
    const long tail = std::stol(number.substr(prefix.size()));
    long& previous = last[{db::AsInt(h.Field(0)), db::AsInt(h.Field(1))}];
    EXPECT_EQ(tail, previous + 1) << number;
    previous = tail;
    EXPECT_GE(db::AsText(h.Field(3)), last_date) << number;
    last_date = db::AsText(h.Field(3));
  }
}

TEST_F(DemoContents, CustomersAreInBothCustomerTables) {
  EXPECT_EQ(Count("losHpCustomerDetails d",
                  "not exists (select 1 from aCustomerMaster m where m.CustomerID=d.hpCustID and "
                  "m.CustomerName=d.hpCustName)"),
            0);
  EXPECT_EQ(Count("aCustomerMaster m",
                  "not exists (select 1 from losHpCustomerDetails d where m.CustomerID=d.hpCustID)"),
            0);
  EXPECT_GT(summary().unverified_customers, 0);
  EXPECT_GT(Count("losHpCustomerDetails", "HPVerified=1"), summary().customers * 8 / 10);
  EXPECT_GT(Count("losHpCustomerDetails",
                  "(select count(*) from losHpItemRegistrationDetails where ircustomerid=hpCustID) = 2"),
            0);
  EXPECT_EQ(Count("losHpCustomerDetails",
                  "(select count(*) from losHpItemRegistrationDetails where ircustomerid=hpCustID) = 0"),
            0);
}

TEST_F(DemoContents, SessionSettingsUsersAndBothCompanies) {
  const struct {
    int company, user;
    const char* rights;
  } rights[] = {{1, 1, "NED"}, {2, 1, "NED"}, {1, 2, "E"}};
  for (const auto& r : rights) {
    db::Recordset rs = con().Open(
        "select FunctionRights from auserrights where companyid=? and userid=? and interfaceid=7503",
        {static_cast<std::int64_t>(r.company), static_cast<std::int64_t>(r.user)});
    ASSERT_FALSE(rs.Eof()) << r.company << "/" << r.user;
    EXPECT_EQ(db::AsText(rs.Field(0)), r.rights);
  }
  EXPECT_EQ(Count("auserrights", "userid=2 and companyid=2"), 0);
  ASSERT_EQ(summary().users.size(), 2u);
  EXPECT_EQ(summary().users[0].name, "demo");
  EXPECT_TRUE(shell::CheckPassword(con(), summary().users[0].id, summary().users[0].password));
  EXPECT_FALSE(shell::CheckPassword(con(), summary().users[0].id, summary().users[1].password));
  EXPECT_EQ(Count("atablecolumns", "tableid=(select tableid from atables where tablename='aHpProcessingHeader')"),
            7);
  // Both companies hold processings, and service-tax invoices are processed.
  for (int company : {1, 2})
    EXPECT_GT(Count("aHpProcessingHeader", "hphCompanyID=? and hphCancel=0 and hphAmended=0",
                    {static_cast<std::int64_t>(company)}),
              0);
  EXPECT_GT(Count("aHpProcessingHeader", "hphCancel=1"), 0);
  EXPECT_GT(summary().before_tax_lines, 0);
  // Lines carry their processing's company and department.
  EXPECT_EQ(Count("aHpProcessingDetail d",
                  "not exists (select 1 from aHpProcessingHeader h where h.hphProcessingID=d.hpdProcessingID and "
                  "h.hphCompanyID=d.hpdCompanyID and h.hphDepartmentID=d.hpdDepartmentID)"),
            0);
  // Open invoices counted per customer add up to the verified customers.
  long customers = 0;
  for (const auto& [open, n] : summary().companies.at(0).customers_by_open_invoices) customers += n;
  EXPECT_EQ(customers, Count("losHpCustomerDetails", "HPVerified=1"));
}

}  // namespace
}  // namespace hp::demo
