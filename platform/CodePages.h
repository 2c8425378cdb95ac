#pragma once
// Code page information: for a code page number, its longest character, its lead-byte ranges and
// the system's name for it. Windows asks the system; POSIX answers from a built-in table of the
// Windows code pages, with code page 932 as the ANSI and the OEM code page.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

/// Code page numbers that stand for the current ANSI and OEM code pages.
inline constexpr uint32_t AnsiCodePage = 0;
inline constexpr uint32_t OemCodePage = 1;

struct TCodePageInfo {
  uint32_t MaxCharSize = 0;            // longest character in bytes
  std::array<uint8_t, 12> LeadByte{};  // up to six first..last pairs, ended by a pair of zeros
  uint32_t CodePage = 0;               // the actual number (also for 0 = ANSI and 1 = OEM)
  std::string CodePageName;            // the system's name, in code page 932
};

class TCodePages {
 public:
  virtual ~TCodePages() = default;
  /// Fills `info` for code page `codePage`; false (info unspecified) when it is not known.
  virtual bool GetCodePageInfo(uint32_t codePage, TCodePageInfo& info) = 0;
};

/// The system's code page information.
std::unique_ptr<TCodePages> NewSystemCodePages();

}  // namespace platform
