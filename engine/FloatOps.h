#pragma once
// Checked extended arithmetic. Faults are found by looking at operands and results (a NaN or an
// infinity out of finite operands: the fault word of each operation), never by reading the FPU
// status flags, which the compiler may move operations across. Underflow, denormals and inexact
// results pass silently.

#include <cstdint>

#include "scan/Exceptions.h"
#include "scan/uAnsiCharTools.h"

namespace engine {

using scan::Extended;

[[noreturn]] void RaiseInvalidOp();
[[noreturn]] void RaiseZeroDivide();

/// The result itself when finite; a NaN is an invalid operation, an infinity an overflow.
inline Extended Checked(Extended r) {
  if (!r.IsFinite()) [[unlikely]] {
    if (r.IsNan()) RaiseInvalidOp();
    scan::RaiseOverflow();
  }
  return r;
}

/// r, unless the operation that gave it reported a fault.
inline Extended Unfaulted(Extended r, scan::TFloatFaults faults) {
  if (faults != 0) [[unlikely]] scan::RaiseFloatFaults(faults);
  return r;
}

inline Extended CheckedAdd(Extended a, Extended b) {
  scan::TFloatFaults faults = 0;
  const Extended r = Extended::Add(a, b, faults);
  return Unfaulted(r, faults);
}
inline Extended CheckedSub(Extended a, Extended b) {
  scan::TFloatFaults faults = 0;
  const Extended r = Extended::Sub(a, b, faults);
  return Unfaulted(r, faults);
}
inline Extended CheckedMul(Extended a, Extended b) {
  scan::TFloatFaults faults = 0;
  const Extended r = Extended::Mul(a, b, faults);
  return Unfaulted(r, faults);
}
/// 0/0 is an invalid operation, any other x/0 a division by zero.
inline Extended CheckedDiv(Extended a, Extended b) {
  scan::TFloatFaults faults = 0;
  const Extended r = Extended::Div(a, b, faults);
  return Unfaulted(r, faults);
}

/// Nearest signed 64-bit integer, ties to even; outside the range an invalid operation.
int64_t RoundToInt64(Extended x);
/// Toward zero; outside the 64-bit range an invalid operation.
int64_t TruncToInt64(Extended x);

/// a raised to the power b: whole exponents by repeated squaring, others through exp and ln.
Extended Power(Extended a, Extended b);

}  // namespace engine
