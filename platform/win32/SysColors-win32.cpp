// The system colours on Windows: the system's own, through GetSysColor and SetSysColors.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <vector>

#include "platform/SysColors.h"

namespace platform {
namespace {

class TWin32SysColors final : public TSysColorStore {
 public:
  uint32_t GetSysColor(int32_t index) override { return ::GetSysColor(index); }

  void SetSysColors(std::span<const int32_t> elements, std::span<const uint32_t> values) override {
    size_t count = elements.size() < values.size() ? elements.size() : values.size();
    if (count == 0) return;
    std::vector<INT> indexes(elements.begin(), elements.begin() + static_cast<ptrdiff_t>(count));
    std::vector<COLORREF> colors(values.begin(), values.begin() + static_cast<ptrdiff_t>(count));
    // The system reports a failure only through the result, which changes nothing here.
    ::SetSysColors(static_cast<int>(count), indexes.data(), colors.data());
  }
};

}  // namespace

std::unique_ptr<TSysColorStore> NewSystemSysColorStore(TTextBoundary& /*text*/) {
  return std::make_unique<TWin32SysColors>();
}

}  // namespace platform
