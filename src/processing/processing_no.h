// The two keys of a new processing: its identifier and its number.
//
// The number is the prefix of the department and financial year followed by
// the running number (largest numeric tail + 1, never reusing a number, also
// of cancelled or amended processings). The identifier is one more than the
// largest over the whole header table, so identifiers never collide between
// companies. Both are drawn inside the save's transaction, which holds the
// database's write lock, so two saves can never draw the same keys.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "shell/bas_module.h"

namespace hp::processing {

// Thrown when the number of the department and year that sorts largest (the
// longest, then the greatest text) has a tail after the prefix that is not a
// whole number (the message names that number), and when no 32-bit
// identifier is left: the save must end, not guess. A malformed number that
// cannot be the largest is passed over.
class NumberingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct ProcessingKeys {
  std::int32_t id = 0;
  std::string number;
};

// The next number for a header of `department` (the department the header
// records, whatever the session's department is) in the session's financial
// year: the prefix of `aPrefix` for the module's interface, that department
// (no department condition when it is 0) and the year, empty when none,
// followed by the largest numeric tail among the numbers of that department
// and year that start with the prefix, + 1 ("HP11" after HP1..HP10; "1" when
// there is none). Throws NumberingError or db::DbError.
std::string GenerateProcessingNo(shell::BasModule& bas, int department);

// Number, then identifier, as a save draws them. Must run inside the save
// transaction on bas.adocon (throws std::logic_error otherwise, drawing
// nothing). Throws NumberingError or db::DbError.
ProcessingKeys DrawProcessingKeys(shell::BasModule& bas, int department);

}  // namespace hp::processing
