#pragma once
// The run's stand-ins. A character that code page 932 has no code for, a byte that is not part of
// valid outside text, and NUL travel inside as a code of the code page's user-defined area (lead
// bytes F0-F9, 1,880 double-byte codes, Unicode U+E000-U+E757). One code per distinct carried
// item, given out in order of first appearance; codes the input itself uses (private-use
// characters, which convert to the area natively) are never given out. The table lives for the
// whole run and is shared by every text the run imports and exports, on every system: the run's
// text boundary (platform/Encoding.h) owns it.

#include <cstdint>
#include <string>
#include <unordered_map>

namespace platform {

/// What a stand-in carries: a Unicode code point (a lone UTF-16 surrogate included), or
/// StrayByte + the byte for a byte that was not part of valid UTF-8.
using TCarried = uint32_t;
constexpr TCarried StrayByte = 0x110000;

/// The user-defined area: index k (0 .. UserAreaSize - 1) is the code point U+E000 + k and the
/// double-byte code UserAreaLead(k), UserAreaTrail(k), in code page 932's own order.
constexpr int UserAreaSize = 1880;
constexpr char32_t UserAreaFirst = 0xE000;
constexpr int TrailsPerLead = 188;  // 40-7E and 80-FC
constexpr unsigned char UserAreaLead(int k) { return static_cast<unsigned char>(0xF0 + k / TrailsPerLead); }
constexpr unsigned char UserAreaTrail(int k) {
  return static_cast<unsigned char>(k % TrailsPerLead < 63 ? 0x40 + k % TrailsPerLead
                                                            : 0x80 + k % TrailsPerLead - 63);
}
/// The area index of the double-byte code lead, trail; -1 when it is not in the area.
constexpr int UserAreaIndex(unsigned char lead, unsigned char trail) {
  if (lead < 0xF0 || lead > 0xF9 || trail < 0x40 || trail > 0xFC || trail == 0x7F) return -1;
  return (lead - 0xF0) * TrailsPerLead + (trail < 0x7F ? trail - 0x40 : trail - 0x80 + 63);
}
static_assert(UserAreaIndex(0xF9, 0xFC) == UserAreaSize - 1);
static_assert(UserAreaLead(UserAreaSize - 1) == 0xF9 && UserAreaTrail(UserAreaSize - 1) == 0xFC);

/// True for code points that code page 932 converters map to a code that comes back as another
/// character (U+00A5 to 5C, U+301C to 8160, ...), or to nothing at all (the tag characters
/// U+E0000-U+E007F, which glibc's converter leaves out): the round trip would change them, so
/// they are carried as well.
bool IsOneWayCharacter(char32_t cp);

class TStandIns {
 public:
  TStandIns();

  /// Marks the private-use character at area index `k` as the input's own code, unless that code
  /// is given out already (the character is then carried, see PrivateUse).
  void Reserve(int k);
  /// The area index for the private-use character at index `k` met in the input: its own code,
  /// or, when that code already stands for something else, a stand-in of its own; -1 when none
  /// is left.
  int PrivateUse(int k);
  /// The area index standing for `carried`, given out at its first appearance; -1 when the area
  /// is used up.
  int StandInFor(TCarried carried);
  /// True, with what it carries, when area index `k` is a stand-in.
  bool Find(int k, TCarried& carried) const {
    if (FState[k] != Given) return false;
    carried = FCarried[k];
    return true;
  }
  /// True until the first stand-in is given out (export then has nothing to look for).
  bool Empty() const { return FByCarried.empty(); }
  /// Takes the stand-in of a leading byte order mark (U+FEFF) off an imported text: it is removed
  /// from `inside` and returned; empty when there is none.
  std::string TakeByteOrderMark(std::string& inside) const;

 private:
  enum TState : uint8_t { Free, Own, Given };
  TState FState[UserAreaSize];
  TCarried FCarried[UserAreaSize];
  std::unordered_map<TCarried, int> FByCarried;
  int FNext = 0;  // no free code below this index
};

/// The inside code of area index `k` appended to `out`.
inline void AppendUserAreaCode(std::string& out, int k) {
  out += static_cast<char>(UserAreaLead(k));
  out += static_cast<char>(UserAreaTrail(k));
}

}  // namespace platform
