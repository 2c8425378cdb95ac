// The server's life cycle, the dispatch of messages and the open documents.

#include "lsp/LspServer.h"

#include <array>
#include <new>
#include <utility>

#include "lsp/JsonParams.h"
#include "platform/Services.h"

#ifndef SHEETCALC_VERSION
#define SHEETCALC_VERSION "0"
#endif

namespace lsp {
namespace {

/// A JSON-RPC id: a number or a string.
bool IsId(const json& id) { return id.is_number_integer() || id.is_string(); }

bool ClientOffersUtf8(const json& params) {
  auto capabilities = params.find("capabilities");
  if (capabilities == params.end() || !capabilities->is_object()) return false;
  auto general = capabilities->find("general");
  if (general == capabilities->end() || !general->is_object()) return false;
  auto encodings = general->find("positionEncodings");
  if (encodings == general->end() || !encodings->is_array()) return false;
  for (const json& e : *encodings)
    if (e.is_string() && e.get_ref<const std::string&>() == "utf-8") return true;
  return false;
}

bool ClientRefreshesHints(const json& params) {
  const json* at = &params;
  for (const char* name : {"capabilities", "workspace", "inlayHint", "refreshSupport"}) {
    if (!at->is_object()) return false;
    auto it = at->find(name);
    if (it == at->end()) return false;
    at = &*it;
  }
  return at->is_boolean() && at->get<bool>();
}

}  // namespace

TLspServer::TLspServer(std::function<void(std::string_view)> send,
                       const platform::TServices& services)
    : FSend(std::move(send)), FQuiet(services) {}

// ---- Messages in and out --------------------------------------------------------------------

void TLspServer::Receive(std::string_view body) {
  json message = json::parse(body, nullptr, false);
  if (message.is_discarded()) return SendError(nullptr, ParseError, "the message is not JSON");
  if (!message.is_object()) return SendError(nullptr, InvalidRequest, "the message is not an object");
  auto method = message.find("method");
  auto id = message.find("id");
  if (method == message.end()) {
    // A reply to one of the server's own requests needs no answer.
    if (id == message.end()) SendError(nullptr, InvalidRequest, "a message without a method");
    return;
  }
  static const json NoParams;
  auto paramsAt = message.find("params");
  const json& params = paramsAt == message.end() ? NoParams : *paramsAt;
  if (id != message.end()) {
    if (!IsId(*id)) return SendError(nullptr, InvalidRequest, "an id must be a number or a string");
    if (!method->is_string()) return SendError(*id, InvalidRequest, "the method must be a string");
    return Request(*id, method->get<std::string>(), params);
  }
  if (method->is_string()) Notification(method->get<std::string>(), params);
}

void TLspServer::ReceiveBroken() {
  SendError(nullptr, InvalidRequest, "a header without a usable Content-Length, or a body over 64 MiB");
}

void TLspServer::Request(const json& id, const std::string& method, const json& params) {
  try {
    SendResult(id, Answer(method, params));
  } catch (const TRequestError& e) {
    SendError(id, e.Code, e.Message);
  } catch (const json::exception& e) {
    SendError(id, InvalidParams, e.what());
  } catch (const std::bad_alloc&) {
    SendError(id, InternalError, "out of memory");
  }
}

json TLspServer::Answer(const std::string& method, const json& params) {
  if (method == "initialize") return Initialize(params);
  if (!FInitialized) throw TRequestError{ServerNotInitialized, "initialize comes first"};
  if (FShutdown) throw TRequestError{InvalidRequest, "the server has been shut down"};
  if (method == "shutdown") {
    FShutdown = true;
    return nullptr;
  }
  if (method == "textDocument/inlayHint") return InlayHints(params);
  if (method == "textDocument/hover") return Hover(params);
  if (method == "textDocument/completion") return Completion(params);
  if (method == "textDocument/codeAction") return CodeActions(params);
  throw TRequestError{MethodNotFound, "unknown method " + method};
}

void TLspServer::Notification(const std::string& method, const json& params) {
  if (method == "exit") {
    FExited = true;
    return;
  }
  if (!FInitialized || FShutdown) return;
  // A notification has no answer: one with unusable parameters is dropped.
  try {
    if (method == "textDocument/didOpen")
      DidOpen(params);
    else if (method == "textDocument/didChange")
      DidChange(params);
    else if (method == "textDocument/didClose")
      DidClose(params);
  } catch (const TRequestError&) {
  } catch (const json::exception&) {
  }
}

void TLspServer::Send(const json& message) {
  FSend(message.dump(-1, ' ', false, json::error_handler_t::replace));
}

void TLspServer::SendResult(const json& id, json result) {
  Send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
}

void TLspServer::SendError(const json& id, int code, const std::string& message) {
  Send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

// ---- Life cycle -----------------------------------------------------------------------------

json TLspServer::Initialize(const json& params) {
  if (FInitialized) throw TRequestError{InvalidRequest, "initialize came already"};
  if (!params.is_object()) throw TRequestError{InvalidParams, "initialize needs its parameters"};
  FInitialized = true;
  FEncoding = ClientOffersUtf8(params) ? TPositionEncoding::Utf8 : TPositionEncoding::Utf16;
  FRefreshSupport = ClientRefreshesHints(params);
  json capabilities = {
      {"positionEncoding", FEncoding == TPositionEncoding::Utf8 ? "utf-8" : "utf-16"},
      {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
      {"inlayHintProvider", true},
      {"hoverProvider", true},
      {"completionProvider", {{"triggerCharacters", {"#"}}}},
      {"codeActionProvider", {{"codeActionKinds", {"refactor.rewrite"}}}},
  };
  return {{"capabilities", std::move(capabilities)},
          {"serverInfo", {{"name", "sheetcalc"}, {"version", SHEETCALC_VERSION}}}};
}

// ---- Documents ------------------------------------------------------------------------------

TOpenDocument& TLspServer::Document(const json& params) {
  const std::string& uri = DocumentUri(params);
  auto it = FDocuments.find(uri);
  if (it == FDocuments.end()) throw TRequestError{InvalidParams, "the document is not open: " + uri};
  return it->second;
}

void TLspServer::DidOpen(const json& params) {
  const json& item = Member(params, "textDocument");
  const std::string& uri = StringMember(item, "uri");
  TOpenDocument& document = FDocuments[uri];
  document.Text.Replace(StringMember(item, "text"));
  Evaluate(uri, document);
}

void TLspServer::DidChange(const json& params) {
  const std::string& uri = DocumentUri(params);
  TOpenDocument& document = Document(params);
  const json& changes = Member(params, "contentChanges");
  if (!changes.is_array() || changes.size() > MaxContentChanges) return;
  for (const json& change : changes) {
    const std::string& text = StringMember(change, "text");
    if (!change.contains("range")) {
      document.Text.Replace(text);
      continue;
    }
    const json& range = Member(change, "range");
    document.Text.Edit(PositionOf(Member(range, "start")), PositionOf(Member(range, "end")), text,
                       FEncoding);
    if (document.Text.Text().size() > MaxMessageSize) {
      // Grown past anything the server reads in one piece: forgotten as if closed.
      FDocuments.erase(uri);
      PublishDiagnostics(uri, nullptr);
      return;
    }
  }
  Evaluate(uri, document);
  if (FRefreshSupport)
    Send({{"jsonrpc", "2.0"}, {"id", FNextId++}, {"method", "workspace/inlayHint/refresh"}});
}

void TLspServer::DidClose(const json& params) {
  const std::string uri = DocumentUri(params);
  if (FDocuments.erase(uri) > 0) PublishDiagnostics(uri, nullptr);
}

void TLspServer::Evaluate(const std::string& uri, TOpenDocument& document) {
  FQuiet.Reset();
  document.Results = lsp::Evaluate(document.Text.Text(), FQuiet.Services());
  PublishDiagnostics(uri, &document);
}

// ---- The service over a stream --------------------------------------------------------------

int Serve(TByteSource& source, const std::function<bool(std::string_view)>& write,
          const platform::TServices& services) {
  bool writable = true;
  TLspServer server(
      [&](std::string_view body) {
        if (writable) writable = write(Frame(body));
      },
      services);
  TMessageReader reader(source);
  std::string body;
  while (!server.Exited() && writable) {
    const TMessageReader::TResult got = reader.Next(body);
    if (got == TMessageReader::TResult::End) break;
    if (got == TMessageReader::TResult::Broken) {
      server.ReceiveBroken();
      continue;
    }
    try {
      server.Receive(body);
    } catch (const std::bad_alloc&) {
      // A notification too big for the memory left: dropped, the service goes on.
    }
  }
  return server.ExitCode();
}

namespace {

class TStandardInput final : public TByteSource {
 public:
  explicit TStandardInput(platform::TStdStreams& streams) : FStreams(streams) {}
  size_t Read(char* buffer, size_t size) override {
    return FStreams.ReadStandardInputSome(buffer, size);
  }

 private:
  platform::TStdStreams& FStreams;
};

}  // namespace

int RunServer(const platform::TServices& services) {
  TStandardInput input(services.StdStreams);
  platform::TStdStreams& streams = services.StdStreams;
  return Serve(
      input, [&streams](std::string_view bytes) { return streams.WriteStandardOutput(bytes); },
      services);
}

}  // namespace lsp
