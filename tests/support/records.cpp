#include "support/records.h"

#include "platform/db/row_writer.h"
#include "platform/text/number_text.h"

namespace hp::testing {
namespace {
db::Value I(long v) { return static_cast<std::int64_t>(v); }
db::Value Opt(const std::optional<int>& v) { return v ? I(*v) : db::Value{}; }
db::Value Opt(const std::optional<double>& v) { return v ? db::Value(*v) : db::Value{}; }

// A company's financial year, department, shop, the user's rights, 30 days
// look-back and the prefix "HP".
void AddCompanyRows(db::Connection& con, const World& w, const std::string& company, const std::string& department) {
  AddCompany(con, w.company, company);
  con.Execute("insert into aFinancialYear (FinancialId, CompanyID, Description, StartDate, EndDate) values (?,?,?,?,?)",
              {I(w.financial), I(w.company), "2023/24", "2023-04-01", "2024-03-31"});
  AddDepartment(con, w.department, w.company, department);
  con.Execute("insert into ashops (shopId, ShopName, DepartmentID) values (?,?,?)",
              {I(w.shop), "Shop " + std::to_string(w.shop), I(w.department)});
  SetRights(con, w.company, w.user, "NED");
  con.Execute("insert into asettings (companyid, noofpreviousdays) values (?,30)", {I(w.company)});
  AddPrefix(con, w.department, w.financial, "HP");
}
}  // namespace

void Insert(db::Connection& con, const std::string& table, const Columns& columns) {
  db::RowWriter w(con, table);
  w.AddNew();
  for (const auto& [column, value] : columns) w.Set(column, value);
  w.Update();
}

World StandardWorld(db::Connection& con, const World& w) {
  AddUser(con, w.user, w.user_name);
  AddCompanyRows(con, w, "Lanka Motor Traders", "Vehicles");
  con.Execute("insert into atables (tableid, tablename) values (1, 'aHpProcessingHeader')");
  const char* columns[][2] = {{"hphProcessingID", "Processing ID"}, {"hphProcessingNo", "Processing No"},
                              {"hphProcessingdate", "Processing Date"}, {"CustomerName", "Customer"},
                              {"hpqhQuotationNo", "Invoice No"}, {"hphAmended", "Amended"},
                              {"hphCancel", "Cancelled"}};
  long i = 0;
  for (auto& c : columns)
    con.Execute("insert into atablecolumns (tableid, columnid, columnname, columnheader) values (1,?,?,?)",
                {I(++i), c[0], c[1]});
  return w;
}

World SecondCompany(db::Connection& con, const World& w) {
  AddCompanyRows(con, w, "Second Company", "Trucks");
  return w;
}

void AddCompany(db::Connection& con, int id, const std::string& name) {
  con.Execute("insert into aCompanyMaster (CompanyID, CompanyName) values (?,?)", {I(id), name});
}

void AddDepartment(db::Connection& con, int id, int company, const std::string& name) {
  con.Execute("insert into aDepartmentMaster (DepartmentID, DepartmentName, CompanyID) values (?,?,?)",
              {I(id), name, I(company)});
}

void AddUser(db::Connection& con, int id, const std::string& name) {
  con.Execute("insert into aUsers (UserID, UserName) values (?,?)", {I(id), name});
}

void SetRights(db::Connection& con, int company, int user, const std::string& rights) {
  con.Execute("delete from auserrights where companyid=? and userid=? and interfaceid=?",
              {I(company), I(user), I(kInterface)});
  con.Execute("insert into auserrights (companyid, userid, interfaceid, FunctionRights) values (?,?,?,?)",
              {I(company), I(user), I(kInterface), rights});
}

void SetFreezeDate(db::Connection& con, std::optional<std::string> iso_date) {
  con.Execute("delete from MiscSettings");
  con.Execute("insert into MiscSettings (AccountsFreezeDate) values (?)",
              {iso_date ? db::Value(*iso_date) : db::Value{}});
}

void AddPrefix(db::Connection& con, int department, int financial, const std::string& prefix) {
  con.Execute("insert into aPrefix (InterfaceID, DepartmentId, FinancialId, Prefix) values (?,?,?,?)",
              {I(kInterface), I(department), I(financial), prefix});
}

void AddCustomer(db::Connection& con, const CustomerSpec& c) {
  Insert(con, "losHpCustomerDetails",
         {{"hpCustID", I(c.id)}, {"hpCustName", c.name},
          {"hpNccNO", c.nic.empty() ? std::to_string(800000000 + c.id) + "V" : c.nic},
          {"HPCustPermanentadd", c.permanent_address}, {"HPCustPresentAdd", c.present_address},
          {"hpMobNo", c.mobile}, {"HPVerified", I(c.verified)}});
  con.Execute("insert into aCustomerMaster (CustomerID, CustomerName) values (?,?)", {I(c.id), c.name});
  for (const auto& r : c.registrations)
    con.Execute("insert into losHpItemRegistrationDetails (ircustomerid, IRREGNO) values (?,?)", {I(c.id), r});
}

void AddInvoice(db::Connection& con, const InvoiceSpec& inv) {
  Insert(con, "losHpInvoiceHeader",
         {{"hpqhQuotationID", I(inv.id)}, {"hpqhQuotationNo", inv.number},
          {"hpqhQuotationDate", text::IsoDate(inv.date)}, {"hpqhCompanyID", I(inv.company)},
          {"hpqhCustomerID", I(inv.customer)}, {"hpqhShopID", I(inv.shop)}, {"hpqhType", "I"},
          {"hpqhCancel", I(inv.cancelled)}, {"hpqhConfirmed", I(inv.confirmed)}, {"hpqhProcessed", I(inv.processed)},
          {"hpqhChqReg", I(inv.cheque_register)}, {"hpqhAmount", inv.cash_price},
          {"hpqhFirstInstAmt", inv.down_payment}, {"hpqhinstPeriod", I(inv.rentals)},
          {"hpqhMonthilyPay", inv.rental}, {"hpqhInstPrice", inv.installment_price},
          {"hpqhDelivaryDate", text::IsoDate(inv.delivery)}, {"hpqhServTaxCateId", Opt(inv.service_tax)}});
  if (inv.service_tax) {
    Insert(con, "losHpInvoiceDetailOthers",
           {{"hpqdShopId", I(inv.shop)}, {"hpqdQuotationId", I(inv.id)}, {"hpqdActSellingPrice", inv.bt_cash_price},
            {"hpqdActDP", inv.bt_down_payment}, {"hpqdActMonthlyPayment", inv.bt_rental},
            {"hpqdActInstallmentPrice", inv.bt_installment_price}});
  }
  if (!inv.cheque_register) return;
  con.Execute("insert into losHpChequeRegisterHeader (hphChqRegID, hphinvoiceid, hphCancel) values (?,?,0)",
              {I(inv.id), I(inv.id)});
  for (int i = 1; i <= inv.rentals; ++i) {
    con.Execute(
        "insert into losHpChequeRegisterDetail (hpdChqRegID, hpdChqDate, hpdBankName, hpdChqNo) values (?,?,?,?)",
        {I(inv.id), text::IsoDate(text::AddMonths(inv.delivery, i)), inv.bank, inv.cheque_prefix + std::to_string(i)});
  }
}

void AddProcessing(db::Connection& con, const ProcessingSpec& p) {
  Insert(con, "aHpProcessingHeader",
         {{"hphCompanyID", I(p.company)}, {"hphDepartmentID", I(p.department)}, {"hphProcessingID", I(p.id)},
          {"hphProcessingNo", p.number}, {"hphProcessingdate", p.date}, {"hphCustomerID", I(p.customer)},
          {"hphInvoiceID", I(p.invoice)}, {"hphUsed", I(0)}, {"hphFinancialID", I(p.financial)},
          {"hphAmended", I(p.amended)}, {"hphCancel", I(p.cancel)}, {"hphCashPrice", p.cash_price},
          {"hphDownPayment", p.down_payment}, {"hphbalance", p.balance},
          {"hphNoOfRentals", I(p.rentals ? p.rentals : static_cast<int>(p.lines.size()))},
          {"hphInterestRate", p.rate}, {"hphInstallmentPrice", p.installment_price}, {"hphRentalAmount", p.rental},
          {"hphReferenceID", Opt(p.reference)}, {"hphreprocessaftersettlement", Opt(p.after_settlement)},
          {"hphAdjustmentPosted", Opt(p.adjustment_posted)}, {"hphUserName", p.user_name}});
  int i = 0;
  for (LineSpec l : p.lines) {
    l.cheque_no += std::to_string(++i);
    AddProcessingLine(con, p.company, p.id, i, l, p.department);
  }
}

void AddProcessingLine(db::Connection& con, int company, int processing, int detail_id, const LineSpec& l,
                       int department) {
  Insert(con, "aHpProcessingDetail",
         {{"hpdCompanyID", I(company)}, {"hpdDepartmentID", I(l.department.value_or(department))},
          {"hpdProcessingID", I(processing)}, {"hpddetailID", I(detail_id)}, {"hpdChequeDate", l.cheque_date},
          {"hpdCapital", l.capital}, {"hpdRental", l.rental}, {"hpdInterest", l.interest},
          {"hpdcapitalRepayment", l.repayment}, {"hpdCapitalBalance", l.balance}, {"hpdBankName", l.bank},
          {"hpdChequeNo", l.cheque_no}, {"hpdAmount", l.amount ? l.amount : l.rental},
          {"hpdSettlementAmount", Opt(l.settlement)}, {"hpdInterestRate", l.rate}, {"hpdPosted", I(l.posted)}});
}

// Line i (from 0) due `from` plus `skip` + i months, interest at `rate` (a
// fraction) of its opening capital, each figure passed through `round`.
template <typename Round>
std::vector<LineSpec> Schedule(double capital, int n, double rental, double rate, const std::string& from, int skip,
                               Round round) {
  std::vector<LineSpec> lines;
  for (int i = 0; i < n; ++i) {
    LineSpec l{.cheque_date = text::IsoDate(text::AddMonths(text::DateOf(from), skip + i)), .capital = capital,
               .rental = rental};
    l.interest = round(rate * capital);
    l.repayment = round(rental - l.interest);
    l.balance = round(capital - l.repayment);
    l.amount = rental;
    capital = l.balance;
    lines.push_back(l);
  }
  return lines;
}

std::vector<LineSpec> Lines(int n, const std::string& first_due, double rental, int settled) {
  auto lines = Schedule(rental * n * 0.8, n, rental, 0.0151, first_due, 0, [](double v) { return v; });
  for (int i = 0; i < settled && i < n; ++i) lines[i].settlement = rental;
  return lines;
}

std::vector<LineSpec> ScheduleLines(double balance, int n, double rental, double rate_percent,
                                    const std::string& delivery, double shown_rate) {
  auto round = [](double v) { return text::RoundHalfEven(v, 2); };
  auto lines = Schedule(round(balance), n, rental, rate_percent / 100, delivery, 1, round);
  for (auto& l : lines) l.rate = shown_rate;
  return lines;
}

long CountRows(db::Connection& con, const std::string& table, const std::string& condition,
               const db::Params& params) {
  std::string sql = "select count(*) from " + table + (condition.empty() ? "" : " where " + condition);
  db::Recordset rs = con.Open(sql, params);
  return static_cast<long>(db::AsInt(rs.Field(0)));
}

void AddCashFlowLine(db::Connection& con, int company, int processing, int line, double factor, double rental,
                     double discounted) {
  Insert(con, "ahpProcessingCashFlowDetail",
         {{"hpcComapnyID", I(company)}, {"hpcDepartmentID", db::Value{}}, {"hpcProcessingID", I(processing)},
          {"hpcdetailID", I(line)}, {"hpcDiscountFactor", factor}, {"hpcRental", rental},
          {"hpcDiscountCashFlow", discounted}});
}

void SetReprocessingFigures(db::Connection& con, int processing, std::optional<double> adjustment,
                            std::optional<double> balance_interest) {
  con.Execute("update aHpProcessingHeader set hphAdjustmentAmount=?, hphBalanceInterest=? where hphProcessingID=?",
              {Opt(adjustment), Opt(balance_interest), I(processing)});
}

}  // namespace hp::testing
