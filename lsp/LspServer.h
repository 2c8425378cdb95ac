#pragma once
// The language server: the protocol's messages in (bodies, already unframed), replies and
// notifications out. It keeps the open documents, evaluates a document whenever it changes and
// answers from the results of that evaluation.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/LspCalculate.h"
#include "lsp/MessageStream.h"
#include "lsp/QuietServices.h"
#include "lsp/Sheet.h"
#include "lsp/ErrorCodes.h"
#include "lsp/TextDocument.h"

namespace lsp {

using json = nlohmann::json;

/// The most content changes one change notification may carry.
inline constexpr size_t MaxContentChanges = 10000;

struct TOpenDocument {
  TOpenDocument(std::string text, TQuietServices& quiet, engine::TAdditionList additions)
      : Sheet(std::move(text), quiet, additions) {}
  TSheet Sheet;
  int64_t Version = 0;
  bool Published = false;  // the diagnostics of this version have been sent
};

/// The edits that write `results` into `text` (see CodeAction.cpp), as the protocol's TextEdits.
nlohmann::json WriteBackEdits(const TTextDocument& text, const TEvaluation& results,
                              TPositionEncoding enc, platform::TTextBoundary& boundary);

/// A body with every lone UTF-16 surrogate escape ("\ud800") made U+FFFD's ("\ufffd"), which a
/// JSON reader would refuse; nothing when the body has none.
std::optional<std::string> MendLoneSurrogates(std::string_view body);

class TLspServer {
 public:
  /// `send` takes the body of each message the server sends; documents are evaluated over a quiet
  /// form of `services` by engines built with `additions` (both outlive the server).
  TLspServer(std::function<void(std::string_view)> send, const platform::TServices& services,
             engine::TAdditionList additions);

  /// One message from the client.
  void Receive(std::string_view body);
  /// A header block without a usable length, or a body too long to read: answered with an error.
  void ReceiveBroken();
  /// No message is waiting: the work left over from the messages so far (hints to refresh, the
  /// rest of the documents to evaluate, their diagnostics), a piece at a time while `waiting`
  /// says no message has come in the meantime.
  void Idle(const std::function<bool()>& waiting);

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
  json ResolveAction(const json& params);
  /// Gives the action its edit, or none when the results are in the text already.
  void ResolveCodeAction(json& action);

  TOpenDocument& Document(const json& params);
  /// The document, evaluated through `line`.
  TOpenDocument& Evaluated(const json& params, int64_t line);
  void PublishDiagnostics(const std::string& uri, const TOpenDocument* document);

  void Send(const json& message);
  void SendResult(const json& id, json result);
  void SendError(const json& id, int code, const std::string& message);

  std::function<void(std::string_view)> FSend;
  TQuietServices FQuiet;
  engine::TAdditionList FAdditions;
  std::vector<std::string> FDirectives;  // what an engine with FAdditions knows (inside text)
  std::unordered_map<std::string, std::unique_ptr<TOpenDocument>> FDocuments;  // by URI
  TPositionEncoding FEncoding = TPositionEncoding::Utf16;
  bool FRefreshSupport = false;  // the client takes workspace/inlayHint/refresh
  bool FResolveSupport = false;  // the client resolves a code action's edit
  bool FRefreshDue = false;      // a document has changed since the last refresh
  bool FInitialized = false;
  bool FShutdown = false;
  bool FExited = false;
  int64_t FNextId = 1;  // of the server's own requests
};

/// Serves the messages from `source` until "exit" or the end of the input, sending through
/// `write` (framed bytes; false when the client can no longer be written to, which ends the
/// service); the exit code.
int Serve(TByteSource& source, const std::function<bool(std::string_view)>& write,
          const platform::TServices& services, engine::TAdditionList additions);

/// `sheetcalc --lsp`: the service over the standard input and output of `services`, its engines
/// built with `additions`.
int RunServer(const platform::TServices& services, engine::TAdditionList additions);

}  // namespace lsp
