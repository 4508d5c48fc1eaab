// The demo database: the same seed gives the same rows, and the rows hold
// together the way the screens rely on (cheque registers against due dates,
// invoice flags against processings, line numbering, customer tables).
#include "demo/demo_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "shell/passwords.h"
#include "support/database.h"
#include "support/records.h"

namespace hp::demo {
namespace {

using text::Date;
using hp::testing::CountRows;

struct Generated {
  std::unique_ptr<db::Connection> con;
  DemoSummary summary;
};
Generated Make(const DemoOptions& o, const DemoProgress& progress = {}) {
  Generated g{hp::testing::FreshDatabase(), {}};
  g.summary = CreateDemoData(*g.con, o, progress);
  return g;
}
DemoOptions Small(unsigned seed) { return DemoOptions{.customers = 40, .invoices = 150, .seed = seed}; }

// A table's rows, sorted.
std::vector<std::string> Dump(db::Connection& con, const std::string& table) {
  std::vector<std::string> rows;
  con.ForEachRow("select * from " + table, {}, [&](const db::RowView& r) {
    std::string line;
    for (int i = 0; i < r.FieldCount(); ++i) line += r.Text(i) + "|";
    rows.push_back(std::move(line));
  });
  std::sort(rows.begin(), rows.end());
  return rows;
}

TEST(DemoDeterminism, SameSeedGivesTheSameRowsAndAnotherSeedOthers) {
  // Every table the demo writes but the password hashes; those marked '*'
  // must differ for another seed.
  const char* tables[] = {"aCompanyMaster", "aFinancialYear", "aDepartmentMaster", "ashops", "aUsers", "auserrights",
                          "asettings", "MiscSettings", "aPrefix", "atables", "atablecolumns", "*losHpCustomerDetails",
                          "aCustomerMaster", "losHpItemRegistrationDetails", "*losHpInvoiceHeader",
                          "losHpInvoiceDetailOthers", "losHpChequeRegisterHeader", "*losHpChequeRegisterDetail",
                          "*aHpProcessingHeader", "*aHpProcessingDetail", "aHpProcessingDetailOthers",
                          "ahpProcessingCashFlowDetail"};
  Generated a = Make(Small(7)), b = Make(Small(7)), c = Make(Small(8));
  for (const std::string t : tables) {
    const bool seeded = t[0] == '*';
    const std::string name = t.substr(seeded);
    const auto rows = Dump(*a.con, name);
    EXPECT_FALSE(rows.empty()) << name;
    EXPECT_TRUE(rows == Dump(*b.con, name)) << name << " differs for the same seed";
    EXPECT_TRUE(!seeded || rows != Dump(*c.con, name)) << name << " ignores the seed";
  }
  EXPECT_NE(a.summary.users.at(0).password, b.summary.users.at(0).password);  // drawn afresh each time
}

class DemoScale : public ::testing::TestWithParam<std::pair<int, int>> {};

TEST_P(DemoScale, HoldsTheAskedCounts) {
  const DemoOptions o{.customers = GetParam().first, .invoices = GetParam().second};
  double last = -1;
  Generated g = Make(o, [&](std::string_view, double f) {
    EXPECT_GE(f, last);
    last = f;
  });
  EXPECT_EQ(last, 1.0);
  EXPECT_EQ(CountRows(*g.con, "losHpCustomerDetails"), o.customers);
  EXPECT_EQ(CountRows(*g.con, "aCustomerMaster"), o.customers);
  EXPECT_EQ(CountRows(*g.con, "losHpInvoiceHeader"), o.invoices);
  EXPECT_EQ(g.summary.invoices, o.invoices);
  EXPECT_EQ(CountRows(*g.con, "losHpInvoiceHeader", "hpqhCustomerID not in (select hpCustID from "
                                                   "losHpCustomerDetails)"),
            0);
}
INSTANTIATE_TEST_SUITE_P(Sizes, DemoScale, ::testing::Values(std::pair{1, 0}, std::pair{1, 3}, std::pair{7, 40},
                                                             std::pair{500, 1500}));

TEST(DemoRefusal, RefusesBadOptionsAndDatabasesWithRecords) {
  auto con = hp::testing::FreshDatabase();
  for (DemoOptions o : {DemoOptions{0, 10}, DemoOptions{10, -1}, DemoOptions{10, 10, 7, {2024, 2, 30}},
                        DemoOptions{10, 10, 7, {2024, 3, 15}, 0}})
    EXPECT_THROW(CreateDemoData(*con, o), DemoError);
  EXPECT_EQ(CountRows(*con, "aCompanyMaster"), 0);

  hp::testing::AddCustomer(*con, {});
  EXPECT_THROW(CreateDemoData(*con, Small(7)), DemoError);
  EXPECT_EQ(CountRows(*con, "losHpCustomerDetails"), 1);
  EXPECT_EQ(CountRows(*con, "aCompanyMaster"), 0);
  EXPECT_FALSE(con->InTransaction());
}

// The default demo database, made once for the checks of its contents.
class DemoContents : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { world_ = new Generated(Make(DemoOptions{})); }
  static void TearDownTestSuite() { delete world_, world_ = nullptr; }
  db::Connection& con() { return *world_->con; }
  const DemoSummary& summary() { return world_->summary; }
  long Count(const std::string& table, const std::string& condition = {}, const db::Params& p = {}) {
    return CountRows(con(), table, condition, p);
  }
  static Generated* world_;
};
Generated* DemoContents::world_ = nullptr;

// Lines of processing h in `table` not numbered 1..hphNoOfRentals (when it
// has any, unless `always`).
std::string NotNumbered(const std::string& table, const std::string& key, const std::string& id, bool always) {
  const std::string of = " from " + table + " where " + key + "=h.hphProcessingID)";
  return (always ? "" : "exists (select 1" + of + " and ") + "((select count(*)" + of + "<>hphNoOfRentals or " +
         "(select min(" + id + ")" + of + "<>1 or (select max(" + id + ")" + of + "<>hphNoOfRentals)";
}

TEST_F(DemoContents, RowsHoldTogetherAsTheScreensExpect) {
  const std::string date = text::IsoDate(summary().processing_date),
                    from = text::IsoDate(text::AddDays(summary().processing_date, -summary().look_back_days));
  const std::string settled = "coalesce(hpdSettlementAmount,0)>0", first = "coalesce(h.hphReferenceID,0)=0";
  const std::string rights = "interfaceid=7503 and companyid=", live = "hphCancel=0 and hphAmended=0";
  const std::string line_of = "aHpProcessingDetail d join aHpProcessingHeader h on h.hphProcessingID=d.hpdProcessingID";
  // Rows breaking each rule (there must be none), or rows that must be there.
  const struct {
    const char* what;
    std::string from, where;
    long expected = 0;
  } rules[] = {
      {"live cheque register on an invoice not flagged", "losHpInvoiceHeader i",
       "coalesce(hpqhChqReg,0)=0 and exists (select 1 from losHpChequeRegisterHeader r where "
       "r.hphinvoiceid=i.hpqhQuotationID and r.hphCancel=0)"},
      {"processed flag is not the number of live processings", "losHpInvoiceHeader i",
       "hpqhProcessed <> (select count(*) from aHpProcessingHeader h where h.hphInvoiceID=i.hpqhQuotationID and "
       "hphCancel=0 and hphAmended=0)"},
      {"processing of an invoice not a confirmed, live HP invoice", "losHpInvoiceHeader i",
       "exists (select 1 from aHpProcessingHeader h where h.hphInvoiceID=i.hpqhQuotationID) and "
       "(hpqhType<>'I' or hpqhConfirmed<>1 or hpqhCancel<>0)"},
      {"rental lines not numbered 1 to the rentals", "aHpProcessingHeader h",
       NotNumbered("aHpProcessingDetail", "hpdProcessingID", "hpddetailID", true)},
      {"before-tax lines not numbered 1 to the rentals", "aHpProcessingHeader h",
       NotNumbered("aHpProcessingDetailOthers", "hpdProcessingID", "hpddetailIDBT", false)},
      {"cash-flow lines not numbered 1 to the rentals", "aHpProcessingHeader h",
       NotNumbered("ahpProcessingCashFlowDetail", "hpcProcessingID", "hpcdetailID", false)},
      {"before-tax lines other than on first processings of service-tax invoices", "aHpProcessingHeader h",
       "(exists (select 1 from aHpProcessingDetailOthers o where o.hpdProcessingID=h.hphProcessingID)) <> (" + first +
           " and (select coalesce(hpqhServTaxCateId,0) from losHpInvoiceHeader where hpqhQuotationID=hphInvoiceID)"
           " <> 0)"},
      {"capital less repayment is not the balance", "aHpProcessingDetail",
       "abs(hpdCapital - hpdcapitalRepayment - hpdCapitalBalance) > 1e-6"},
      {"interest and repayment do not make the rental", "aHpProcessingDetail",
       "abs(hpdInterest + hpdcapitalRepayment - hpdRental) > 1e-6"},
      {"line rental is not the processing's", line_of, "d.hpdRental <> h.hphRentalAmount"},
      {"line without bank or cheque", "aHpProcessingDetail",
       "coalesce(hpdBankName,'')='' or coalesce(hpdChequeNo,'')=''"},
      {"first processing's line does not open on the balance before it",
       line_of + " left join aHpProcessingDetail p on p.hpdProcessingID=d.hpdProcessingID and "
                 "p.hpddetailID=d.hpddetailID-1",
       first + " and d.hpdCapital <> coalesce(p.hpdCapitalBalance, h.hphbalance)"},
      {"first processing's cheque is not the register's of its date", line_of,
       first + " and not exists (select 1 from losHpChequeRegisterDetail c join losHpChequeRegisterHeader r on "
               "r.hphChqRegID=c.hpdChqRegID where r.hphinvoiceid=h.hphInvoiceID and r.hphCancel=0 and "
               "c.hpdChqDate=d.hpdChequeDate and c.hpdBankName=d.hpdBankName and c.hpdChqNo=d.hpdChequeNo)"},
      {"settled rental after an open one", "aHpProcessingDetail d",
       settled + " and exists (select 1 from aHpProcessingDetail e where e.hpdProcessingID=d.hpdProcessingID and "
                 "e.hpddetailID<d.hpddetailID and coalesce(e.hpdSettlementAmount,0)<=0)"},
      {"posted rental not settled", "aHpProcessingDetail", "hpdPosted=1 and not " + settled},
      {"settled rental due after the processing date", "aHpProcessingDetail",
       settled + " and hpdChequeDate > '" + date + "'"},
      {"re-processing not replacing an earlier, amended processing of its invoice", "aHpProcessingHeader n",
       "coalesce(hphReferenceID,0)<>0 and (coalesce(hphReprocessingType,'')<>'A' or not exists (select 1 from "
       "aHpProcessingHeader o where o.hphProcessingID=n.hphReferenceID and o.hphProcessingID<n.hphProcessingID and "
       "o.hphAmended=1 and o.hphInvoiceID=n.hphInvoiceID and o.hphCompanyID=n.hphCompanyID and "
       "o.hphProcessingdate<=n.hphProcessingdate))"},
      {"amended though no re-processing replaces it, or the reverse", "aHpProcessingHeader o",
       "hphAmended <> case when exists (select 1 from aHpProcessingHeader n where "
       "n.hphReferenceID=o.hphProcessingID) then 1 else 0 end"},
      {"processing outside the look-back window", "aHpProcessingHeader",
       "hphProcessingdate < '" + from + "' or hphProcessingdate > '" + date + "'"},
      {"processing outside its financial year", "aHpProcessingHeader h",
       "not exists (select 1 from aFinancialYear y where y.FinancialId=h.hphFinancialID and "
       "y.CompanyID=h.hphCompanyID and h.hphProcessingdate between y.StartDate and y.EndDate)"},
      {"line of another company or department than its processing", "aHpProcessingDetail d",
       "not exists (select 1 from aHpProcessingHeader h where h.hphProcessingID=d.hpdProcessingID and "
       "h.hphCompanyID=d.hpdCompanyID and h.hphDepartmentID=d.hpdDepartmentID)"},
      {"customer missing from the customer master", "losHpCustomerDetails d",
       "not exists (select 1 from aCustomerMaster m where m.CustomerID=d.hpCustID and m.CustomerName=d.hpCustName)"},
      {"customer master row of no HP customer", "aCustomerMaster m",
       "not exists (select 1 from losHpCustomerDetails d where m.CustomerID=d.hpCustID)"},
      {"customer without a registration", "losHpCustomerDetails",
       "not exists (select 1 from losHpItemRegistrationDetails where ircustomerid=hpCustID)"},
      {"the demo user's rights in company 1", "auserrights", rights + "1 and userid=1 and FunctionRights='NED'", 1},
      {"the demo user's rights in company 2", "auserrights", rights + "2 and userid=1 and FunctionRights='NED'", 1},
      {"the second user's rights in company 1", "auserrights", rights + "1 and userid=2 and FunctionRights='E'", 1},
      {"the second user's rights in company 2", "auserrights", "companyid=2 and userid=2", 0},
      {"the register's columns", "atablecolumns",
       "tableid=(select tableid from atables where tablename='aHpProcessingHeader')", 7},
      {"the look-back days", "asettings",
       "companyid=1 and noofpreviousdays=" + std::to_string(summary().look_back_days), 1},
  };
  for (const auto& r : rules) EXPECT_EQ(Count(r.from, r.where), r.expected) << r.what;

  // What the demo is there to show.
  const std::pair<const char*, long> shown[] = {
      {"replaced cheque registers", Count("losHpChequeRegisterHeader", "hphCancel=1")},
      {"invoices without a cheque register", summary().without_cheque_register},
      {"processings with settled rentals", summary().settled_processings},
      {"processings with posted rentals", summary().posted_processings},
      {"re-processings", Count("aHpProcessingHeader", "coalesce(hphReferenceID,0)<>0")},
      {"cancelled processings", Count("aHpProcessingHeader", "hphCancel=1")},
      {"live processings of company 1", Count("aHpProcessingHeader", "hphCompanyID=1 and " + live)},
      {"live processings of company 2", Count("aHpProcessingHeader", "hphCompanyID=2 and " + live)},
      {"before-tax lines", summary().before_tax_lines},
      {"unverified customers", summary().unverified_customers},
      {"customers with two registrations", Count("losHpCustomerDetails", "(select count(*) from "
                                                 "losHpItemRegistrationDetails where ircustomerid=hpCustID) = 2")},
  };
  for (const auto& [what, n] : shown) EXPECT_GT(n, 0) << what;
  EXPECT_GT(Count("aHpProcessingHeader"), 100);
  EXPECT_GT(Count("losHpCustomerDetails", "HPVerified=1"), summary().customers * 8 / 10);
  // The freeze date lies before most processings, but not before all of them.
  const long frozen = Count("aHpProcessingHeader", "hphProcessingdate <= ?", {text::IsoDate(summary().freeze_date)});
  EXPECT_GT(frozen, 0);
  EXPECT_LT(frozen, summary().processings / 2);
}

TEST_F(DemoContents, ChequesFallDueMonthlyFromDelivery) {
  // Each live register holds each due date exactly once.
  std::map<std::string, std::multiset<Date>> registered, due;
  con().ForEachRow("select r.hphinvoiceid, d.hpdChqDate from losHpChequeRegisterHeader r left join "
                   "losHpChequeRegisterDetail d on d.hpdChqRegID=r.hphChqRegID where r.hphCancel=0",
                   {}, [&](const db::RowView& r) {
                     auto& dates = registered[r.Text(0)];
                     if (!r.Text(1).empty()) dates.insert(text::DateOf(r.Text(1)));
                   });
  con().ForEachRow("select hpqhQuotationID, hpqhDelivaryDate, hpqhinstPeriod from losHpInvoiceHeader", {},
                   [&](const db::RowView& r) {
                     if (!registered.count(r.Text(0))) return;
                     for (int i = 1; i <= std::stoi(r.Text(2)); ++i)
                       due[r.Text(0)].insert(text::AddMonths(text::DateOf(r.Text(1)), i));
                   });
  EXPECT_GT(registered.size(), 300u);
  for (const auto& [invoice, dates] : registered) EXPECT_TRUE(dates == due[invoice]) << "invoice " << invoice;
  // A first processing's line i falls due i months after delivery.
  con().ForEachRow("select h.hphProcessingID, d.hpddetailID, d.hpdChequeDate, i.hpqhDelivaryDate from "
                   "aHpProcessingDetail d join aHpProcessingHeader h on h.hphProcessingID=d.hpdProcessingID join "
                   "losHpInvoiceHeader i on i.hpqhQuotationID=h.hphInvoiceID where coalesce(h.hphReferenceID,0)=0",
                   {}, [&](const db::RowView& r) {
                     EXPECT_EQ(text::DateOf(r.Text(2)), text::AddMonths(text::DateOf(r.Text(3)), std::stoi(r.Text(1))))
                         << "processing " << r.Text(0) << " line " << r.Text(1);
                   });
}

TEST_F(DemoContents, NumbersRunPerDepartmentAndYearInDateOrder) {
  std::map<std::pair<std::string, std::string>, long> last;  // (department, year) -> last running number
  std::string last_date;
  con().ForEachRow(
      "select hphDepartmentID, hphFinancialID, hphProcessingNo, hphProcessingdate, (select Prefix from aPrefix "
      "where InterfaceID=7503 and DepartmentId=hphDepartmentID and FinancialId=hphFinancialID) from "
      "aHpProcessingHeader order by hphProcessingID",
      {}, [&](const db::RowView& r) {
        const std::string number = r.Text(2), prefix = r.Text(4);
        ASSERT_FALSE(prefix.empty()) << number;
        ASSERT_EQ(number.rfind(prefix, 0), 0u) << number;
        long& previous = last[{r.Text(0), r.Text(1)}];
        EXPECT_EQ(std::stol(number.substr(prefix.size())), previous + 1) << number;
        previous = std::stol(number.substr(prefix.size()));
        EXPECT_GE(r.Text(3), last_date) << number;
        last_date = r.Text(3);
      });
}

TEST_F(DemoContents, UsersSignInAndCustomersAddUp) {
  ASSERT_EQ(summary().users.size(), 2u);
  EXPECT_EQ(summary().users[0].name, "demo");
  EXPECT_TRUE(shell::CheckPassword(con(), summary().users[0].id, summary().users[0].password));
  EXPECT_FALSE(shell::CheckPassword(con(), summary().users[0].id, summary().users[1].password));
  // Open invoices counted per customer add up to the verified customers.
  long customers = 0;
  for (const auto& [open, n] : summary().companies.at(0).customers_by_open_invoices) customers += n;
  EXPECT_EQ(customers, Count("losHpCustomerDetails", "HPVerified=1"));
}

}  // namespace
}  // namespace hp::demo
