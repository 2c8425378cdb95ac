// The page's converter against this machine's iconv, whose tables it carries: every single byte,
// every pair of a lead byte and any byte, every code point, and the errors at the edges.

#include <errno.h>
#include <iconv.h>

#include <cstdint>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

#include "Cp932Iconv.h"

namespace {

/// What one call made of an input: its result, errno when it failed, the bytes taken and written.
struct TOutcome {
  size_t Result = 0;
  int Error = 0;
  size_t Taken = 0;
  std::string Out;
  bool operator==(const TOutcome&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TOutcome& o) {
  os << "result " << static_cast<long>(o.Result) << " errno " << o.Error << " taken " << o.Taken << " out";
  for (unsigned char c : o.Out) os << ' ' << std::hex << int{c} << std::dec;
  return os;
}

template <class Handle, class Converter>
TOutcome Convert(Handle handle, Converter convert, std::string_view input, size_t room) {
  std::string in(input), out(room, '\0');
  char* src = in.data();
  char* dst = out.data();
  size_t srcLeft = in.size(), dstLeft = room;
  errno = 0;
  TOutcome o;
  o.Result = convert(handle, &src, &srcLeft, &dst, &dstLeft);
  o.Error = o.Result == static_cast<size_t>(-1) ? errno : 0;
  o.Taken = in.size() - srcLeft;
  o.Out.assign(out.data(), room - dstLeft);
  return o;
}

class Cp932IconvTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FNativeToUtf8 = iconv_open("UTF-8", "CP932");
    FNativeToCp932 = iconv_open("CP932", "UTF-8");
    ASSERT_NE(FNativeToUtf8, reinterpret_cast<iconv_t>(-1));
    ASSERT_NE(FNativeToCp932, reinterpret_cast<iconv_t>(-1));
    FOwnToUtf8 = SheetcalcIconvOpen("UTF-8", "CP932");
    FOwnToCp932 = SheetcalcIconvOpen("CP932", "UTF-8");
  }
  void TearDown() override {
    iconv_close(FNativeToUtf8);
    iconv_close(FNativeToCp932);
  }

  /// The native and the own outcome of one input, each converter fresh from its initial state.
  std::pair<TOutcome, TOutcome> Both(bool toUtf8, std::string_view input, size_t room = 16) {
    iconv_t native = toUtf8 ? FNativeToUtf8 : FNativeToCp932;
    iconv(native, nullptr, nullptr, nullptr, nullptr);
    return {Convert(native, iconv, input, room),
            Convert(toUtf8 ? FOwnToUtf8 : FOwnToCp932, SheetcalcIconv, input, room)};
  }

  iconv_t FNativeToUtf8, FNativeToCp932;
  TWebIconv *FOwnToUtf8, *FOwnToCp932;
};

std::string Utf8(uint32_t cp) {
  std::string s;
  if (cp < 0x80) {
    s += static_cast<char>(cp);
  } else if (cp < 0x800) {
    s += static_cast<char>(0xC0 | cp >> 6);
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    s += static_cast<char>(0xE0 | cp >> 12);
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    s += static_cast<char>(0xF0 | cp >> 18);
    s += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
    s += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
    s += static_cast<char>(0x80 | (cp & 0x3F));
  }
  return s;
}

TEST_F(Cp932IconvTest, DecodesEveryByteAndPairAsTheNativeConverter) {
  for (int b = 0; b < 0x100; ++b) {
    const std::string one(1, static_cast<char>(b));
    auto [native, own] = Both(true, one);
    ASSERT_EQ(native, own) << "byte " << std::hex << b;
    if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
      for (int trail = 0; trail < 0x100; ++trail) {
        const std::string pair = one + static_cast<char>(trail);
        auto [nativePair, ownPair] = Both(true, pair);
        ASSERT_EQ(nativePair, ownPair) << "pair " << std::hex << b << ' ' << trail;
      }
    }
  }
}

TEST_F(Cp932IconvTest, EncodesEveryCodePointAsTheNativeConverter) {
  for (uint32_t cp = 0; cp <= 0x10FFFF; ++cp) {
    if (cp >= 0xD800 && cp <= 0xDFFF) continue;
    // glibc leaves the tag characters out; the boundary carries them before any converter
    // sees them (platform/StandIns.h), and this one refuses them.
    if (cp >= 0xE0000 && cp <= 0xE007F) continue;
    auto [native, own] = Both(false, Utf8(cp));
    ASSERT_EQ(native, own) << "U+" << std::hex << cp;
  }
}

TEST_F(Cp932IconvTest, StopsAtTheEdgesAsTheNativeConverter) {
  struct TCase {
    bool ToUtf8;
    std::string_view Input;
    size_t Room;
  };
  const TCase cases[] = {
      {false, "\xE3\x81\x82", 1},          // a two-byte code, room for one: E2BIG
      {false, "a\xE3\x81\x82", 2},         // the ASCII letter goes, the rest waits for room
      {false, "\xE3\x81", 16},             // the input ends inside a character: EINVAL
      {false, "\xC0\x80", 16},             // an overlong NUL: EILSEQ
      {false, "\xED\xA0\x80", 16},         // a surrogate: EILSEQ
      {false, "\xF4\x90\x80\x80", 16},     // past U+10FFFF
      {false, "\x80", 16},                 // a lone continuation byte
      {false, "\xF0\x9F\x98\x80x", 16},    // a character code page 932 lacks
      {true, "\x82\xA0", 2},               // U+3042 needs three bytes: E2BIG
      {true, "\x82", 16},                  // a lead byte at the end: EINVAL
      {true, "\x82\x20", 16},              // a lead byte before a byte that is no trail byte
      {true, "A\x82\xA0\x81", 16},         // a whole character, then a lead byte alone
      {true, "\xF0\x40\xF9\xFC", 16},      // the user-defined area's first and last codes
  };
  for (const TCase& c : cases) {
    auto [native, own] = Both(c.ToUtf8, c.Input, c.Room);
    EXPECT_EQ(native, own) << (c.ToUtf8 ? "to UTF-8: " : "to code page 932: ") << c.Input.size() << " bytes";
  }
}

TEST_F(Cp932IconvTest, KnowsOnlyItsTwoConversions) {
  EXPECT_EQ(SheetcalcIconvOpen("UTF-16", "CP932"), reinterpret_cast<TWebIconv*>(-1));
  EXPECT_EQ(errno, EINVAL);
  char* none = nullptr;
  size_t zero = 0;
  EXPECT_EQ(SheetcalcIconv(FOwnToUtf8, nullptr, nullptr, &none, &zero), 0u);
}

}  // namespace
