// Small builders of the records the tests need, each one row or a few, with
// believable defaults. Every builder writes through bound statements.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/connection.h"
#include "platform/text/date_text.h"

namespace hp::testing {

constexpr int kInterface = 7503;

// One company with one department and shop, a user with every right, 30 days
// look-back, the register's column headings and the prefix "HP".
struct World {
  int company = 1;
  int department = 10;
  int shop = 100;
  int user = 1;
  int financial = 1;
  std::string user_name = "clerk";
};
World StandardWorld(db::Connection& con, const World& w = World{});
// A second company beside the standard world's: company 2 "Second Company"
// with department 20 "Trucks" (shop 200), financial year 2, the prefix "HP",
// 30 days look-back and the rights "NED" for the existing user `w.user`.
World SecondCompany(db::Connection& con,
                    const World& w = World{.company = 2, .department = 20, .shop = 200, .financial = 2});

void AddCompany(db::Connection& con, int id, const std::string& name);
void AddDepartment(db::Connection& con, int id, int company, const std::string& name);
void AddUser(db::Connection& con, int id, const std::string& name);
void SetRights(db::Connection& con, int company, int user, const std::string& rights);
void SetFreezeDate(db::Connection& con, std::optional<std::string> iso_date);
void AddPrefix(db::Connection& con, int department, int financial, const std::string& prefix);

// One row of `table` holding the columns given, in order.
using Columns = std::vector<std::pair<std::string, db::Value>>;
void Insert(db::Connection& con, const std::string& table, const Columns& columns);

struct CustomerSpec {
  int id = 1;
  std::string name = "Customer";
  bool verified = true;
  std::string nic = "";
  std::string permanent_address = "1 Main Street";
  std::string present_address = "1 Main Street";
  std::string mobile = "0770000000";
  std::vector<std::string> registrations;
};
void AddCustomer(db::Connection& con, const CustomerSpec& c);

// An HP invoice with, unless `cheque_register` is false, a live cheque
// register holding one cheque for each due date (delivery date plus i months):
// bank `bank`, cheque number "<cheque_prefix><i>".
struct InvoiceSpec {
  int id = 1;
  std::string number = "INV1";
  int company = 1;
  int customer = 1;
  int shop = 100;
  double cash_price = 120000.00;
  double down_payment = 20000.00;
  int rentals = 24;
  double rental = 5000.00;
  double installment_price = 140000.00;
  text::Date date{2024, 1, 2};
  text::Date delivery{2024, 1, 31};
  std::optional<int> service_tax;  // category; null when none
  bool confirmed = true;
  bool processed = false;
  bool cancelled = false;
  bool cheque_register = true;
  std::string bank = "People's Bank";
  std::string cheque_prefix = "CHQ";
  // Before-tax figures, written when service_tax is set.
  double bt_cash_price = 100000.00;
  double bt_down_payment = 16000.00;
  double bt_rental = 4300.00;
  double bt_installment_price = 119200.00;
};
void AddInvoice(db::Connection& con, const InvoiceSpec& inv);

struct LineSpec {
  std::string cheque_date;  // ISO
  double capital = 0, rental = 0, interest = 0, repayment = 0, balance = 0;
  std::string bank = "People's Bank";
  std::string cheque_no = "CHQ";
  double amount = 0;
  std::optional<double> settlement = 0.0;
  double rate = 1.51;
  int posted = 0;
  std::optional<int> department;  // default: the processing's department
};

// A stored processing header with its rental lines (numbered from 1).
struct ProcessingSpec {
  int id = 1;
  std::string number = "HP1";
  int company = 1;
  int department = 10;
  int financial = 1;
  std::string date = "2024-03-15";
  int customer = 1;
  int invoice = 1;
  int amended = 0;
  int cancel = 0;
  std::optional<int> reference;
  std::optional<int> after_settlement;
  std::optional<int> adjustment_posted;
  double cash_price = 120000, down_payment = 20000, balance = 100000;
  int rentals = 0;  // 0: the number of lines
  double rate = 1.51, installment_price = 140000, rental = 5000;
  std::string user_name = "clerk";
  std::vector<LineSpec> lines;
};
void AddProcessing(db::Connection& con, const ProcessingSpec& p);

// `n` lines of a plain schedule from `first_due` (ISO), rental `rental`,
// optionally settled: the first `settled` lines carry a settlement amount.
std::vector<LineSpec> Lines(int n, const std::string& first_due, double rental, int settled = 0);

// Counts the rows of a table matching an optional condition with values.
long CountRows(db::Connection& con, const std::string& table, const std::string& condition = {},
               const db::Params& params = {});

// The lines a processing screen stores for `n` rentals of `rental` on
// `balance`: interest at `rate_percent` (the unrounded monthly rate in
// percent) on each line's opening capital, repayment and balance, each rounded
// to two decimals halves to even; line i due `delivery` (ISO) plus i months.
// `shown_rate` is written as each line's monthly rate.
std::vector<LineSpec> ScheduleLines(double balance, int n, double rental, double rate_percent,
                                    const std::string& delivery, double shown_rate);

// One discounted cash-flow line of a re-processing.
void AddCashFlowLine(db::Connection& con, int company, int processing, int line, double factor, double rental,
                     double discounted);

// The header figures a re-processing stores beside the common ones (null when
// not given).
void SetReprocessingFigures(db::Connection& con, int processing, std::optional<double> adjustment,
                            std::optional<double> balance_interest);

// One rental line of processing `processing` of `company`, numbered
// `detail_id` and written as given (cheque number as given, department as the
// line says or `department`): for lines stored out of line order, or lines of
// another company under the same processing identifier.
void AddProcessingLine(db::Connection& con, int company, int processing, int detail_id, const LineSpec& line,
                       int department = 10);

}  // namespace hp::testing
