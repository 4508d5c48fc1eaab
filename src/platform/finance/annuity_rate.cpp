#include "platform/finance/annuity_rate.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <limits>
#include <string>

#include <fmt/format.h>

// How the rate is found.
//
// With no future value the equation says that the payment per unit of present
// value equals
//
//   q(r) = r / (1 - (1+r)^-n),        q(0) = 1/n,
//
// so r solves q(r) = t with t = -payment / present_value. Newton's method on
// the textbook form from 0.1 needs dozens of steps for long terms and small
// rates. We search instead in x = ln(1+r), on log q: as a function of x it is
// increasing and concave, with a slope between 1 (large rates) and n (rates
// towards -100%), its second derivative being
//   n^2 / (4 sinh^2(n x/2)) - 1 / (4 sinh^2(x/2)) <= 0.
// Newton on a concave increasing function converges from any start: from the
// left it climbs monotonically, from the right it overshoots once to the left
// and then climbs. And since log q is nearly straight on either side of its
// bend at x = 0, few steps are needed: every term from 1 to 360 periods and
// every monthly rate from 0.01% to 10% settles from 0.1 well within 20 tries.
//
// Once within the tolerance Newton goes on for as long as its steps keep
// shrinking, and the root is then settled to one double by a fixed bisection
// (see Canonical): the result is the rate to the precision of a double, the
// same whatever guess or path led to it.
//
// A future value other than zero is rare here; it is searched with Newton in x
// on the payment form and may fail.

namespace hp::finance {
namespace {

constexpr int kMaxTries = 20;
constexpr double kTolerance = 1e-7;  // 0.00001 percent
constexpr int kMaxPolish = 8;

// log q(x) for q = (e^x - 1) / (1 - e^(-n x)), computed without overflow or
// cancellation for any x.
template <typename F>
F LogQ(F x, F n) {
  using std::exp, std::expm1, std::log, std::log1p;
  if (x == 0) return -log(n);
  if (x > 0) {
    const F log_num = x > 1 ? x + log1p(-exp(-x)) : log(expm1(x));
    const F nx = n * x;
    const F log_den = nx > 1 ? log1p(-exp(-nx)) : log(-expm1(-nx));
    return log_num - log_den;
  }
  const F log_num = log(-expm1(x));
  const F m = -n * x;
  const F log_den = m > 1 ? m + log1p(-exp(-m)) : log(expm1(m));
  return log_num - log_den;
}

// d log q / dx = 1 + 1/(e^x - 1) - n/(e^(n x) - 1); near x = 0 the two
// fractions cancel, and the series is used instead.
template <typename F>
F LogQSlope(F x, F n) {
  using std::expm1, std::fabs;
  if (fabs(n * x) < F(1e-4)) return (n + 1) / 2 - x * (n * n - 1) / 12;
  return 1 + 1 / expm1(x) - n / expm1(n * x);
}

// q(r) itself, for settling the last digits.
template <typename F>
F Q(F r, F n) {
  if (r == 0) return 1 / n;
  return r / -std::expm1(-n * std::log1p(r));
}

// The order of doubles as integers, so that "halfway between two doubles"
// means halfway in the count of doubles between them.
std::int64_t OrderKey(double x) {
  const auto bits = std::bit_cast<std::int64_t>(x);
  return bits >= 0 ? bits : -(bits & std::numeric_limits<std::int64_t>::max());
}
double FromOrderKey(std::int64_t key) {
  if (key >= 0) return std::bit_cast<double>(key);
  return std::bit_cast<double>(static_cast<std::uint64_t>(-key) | (std::uint64_t{1} << 63));
}

// Newton's last steps end somewhere among the few doubles around the root
// that rounding noise cannot tell apart, and which one depends on where the
// search started. The result is made independent of that by a bisection over
// the doubles of a fixed interval, (-1, 1e6]: its sequence of midpoints is
// fixed, and where a midpoint lies clearly away from the Newton result its
// side is known without evaluating anything; only the last thirty or so
// midpoints, near the root, are decided by evaluating pv q(r) + payment in
// extended precision. The double returned is whichever of the final two has
// the smaller residual.
double Canonical(double newton, double n, double payment, double pv) {
  constexpr double kUpper = 1e6;
  if (!(newton < kUpper / 2)) return newton;
  using L = long double;
  const L nl = n, pvl = pv, pmtl = payment, sign = pv > 0 ? 1 : -1;
  auto residual = [&](double r) { return sign * (pvl * Q(static_cast<L>(r), nl) + pmtl); };
  const double margin = 1e-8 * std::fabs(newton) + 1e-14;
  // The sides are known without evaluating only if the root does lie within
  // the margin of the Newton result. Over very long terms (hundreds of
  // millions of periods) Newton can settle far from the root, where its steps
  // look small only because the slope is huge: then every midpoint is
  // evaluated.
  auto below_root = [&](double r) { return r <= -1 || residual(r) < 0; };
  const bool trusted = below_root(newton - margin) && !below_root(newton + margin);
  auto root_above = [&](double mid) {
    if (trusted && mid < newton - margin) return true;
    if (trusted && mid > newton + margin) return false;
    return residual(mid) < 0;
  };
  std::int64_t lo = OrderKey(std::nextafter(-1.0, 0.0)), hi = OrderKey(kUpper);
  // The keys span more than an int64 can hold as a difference; unsigned
  // arithmetic does not mind.
  while (static_cast<std::uint64_t>(hi) - static_cast<std::uint64_t>(lo) > 1) {
    const std::int64_t mid = std::midpoint(lo, hi);
    if (root_above(FromOrderKey(mid))) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  const double below = FromOrderKey(lo), above = FromOrderKey(hi);
  return std::fabs(residual(below)) < std::fabs(residual(above)) ? below : above;
}

[[noreturn]] void Fail(const std::string& why, double n, double payment, double pv, double fv) {
  // + 0.0 writes a negative zero as 0.
  throw RateError(why, fmt::format(" ({} periods, payment {}, present value {}, future value {})",
                                   n + 0.0, payment + 0.0, pv + 0.0, fv + 0.0));
}

// The loan case: q(r) = t with t > 0.
double SolveLoan(double n, double t, double guess, double payment, double pv) {
  const double log_t = std::log(t);
  double x = std::log1p(guess);
  bool settled = false;
  double last = std::numeric_limits<double>::infinity();
  for (int tries = 0; tries < kMaxTries && !settled; ++tries) {
    const double step = (LogQ(x, n) - log_t) / LogQSlope(x, n);
    if (!std::isfinite(step)) Fail("the search left the range of numbers", n, payment, pv, 0);
    x -= step;
    last = std::fabs(step);
    settled = last * std::exp(x) < kTolerance;
  }
  if (!settled) Fail(fmt::format("no result after {} tries", kMaxTries), n, payment, pv, 0);

  for (int i = 0; i < kMaxPolish; ++i) {
    const double step = (LogQ(x, n) - log_t) / LogQSlope(x, n);
    if (!(std::fabs(step) < last) || step == 0) break;
    x -= step;
    last = std::fabs(step);
  }
  return Canonical(std::expm1(x), n, payment, pv);
}

// Any other case: Newton in x on h(x) = q(x) (pv + fv e^(-n x)) + payment.
double SolveGeneral(double n, double payment, double pv, double fv, double guess) {
  auto h = [&](auto x, auto& slope) {
    using F = decltype(x);
    const F nf = n, pvf = pv, fvf = fv;
    const F q = std::exp(LogQ(x, nf));
    const F growth = std::exp(-nf * x);
    const F owed = pvf + fvf * growth;
    slope = q * LogQSlope(x, nf) * owed - nf * fvf * growth * q;
    return q * owed + static_cast<F>(payment);
  };
  double x = std::log1p(guess);
  bool settled = false;
  double last = std::numeric_limits<double>::infinity();
  for (int tries = 0; tries < kMaxTries && !settled; ++tries) {
    double slope = 0;
    const double value = h(x, slope);
    const double step = value / slope;
    if (!std::isfinite(step)) Fail("the search left the range of numbers", n, payment, pv, fv);
    x -= step;
    last = std::fabs(step);
    settled = last * std::exp(x) < kTolerance;
  }
  if (!settled) Fail(fmt::format("no result after {} tries", kMaxTries), n, payment, pv, fv);
  using L = long double;
  L xl = x, last_l = last;
  for (int i = 0; i < kMaxPolish; ++i) {
    L slope = 0;
    const L step = h(xl, slope) / slope;
    if (!(std::fabs(step) < last_l) || step == 0) break;
    xl -= step;
    last_l = std::fabs(step);
  }
  return static_cast<double>(std::expm1(xl));
}

}  // namespace

double AnnuityRate(double periods, double payment, double present_value, double future_value,
                   double guess) {
  const double n = periods, pv = present_value, fv = future_value;
  if (!std::isfinite(n) || !std::isfinite(payment) || !std::isfinite(pv) ||
      !std::isfinite(fv) || !std::isfinite(guess))
    Fail("a figure is not a finite number", n, payment, pv, fv);
  if (n < 1) Fail("there must be at least one period", n, payment, pv, fv);
  if (payment == 0) Fail("the payment is zero", n, payment, pv, fv);
  if (guess <= -1) Fail("the starting guess must be above -100%", n, payment, pv, fv);

  // Payments that add up exactly to what is owed: no interest at all. Below
  // the smallest normal double the sum is too coarse to tell (a term of 1.00002
  // rounds away), so such a present value is searched as any other.
  if (std::fabs(pv) >= std::numeric_limits<double>::min() && pv + payment * n + fv == 0) return 0.0;

  if (fv == 0) {
    if (pv == 0) Fail("there is nothing to repay", n, payment, pv, fv);
    const double t = -payment / pv;
    if (!(t > 0)) Fail("the payment and the present value have the same sign", n, payment, pv, fv);
    return SolveLoan(n, t, guess, payment, pv);
  }
  return SolveGeneral(n, payment, pv, fv, guess);
}

}  // namespace hp::finance
