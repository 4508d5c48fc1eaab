#include "web/sign_in.h"

#include <sodium.h>

#include <mutex>

#include "shell/passwords.h"

namespace hp::web {
namespace {

// A hash of a random password, checked when the user name is unknown, so
// that the answer takes as long as for a known name.
void CheckStandIn(const std::string& password) {
  static std::once_flag once;
  static char stand_in[crypto_pwhash_STRBYTES] = {};
  std::call_once(once, [] {
    std::string random = shell::RandomPassword(24);
    if (crypto_pwhash_str(stand_in, random.data(), random.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
      stand_in[0] = '\0';
  });
  if (stand_in[0] && crypto_pwhash_str_verify(stand_in, password.data(), password.size()) == 0) {
    // A random password of 24 characters was guessed: nothing to do but ignore it.
  }
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

bool UserMayUseCompany(db::Connection& con, int user_id, int company) {
  db::Recordset rs = con.Open("SELECT 1 FROM auserrights WHERE companyid = ? AND userid = ? AND interfaceid = ?",
                              {std::int64_t{company}, std::int64_t{user_id}, std::int64_t{kModuleInterface}});
  return !rs.Eof();
}

}  // namespace

std::optional<SignedInUser> Authenticate(db::Connection& con, const std::string& user_name,
                                         const std::string& password) {
  std::string name = Trim(user_name);
  db::Recordset rs = con.Open("SELECT UserID, UserName FROM aUsers WHERE UserName = ?", {name});
  if (name.empty() || rs.Eof()) {
    CheckStandIn(password);
    return std::nullopt;
  }
  int id = static_cast<int>(db::AsInt(rs.Field("UserID")));
  if (!shell::CheckPassword(con, id, password)) return std::nullopt;
  return SignedInUser{id, db::AsText(rs.Field("UserName"))};
}

nlohmann::json WorkplaceChoices(db::Connection& con, int user_id) {
  nlohmann::json companies = nlohmann::json::array();
  std::string today = text::IsoDate(text::Today());
  db::Recordset cs = con.Open(
      "SELECT c.CompanyID, c.CompanyName FROM aCompanyMaster c "
      "INNER JOIN auserrights r ON r.companyid = c.CompanyID "
      "WHERE r.userid = ? AND r.interfaceid = ? ORDER BY c.CompanyName",
      {std::int64_t{user_id}, std::int64_t{kModuleInterface}});
  for (; !cs.Eof(); cs.MoveNext()) {
    std::int64_t company = db::AsInt(cs.Field("CompanyID"));
    nlohmann::json c = {{"id", company}, {"name", db::AsText(cs.Field("CompanyName"))}};
    auto& departments = c["departments"] = nlohmann::json::array();
    db::Recordset ds = con.Open(
        "SELECT DepartmentID, DepartmentName FROM aDepartmentMaster WHERE CompanyID = ? ORDER BY DepartmentName",
        {company});
    for (; !ds.Eof(); ds.MoveNext())
      departments.push_back({{"id", db::AsInt(ds.Field("DepartmentID"))}, {"name", db::AsText(ds.Field("DepartmentName"))}});
    auto& years = c["years"] = nlohmann::json::array();
    db::Recordset ys = con.Open(
        "SELECT FinancialId, Description, StartDate, EndDate FROM aFinancialYear WHERE CompanyID = ? "
        "ORDER BY StartDate DESC",
        {company});
    std::int64_t current = 0;
    for (; !ys.Eof(); ys.MoveNext()) {
      std::int64_t id = db::AsInt(ys.Field("FinancialId"));
      std::string start = db::AsText(ys.Field("StartDate")).substr(0, 10);
      std::string end = db::AsText(ys.Field("EndDate")).substr(0, 10);
      if (current == 0 && start <= today && today <= end) current = id;
      years.push_back({{"id", id}, {"name", db::AsText(ys.Field("Description"))}, {"start", start}, {"end", end}});
    }
    if (current == 0 && !years.empty()) current = years.front()["id"].get<std::int64_t>();
    c["year"] = current;
    companies.push_back(std::move(c));
  }
  return companies;
}

std::optional<Workplace> ChooseWorkplace(db::Connection& con, int user_id, int company, int department,
                                         int financial, const std::string& date, std::string& error) {
  Workplace w;
  if (!UserMayUseCompany(con, user_id, company)) {
    error = "You may not work in that company.";
    return std::nullopt;
  }
  db::Recordset cs = con.Open("SELECT CompanyName FROM aCompanyMaster WHERE CompanyID = ?", {std::int64_t{company}});
  if (cs.Eof()) {
    error = "You may not work in that company.";
    return std::nullopt;
  }
  w.company = company;
  w.company_name = db::AsText(cs.Field("CompanyName"));
  if (department != 0) {
    db::Recordset ds = con.Open("SELECT DepartmentName FROM aDepartmentMaster WHERE DepartmentID = ? AND CompanyID = ?",
                                {std::int64_t{department}, std::int64_t{company}});
    if (ds.Eof()) {
      error = "That department does not belong to the company.";
      return std::nullopt;
    }
    w.department = department;
    w.department_name = db::AsText(ds.Field("DepartmentName"));
  }
  db::Recordset ys = con.Open("SELECT Description FROM aFinancialYear WHERE FinancialId = ? AND CompanyID = ?",
                              {std::int64_t{financial}, std::int64_t{company}});
  if (ys.Eof()) {
    error = "That financial year does not belong to the company.";
    return std::nullopt;
  }
  w.financial = financial;
  w.financial_name = db::AsText(ys.Field("Description"));
  auto iso = text::ParseIsoDateTime(date);
  if (date.size() != 10 || !iso) {
    error = "Enter the processing date.";
    return std::nullopt;
  }
  w.process_date = iso->date;
  return w;
}

}  // namespace hp::web
