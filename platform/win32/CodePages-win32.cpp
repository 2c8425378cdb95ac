// Code page information on Windows: GetCPInfoExA and its CPINFOEXA record.

#define NOMINMAX
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstring>

#include "platform/CodePages.h"

namespace platform {
namespace {

class TWin32CodePages final : public TCodePages {
 public:
  bool GetCodePageInfo(uint32_t codePage, TCodePageInfo& info) override {
    CPINFOEXA record{};
    if (!::GetCPInfoExA(codePage, 0, &record)) return false;
    info.MaxCharSize = record.MaxCharSize;
    static_assert(sizeof record.LeadByte == sizeof info.LeadByte);
    std::memcpy(info.LeadByte.data(), record.LeadByte, sizeof record.LeadByte);
    info.CodePage = record.CodePage;
    // The name is zero-terminated within its MAX_PATH bytes; strnlen guards a record that is not.
    info.CodePageName.assign(record.CodePageName, strnlen(record.CodePageName, sizeof record.CodePageName));
    return true;
  }
};

}  // namespace

std::unique_ptr<TCodePages> NewSystemCodePages() { return std::make_unique<TWin32CodePages>(); }

}  // namespace platform
