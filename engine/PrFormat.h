#pragma once
// The format function behind pr: a format text with specifiers for floating values.

#include <span>
#include <string>

#include "scan/uAnsiCharTools.h"

namespace engine {

/// Formats `values` by `format`: "%" [index ":"] ["-"] [width] ["." precision] type, with the
/// types e, f, g, n and m (either case) and "%%" for a percent sign. A specifier of another type,
/// a '*' width or a missing value raises scan::EConvertError naming the format. The point of a
/// formatted value is the settings' separator.
std::string PrFormat(const std::string& format, std::span<const scan::Extended> values,
                     const scan::TFormatSettings& settings);

}  // namespace engine
