#pragma once
// The language server: the protocol's messages in (bodies, already unframed), replies and
// notifications out. It keeps the open documents, evaluates a document whenever it changes and
// answers from the results of that evaluation.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "lsp/LspCalculate.h"
#include "lsp/MessageStream.h"
#include "lsp/QuietServices.h"
#include "lsp/TextDocument.h"

namespace lsp {

using json = nlohmann::json;

/// The protocol's error codes the server answers with.
enum TErrorCode : int {
  ParseError = -32700,
  InvalidRequest = -32600,
  MethodNotFound = -32601,
  InvalidParams = -32602,
  InternalError = -32603,
  ServerNotInitialized = -32002,
};

/// The most content changes one change notification may carry.
inline constexpr size_t MaxContentChanges = 10000;

struct TOpenDocument {
  TTextDocument Text;
  TEvaluation Results;
};

class TLspServer {
 public:
  /// `send` takes the body of each message the server sends; documents are evaluated over a quiet
  /// form of `services` (which outlive the server).
  TLspServer(std::function<void(std::string_view)> send, const platform::TServices& services);

  /// One message from the client.
  void Receive(std::string_view body);
  /// A header block without a usable length, or a body too long to read: answered with an error.
  void ReceiveBroken();

  /// The client has sent "exit".
  bool Exited() const { return FExited; }
  /// 0 when "shutdown" came before the end, 1 otherwise.
  int ExitCode() const { return FShutdown ? 0 : 1; }

 private:
  void Request(const json& id, const std::string& method, const json& params);
  json Answer(const std::string& method, const json& params);
  void Notification(const std::string& method, const json& params);

  json Initialize(const json& params);
  void DidOpen(const json& params);
  void DidChange(const json& params);
  void DidClose(const json& params);
  json InlayHints(const json& params);
  json Hover(const json& params);
  json Completion(const json& params);
  json CodeActions(const json& params);

  TOpenDocument& Document(const json& params);
  void Evaluate(const std::string& uri, TOpenDocument& document);
  void PublishDiagnostics(const std::string& uri, const TOpenDocument* document);

  void Send(const json& message);
  void SendResult(const json& id, json result);
  void SendError(const json& id, int code, const std::string& message);

  std::function<void(std::string_view)> FSend;
  TQuietServices FQuiet;
  std::unordered_map<std::string, TOpenDocument> FDocuments;  // by URI
  TPositionEncoding FEncoding = TPositionEncoding::Utf16;
  bool FRefreshSupport = false;  // the client takes workspace/inlayHint/refresh
  bool FInitialized = false;
  bool FShutdown = false;
  bool FExited = false;
  int64_t FNextId = 1;  // of the server's own requests
};

/// Serves the messages from `source` until "exit" or the end of the input, sending through
/// `write` (framed bytes; false when the client can no longer be written to, which ends the
/// service); the exit code.
int Serve(TByteSource& source, const std::function<bool(std::string_view)>& write,
          const platform::TServices& services);

/// `sheetcalc --lsp`: the service over the standard input and output of `services`.
int RunServer(const platform::TServices& services);

}  // namespace lsp
