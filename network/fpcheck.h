#pragma once
// Floating-point invalid operation, division by zero and overflow are errors
// here, never infinities or NaNs: the checked helpers below throw at the step
// where the arithmetic fails, so what a handler already did stays done.

#include <cmath>
#include <stdexcept>

class EMathError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void RaiseInvalidOp();
[[noreturn]] void RaiseDivByZero();
[[noreturn]] void RaiseOverflow();

// A result that came out infinite overflowed; one that came out NaN was invalid.
inline double Checked(double value) {
    if (std::isnan(value)) RaiseInvalidOp();
    if (std::isinf(value)) RaiseOverflow();
    return value;
}

inline double FDiv(double a, double b) {
    if (b == 0.0) {
        if (a == 0.0 || std::isnan(a)) RaiseInvalidOp();
        RaiseDivByZero();
    }
    return Checked(a / b);
}

inline double FSqrt(double a) {
    if (a < 0.0 || std::isnan(a)) RaiseInvalidOp();
    return Checked(std::sqrt(a));
}

// Arc tangent of a quotient: 0/0 is invalid, x/0 divides by zero.
inline double FArcTanOf(double num, double den) {
    return std::atan(FDiv(num, den));
}
