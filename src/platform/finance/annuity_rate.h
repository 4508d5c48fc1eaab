// The periodic interest rate of an annuity: the rate r at which `periods`
// payments made at the end of each period repay a present value, leaving a
// future value:
//
//   present_value * (1+r)^n + payment * ((1+r)^n - 1) / r + future_value = 0
//
// (at r = 0 the middle term is payment * n). Money received and money paid
// have opposite signs: a balance B repaid by rentals R is
// AnnuityRate(n, -R, B).
#pragma once

#include <stdexcept>
#include <string>

namespace hp::finance {

// Thrown when no rate can be given: inputs that admit none (fewer than one
// period, a zero payment, a payment of the same sign as the present value with
// nothing left to pay, values that are not finite) or an iteration that does
// not settle within 20 tries. The message says which.
class RateError : public std::runtime_error {
 public:
  // what() is "no interest rate: " + reason + details.
  explicit RateError(std::string reason, const std::string& details = {})
      : std::runtime_error("no interest rate: " + reason + details), reason_(std::move(reason)) {}
  // Why, without the figures: "the payment is zero".
  const std::string& reason() const { return reason_; }

 private:
  std::string reason_;
};

// Returns r (a fraction per period, 0.015 for 1.5%), accurate to far better
// than 1e-7: the result is polished to the precision of a double, so that it
// does not depend on the starting guess. `guess` is where the search starts
// and must be greater than -1.
//
// With no future value and a payment of the opposite sign to the present value
// (the case of every loan) a rate always exists and is always found, also when
// it is zero (payments add up to the present value exactly) or negative
// (they add up to less). Other combinations are searched from `guess` and may
// fail with RateError.
double AnnuityRate(double periods, double payment, double present_value,
                   double future_value = 0.0, double guess = 0.1);

}  // namespace hp::finance
