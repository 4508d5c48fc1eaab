#include "platform/finance/annuity_rate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace hp::finance {
namespace {

using L = long double;

// The textbook equation pv (1+r)^n + pmt ((1+r)^n - 1)/r + fv, in extended
// precision, with (1+r)^n - 1 taken as expm1(n log1p r) so that small rates
// keep their digits.
L Residual(L r, L n, L pmt, L pv, L fv) {
  if (r == 0) return pv + pmt * n + fv;
  const L grown_less_one = std::expm1(n * std::log1p(r));
  return pv * (1 + grown_less_one) + pmt * grown_less_one / r + fv;
}

// The loan rate by plain bisection on the textbook equation: slow, but it
// shares nothing with the function under test beyond the equation itself.
double ReferenceRate(L n, L pmt, L pv) {
  L lo = -0.99, hi = 10;
  const bool rising = Residual(hi, n, pmt, pv, 0) > Residual(lo, n, pmt, pv, 0);
  for (int i = 0; i < 200; ++i) {
    const L mid = (lo + hi) / 2;
    ((Residual(mid, n, pmt, pv, 0) > 0) == rising ? hi : lo) = mid;
  }
  return static_cast<double>((lo + hi) / 2);
}

// The rental that repays `balance` over n months at `rate`, to the cent.
double RentalFor(double balance, int n, double rate) {
  return std::round(balance * rate / -std::expm1(-n * std::log1p(rate)) * 100) / 100;
}

TEST(AnnuityRateTest, MatchesAnIndependentSolutionForEveryTermAndRate) {
  for (int n = 1; n <= 360; ++n) {
    for (int k = 0; k <= 24; ++k) {
      const double rate = 0.0001 * std::pow(1000.0, k / 24.0);  // 0.01% .. 10% a month
      const double rental = RentalFor(100000, n, rate);
      double r = 0;
      ASSERT_NO_THROW(r = AnnuityRate(n, -rental, 100000)) << n << " months at " << rate;
      const double ref = ReferenceRate(n, -rental, 100000);
      ASSERT_NEAR(r, ref, 1e-12 * std::fabs(ref) + 1e-18) << n << " months, rental " << rental;
    }
  }
}

TEST(AnnuityRateTest, TheResultDoesNotDependOnTheStartingGuess) {
  for (int n : {1, 2, 7, 24, 60, 360}) {
    for (double rate : {0.0001, 0.0013, 0.0151308439, 0.05, 0.1}) {
      const double rental = RentalFor(50000, n, rate);
      const double expected = AnnuityRate(n, -rental, 50000);
      for (double g : {0.1, 0.0, 0.01, 0.5, -0.5, 3.0})
        EXPECT_EQ(AnnuityRate(n, -rental, 50000, 0, g), expected) << n << " months at " << rate << ", guess " << g;
    }
  }
}

TEST(AnnuityRateTest, ZeroNegativeAndNearZeroRatesAndTheSignConvention) {
  // Payments that add up to the balance exactly: no interest.
  EXPECT_EQ(AnnuityRate(24, -5000, 120000), 0.0);
  EXPECT_EQ(AnnuityRate(1, -100, 100), 0.0);
  // Payments that add up to less than the balance, or nearly to it.
  const struct {
    double n, payment, pv;
  } cases[] = {
      {24, -4000, 100000}, {360, -200, 100000},    {360, -1, 100000},     {12, -8333.33, 100000},
      {1, -50, 100},       {12, -8333.34, 100000}, {3, -33333.33, 100000}, {1, -100010, 100000},
  };
  for (const auto& c : cases) {
    const double r = AnnuityRate(c.n, c.payment, c.pv);
    const double ref = ReferenceRate(c.n, c.payment, c.pv);
    EXPECT_NEAR(r, ref, 1e-12 * std::fabs(ref) + 1e-18) << c.n << " x " << c.payment << " on " << c.pv;
    EXPECT_EQ(r < 0, c.payment * c.n + c.pv > 0) << c.n << " x " << c.payment;
  }
  // The worked example; only the relative sign of payment and balance matters.
  const double r = AnnuityRate(24, -5000, 100000);
  EXPECT_NEAR(r, 0.0151308439, 5e-11);
  EXPECT_EQ(AnnuityRate(24, 5000, -100000), r);
}

TEST(AnnuityRateTest, FutureValuesAndFractionalTermsSolveTheEquation) {
  const struct {
    double n, payment, pv, fv;
  } cases[] = {
      {24, -5000, 100000, -10000},  // a balloon still to pay
      {24, -5000, 0, 130000},       // savings reaching a sum
      {12.5, -1000, 10000, 0},
      {36, -3000, 100000, 5000},
  };
  for (const auto& c : cases) {
    const double r = AnnuityRate(c.n, c.payment, c.pv, c.fv);
    const L scale = std::fabs(c.payment) * c.n + std::fabs(c.pv) + std::fabs(c.fv);
    EXPECT_LT(std::fabs(Residual(r, c.n, c.payment, c.pv, c.fv)) / scale, 1e-13)
        << c.n << " x " << c.payment << " on " << c.pv << " to " << c.fv << ": r = " << r;
  }
}

TEST(AnnuityRateTest, RefusesInputsThatAdmitNoRate) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    const char* what;
    double n, payment, pv, fv, guess;
  } cases[] = {
      {"no period", 0, -5000, 100000, 0, 0.1},        {"half a period", 0.5, -5000, 100000, 0, 0.1},
      {"negative periods", -3, -5000, 100000, 0, 0.1}, {"zero payment", 24, 0, 100000, 0, 0.1},
      {"payment of the balance's sign", 24, 5000, 100000, 0, 0.1},
      {"nothing owed", 24, -5000, 0, 0, 0.1},          {"NaN periods", nan, -5000, 100000, 0, 0.1},
      {"infinite balance", 24, -5000, inf, 0, 0.1},    {"guess at -100%", 24, -5000, 100000, 0, -1},
  };
  for (const auto& c : cases) {
    try {
      AnnuityRate(c.n, c.payment, c.pv, c.fv, c.guess);
      ADD_FAILURE() << c.what << ": no exception";
    } catch (const RateError& e) {
      EXPECT_FALSE(e.reason().empty()) << c.what;
      EXPECT_NE(std::string(e.what()).find(e.reason()), std::string::npos) << c.what;
    }
  }
}

}  // namespace
}  // namespace hp::finance
