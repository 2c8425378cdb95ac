#include "lsp/JsonParams.h"

#include <cmath>

#include "lsp/ErrorCodes.h"

namespace lsp {

using json = nlohmann::json;

namespace {
// Larger than any text's line or column, small enough to add to without overflow.
constexpr int64_t MaxIndex = int64_t{1} << 48;
}  // namespace

const json& Member(const json& object, const char* name) {
  if (!object.is_object()) throw TRequestError{InvalidParams, std::string("an object expected for ") + name};
  auto it = object.find(name);
  if (it == object.end()) throw TRequestError{InvalidParams, std::string("missing member ") + name};
  return *it;
}

const std::string& StringMember(const json& object, const char* name) {
  const json& value = Member(object, name);
  if (!value.is_string()) throw TRequestError{InvalidParams, std::string(name) + " must be a string"};
  return value.get_ref<const std::string&>();
}

int64_t IndexMember(const json& object, const char* name) {
  const json& value = Member(object, name);
  if (value.is_number_unsigned()) {
    const uint64_t n = value.get<uint64_t>();
    return n > static_cast<uint64_t>(MaxIndex) ? MaxIndex : static_cast<int64_t>(n);
  }
  if (value.is_number_integer()) {
    const int64_t n = value.get<int64_t>();
    return n < 0 ? 0 : n > MaxIndex ? MaxIndex : n;
  }
  if (value.is_number_float()) {
    const double x = value.get<double>();
    if (!(x > 0)) return 0;  // NaN too
    return x >= static_cast<double>(MaxIndex) ? MaxIndex : static_cast<int64_t>(x);
  }
  throw TRequestError{InvalidParams, std::string(name) + " must be a number"};
}

TPosition PositionOf(const json& position) {
  return {IndexMember(position, "line"), IndexMember(position, "character")};
}

const std::string& DocumentUri(const json& params) {
  return StringMember(Member(params, "textDocument"), "uri");
}

json ToJson(TPosition position) {
  return {{"line", position.Line}, {"character", position.Character}};
}

json RangeJson(TPosition start, TPosition end) {
  return {{"start", ToJson(start)}, {"end", ToJson(end)}};
}

}  // namespace lsp
