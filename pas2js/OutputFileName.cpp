// The rule for #P2Js output file names.
#include "pas2js/OutputFileName.h"

#include <array>
#include <string_view>

#include "scan/uAnsiCharTools.h"

namespace pas2js {
namespace {

// Windows opens a device, not a file, for these names whatever follows their first '.'.
constexpr std::array<std::string_view, 28> DeviceNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM0", "COM1", "COM2",   "COM3",    "COM4",  "COM5",
    "COM6", "COM7", "COM8", "COM9", "LPT0", "LPT1", "LPT2",   "LPT3",    "LPT4",  "LPT5",
    "LPT6", "LPT7", "LPT8", "LPT9", "CONIN$", "CONOUT$", "CLOCK$", "CONERR$"};

constexpr std::array<std::string_view, 3> Extensions = {".js", ".mjs", ".cjs"};

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsTrailByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool IsDeviceName(std::string_view part) {
  std::string_view base = part.substr(0, part.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  for (std::string_view device : DeviceNames)
    if (scan::SameTextAscii(base, device)) return true;
  return false;
}

bool HasScriptExtension(std::string_view last) {
  for (std::string_view ext : Extensions)
    if (last.size() > ext.size() && scan::SameTextAscii(last.substr(last.size() - ext.size()), ext))
      return true;
  return false;
}

/// The place one part of the name allows: Refused, Elsewhere for "..", else Beside.
TOutputPlace ClassifyPart(std::string_view part) {
  if (part == "..") return TOutputPlace::Elsewhere;
  if (part.empty() || part == ".") return TOutputPlace::Beside;
  // Windows drops a trailing dot or blank: "..." and ".. " would be other names for "..".
  if (part.back() == '.' || part.back() == ' ' || IsDeviceName(part)) return TOutputPlace::Refused;
  return TOutputPlace::Beside;
}

}  // namespace

bool IsRootedName(std::string_view name) {
  if (!name.empty() && IsSeparator(name[0])) return true;
  return name.size() >= 2 && IsAsciiLetter(name[0]) && name[1] == ':';
}

TOutputPlace ClassifyOutputName(std::string_view name) {
  TOutputPlace place = IsRootedName(name) ? TOutputPlace::Elsewhere : TOutputPlace::Beside;
  const size_t start = name.size() >= 2 && name[1] == ':' ? 2 : 0;  // behind a drive letter
  size_t partStart = start;
  for (size_t i = start; i <= name.size(); ++i) {
    const bool end = i == name.size();
    const char c = end ? '/' : name[i];
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == ':') return TOutputPlace::Refused;
    if (!end && scan::IsLeadByte(c) && i + 1 < name.size() && IsTrailByte(name[i + 1])) {
      ++i;  // a trail byte ('\' among them) belongs to its character
      continue;
    }
    if (!IsSeparator(c)) continue;
    const TOutputPlace part = ClassifyPart(name.substr(partStart, i - partStart));
    if (part == TOutputPlace::Refused) return part;
    if (part == TOutputPlace::Elsewhere) place = part;
    if (end && !HasScriptExtension(name.substr(partStart))) return TOutputPlace::Refused;
    partStart = i + 1;
  }
  return place;
}

}  // namespace pas2js
