// The annuity rate on arbitrary figures: AnnuityRate(n, -rental, balance)
// either refuses with RateError or gives a finite rate at which n rentals
// repay the balance. The input is "n rental balance" as text, or else three
// raw doubles.
//
// The tolerance: the rate is promised to the precision of a double, so the
// root must lie within a relative 1e-9 of it (and 1e-13 absolute, for rates
// near zero) — still far inside the promised 1e-7, yet wide enough for the
// last-bit noise of the check's own long double arithmetic. Since the present
// value of the rentals falls as the rate rises, that is: the rentals' present
// value at the rate lowered by that margin is at least the balance, and at the
// rate raised by it at most the balance. Evaluated in logarithms, so that long
// terms and rates near -100% neither overflow nor cancel.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>

#include "platform/finance/annuity_rate.h"
#include "platform/text/number_text.h"

namespace {

using L = long double;

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// log of the present value of n payments of 1 at rate r (> -1).
L LogAnnuity(L r, L n) {
  const L x = std::log1p(r);
  if (x == 0) return std::log(n);
  if (x > 0) return std::log(-std::expm1(-n * x)) - std::log(std::expm1(x));
  const L m = -n * x;  // (1+r)^-n = e^m, beyond any range for long terms
  const L log_grown = m > 1 ? m + std::log1p(-std::exp(-m)) : std::log(std::expm1(m));
  return log_grown - std::log(-std::expm1(x));
}

bool ReadText(const std::string& s, double v[3]) {
  std::istringstream in(s);
  std::string word;
  int i = 0;
  while (in >> word) {
    auto n = hp::text::ParseNumber(word);
    if (!n || i == 3) return false;
    v[i++] = *n;
  }
  return i == 3;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  double v[3] = {0, 0, 0};
  if (!ReadText(std::string(reinterpret_cast<const char*>(data), size), v)) {
    if (size < sizeof v) return 0;
    std::memcpy(v, data, sizeof v);
  }
  const double n = v[0], rental = v[1], balance = v[2];
  // Loans: a positive term, a balance repaid by rentals of its own sign.
  const bool loan = std::isfinite(n) && n >= 1 && std::isfinite(rental) && std::isfinite(balance) &&
                    rental != 0 && balance != 0 && (rental > 0) == (balance > 0) &&
                    std::isfinite(rental / balance);
  double r = 0;
  try {
    r = hp::finance::AnnuityRate(n, -rental, balance);
  } catch (const hp::finance::RateError& e) {
    Check(!e.reason().empty());
    // Where a schedule can ask (whole terms up to 32767 rentals, figures
    // from a cent to ten million million) a loan always has a rate.
    const bool schedule = loan && n <= 32767 && std::fabs(rental) >= 0.01 && std::fabs(rental) <= 1e13 &&
                          std::fabs(balance) >= 0.01 && std::fabs(balance) <= 1e13;
    Check(!schedule);
    return 0;
  }
  Check(loan && std::isfinite(r) && r > -1);
  const L target = std::log(std::fabs(static_cast<L>(balance))) - std::log(std::fabs(static_cast<L>(rental)));
  const L margin = 1e-9L * std::fabs(static_cast<L>(r)) + 1e-13L;
  const L slack = 1e-15L * (1 + std::fabs(target));
  const L below = r - margin, above = r + margin;
  if (below > -1) Check(LogAnnuity(below, n) >= target - slack);
  Check(LogAnnuity(above, n) <= target + slack);
  return 0;
}
