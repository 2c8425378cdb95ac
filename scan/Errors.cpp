#include "scan/Errors.h"

namespace scan {

void RaiseOverflow() { throw EOverflow("浮動小数点数のオーバーフローです"); }

}  // namespace scan
