#include "demo/demo_data.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <map>
#include <unordered_map>
#include <utility>

#include <fmt/format.h>

#include "demo/demo_people.h"
#include "demo/demo_random.h"
#include "demo/demo_schedule.h"
#include "platform/text/number_text.h"
#include "shell/passwords.h"

namespace hp::demo {
namespace {

using db::Value;
using text::Date;

constexpr int kInterface = 7503;  // the module's interface number: rights and prefixes
constexpr double kUnverifiedShare = 0.06;

Value I(long v) { return static_cast<std::int64_t>(v); }
Value Text(std::string s) { return Value(std::move(s)); }
const Value kNull{};

double Money(double v) { return text::NumberOf(text::Format00(v)); }
double Round2(double v) { return text::RoundHalfEven(v, 2); }

// ---------------------------------------------------------------------------
// The fixed part of the world.

struct Company {
  int id;
  const char* name;
};
const Company kCompanies[] = {{1, "Lanka Motor Traders"}, {2, "Rajarata Agro Equipment"}};
constexpr double kSecondCompanyShare = 0.2;

// What a department sells on hire purchase.
struct Profile {
  double cash_low, cash_high, cash_step;   // cash price range, rounded to the step
  double down_low, down_high;              // down payment, share of the cash price
  std::vector<int> rentals;                // the terms offered
  double rate_low, rate_high;              // monthly interest, percent
};

struct Department {
  int id;
  int company;
  const char* name;
  const char* prefix;  // of the processing numbers, followed by the year
  std::vector<const char*> towns;  // one shop in each
  double weight;                   // share of the company's invoices
  Profile profile;
};

const std::vector<Department>& Departments() {
  static const std::vector<Department> departments = {
      {10, 1, "Vehicles", "VEH", {"Colombo", "Kandy", "Galle"}, 0.5,
       {450000, 4500000, 1000, 0.20, 0.40, {24, 36, 48, 60}, 1.2, 2.0}},
      {20, 1, "Electronics", "ELC", {"Colombo", "Kurunegala"}, 0.3,
       {25000, 350000, 100, 0.10, 0.30, {6, 12, 18, 24}, 1.5, 2.8}},
      {30, 1, "Agricultural Machinery", "AGM", {"Anuradhapura", "Polonnaruwa"}, 0.2,
       {150000, 2500000, 500, 0.25, 0.40, {12, 24, 36}, 1.0, 1.8}},
      {40, 2, "Tractors", "TRC", {"Anuradhapura", "Dambulla"}, 0.6,
       {900000, 5000000, 1000, 0.25, 0.40, {24, 36, 48}, 1.1, 1.7}},
      {50, 2, "Irrigation", "IRR", {"Ampara", "Hambantota"}, 0.4,
       {40000, 400000, 100, 0.15, 0.30, {6, 12, 18, 24}, 1.4, 2.4}},
  };
  return departments;
}

int ShopId(const Department& d, int k) { return d.id * 10 + k + 1; }

// Financial years run from 1 April. Each company has the year of the
// processing date (identifier 2k+1 for the k-th company) and the one before
// it (2k+2); none after it, so that the year of the processing date is the
// latest, the one a sign-in offers first.
struct FinancialYear {
  int id;
  int company;
  Date start, end;
  std::string description;
};

std::vector<FinancialYear> FinancialYears(const Date& on) {
  const int first = on.month >= 4 ? on.year : on.year - 1;
  std::vector<FinancialYear> years;
  int k = 0;
  for (const auto& c : kCompanies) {
    for (int y = 0; y < 2; ++y) {
      const int start = first - y;
      years.push_back({2 * k + 1 + y, c.id, Date{start, 4, 1}, Date{start + 1, 3, 31},
                       fmt::format("{}/{:02}", start, (start + 1) % 100)});
    }
    ++k;
  }
  return years;
}

const FinancialYear& YearOf(const std::vector<FinancialYear>& years, int company, const Date& d) {
  for (const auto& y : years)
    if (y.company == company && y.start <= d && d <= y.end) return y;
  throw DemoError(fmt::format("no financial year of company {} holds {}", company, text::IsoDate(d)));
}

std::string Prefix(const Department& d, const FinancialYear& y) {
  return fmt::format("{}{:02}/", d.prefix, y.start.year % 100);
}

struct User {
  int id;
  const char* name;
  const char* rights;
  std::vector<int> companies;
};
const std::vector<User>& Users() {
  static const std::vector<User> users = {{1, "demo", "NED", {1, 2}}, {2, "viewer", "E", {1}}};
  return users;
}

const char* const kRemarks[] = {"", "", "", "", "", "Guarantor documents received",
                                "Insurance cover renewed", "Due date on salary day at customer's request",
                                "Second vehicle of the customer"};
const char* const kCancelRemarks[] = {"Wrong invoice chosen", "Invoice figures revised by the sales office",
                                      "Processed twice in error", "Customer withdrew from the agreement"};
constexpr char kReprocessRemark[] = "Re-scheduled at the customer's request";

// ---------------------------------------------------------------------------
// The plan: every invoice and processing decided before anything is written,
// so that identifiers and numbers follow the processing dates.

enum class Status : std::uint8_t { Quotation, Unconfirmed, Cancelled, Confirmed };
enum class Register : std::uint8_t { None, Live, Replaced, CancelledOnly };
// What became of a confirmed invoice.
enum class Fate : std::uint8_t { Open, Plain, Settled, Posted, Cancelled, CancelledRedone, Reprocessed };

struct InvoicePlan {
  int id = 0;
  int company = 1;
  int department = 0;  // index into Departments()
  int shop = 0;
  int customer = 1;
  Status status = Status::Confirmed;
  Register reg = Register::None;
  Fate fate = Fate::Open;
  bool processed = false;
  double cash = 0, down = 0, rental = 0, installment = 0;
  int rentals = 0;
  Date quoted, delivery;
  int tax = -1;  // service tax category; -1 none (null)
  double bt_cash = 0, bt_down = 0, bt_rental = 0, bt_installment = 0;
  int bank = 0, old_bank = 0;
  long cheque_start = 0, old_cheque_start = 0;
  Date first_date, second_date;  // of its processings
  int settled = 0;               // rentals settled on its processing
  int remark = 0;
};

struct ProcessingPlan {
  int invoice = 0;  // index into the invoices
  Date date;
  int seq = 0;
  bool cancel = false, amended = false;
  int settled = 0;
  bool posted = false;
  int reference = -1;  // index of the processing this one re-processes
  int id = 0;
  int financial = 0;
  std::string number;
};

struct Window {
  Date first, last;  // processing dates lie in [first, last]
  long Days() const { return text::DaysFromCivil(last) - text::DaysFromCivil(first) + 1; }
};

Date Plus(const Date& d, long days) { return text::AddDays(d, days); }
long DaysBetween(const Date& a, const Date& b) { return text::DaysFromCivil(b) - text::DaysFromCivil(a); }

bool IsProcessedFate(Fate f) { return f != Fate::Open && f != Fate::Cancelled; }

// First pass: state and fate of each invoice, from its own stream.
void DecideStates(std::vector<InvoicePlan>& invoices, std::uint64_t seed) {
  const auto& departments = Departments();
  for (size_t j = 0; j < invoices.size(); ++j) {
    InvoicePlan& inv = invoices[j];
    DemoRandom r = DemoRandom::Stream(seed, 'K', j + 1);
    inv.id = static_cast<int>(j + 1);
    inv.company = r.Chance(kSecondCompanyShare) ? 2 : 1;
    double u = r.Unit(), acc = 0;
    inv.department = -1;
    for (size_t d = 0; d < departments.size(); ++d) {
      if (departments[d].company != inv.company) continue;
      acc += departments[d].weight;
      inv.department = static_cast<int>(d);
      if (u < acc) break;
    }
    const double s = r.Unit();
    if (s < 0.03) inv.status = Status::Quotation;
    else if (s < 0.08) inv.status = Status::Unconfirmed;
    else if (s < 0.11) inv.status = Status::Cancelled;
    else inv.status = Status::Confirmed;

    const double g = r.Unit();
    if (inv.status == Status::Cancelled) {
      inv.reg = g < 0.5 ? Register::CancelledOnly : Register::None;
    } else if (inv.status == Status::Confirmed) {
      if (g < 0.02) inv.reg = Register::None;
      else if (g < 0.03) inv.reg = Register::CancelledOnly;
      else if (g < 0.06) inv.reg = Register::Replaced;
      else inv.reg = Register::Live;
    }
    const bool can_process = inv.reg == Register::Live || inv.reg == Register::Replaced;
    const double f = r.Unit();
    if (can_process && r.Chance(0.4)) {
      if (f < 0.64) inv.fate = Fate::Plain;
      else if (f < 0.78) inv.fate = Fate::Settled;
      else if (f < 0.83) inv.fate = Fate::Posted;
      else if (f < 0.88) inv.fate = Fate::Cancelled;
      else if (f < 0.92) inv.fate = Fate::CancelledRedone;
      else inv.fate = Fate::Reprocessed;
    }
  }
  // The sign-in company shows at least one of each kind that the screens
  // treat differently, however few invoices were asked for.
  for (Fate wanted : {Fate::Reprocessed, Fate::Cancelled, Fate::Settled}) {
    bool present = std::any_of(invoices.begin(), invoices.end(), [&](const InvoicePlan& i) {
      return i.company == 1 && i.fate == wanted;
    });
    if (present) continue;
    for (auto it = invoices.rbegin(); it != invoices.rend(); ++it) {
      if (it->company == 1 && it->fate == Fate::Plain) {
        it->fate = wanted;
        break;
      }
    }
  }
}

// Cash price, down payment and a rental that repays the balance at a monthly
// rate of the department's range, in whole rupees.
void DecideFigures(InvoicePlan& inv, DemoRandom& r) {
  const Profile& p = Departments()[static_cast<size_t>(inv.department)].profile;
  inv.cash = std::round(r.Uniform(p.cash_low, p.cash_high) / p.cash_step) * p.cash_step;
  inv.down = std::round(inv.cash * r.Uniform(p.down_low, p.down_high) / 100) * 100;
  inv.rentals = p.rentals[static_cast<size_t>(r.Between(0, static_cast<long>(p.rentals.size()) - 1))];
  const double rate = r.Uniform(p.rate_low, p.rate_high) / 100;
  const double balance = inv.cash - inv.down;
  const double payment = balance * rate / (1 - std::pow(1 + rate, -inv.rentals));
  inv.rental = payment > 10000 ? std::ceil(payment / 10) * 10 : std::ceil(payment);
  inv.installment = inv.down + inv.rentals * inv.rental;

  const double t = r.Unit();
  inv.tax = t < 0.25 ? static_cast<int>(r.Between(1, 2)) : t < 0.30 ? 0 : -1;
  if (inv.tax > 0) {
    // Figures before service tax, as the sales side records them.
    const double factor = inv.tax == 1 ? 1.12 : 1.08;
    inv.bt_cash = Round2(inv.cash / factor);
    inv.bt_down = Round2(inv.down / factor);
    inv.bt_rental = Round2(inv.rental / factor);
    inv.bt_installment = Round2(inv.bt_down + inv.rentals * inv.bt_rental);
  }
}

// Second pass: figures and dates, from the invoice's own stream.
void DecideDetails(std::vector<InvoicePlan>& invoices, const DemoOptions& o,
                   const std::vector<FinancialYear>& years, std::uint64_t seed) {
  const auto& departments = Departments();
  const long banks = static_cast<long>(DemoBanks().size());
  for (InvoicePlan& inv : invoices) {
    DemoRandom r = DemoRandom::Stream(seed, 'I', static_cast<std::uint64_t>(inv.id));
    const Department& dep = departments[static_cast<size_t>(inv.department)];
    inv.customer = static_cast<int>(r.Between(1, o.customers));
    inv.shop = ShopId(dep, static_cast<int>(r.Between(0, static_cast<long>(dep.towns.size()) - 1)));
    DecideFigures(inv, r);
    inv.bank = static_cast<int>(r.Between(0, banks - 1));
    inv.old_bank = static_cast<int>((inv.bank + r.Between(1, banks - 1)) % banks);
    inv.cheque_start = r.Between(100000, 899000);
    inv.old_cheque_start = r.Between(100000, 899000);
    inv.remark = static_cast<int>(r.Between(0, static_cast<long>(std::size(kRemarks)) - 1));

    // Processing dates lie in the look-back window, within the year of the
    // processing date.
    const FinancialYear& year = YearOf(years, inv.company, o.processing_date);
    Window w{std::max(Plus(o.processing_date, -(o.look_back_days - 1)), year.start), o.processing_date};

    switch (inv.fate) {
      case Fate::Open:
        inv.quoted = Plus(o.processing_date, -r.Between(0, 150));
        inv.delivery = Plus(inv.quoted, r.Between(0, 10));
        break;
      case Fate::Settled:
      case Fate::Posted: {
        // Old enough for rentals to have fallen due and been settled.
        inv.first_date = Plus(w.first, r.Between(0, w.Days() - 1));
        inv.quoted = Plus(inv.first_date, -r.Between(70, 200));
        inv.delivery = Plus(inv.quoted, r.Between(0, 7));
        int due = 0;
        while (due < inv.rentals && text::AddMonths(inv.delivery, due + 1) <= o.processing_date) ++due;
        const int most = std::min(due, inv.rentals - 1);
        if (most >= 1) {
          // All rentals due so far settled, or a couple in arrears.
          inv.settled = most - static_cast<int>(r.Between(0, std::min(2, most - 1)));
        } else {
          inv.fate = Fate::Plain;
        }
        break;
      }
      default: {
        inv.first_date = Plus(w.first, r.Between(0, w.Days() - 1));
        inv.second_date = Plus(inv.first_date, r.Between(0, DaysBetween(inv.first_date, w.last)));
        inv.quoted = Plus(inv.first_date, -r.Between(0, 45));
        inv.delivery = Plus(inv.quoted, r.Between(0, std::min(7L, DaysBetween(inv.quoted, inv.first_date))));
        break;
      }
    }
    inv.processed = IsProcessedFate(inv.fate);
  }
}

// The processings of the planned invoices, identified and numbered in the
// order of their dates.
std::vector<ProcessingPlan> PlanProcessings(const std::vector<InvoicePlan>& invoices,
                                            const std::vector<FinancialYear>& years) {
  std::vector<ProcessingPlan> plans;
  int seq = 0;
  for (size_t j = 0; j < invoices.size(); ++j) {
    const InvoicePlan& inv = invoices[j];
    if (inv.fate == Fate::Open) continue;
    ProcessingPlan first;
    first.invoice = static_cast<int>(j);
    first.date = inv.first_date;
    first.seq = seq++;
    switch (inv.fate) {
      case Fate::Settled: first.settled = inv.settled; break;
      case Fate::Posted: first.settled = inv.settled; first.posted = true; break;
      case Fate::Cancelled:
      case Fate::CancelledRedone: first.cancel = true; break;
      case Fate::Reprocessed: first.amended = true; break;
      default: break;
    }
    plans.push_back(first);
    if (inv.fate == Fate::CancelledRedone || inv.fate == Fate::Reprocessed) {
      ProcessingPlan second;
      second.invoice = static_cast<int>(j);
      second.date = inv.second_date;
      second.seq = seq++;
      if (inv.fate == Fate::Reprocessed) second.reference = static_cast<int>(plans.size()) - 1;
      plans.push_back(second);
    }
  }

  std::vector<size_t> order(plans.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return std::pair(plans[a].date, plans[a].seq) < std::pair(plans[b].date, plans[b].seq);
  });
  std::map<std::pair<int, int>, int> counters;  // (department, year) -> last number
  std::vector<ProcessingPlan> sorted;
  sorted.reserve(plans.size());
  std::vector<int> position(plans.size());
  for (size_t k = 0; k < order.size(); ++k) {
    ProcessingPlan p = plans[order[k]];
    const InvoicePlan& inv = invoices[static_cast<size_t>(p.invoice)];
    const Department& dep = Departments()[static_cast<size_t>(inv.department)];
    const FinancialYear& year = YearOf(years, inv.company, p.date);
    p.id = static_cast<int>(k + 1);
    p.financial = year.id;
    p.number = Prefix(dep, year) + std::to_string(++counters[{dep.id, year.id}]);
    position[order[k]] = static_cast<int>(k);
    sorted.push_back(std::move(p));
  }
  for (auto& p : sorted)
    if (p.reference >= 0) p.reference = position[static_cast<size_t>(p.reference)];
  return sorted;
}

// ---------------------------------------------------------------------------
// Writing.

class Progress {
 public:
  Progress(const DemoProgress& fn, double total) : fn_(fn), total_(std::max(total, 1.0)) {}
  void Stage(std::string_view stage) {
    stage_ = stage;
    Report();
  }
  void Add(double units) {
    done_ += units;
    if (done_ - reported_ >= total_ / 200) Report();
  }
  void Finish(std::string_view stage) {
    stage_ = stage;
    done_ = total_;
    Report();
  }

 private:
  void Report() {
    reported_ = done_;
    if (fn_) fn_(stage_, std::min(1.0, done_ / total_));
  }
  const DemoProgress& fn_;
  double total_;
  double done_ = 0, reported_ = 0;
  std::string_view stage_;
};

void WriteSettings(db::Connection& con, const DemoOptions& o, const std::vector<FinancialYear>& years,
                   const Date& freeze) {
  for (const auto& c : kCompanies)
    con.Execute("insert into aCompanyMaster (CompanyID, CompanyName) values (?,?)", {I(c.id), c.name});
  for (const auto& y : years)
    con.Execute(
        "insert into aFinancialYear (FinancialId, CompanyID, Description, StartDate, EndDate) "
        "values (?,?,?,?,?)",
        {I(y.id), I(y.company), y.description, text::IsoDate(y.start), text::IsoDate(y.end)});
  for (const auto& d : Departments()) {
    con.Execute("insert into aDepartmentMaster (DepartmentID, DepartmentName, CompanyID) values (?,?,?)",
                {I(d.id), d.name, I(d.company)});
    for (size_t k = 0; k < d.towns.size(); ++k)
      con.Execute("insert into ashops (shopId, ShopName, DepartmentID) values (?,?,?)",
                  {I(ShopId(d, static_cast<int>(k))), fmt::format("{} - {}", d.name, d.towns[k]), I(d.id)});
    for (const auto& y : years)
      if (y.company == d.company)
        con.Execute("insert into aPrefix (InterfaceID, DepartmentId, FinancialId, Prefix) values (?,?,?,?)",
                    {I(kInterface), I(d.id), I(y.id), Prefix(d, y)});
  }
  for (const auto& u : Users()) {
    con.Execute("insert into aUsers (UserID, UserName) values (?,?)", {I(u.id), u.name});
    for (int company : u.companies)
      con.Execute(
          "insert into auserrights (companyid, userid, interfaceid, FunctionRights) values (?,?,?,?)",
          {I(company), I(u.id), I(kInterface), u.rights});
  }
  for (const auto& c : kCompanies)
    con.Execute("insert into asettings (companyid, noofpreviousdays) values (?,?)",
                {I(c.id), I(o.look_back_days)});
  con.Execute("insert into MiscSettings (AccountsFreezeDate) values (?)", {text::IsoDate(freeze)});

  // The register's column catalogue: the first row describes the hidden
  // identifier column, the others the headings.
  con.Execute("insert into atables (tableid, tablename) values (?,?)", {I(1), "aHpProcessingHeader"});
  const char* const columns[][2] = {{"hphProcessingID", "Processing ID"}, {"hphProcessingNo", "Processing No"},
                                    {"hphProcessingdate", "Processing Date"}, {"CustomerName", "Customer"},
                                    {"hpqhQuotationNo", "Invoice No"}, {"hphAmended", "Amended"},
                                    {"hphCancel", "Cancelled"}};
  long id = 0;
  for (const auto& c : columns)
    con.Execute("insert into atablecolumns (tableid, columnid, columnname, columnheader) values (?,?,?,?)",
                {I(1), I(++id), c[0], c[1]});
}

void WriteCustomers(db::Connection& con, const DemoOptions& o, std::uint64_t seed, Progress& progress) {
  for (int id = 1; id <= o.customers; ++id) {
    const DemoCustomer c = MakeCustomer(seed, id, kUnverifiedShare);
    con.Execute(
        "insert into losHpCustomerDetails (hpCustID, hpCustName, hpNccNO, HPCustPermanentadd, "
        "HPCustPresentAdd, hpMobNo, HPVerified) values (?,?,?,?,?,?,?)",
        {I(id), c.name, c.nic, c.permanent_address, c.present_address, c.mobile, I(c.verified ? 1 : 0)});
    con.Execute("insert into aCustomerMaster (CustomerID, CustomerName) values (?,?)", {I(id), c.name});
    for (const auto& reg : c.registrations)
      con.Execute("insert into losHpItemRegistrationDetails (ircustomerid, IRREGNO) values (?,?)",
                  {I(id), reg});
    progress.Add(1);
  }
}

std::string ChequeNo(long number) { return fmt::format("{:06}", number); }

void WriteRegister(db::Connection& con, long register_id, const InvoicePlan& inv, bool cancelled, int bank,
                   long start) {
  con.Execute("insert into losHpChequeRegisterHeader (hphChqRegID, hphinvoiceid, hphCancel) values (?,?,?)",
              {I(register_id), I(inv.id), I(cancelled ? 1 : 0)});
  const std::string& bank_name = DemoBanks()[static_cast<size_t>(bank)];
  for (int i = 1; i <= inv.rentals; ++i)
    con.Execute(
        "insert into losHpChequeRegisterDetail (hpdChqRegID, hpdChqDate, hpdBankName, hpdChqNo) "
        "values (?,?,?,?)",
        {I(register_id), text::IsoDate(text::AddMonths(inv.delivery, i)), bank_name, ChequeNo(start + i - 1)});
}

void WriteInvoices(db::Connection& con, const std::vector<InvoicePlan>& invoices, Progress& progress) {
  long register_id = 0;
  for (const InvoicePlan& inv : invoices) {
    const bool live_register = inv.reg == Register::Live || inv.reg == Register::Replaced;
    const bool any_register = inv.reg != Register::None;
    con.Execute(
        "insert into losHpInvoiceHeader (hpqhQuotationID, hpqhQuotationNo, hpqhQuotationDate, hpqhCompanyID, "
        "hpqhCustomerID, hpqhShopID, hpqhType, hpqhCancel, hpqhConfirmed, hpqhProcessed, hpqhChqReg, "
        "hpqhAmount, hpqhFirstInstAmt, hpqhinstPeriod, hpqhMonthilyPay, hpqhInstPrice, hpqhDelivaryDate, "
        "hpqhServTaxCateId) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
        {I(inv.id), fmt::format("INV-{:06}", inv.id), text::IsoDate(inv.quoted), I(inv.company),
         I(inv.customer), I(inv.shop), Text(inv.status == Status::Quotation ? "Q" : "I"),
         I(inv.status == Status::Cancelled ? 1 : 0),
         I(inv.status == Status::Confirmed || inv.status == Status::Cancelled ? 1 : 0), I(inv.processed ? 1 : 0),
         I(any_register ? 1 : 0), inv.cash, inv.down, I(inv.rentals), inv.rental, inv.installment,
         text::IsoDate(inv.delivery), inv.tax < 0 ? kNull : I(inv.tax)});
    if (inv.tax > 0)
      con.Execute(
          "insert into losHpInvoiceDetailOthers (hpqdShopId, hpqdQuotationId, hpqdActSellingPrice, hpqdActDP, "
          "hpqdActMonthlyPayment, hpqdActInstallmentPrice) values (?,?,?,?,?,?)",
          {I(inv.shop), I(inv.id), inv.bt_cash, inv.bt_down, inv.bt_rental, inv.bt_installment});
    // A replaced register was cancelled when the customer changed cheque
    // books; the live one was written after it.
    if (inv.reg == Register::Replaced || inv.reg == Register::CancelledOnly)
      WriteRegister(con, ++register_id, inv, true, inv.old_bank, inv.old_cheque_start);
    if (live_register) WriteRegister(con, ++register_id, inv, false, inv.bank, inv.cheque_start);
    progress.Add(2);
  }
}

// The live register's cheque for a due date, looked up as the processing
// screen does; the lines ask in the order of their dates.
class RegisterCheques {
 public:
  explicit RegisterCheques(const InvoicePlan& inv) : inv_(inv) {}
  processing::ChequeRef operator()(const Date& due) {
    for (int tries = 0; tries < inv_.rentals; ++tries) {
      const int i = (next_ + tries - 1) % inv_.rentals + 1;
      if (text::AddMonths(inv_.delivery, i) == due) {
        next_ = i % inv_.rentals + 1;
        return {DemoBanks()[static_cast<size_t>(inv_.bank)], ChequeNo(inv_.cheque_start + i - 1)};
      }
    }
    return {};
  }

 private:
  const InvoicePlan& inv_;
  int next_ = 1;
};

void WriteLines(db::Connection& con, const ProcessingPlan& p, int company, int department,
                const StoredSchedule& s) {
  for (const StoredLine& l : s.lines) {
    const bool settled = l.no <= p.settled;
    con.Execute(
        "insert into aHpProcessingDetail (hpdCompanyID, hpdDepartmentID, hpdProcessingID, hpddetailID, "
        "hpdChequeDate, hpdCapital, hpdRental, hpdInterest, hpdcapitalRepayment, hpdCapitalBalance, "
        "hpdBankName, hpdChequeNo, hpdAmount, hpdSettlementAmount, hpdInterestRate, hpdPosted) "
        "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
        {I(company), I(department), I(p.id), I(l.no), text::IsoDate(l.due), l.capital, l.rental, l.interest,
         l.repayment, l.balance, l.bank, l.cheque_no, l.amount, settled ? l.rental : l.settlement, l.rate,
         I(settled && p.posted ? 1 : 0)});
  }
}

void WriteBeforeTaxLines(db::Connection& con, int company, int department, int id, const StoredSchedule& s) {
  for (const StoredLine& l : s.lines)
    con.Execute(
        "insert into aHpProcessingDetailOthers (hpdCompanyID, hpdDepartmentID, hpdProcessingID, "
        "hpddetailIDBT, hpdChequeDateBT, hpdCapitalBT, hpdRentalBT, hpdInterestBT, hpdcapitalRepaymentBT, "
        "hpdCapitalBalanceBT, hpdBankNameBT, hpdChequeNoBT, hpdAmountBT, hpdSettlementAmountBT, "
        "hpdInterestRateBT) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
        {I(company), I(department), I(id), I(l.no), text::IsoDate(l.due), l.capital, l.rental, l.interest,
         l.repayment, l.balance, l.bank, l.cheque_no, l.amount, l.settlement, l.rate});
}

struct HeaderFigures {
  double cash = 0, down = 0, balance = 0;
  int rentals = 0;
  double monthly_rate = 0, installment = 0, rental = 0;
  std::string remarks;
  Value adjustment, type, reference;
};

void WriteHeader(db::Connection& con, const ProcessingPlan& p, const InvoicePlan& inv, int department,
                 const HeaderFigures& f) {
  con.Execute(
      "insert into aHpProcessingHeader (hphCompanyID, hphDepartmentID, hphProcessingID, hphProcessingNo, "
      "hphProcessingdate, hphCustomerID, hphInvoiceID, hphUsed, hphFinancialID, hphAmended, hphCancel, "
      "hphcancelRemarks, hphCashPrice, hphDownPayment, hphbalance, hphNoOfRentals, hphInterestRate, "
      "hphInstallmentPrice, hphRentalAmount, hphRemarks, hphAdjustmentAmount, hphReprocessingType, "
      "hphReferenceID, hphreprocessaftersettlement, hphBalanceInterest, hphAdjustmentPosted, hphUserName, "
      "hphUpdateUserName, hphUpdateTime) values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
      {I(inv.company), I(department), I(p.id), p.number, text::IsoDate(p.date), I(inv.customer), I(inv.id),
       I(0), I(p.financial), I(p.amended ? 1 : 0), I(p.cancel ? 1 : 0),
       p.cancel ? Text(kCancelRemarks[static_cast<size_t>(p.id) % std::size(kCancelRemarks)]) : kNull,
       f.cash, f.down, f.balance, I(f.rentals), f.monthly_rate, f.installment, f.rental, f.remarks,
       f.adjustment, f.type, f.reference, I(0), kNull, kNull, Text(Users().front().name), kNull, kNull});
}

void WriteProcessings(db::Connection& con, const std::vector<ProcessingPlan>& plans,
                      const std::vector<InvoicePlan>& invoices, Progress& progress) {
  // Schedules of amended processings, kept until their re-processing is written.
  std::unordered_map<int, StoredSchedule> replaced;
  for (size_t k = 0; k < plans.size(); ++k) {
    const ProcessingPlan& p = plans[k];
    const InvoicePlan& inv = invoices[static_cast<size_t>(p.invoice)];
    const int department = Departments()[static_cast<size_t>(inv.department)].id;
    HeaderFigures f;
    f.cash = inv.cash;
    f.down = inv.down;
    f.installment = inv.installment;
    if (p.reference < 0) {
      // A first processing, as the processing screen computes and stores it.
      const std::string balance = text::Format00(inv.cash - inv.down);
      RegisterCheques cheques(inv);
      StoredSchedule s = ProcessingSchedule(
          {balance, std::to_string(inv.rentals), text::Format00(inv.rental), text::IsoDate(inv.delivery)},
          std::ref(cheques));
      f.balance = text::NumberOf(balance);
      f.rentals = inv.rentals;
      f.monthly_rate = text::NumberOf(s.monthly_rate);
      f.rental = inv.rental;
      f.remarks = kRemarks[static_cast<size_t>(inv.remark)];
      WriteHeader(con, p, inv, department, f);
      WriteLines(con, p, inv.company, department, s);
      if (inv.tax > 0) {
        RegisterCheques bt_cheques(inv);
        const StoredSchedule bt = ProcessingSchedule(
            {text::Format00(inv.bt_cash - inv.bt_down), std::to_string(inv.rentals),
             text::Format00(inv.bt_rental), text::IsoDate(inv.delivery)},
            std::ref(bt_cheques));
        WriteBeforeTaxLines(con, inv.company, department, p.id, bt);
      }
      if (p.amended) replaced.emplace(static_cast<int>(k), std::move(s));
    } else {
      // An automatic re-processing of the amended processing over a longer
      // (or, for long terms, shorter) run of rentals.
      const ProcessingPlan& old = plans[static_cast<size_t>(p.reference)];
      auto it = replaced.find(p.reference);
      if (it == replaced.end()) throw DemoError("a re-processing was planned before its processing");
      const StoredSchedule old_schedule = std::move(it->second);
      replaced.erase(it);
      double total = 0;
      for (const auto& l : old_schedule.lines) total = Money(total + l.rental);
      const std::vector<int> choices = inv.rentals <= 36
                                           ? std::vector<int>{inv.rentals + 12, inv.rentals + 6, inv.rentals + 3}
                                           : std::vector<int>{inv.rentals - 12, inv.rentals - 6, inv.rentals + 6};
      int rentals = AcceptedRentalCount(total, choices);
      if (rentals == 0) rentals = choices.front();
      // New cheques for the due dates the register does not hold, from the
      // same cheque book.
      RegisterCheques known(inv);
      long extra = inv.cheque_start + inv.rentals;
      auto cheques = [&](const Date& due) {
        processing::ChequeRef c = known(due);
        if (c.cheque_no.empty()) c = {DemoBanks()[static_cast<size_t>(inv.bank)], ChequeNo(extra++)};
        return c;
      };
      const Reprocessing r = AutomaticReprocessing(old_schedule.lines, text::NumberOf(old_schedule.monthly_rate),
                                                   rentals, cheques);
      f.balance = r.capital_balance;
      f.rentals = r.rentals;
      f.monthly_rate = text::NumberOf(r.schedule.monthly_rate);
      f.rental = r.rental;
      f.remarks = kReprocessRemark;
      f.adjustment = r.adjustment;
      f.type = Text("A");
      f.reference = I(old.id);
      WriteHeader(con, p, inv, department, f);
      WriteLines(con, p, inv.company, department, r.schedule);
      for (const CashFlowLine& c : r.cash_flow)
        con.Execute(
            "insert into ahpProcessingCashFlowDetail (hpcComapnyID, hpcDepartmentID, hpcProcessingID, "
            "hpcdetailID, hpcDiscountFactor, hpcRental, hpcDiscountCashFlow) values (?,?,?,?,?,?,?)",
            {I(inv.company), I(department), I(p.id), I(c.no), c.discount_factor, c.rental, c.discounted});
    }
    progress.Add(7);
  }
}

// ---------------------------------------------------------------------------
// The summary, counted from what was written.

long Count(db::Connection& con, std::string_view sql, const db::Params& params = {}) {
  db::Recordset rs = con.Open(sql, params);
  return rs.Eof() ? 0 : static_cast<long>(db::AsInt(rs.Field(0)));
}

void Summarise(db::Connection& con, const DemoOptions& o, const std::vector<FinancialYear>& years,
               DemoSummary& s) {
  s.customers = Count(con, "select count(*) from losHpCustomerDetails");
  s.unverified_customers = Count(con, "select count(*) from losHpCustomerDetails where HPVerified=0");
  s.item_registrations = Count(con, "select count(*) from losHpItemRegistrationDetails");
  s.invoices = Count(con, "select count(*) from losHpInvoiceHeader");
  s.quotations = Count(con, "select count(*) from losHpInvoiceHeader where hpqhType<>'I'");
  s.unconfirmed_invoices =
      Count(con, "select count(*) from losHpInvoiceHeader where hpqhType='I' and hpqhConfirmed=0");
  s.cancelled_invoices = Count(con, "select count(*) from losHpInvoiceHeader where hpqhCancel=1");
  s.service_tax_invoices =
      Count(con, "select count(*) from losHpInvoiceHeader where coalesce(hpqhServTaxCateId,0)<>0");
  s.without_cheque_register = Count(con,
                                    "select count(*) from losHpInvoiceHeader i where hpqhType='I' and "
                                    "hpqhConfirmed=1 and hpqhCancel=0 and not exists (select 1 from "
                                    "losHpChequeRegisterHeader r where r.hphinvoiceid=i.hpqhQuotationID and "
                                    "r.hphCancel=0)");
  s.cheque_registers = Count(con, "select count(*) from losHpChequeRegisterHeader");
  s.cheques = Count(con, "select count(*) from losHpChequeRegisterDetail");
  s.processings = Count(con, "select count(*) from aHpProcessingHeader");
  s.live_processings = Count(con, "select count(*) from aHpProcessingHeader where hphCancel=0 and hphAmended=0");
  s.cancelled_processings = Count(con, "select count(*) from aHpProcessingHeader where hphCancel=1");
  s.amended_processings = Count(con, "select count(*) from aHpProcessingHeader where hphAmended=1");
  s.reprocessings = Count(con, "select count(*) from aHpProcessingHeader where coalesce(hphReferenceID,0)<>0");
  s.settled_processings = Count(con,
                                "select count(*) from aHpProcessingHeader h where hphCancel=0 and "
                                "hphAmended=0 and exists (select 1 from aHpProcessingDetail d where "
                                "d.hpdProcessingID=h.hphProcessingID and d.hpdSettlementAmount>0)");
  s.posted_processings = Count(con,
                               "select count(*) from aHpProcessingHeader h where exists (select 1 from "
                               "aHpProcessingDetail d where d.hpdProcessingID=h.hphProcessingID and "
                               "d.hpdPosted=1)");
  s.rental_lines = Count(con, "select count(*) from aHpProcessingDetail");
  s.before_tax_lines = Count(con, "select count(*) from aHpProcessingDetailOthers");
  s.cash_flow_lines = Count(con, "select count(*) from ahpProcessingCashFlowDetail");

  for (const auto& c : kCompanies) {
    DemoCompany dc;
    dc.id = c.id;
    dc.name = c.name;
    const FinancialYear& y = YearOf(years, c.id, o.processing_date);
    dc.financial_id = y.id;
    dc.financial_year = y.description;
    for (const auto& d : Departments())
      if (d.company == c.id) dc.departments.push_back(fmt::format("{} {}", d.id, d.name));
    dc.invoices = Count(con, "select count(*) from losHpInvoiceHeader where hpqhCompanyID=?", {I(c.id)});
    dc.open_invoices = Count(con,
                             "select count(*) from losHpInvoiceHeader where hpqhCompanyID=? and "
                             "hpqhType='I' and hpqhCancel=0 and hpqhConfirmed=1 and hpqhProcessed=0",
                             {I(c.id)});
    dc.processings = Count(con, "select count(*) from aHpProcessingHeader where hphCompanyID=?", {I(c.id)});
    dc.live_processings = Count(con,
                                "select count(*) from aHpProcessingHeader where hphCompanyID=? and "
                                "hphCancel=0 and hphAmended=0",
                                {I(c.id)});
    con.ForEachRow(
        "select n, count(*) from (select (select count(*) from losHpInvoiceHeader i where "
        "i.hpqhCompanyID=? and i.hpqhCustomerID=c.hpCustID and i.hpqhProcessed=0 and i.hpqhType='I' and "
        "i.hpqhCancel=0 and i.hpqhConfirmed=1) n from losHpCustomerDetails c where c.HPVerified=1) t "
        "group by n order by n",
        {I(c.id)}, [&dc](const db::RowView& row) {
          dc.customers_by_open_invoices[static_cast<long>(db::AsInt(row.Field(0)))] =
              static_cast<long>(db::AsInt(row.Field(1)));
        });
    s.companies.push_back(std::move(dc));
  }
}

void CheckOptions(const DemoOptions& o) {
  if (o.customers < 1 || o.customers > 10'000'000)
    throw DemoError(fmt::format("the number of customers must be from 1 to 10000000, not {}", o.customers));
  if (o.invoices < 0 || o.invoices > 10'000'000)
    throw DemoError(fmt::format("the number of invoices must be from 0 to 10000000, not {}", o.invoices));
  if (o.look_back_days < 1 || o.look_back_days > 365)
    throw DemoError(fmt::format("the look-back days must be from 1 to 365, not {}", o.look_back_days));
  if (!text::IsValid(o.processing_date) || o.processing_date.year < 1950 || o.processing_date.year > 9000)
    throw DemoError("the processing date is not a date from 1950 to 9000");
}

void CheckEmpty(db::Connection& con) {
  const long records = Count(con,
                             "select (select count(*) from aCompanyMaster) + (select count(*) from aUsers) + "
                             "(select count(*) from losHpCustomerDetails) + (select count(*) from "
                             "losHpInvoiceHeader) + (select count(*) from aHpProcessingHeader)");
  if (records > 0) throw DemoError("the database already holds records; demo data goes into an empty database");
}

}  // namespace

DemoSummary CreateDemoData(db::Connection& con, const DemoOptions& options, const DemoProgress& progress) {
  CheckOptions(options);
  const std::uint64_t seed = options.seed;
  const std::vector<FinancialYear> years = FinancialYears(options.processing_date);
  const Date freeze = Plus(options.processing_date, -std::max(1, options.look_back_days * 5 / 6));

  std::vector<InvoicePlan> invoices(static_cast<size_t>(options.invoices));
  DecideStates(invoices, seed);
  DecideDetails(invoices, options, years, seed);
  const std::vector<ProcessingPlan> plans = PlanProcessings(invoices, years);

  // Weights measured: a processing (schedule and lines) costs about three
  // and a half invoices (header and cheque register), a customer half of one.
  Progress report(progress, 1.0 * options.customers + 2.0 * options.invoices + 7.0 * plans.size() + 1);
  {
    db::Transaction tx(con);
    CheckEmpty(con);
    report.Stage("settings");
    WriteSettings(con, options, years, freeze);
    report.Stage("customers");
    WriteCustomers(con, options, seed, report);
    report.Stage("invoices");
    WriteInvoices(con, invoices, report);
    report.Stage("processings");
    WriteProcessings(con, plans, invoices, report);
    tx.Commit();
  }
  invoices.clear();
  invoices.shrink_to_fit();

  DemoSummary summary;
  summary.processing_date = options.processing_date;
  summary.look_back_days = options.look_back_days;
  summary.freeze_date = freeze;
  report.Stage("passwords");
  for (const auto& u : Users()) {
    DemoUser du{u.id, u.name, u.rights, u.companies, shell::RandomPassword()};
    shell::SetPassword(con, u.id, du.password);
    summary.users.push_back(std::move(du));
  }
  Summarise(con, options, years, summary);
  report.Finish("done");
  return summary;
}

}  // namespace hp::demo
