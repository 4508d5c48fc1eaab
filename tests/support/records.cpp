#include "support/records.h"

#include "platform/db/row_writer.h"
#include "platform/text/number_text.h"

namespace hp::testing {
namespace {
db::Value I(long v) { return static_cast<std::int64_t>(v); }
db::Value Opt(const std::optional<int>& v) { return v ? db::Value(static_cast<std::int64_t>(*v)) : db::Value{}; }
}  // namespace

World StandardWorld(db::Connection& con, const World& w) {
  AddCompany(con, w.company, "Lanka Motor Traders");
  con.Execute("insert into aFinancialYear (FinancialId, CompanyID, Description, StartDate, EndDate) values (?,?,?,?,?)",
              {I(w.financial), I(w.company), "2023/24", "2023-04-01", "2024-03-31"});
  AddDepartment(con, w.department, w.company, "Vehicles");
  AddShop(con, w.shop, w.department);
  AddUser(con, w.user, w.user_name);
  SetRights(con, w.company, w.user, "NED");
  SetLookBackDays(con, w.company, 30);
  AddPrefix(con, w.department, w.financial, "HP");
  AddRegisterColumns(con);
  return w;
}

World SecondCompany(db::Connection& con, const World& w) {
  AddCompany(con, w.company, "Second Company");
  con.Execute("insert into aFinancialYear (FinancialId, CompanyID, Description, StartDate, EndDate) values (?,?,?,?,?)",
              {I(w.financial), I(w.company), "2023/24", "2023-04-01", "2024-03-31"});
  AddDepartment(con, w.department, w.company, "Trucks");
  AddShop(con, w.shop, w.department);
  SetRights(con, w.company, w.user, "NED");
  SetLookBackDays(con, w.company, 30);
  AddPrefix(con, w.department, w.financial, "HP");
  return w;
}

void AddCompany(db::Connection& con, int id, const std::string& name) {
  con.Execute("insert into aCompanyMaster (CompanyID, CompanyName) values (?,?)", {I(id), name});
}

void AddDepartment(db::Connection& con, int id, int company, const std::string& name) {
  con.Execute("insert into aDepartmentMaster (DepartmentID, DepartmentName, CompanyID) values (?,?,?)",
              {I(id), name, I(company)});
}

void AddShop(db::Connection& con, int shop, int department) {
  con.Execute("insert into ashops (shopId, ShopName, DepartmentID) values (?,?,?)",
              {I(shop), "Shop " + std::to_string(shop), I(department)});
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

void SetLookBackDays(db::Connection& con, int company, std::optional<int> days) {
  con.Execute("delete from asettings where companyid=?", {I(company)});
  con.Execute("insert into asettings (companyid, noofpreviousdays) values (?,?)", {I(company), Opt(days)});
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

void AddRegisterColumns(db::Connection& con) {
  con.Execute("insert into atables (tableid, tablename) values (1, 'aHpProcessingHeader')");
  const char* columns[][2] = {{"hphProcessingID", "Processing ID"}, {"hphProcessingNo", "Processing No"},
                              {"hphProcessingdate", "Processing Date"}, {"CustomerName", "Customer"},
                              {"hpqhQuotationNo", "Invoice No"}, {"hphAmended", "Amended"},
                              {"hphCancel", "Cancelled"}};
  long i = 0;
  for (auto& c : columns)
    con.Execute("insert into atablecolumns (tableid, columnid, columnname, columnheader) values (1,?,?,?)",
                {I(++i), c[0], c[1]});
}

void AddCustomer(db::Connection& con, const CustomerSpec& c) {
  con.Execute(
      "insert into losHpCustomerDetails (hpCustID, hpCustName, hpNccNO, HPCustPermanentadd, HPCustPresentAdd, "
      "hpMobNo, HPVerified) values (?,?,?,?,?,?,?)",
      {I(c.id), c.name, c.nic.empty() ? std::to_string(800000000 + c.id) + "V" : c.nic, c.permanent_address,
       c.present_address, c.mobile, I(c.verified ? 1 : 0)});
  con.Execute("insert into aCustomerMaster (CustomerID, CustomerName) values (?,?)", {I(c.id), c.name});
  for (const auto& r : c.registrations)
    con.Execute("insert into losHpItemRegistrationDetails (ircustomerid, IRREGNO) values (?,?)", {I(c.id), r});
}

void AddInvoice(db::Connection& con, const InvoiceSpec& inv) {
  db::RowWriter w(con, "losHpInvoiceHeader");
  w.AddNew();
  w.Set("hpqhQuotationID", I(inv.id));
  w.Set("hpqhQuotationNo", inv.number);
  w.Set("hpqhQuotationDate", text::IsoDate(inv.date));
  w.Set("hpqhCompanyID", I(inv.company));
  w.Set("hpqhCustomerID", I(inv.customer));
  w.Set("hpqhShopID", I(inv.shop));
  w.Set("hpqhType", std::string("I"));
  w.Set("hpqhCancel", I(inv.cancelled));
  w.Set("hpqhConfirmed", I(inv.confirmed));
  w.Set("hpqhProcessed", I(inv.processed));
  w.Set("hpqhChqReg", I(inv.cheque_register ? 1 : 0));
  w.Set("hpqhAmount", inv.cash_price);
  w.Set("hpqhFirstInstAmt", inv.down_payment);
  w.Set("hpqhinstPeriod", I(inv.rentals));
  w.Set("hpqhMonthilyPay", inv.rental);
  w.Set("hpqhInstPrice", inv.installment_price);
  w.Set("hpqhDelivaryDate", text::IsoDate(inv.delivery));
  w.Set("hpqhServTaxCateId", Opt(inv.service_tax));
  w.Update();
  if (inv.service_tax) {
    con.Execute(
        "insert into losHpInvoiceDetailOthers (hpqdShopId, hpqdQuotationId, hpqdActSellingPrice, hpqdActDP, "
        "hpqdActMonthlyPayment, hpqdActInstallmentPrice) values (?,?,?,?,?,?)",
        {I(inv.shop), I(inv.id), inv.bt_cash_price, inv.bt_down_payment, inv.bt_rental, inv.bt_installment_price});
  }
  if (inv.cheque_register) {
    long reg = inv.id;
    con.Execute("insert into losHpChequeRegisterHeader (hphChqRegID, hphinvoiceid, hphCancel) values (?,?,0)",
                {I(reg), I(inv.id)});
    for (int i = 1; i <= inv.rentals; ++i) {
      con.Execute(
          "insert into losHpChequeRegisterDetail (hpdChqRegID, hpdChqDate, hpdBankName, hpdChqNo) values (?,?,?,?)",
          {I(reg), text::IsoDate(text::AddMonths(inv.delivery, i)), inv.bank, inv.cheque_prefix + std::to_string(i)});
    }
  }
}

void AddProcessing(db::Connection& con, const ProcessingSpec& p) {
  db::RowWriter h(con, "aHpProcessingHeader");
  h.AddNew();
  h.Set("hphCompanyID", I(p.company));
  h.Set("hphDepartmentID", I(p.department));
  h.Set("hphProcessingID", I(p.id));
  h.Set("hphProcessingNo", p.number);
  h.Set("hphProcessingdate", p.date);
  h.Set("hphCustomerID", I(p.customer));
  h.Set("hphInvoiceID", I(p.invoice));
  h.Set("hphUsed", I(0));
  h.Set("hphFinancialID", I(p.financial));
  h.Set("hphAmended", I(p.amended));
  h.Set("hphCancel", I(p.cancel));
  h.Set("hphCashPrice", p.cash_price);
  h.Set("hphDownPayment", p.down_payment);
  h.Set("hphbalance", p.balance);
  h.Set("hphNoOfRentals", I(p.rentals ? p.rentals : static_cast<int>(p.lines.size())));
  h.Set("hphInterestRate", p.rate);
  h.Set("hphInstallmentPrice", p.installment_price);
  h.Set("hphRentalAmount", p.rental);
  h.Set("hphReferenceID", Opt(p.reference));
  h.Set("hphreprocessaftersettlement", Opt(p.after_settlement));
  h.Set("hphAdjustmentPosted", Opt(p.adjustment_posted));
  h.Set("hphUserName", p.user_name);
  h.Update();
  db::RowWriter d(con, "aHpProcessingDetail");
  long i = 0;
  for (const auto& l : p.lines) {
    d.AddNew();
    d.Set("hpdCompanyID", I(p.company));
    d.Set("hpdDepartmentID", I(l.department ? *l.department : p.department));
    d.Set("hpdProcessingID", I(p.id));
    d.Set("hpddetailID", I(++i));
    d.Set("hpdChequeDate", l.cheque_date);
    d.Set("hpdCapital", l.capital);
    d.Set("hpdRental", l.rental);
    d.Set("hpdInterest", l.interest);
    d.Set("hpdcapitalRepayment", l.repayment);
    d.Set("hpdCapitalBalance", l.balance);
    d.Set("hpdBankName", l.bank);
    d.Set("hpdChequeNo", l.cheque_no + std::to_string(i));
    d.Set("hpdAmount", l.amount ? l.amount : l.rental);
    d.Set("hpdSettlementAmount", l.settlement ? db::Value(*l.settlement) : db::Value{});
    d.Set("hpdInterestRate", l.rate);
    d.Set("hpdPosted", I(l.posted));
    d.Update();
  }
}

std::vector<LineSpec> Lines(int n, const std::string& first_due, double rental, int settled) {
  std::vector<LineSpec> lines;
  text::Date first = text::DateOf(first_due);
  double capital = rental * n * 0.8;
  for (int i = 0; i < n; ++i) {
    LineSpec l;
    l.cheque_date = text::IsoDate(text::AddMonths(first, i));
    l.capital = capital;
    l.rental = rental;
    l.interest = capital * 0.0151;
    l.repayment = rental - l.interest;
    l.balance = capital - l.repayment;
    l.amount = rental;
    l.settlement = i < settled ? rental : 0.0;
    capital = l.balance;
    lines.push_back(l);
  }
  return lines;
}

long CountRows(db::Connection& con, const std::string& table, const std::string& condition,
               const db::Params& params) {
  std::string sql = "select count(*) from " + table + (condition.empty() ? "" : " where " + condition);
  db::Recordset rs = con.Open(sql, params);
  return static_cast<long>(db::AsInt(rs.Field(0)));
}

std::vector<LineSpec> ScheduleLines(double balance, int n, double rental, double rate_percent,
                                    const std::string& delivery, double shown_rate) {
  std::vector<LineSpec> lines;
  const text::Date from = text::DateOf(delivery);
  double capital = text::RoundHalfEven(balance, 2);
  for (int i = 0; i < n; ++i) {
    LineSpec l;
    l.cheque_date = text::IsoDate(text::AddMonths(from, i + 1));
    l.capital = capital;
    l.rental = rental;
    l.interest = text::RoundHalfEven(rate_percent / 100 * capital, 2);
    l.repayment = text::RoundHalfEven(rental - l.interest, 2);
    l.balance = text::RoundHalfEven(capital - l.repayment, 2);
    l.amount = rental;
    l.rate = shown_rate;
    capital = l.balance;
    lines.push_back(l);
  }
  return lines;
}

void AddCashFlowLine(db::Connection& con, int company, int processing, int line, double factor, double rental,
                     double discounted) {
  con.Execute(
      "insert into ahpProcessingCashFlowDetail (hpcComapnyID, hpcDepartmentID, hpcProcessingID, hpcdetailID, "
      "hpcDiscountFactor, hpcRental, hpcDiscountCashFlow) values (?,?,?,?,?,?,?)",
      {I(company), db::Value{}, I(processing), I(line), factor, rental, discounted});
}

void SetReprocessingFigures(db::Connection& con, int processing, std::optional<double> adjustment,
                            std::optional<double> balance_interest) {
  auto opt = [](const std::optional<double>& v) { return v ? db::Value(*v) : db::Value{}; };
  con.Execute("update aHpProcessingHeader set hphAdjustmentAmount=?, hphBalanceInterest=? where hphProcessingID=?",
              {opt(adjustment), opt(balance_interest), I(processing)});
}

}  // namespace hp::testing

namespace hp::testing {

void AddProcessingLine(db::Connection& con, int company, int processing, int detail_id, const LineSpec& l,
                       int department) {
  db::RowWriter d(con, "aHpProcessingDetail");
  d.AddNew();
  d.Set("hpdCompanyID", static_cast<std::int64_t>(company));
  d.Set("hpdDepartmentID", static_cast<std::int64_t>(l.department ? *l.department : department));
  d.Set("hpdProcessingID", static_cast<std::int64_t>(processing));
  d.Set("hpddetailID", static_cast<std::int64_t>(detail_id));
  d.Set("hpdChequeDate", l.cheque_date);
  d.Set("hpdCapital", l.capital);
  d.Set("hpdRental", l.rental);
  d.Set("hpdInterest", l.interest);
  d.Set("hpdcapitalRepayment", l.repayment);
  d.Set("hpdCapitalBalance", l.balance);
  d.Set("hpdBankName", l.bank);
  d.Set("hpdChequeNo", l.cheque_no);
  d.Set("hpdAmount", l.amount ? l.amount : l.rental);
  d.Set("hpdSettlementAmount", l.settlement ? db::Value(*l.settlement) : db::Value{});
  d.Set("hpdInterestRate", l.rate);
  d.Set("hpdPosted", static_cast<std::int64_t>(l.posted));
  d.Update();
}

}  // namespace hp::testing
