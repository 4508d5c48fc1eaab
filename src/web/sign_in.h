// The database side of signing in: checking a user name and password, the
// companies (with their departments and financial years) the user may work
// in, and checking the workplace the browser sends back against them.
//
// A user may work in a company where they have a rights row for the module
// (auserrights, interface 7503). Nothing here trusts an identifier from the
// browser: each is looked up among the user's own choices.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/db/connection.h"
#include "web/session.h"

namespace hp::web {

inline constexpr int kModuleInterface = 7503;

// The user with this name when the password matches, else nullopt. Takes the
// same time whether or not the user exists (an unknown name is checked
// against a stand-in hash). Throws db::DbError.
std::optional<SignedInUser> Authenticate(db::Connection& con, const std::string& user_name,
                                         const std::string& password);

// The companies the user may sign in to, as the sign-in page shows them:
// [{id, name, departments: [{id, name}], years: [{id, name, start, end}],
//   year: the year holding today or the latest}]. Throws db::DbError.
nlohmann::json WorkplaceChoices(db::Connection& con, int user_id);

// The workplace for the browser's choice, or nullopt with `error` set when
// the user may not work there or the choice is malformed. `department` 0 is
// every department; `date` is ISO text. Throws db::DbError.
std::optional<Workplace> ChooseWorkplace(db::Connection& con, int user_id, int company, int department,
                                         int financial, const std::string& date, std::string& error);

}  // namespace hp::web
