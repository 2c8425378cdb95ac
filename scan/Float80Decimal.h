#pragma once
// Decimal text of the 80-bit number and the number of a decimal text, both exact: a value is
// written from its exact decimal expansion, rounded to the digits asked for, and a text is read as
// the exact rational it names, rounded once to the nearest value. Ties go to the even neighbour
// either way, so the texts are those of the C library of glibc in its default rounding.

#include <cstdint>
#include <string>
#include <string_view>

#include "scan/Float80.h"

namespace scan {

/// x with `decimals` digits after a point '.', as printf's "%.*Lf" in the C locale: a minus sign
/// whenever the sign bit is set (-0.00), no point when `decimals` is 0; "inf", "-inf", "nan",
/// "-nan" for the values that are not finite.
std::string FormatFixed(TFloat80 x, int decimals);

/// x as d.ddd...e+XX with `decimals` digits after the point and at least two exponent digits, as
/// printf's "%.*Le" ("%.*LE", and "INF", "NAN", when `upper`); zero has the exponent +00.
std::string FormatScientific(TFloat80 x, int decimals, bool upper);

/// The value nearest to digits x 10^power, where `digits` holds only '0'..'9' (any number of
/// them; none means zero): ties to even, beyond the largest finite value an infinity, below the
/// least subnormal zero. Never negative.
TFloat80 DecimalToFloat80(std::string_view digits, int64_t power);

}  // namespace scan
