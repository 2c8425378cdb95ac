#pragma once
// Reading the parameters of a message: every reader checks what it reads and raises
// TRequestError (InvalidParams) for a member that is missing or of the wrong kind.

#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "lsp/TextDocument.h"

namespace lsp {

/// An error to answer a request with.
struct TRequestError {
  int Code;
  std::string Message;
};

/// The member of an object; raises when the value is not an object or has no such member.
const nlohmann::json& Member(const nlohmann::json& object, const char* name);
/// A member that must be a string.
const std::string& StringMember(const nlohmann::json& object, const char* name);
/// A member that must be a number: a whole number from 0 up (a fraction is cut off, a negative
/// number gives 0, a huge one stays huge but finite).
int64_t IndexMember(const nlohmann::json& object, const char* name);
/// {"line": n, "character": n}
TPosition PositionOf(const nlohmann::json& position);
/// The URI of params.textDocument.
const std::string& DocumentUri(const nlohmann::json& params);

nlohmann::json ToJson(TPosition position);
nlohmann::json RangeJson(TPosition start, TPosition end);

}  // namespace lsp
