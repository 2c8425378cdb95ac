#pragma once
// The system colour addition: display element names behave as labels (reading gives the colour,
// assigning schedules a change, applied when the pass ends), colour names as read-only constants,
// and the directive #scol lists the colours, loads, saves and deletes named colour schemes.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/CalcAnsiScript.h"
#include "platform/SysColors.h"

namespace additions {

using scan::Extended;

/// A display element: its name, its Windows display element index and the listing's description.
struct TSysColorElement {
  std::string_view Name;
  int32_t Index;
  std::string_view Description;
};

/// A named colour, as a Windows colour value $00BBGGRR.
struct TColorConstant {
  std::string_view Name;
  uint32_t Value;
};

inline constexpr size_t SysColorElementCount = 21;
inline constexpr size_t ColorConstantCount = 22;

/// The display elements in listing (and scheme file) order.
extern const std::array<TSysColorElement, SysColorElementCount> SysColorElements;
/// The named colours in table order; the earlier of two equal values names it.
extern const std::array<TColorConstant, ColorConstantCount> ColorConstants;

/// The element of that name (ASCII letter case ignored), or nullptr.
const TSysColorElement* FindSysColorElement(std::string_view name);
/// The colour of that name (ASCII letter case ignored), or nullptr.
const TColorConstant* FindColorConstant(std::string_view name);

/// The name of the first colour constant of that value, else "$" and six (or more) upper-case
/// hexadecimal digits.
std::string ColorName(uint32_t value);

/// One line per display element: name padded to 24, "=", the colour in `colors` by ColorName,
/// blanks up to 40, "//" and the description; lines joined by CR LF, none after the last.
std::string SysColorListing(platform::TSysColorStore& colors);

/// The addition. Scheduled changes (at most one per display element index) wait in the pending
/// entries until the pass ends or a scheme has been loaded.
class TuSysColor : public engine::TCalcuAddition {
 public:
  using TCalcuAddition::TCalcuAddition;
  bool Directive(const std::string& name, const char*& cursor) override;
  std::vector<std::string> DirectiveNames() const override { return {DirectiveName}; }
  static constexpr const char* DirectiveName = "scol";
  bool DoLabel(std::string_view name, Extended& value, engine::TLabelMode mode) override;
  /// Colour names ("cl...") and element names ("COLOR_...") begin with a C of either case.
  scan::CharSet LabelStartChars() const override { return {'C', 'c'}; }
  bool HandlesFunctions() const override { return false; }
  void Notify(engine::TNotifyPhase phase) override;

  std::array<uint32_t, SysColorElementCount> FPendingValues{};
  std::array<int32_t, SysColorElementCount> FPendingElements{};
  int32_t FPendingCount = 0;

 private:
  void Schedule(int32_t index, uint32_t value);
  /// Puts the pending entries in force and empties them.
  void ApplyPending();
  /// The scheme directive after its word: sign, name, then load, save or delete.
  void SchemeCommand(const std::string& word, const char*& cursor);
};

}  // namespace additions
