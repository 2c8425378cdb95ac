#pragma once
// Checked extended arithmetic. Faults are found by looking at operands and results (a NaN or an
// infinity out of finite operands), never by reading the FPU status flags, which the compiler may
// move operations across. Underflow, denormals and inexact results pass silently.

#include <cmath>
#include <cstdint>

#include "scan/Exceptions.h"
#include "scan/uAnsiCharTools.h"

namespace engine {

using scan::Extended;

[[noreturn]] void RaiseInvalidOp();
[[noreturn]] void RaiseZeroDivide();

/// The result itself when finite; a NaN is an invalid operation, an infinity an overflow.
inline Extended Checked(Extended r) {
  if (std::isnan(r)) RaiseInvalidOp();
  if (std::isinf(r)) scan::RaiseOverflow();
  return r;
}

inline Extended CheckedAdd(Extended a, Extended b) { return Checked(a + b); }
inline Extended CheckedSub(Extended a, Extended b) { return Checked(a - b); }
inline Extended CheckedMul(Extended a, Extended b) { return Checked(a * b); }
inline Extended CheckedDiv(Extended a, Extended b) {
  if (b == 0) {
    if (a == 0) RaiseInvalidOp();
    RaiseZeroDivide();
  }
  return Checked(a / b);
}

/// Nearest signed 64-bit integer, ties to even; outside the range an invalid operation.
int64_t RoundToInt64(Extended x);
/// Toward zero; outside the 64-bit range an invalid operation.
int64_t TruncToInt64(Extended x);

/// a raised to the power b: whole exponents by repeated squaring, others through exp and ln.
Extended Power(Extended a, Extended b);

}  // namespace engine
