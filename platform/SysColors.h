#pragma once
// The system colours: the colour of every display element, as the desktop draws it. On Windows
// they are the system's own; on POSIX a per-user colour store keeps them, starting from the
// Windows default palette.

#include <cstdint>
#include <memory>
#include <span>

namespace platform {

class TTextBoundary;

/// Number of display element indexes the store knows (0 .. 30, as Windows numbers them).
inline constexpr int32_t SysColorIndexCount = 31;

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
