#pragma once
// The system colours: the colour of every display element, as the desktop draws it. On Windows
// they are the system's own; on POSIX a per-user colour store keeps them, starting from the
// Windows default palette.

#include <array>
#include <cstdint>
#include <memory>
#include <span>

namespace platform {

class TTextBoundary;

/// Number of display element indexes the store knows (0 .. 30, as Windows numbers them).
inline constexpr int32_t SysColorIndexCount = 31;

/// The Windows default palette ($00BBGGRR), by element index: where a store starts from.
inline constexpr std::array<uint32_t, SysColorIndexCount> DefaultSysColors = {
    0x00C8C8C8,  //  0 scroll bar
    0x00000000,  //  1 desktop
    0x00D1B499,  //  2 active caption
    0x00DBCDBF,  //  3 inactive caption
    0x00F0F0F0,  //  4 menu
    0x00FFFFFF,  //  5 window
    0x00646464,  //  6 window frame
    0x00000000,  //  7 menu text
    0x00000000,  //  8 window text
    0x00000000,  //  9 caption text
    0x00B4B4B4,  // 10 active border
    0x00FCF7F4,  // 11 inactive border
    0x00ABABAB,  // 12 application workspace
    0x00D77800,  // 13 highlight
    0x00FFFFFF,  // 14 highlight text
    0x00F0F0F0,  // 15 button face
    0x00A0A0A0,  // 16 button shadow
    0x006D6D6D,  // 17 gray text
    0x00000000,  // 18 button text
    0x00000000,  // 19 inactive caption text
    0x00FFFFFF,  // 20 button highlight
    0x00696969,  // 21 3D dark shadow
    0x00E3E3E3,  // 22 3D light
    0x00000000,  // 23 tooltip text
    0x00E1FFFF,  // 24 tooltip background
    0x00000000,  // 25 (unused)
    0x00CC6600,  // 26 hot-tracked item
    0x00EAD1B9,  // 27 active caption gradient
    0x00F2E4D7,  // 28 inactive caption gradient
    0x00FF9933,  // 29 menu highlight
    0x00F0F0F0,  // 30 menu bar
};

class TSysColorStore {
 public:
  virtual ~TSysColorStore() = default;
  /// The colour in force of display element `index`, as $00BBGGRR; 0 for an unknown index.
  virtual uint32_t GetSysColor(int32_t index) = 0;
  /// Puts values[i] in force for elements[i] (both spans of equal length); unknown indexes are
  /// passed over. Windows reports no failure; the POSIX store raises scan::EInOutError naming its
  /// file and the reason when it cannot be written.
  virtual void SetSysColors(std::span<const int32_t> elements, std::span<const uint32_t> values) = 0;
};

/// The system's colours (the per-user store on POSIX); the texts it takes in and hands out cross
/// `text`, which outlives it.
std::unique_ptr<TSysColorStore> NewSystemSysColorStore(TTextBoundary& text);

}  // namespace platform
