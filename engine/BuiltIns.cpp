// The built-in functions, the internal constants and the constants list.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "engine/CalcAnsiScript.h"
#include "engine/FloatOps.h"
#include "engine/PrFormat.h"

namespace engine {

namespace {

// Bit patterns of the two constants whose values are given to the last bit.
Extended FromBits(uint16_t exponent, uint64_t mantissa) {
  unsigned char bytes[sizeof(Extended)] = {};
  std::memcpy(bytes, &mantissa, 8);
  std::memcpy(bytes + 8, &exponent, 2);
  Extended x;
  std::memcpy(&x, bytes, sizeof x);
  return x;
}

// ---- One-argument functions -----------------------------------------------------------------

// sin and cos of 2^63 and beyond give 0, as the processor's own instructions do.
constexpr Extended Two63 = 9223372036854775808.0L;

Extended Sin(Extended x) { return std::fabs(x) >= Two63 ? 0 : std::sin(x); }
Extended Cos(Extended x) { return std::fabs(x) >= Two63 ? 0 : std::cos(x); }
Extended Tan(Extended x) { return Checked(std::tan(x)); }

// A logarithm-like function over (lo, inf): below lo an invalid operation, at lo a division by zero.
Extended LogAbove(Extended x, Extended lo, Extended (*f)(Extended)) {
  if (std::isnan(x) || x < lo) RaiseInvalidOp();
  if (x == lo) RaiseZeroDivide();
  return Checked(f(x));
}
Extended Ln(Extended x) { return LogAbove(x, 0, [](Extended v) { return std::log(v); }); }
Extended Log10(Extended x) { return LogAbove(x, 0, [](Extended v) { return std::log10(v); }); }
Extended Log2(Extended x) { return LogAbove(x, 0, [](Extended v) { return std::log2(v); }); }
Extended LnXP1(Extended x) { return LogAbove(x, -1, [](Extended v) { return std::log1p(v); }); }
Extended Exp(Extended x) { return Checked(std::exp(x)); }
Extended Frac(Extended x) { return x - std::trunc(x); }
Extended Round(Extended x) { return static_cast<Extended>(RoundToInt64(x)); }
Extended Trunc(Extended x) { return static_cast<Extended>(TruncToInt64(x)); }
Extended ArcCos(Extended x) { return Checked(std::acos(x)); }
Extended ArcSin(Extended x) { return Checked(std::asin(x)); }
Extended CoTan(Extended x) { return CheckedDiv(1, std::tan(x)); }
Extended Sinh(Extended x) { return Checked(std::sinh(x)); }
Extended Cosh(Extended x) { return Checked(std::cosh(x)); }
Extended Tanh(Extended x) { return std::tanh(x); }
Extended ArcCosh(Extended x) { return Checked(std::acosh(x)); }
Extended ArcSinh(Extended x) { return std::asinh(x); }
Extended ArcTanh(Extended x) {
  if (std::fabs(x) == 1) RaiseZeroDivide();
  return Checked(std::atanh(x));
}
Extended Sqrt(Extended x) {
  if (x < 0) RaiseInvalidOp();
  return std::sqrt(x);
}
Extended Cbrt(Extended x) { return std::cbrt(x); }
Extended Abs(Extended x) { return std::fabs(x); }
Extended Sign(Extended x) { return x > 0 ? 1 : x < 0 ? -1 : 0; }
Extended Floor(Extended x) { return std::floor(x); }
Extended Ceil(Extended x) { return std::ceil(x); }

struct TFunction1 {
  const char* Name;
  Extended (*Func)(Extended);
};

constexpr std::array<TFunction1, 27> Functions1{{
    {"sin", Sin},         {"cos", Cos},         {"tan", Tan},         {"log", Ln},
    {"ln", Ln},           {"exp", Exp},         {"FRAC", Frac},       {"ROUND", Round},
    {"TRUNC", Trunc},     {"ArcCos", ArcCos},   {"ArcSin", ArcSin},   {"coTan", CoTan},
    {"Sinh", Sinh},       {"Cosh", Cosh},       {"Tanh", Tanh},       {"ArcCosh", ArcCosh},
    {"ArcSinh", ArcSinh}, {"ArcTanh", ArcTanh}, {"LnXP1", LnXP1},     {"Log10", Log10},
    {"Log2", Log2},       {"sqrt", Sqrt},       {"cbrt", Cbrt},       {"abs", Abs},
    {"sign", Sign},       {"floor", Floor},     {"ceil", Ceil},
}};

// ---- Two-argument functions -----------------------------------------------------------------

Extended ArcTan2(Extended a, Extended b) { return std::atan2(a, b); }
Extended Hypot(Extended a, Extended b) { return Checked(std::hypot(a, b)); }
Extended LogN(Extended a, Extended b) { return CheckedDiv(Log2(b), Log2(a)); }

// x rounded to n decimals (n truncated; a negative n rounds to tens, hundreds, ...), ties to even
// as ROUND's are. Beyond the scale that the value's digits reach, x is already as it would come.
Extended RoundTo(Extended x, Extended n) {
  if (std::isnan(n)) RaiseInvalidOp();
  const int digits = static_cast<int>(std::clamp<Extended>(std::trunc(n), -5000, 5000));
  const Extended scale = std::pow(Extended{10}, static_cast<Extended>(std::abs(digits)));
  const Extended scaled = digits >= 0 ? x * scale : x / scale;
  if (!std::isfinite(scale) || !std::isfinite(scaled) || std::fabs(scaled) >= Two63)
    return digits >= 0 ? x : Extended{0} * x;
  const Extended whole = std::nearbyint(scaled);  // the default rounding: to nearest, ties even
  return Checked(digits >= 0 ? whole / scale : whole * scale);
}

struct TFunction2 {
  const char* Name;
  Extended (*Func)(Extended, Extended);
};

constexpr std::array<TFunction2, 5> Functions2{{
    {"ArcTan2", ArcTan2},
    {"Hypot", Hypot},
    {"LogN", LogN},
    {"Power", Power},
    {"ROUND", RoundTo},
}};

// Functions of two or more arguments.
struct TFunctionN {
  const char* Name;
  bool TakeSecond;  // true: the result is the second of a pair that compares as "less" says
};

constexpr std::array<TFunctionN, 2> FunctionsN{{
    {"min", true},
    {"max", false},
}};

constexpr const char* PrName = "pr";

// What each function gives, for the language server's hover. The descriptions are message
// catalog entries (po/sheetcalc.pot): a change here is a change there and in each po/LANG.po.
constexpr std::array<TFunctionHelp, 34> FunctionHelps{{
    {"sin", "sin(x)", "sine of x (radians)"},
    {"cos", "cos(x)", "cosine of x (radians)"},
    {"tan", "tan(x)", "tangent of x (radians)"},
    {"coTan", "coTan(x)", "cotangent of x (radians)"},
    {"ArcSin", "ArcSin(x)", "arcsine of x, in radians"},
    {"ArcCos", "ArcCos(x)", "arccosine of x, in radians"},
    {"ArcTan2", "ArcTan2(y, x)", "angle of the point (x, y), in radians between -PI and PI"},
    {"Sinh", "Sinh(x)", "hyperbolic sine of x"},
    {"Cosh", "Cosh(x)", "hyperbolic cosine of x"},
    {"Tanh", "Tanh(x)", "hyperbolic tangent of x"},
    {"ArcSinh", "ArcSinh(x)", "inverse hyperbolic sine of x"},
    {"ArcCosh", "ArcCosh(x)", "inverse hyperbolic cosine of x"},
    {"ArcTanh", "ArcTanh(x)", "inverse hyperbolic tangent of x"},
    {"exp", "exp(x)", "e to the power x"},
    {"ln", "ln(x)", "natural logarithm of x"},
    {"log", "log(x)", "natural logarithm of x (as ln)"},
    {"Log10", "Log10(x)", "base-10 logarithm of x"},
    {"Log2", "Log2(x)", "base-2 logarithm of x"},
    {"LnXP1", "LnXP1(x)", "natural logarithm of 1 + x, accurate for x near 0"},
    {"LogN", "LogN(base, x)", "logarithm of x to the base"},
    {"Power", "Power(a, b)", "a to the power b"},
    {"Hypot", "Hypot(a, b)", "sqrt(a^2 + b^2)"},
    {"sqrt", "sqrt(x)", "square root of x"},
    {"cbrt", "cbrt(x)", "cube root of x"},
    {"abs", "abs(x)", "absolute value of x"},
    {"sign", "sign(x)", "sign of x: -1, 0 or 1"},
    {"ROUND", "ROUND(x[, n])", "x rounded to an integer, or to n decimals; ties to even"},
    {"TRUNC", "TRUNC(x)", "x rounded toward zero to an integer"},
    {"FRAC", "FRAC(x)", "fractional part of x, with the sign of x"},
    {"floor", "floor(x)", "largest integer not above x"},
    {"ceil", "ceil(x)", "smallest integer not below x"},
    {"min", "min(a, b, ...)", "smallest of the arguments"},
    {"max", "max(a, b, ...)", "largest of the arguments"},
    {"pr", "pr(\"format\", x, ...)",
     "up to four values written by the format text (%e, %f, %g, %n, %m) as the line's result"},
}};

constexpr bool Described(std::string_view name) {
  return std::any_of(FunctionHelps.begin(), FunctionHelps.end(),
                     [&](const TFunctionHelp& h) { return h.Name == name; });
}
constexpr bool AllDescribed(const auto& table) {
  return std::all_of(table.begin(), table.end(), [](const auto& f) { return Described(f.Name); });
}
constexpr bool IsFunction(std::string_view name) {
  auto named = [&](const auto& f) { return f.Name == name; };
  auto in = [&](const auto& table) { return std::any_of(table.begin(), table.end(), named); };
  return name == PrName || in(Functions1) || in(Functions2) || in(FunctionsN);
}
static_assert(Described(PrName) && AllDescribed(Functions1) && AllDescribed(Functions2) &&
                  AllDescribed(FunctionsN),
              "every built-in function has a description");
static_assert(std::all_of(FunctionHelps.begin(), FunctionHelps.end(),
                          [](const TFunctionHelp& h) { return IsFunction(h.Name); }),
              "every description is a built-in function's");

// ---- Constants ------------------------------------------------------------------------------

struct TConstRec {
  Extended Value;
  const char* Name;
  const char* Description;
};

const std::array<TConstRec, 8>& Constants() {
  static const std::array<TConstRec, 8> table{{
      {FromBits(0x4000, 0xC90FDAA22168C236u), "PI", "円周率"},
      {FromBits(0x4000, 0xADF85458A2BB4A9Au), "_e", "オイラー数"},
      {299792458.0L, "_c", "光速 m/s"},
      {9.80665L, "_g", "重力加速度 m/s^2"},
      {6.62607015e-34L, "_h", "プランク定数 J*s"},
      {1.380649e-23L, "_k", "ボルツマン定数 J/K"},
      {6.02214076e23L, "_NA", "アボガドロ数 /mol"},
      {5.6703744191844e-8L, "σ", "シュテファンボルツマン定数"},
  }};
  return table;
}

// "π" alone is the constant that "2π" doubles: the number reader's π (the extended value nearest
// to π, one unit in the last place below PI's). It is no row of the table, whose listing (#定数)
// stays as it is.
constexpr const char* PiName = "π";
constexpr Extended PiValue = 3.14159265358979323846264338327950288L;

}  // namespace

std::vector<std::string> BuiltInFunctionNames() {
  std::vector<std::string> names{PrName};
  for (const TFunction1& f : Functions1) names.push_back(f.Name);
  for (const TFunction2& f : Functions2)
    if (std::string_view(f.Name) != "ROUND") names.push_back(f.Name);  // listed once
  for (const TFunctionN& f : FunctionsN) names.push_back(f.Name);
  return names;
}

const TFunctionHelp* FindFunctionHelp(std::string_view name) {
  for (const TFunctionHelp& help : FunctionHelps)
    if (scan::SameTextAscii(name, help.Name)) return &help;
  return nullptr;
}

std::vector<std::string> ConstantNames() {
  std::vector<std::string> names;
  for (const TConstRec& c : Constants()) names.push_back(c.Name);
  names.push_back(PiName);
  return names;
}

bool TAnsiCalculate::CallFunction(std::string_view name) {
  for (TCalcuAddition* addition : FFunctionAdditions)
    if (addition->DoFunction(name, FArgs)) return true;
  FValue = 0;
  const size_t n = FArgs.size();
  if (scan::SameTextAscii(name, PrName)) {
    if (n == 0) FailLine("pr(?)");
    if (n < 2 || n > 5) FailLine("pr(\"\",... over)");
    std::vector<Extended> values;
    for (size_t i = 1; i < n; ++i) values.push_back(FArgs[i].Value);
    AddNote(PrFormat(FArgs[0].Text, values, FFormat));
    return true;
  }
  if (n >= 2) {
    for (const TFunctionN& f : FunctionsN) {
      if (!scan::SameTextAscii(name, f.Name)) continue;
      for (const TArgRec& a : FArgs)
        if (!a.Text.empty()) FailLine(std::string(name) + "(?)");
      FValue = FArgs[0].Value;
      for (size_t i = 1; i < n; ++i)
        if ((FArgs[i].Value < FValue) == f.TakeSecond && FArgs[i].Value != FValue)
          FValue = FArgs[i].Value;
      return true;
    }
  }
  if (n == 1) {
    if (!FArgs[0].Text.empty()) FailLine(std::string(name) + "(?)");
    for (const TFunction1& f : Functions1) {
      if (scan::SameTextAscii(name, f.Name)) {
        FValue = f.Func(FArgs[0].Value);
        return true;
      }
    }
    return false;
  }
  if (n == 2) {
    if (!FArgs[0].Text.empty()) FailLine(std::string(name) + "(?,)");
    if (!FArgs[1].Text.empty()) FailLine(std::string(name) + "(,?)");
    for (const TFunction2& f : Functions2) {
      if (scan::SameTextAscii(name, f.Name)) {
        FValue = f.Func(FArgs[0].Value, FArgs[1].Value);
        return true;
      }
    }
  }
  return false;
}

bool TAnsiCalculate::FindConstant(std::string_view name, Extended& value, TLabelMode mode) {
  if (mode != TLabelMode::Read) return false;
  if (name == PiName) {
    value = PiValue;
    return true;
  }
  for (const TConstRec& c : Constants()) {
    if (name == c.Name) {
      value = c.Value;
      return true;
    }
  }
  return false;
}

void TAnsiCalculate::ListConstants() {
  for (const TConstRec& c : Constants()) WriteLine(std::string("// ") + c.Name + " #" + c.Description);
}

}  // namespace engine
