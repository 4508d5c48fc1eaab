// The demo database: two companies with their departments, shops, users,
// settings and numbering prefixes, verified (and a few unverified) HP
// customers, HP invoices in every state with their cheque registers, and
// stored processings (live, with settled rentals, with posted rentals,
// cancelled, re-processed) dated within the register's look-back window of
// the demo processing date, so that signing in on that date shows them all.
//
// The same options give the same database, row for row (only the users'
// passwords, which are drawn at random, differ).
#pragma once

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/connection.h"
#include "platform/text/date_text.h"

namespace hp::demo {

// Options that cannot give a database, or a database that already holds
// records. Nothing is written then.
class DemoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DemoOptions {
  int customers = 200;  // at least 1
  int invoices = 600;   // at least 0
  unsigned seed = 7;
  // The date to sign in with: every stored processing is dated within
  // `look_back_days` before it (and within its financial year).
  text::Date processing_date{2024, 3, 15};
  int look_back_days = 60;  // "noofpreviousdays" of both companies, 1 to 365
};

// A user who can sign in.
struct DemoUser {
  int id = 0;
  std::string name;
  std::string rights;          // the letters of auserrights, e.g. "NED"
  std::vector<int> companies;  // the companies the rights are given in
  std::string password;        // drawn at random, stored only as a hash
};

struct DemoCompany {
  int id = 0;
  std::string name;
  int financial_id = 0;        // the financial year of the processing date
  std::string financial_year;  // its description, e.g. "2023/24"
  std::vector<std::string> departments;
  long invoices = 0;
  long open_invoices = 0;  // offered for processing: confirmed, not cancelled, not processed
  long processings = 0;
  long live_processings = 0;
  // Number of open invoices -> number of verified customers having that many.
  std::map<long, long> customers_by_open_invoices;
};

// What the database holds, counted from the database after it was filled.
struct DemoSummary {
  text::Date processing_date;
  int look_back_days = 0;
  text::Date freeze_date;  // MiscSettings.AccountsFreezeDate
  std::vector<DemoCompany> companies;
  long customers = 0, unverified_customers = 0, item_registrations = 0;
  long invoices = 0, quotations = 0, unconfirmed_invoices = 0, cancelled_invoices = 0;
  long service_tax_invoices = 0, without_cheque_register = 0;
  long cheque_registers = 0, cheques = 0;
  long processings = 0, live_processings = 0, cancelled_processings = 0;
  long amended_processings = 0, reprocessings = 0;
  long settled_processings = 0;  // live, with settlement amounts on their first rentals
  long posted_processings = 0;   // with rentals posted to the accounts
  long rental_lines = 0, before_tax_lines = 0, cash_flow_lines = 0;
  std::vector<DemoUser> users;  // users[0] is "demo"
};

// Called now and then while the database is filled: the stage being written
// ("settings", "customers", "invoices", "processings", "passwords") and the
// share of the whole work done, 0 to 1.
using DemoProgress = std::function<void(std::string_view stage, double fraction)>;

// Fills a database that holds the schema and no records. The records are
// written in one transaction (rolled back on failure); the users' passwords
// are stored after it. Throws DemoError for bad options or a database that
// holds records, db::DbError for a database failure (after the records were
// committed only when a password could not be stored: the database is then
// incomplete and should be discarded), std::runtime_error from hashing.
DemoSummary CreateDemoData(db::Connection& con, const DemoOptions& options,
                           const DemoProgress& progress = {});

}  // namespace hp::demo
