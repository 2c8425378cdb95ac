#include "scan/Exceptions.h"

namespace scan {

void RaiseOverflow() { throw EOverflow("浮動小数点数のオーバーフローです"); }
void RaiseInvalidOp() { throw EInvalidOp("浮動小数点数の無効な演算です"); }
void RaiseZeroDivide() { throw EZeroDivide("浮動小数点数の 0 による除算です"); }

}  // namespace scan
