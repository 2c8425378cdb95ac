// The built-in functions, the internal constants and the constants list.

#include <algorithm>
#include <array>
#include <cstdlib>

#include "engine/CalcAnsiScript.h"
#include "engine/FloatOps.h"
#include "engine/PrFormat.h"
#include "scan/ExtendedMath.h"

namespace engine {

namespace {

namespace xm = scan::xmath;

// ---- One-argument functions -----------------------------------------------------------------

// sin and cos of 2^63 and beyond give 0, as the processor's own instructions do.
constexpr Extended Two63(0x1p63);

Extended Sin(Extended x) { return x.Abs() >= Two63 ? 0 : xm::Sin(x); }
Extended Cos(Extended x) { return x.Abs() >= Two63 ? 0 : xm::Cos(x); }
Extended Tan(Extended x) { return Checked(xm::Tan(x)); }

// A logarithm-like function over (lo, inf): below lo an invalid operation, at lo a division by zero.
Extended LogAbove(Extended x, Extended lo, Extended (*f)(Extended)) {
  if (x.IsNan() || x < lo) RaiseInvalidOp();
  if (x == lo) RaiseZeroDivide();
  return Checked(f(x));
}
Extended Ln(Extended x) { return LogAbove(x, 0, [](Extended v) { return xm::Log(v); }); }
Extended Log10(Extended x) { return LogAbove(x, 0, [](Extended v) { return xm::Log10(v); }); }
Extended Log2(Extended x) { return LogAbove(x, 0, [](Extended v) { return xm::Log2(v); }); }
Extended LnXP1(Extended x) { return LogAbove(x, -1, [](Extended v) { return xm::Log1p(v); }); }
Extended Exp(Extended x) { return Checked(xm::Exp(x)); }
Extended Frac(Extended x) { return x - x.Trunc(); }
Extended Round(Extended x) { return static_cast<Extended>(RoundToInt64(x)); }
Extended Trunc(Extended x) { return static_cast<Extended>(TruncToInt64(x)); }
Extended ArcCos(Extended x) { return Checked(xm::Acos(x)); }
Extended ArcSin(Extended x) { return Checked(xm::Asin(x)); }
Extended CoTan(Extended x) { return CheckedDiv(1, xm::Tan(x)); }
Extended Sinh(Extended x) { return Checked(xm::Sinh(x)); }
Extended Cosh(Extended x) { return Checked(xm::Cosh(x)); }
Extended Tanh(Extended x) { return xm::Tanh(x); }
Extended ArcCosh(Extended x) { return Checked(xm::Acosh(x)); }
Extended ArcSinh(Extended x) { return xm::Asinh(x); }
Extended ArcTanh(Extended x) {
  if (x.Abs() == 1) RaiseZeroDivide();
  return Checked(xm::Atanh(x));
}
Extended Sqrt(Extended x) {
  if (x < 0) RaiseInvalidOp();
  return xm::Sqrt(x);
}
Extended Cbrt(Extended x) { return xm::Cbrt(x); }
Extended Abs(Extended x) { return x.Abs(); }
Extended Sign(Extended x) { return x > 0 ? 1 : x < 0 ? -1 : 0; }
Extended Floor(Extended x) { return xm::Floor(x); }
Extended Ceil(Extended x) { return xm::Ceil(x); }

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

Extended ArcTan2(Extended a, Extended b) { return xm::Atan2(a, b); }
Extended Hypot(Extended a, Extended b) { return Checked(xm::Hypot(a, b)); }
Extended LogN(Extended a, Extended b) { return CheckedDiv(Log2(b), Log2(a)); }

// x rounded to n decimals (n truncated; a negative n rounds to tens, hundreds, ...), ties to even
// as ROUND's are. Beyond the scale that the value's digits reach, x is already as it would come.
Extended RoundTo(Extended x, Extended n) {
  if (n.IsNan()) RaiseInvalidOp();
  const int digits = static_cast<int>(std::clamp<Extended>(n.Trunc(), -5000, 5000).ToInt64Trunc());
  const Extended scale = xm::Pow(10, std::abs(digits));
  const Extended scaled = digits >= 0 ? x * scale : x / scale;
  if (!scale.IsFinite() || !scaled.IsFinite() || scaled.Abs() >= Two63)
    return digits >= 0 ? x : Extended{0} * x;
  const Extended whole = scaled.NearbyInt();  // the default rounding: to nearest, ties even
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
      {Extended::FromBits(0x4000, 0xC90FDAA22168C236u), "PI", "円周率"},
      {Extended::FromBits(0x4000, 0xADF85458A2BB4A9Au), "_e", "オイラー数"},
      {Extended(299792458.0), "_c", "光速 m/s"},
      {Extended::FromBits(0x4002, 0x9CE809D495182A99u), "_g", "重力加速度 m/s^2"},
      {Extended::FromBits(0x3F90, 0xDC305EF011888998u), "_h", "プランク定数 J*s"},
      {Extended::FromBits(0x3FB3, 0x858736AAF323DD7Eu), "_k", "ボルツマン定数 J/K"},
      {Extended::FromBits(0x404D, 0xFF0C2E52BE28B98Cu), "_NA", "アボガドロ数 /mol"},
      {Extended::FromBits(0x3FE6, 0xF38A6D13680A6C51u), "σ", "シュテファンボルツマン定数"},
  }};
  return table;
}

// "π" alone is the constant that "2π" doubles: the number reader's π (the extended value nearest
// to π, one unit in the last place below PI's). It is no row of the table, whose listing (#定数)
// stays as it is.
constexpr const char* PiName = "π";
constexpr Extended PiValue = Extended::FromBits(0x4000, 0xC90FDAA22168C235u);

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
