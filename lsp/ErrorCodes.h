#pragma once
// The protocol's error codes the server answers with, for the server and the parameter readers.

namespace lsp {

enum TErrorCode : int {
  ParseError = -32700,
  InvalidRequest = -32600,
  MethodNotFound = -32601,
  InvalidParams = -32602,
  InternalError = -32603,
  ServerNotInitialized = -32002,
};

}  // namespace lsp
