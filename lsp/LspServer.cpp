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

bool ClientResolvesEdits(const json& params) {
  const json* at = &params;
  for (const char* name : {"capabilities", "textDocument", "codeAction", "resolveSupport", "properties"}) {
    if (!at->is_object()) return false;
    auto it = at->find(name);
    if (it == at->end()) return false;
    at = &*it;
  }
  if (!at->is_array()) return false;
  for (const json& p : *at)
    if (p.is_string() && p.get_ref<const std::string&>() == "edit") return true;
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/// The code unit of the escape "\uXXXX" at `at`, or -1 when there is none.
int EscapedUnit(std::string_view text, size_t at) {
  if (at + 6 > text.size() || text[at] != '\\' || text[at + 1] != 'u') return -1;
  int unit = 0;
  for (size_t i = at + 2; i < at + 6; ++i) {
    const int d = HexDigit(text[i]);
    if (d < 0) return -1;
    unit = unit * 16 + d;
  }
  return unit;
}

}  // namespace

std::optional<std::string> MendLoneSurrogates(std::string_view body) {
  std::optional<std::string> mended;
  size_t copied = 0;  // body[0, copied) is in `mended`
  for (size_t at = body.find('\\'); at != std::string_view::npos; at = body.find('\\', at)) {
    const int unit = EscapedUnit(body, at);
    if (unit < 0) {
      at += 2;  // another escape: its second byte may be a backslash
      continue;
    }
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const int next = high ? EscapedUnit(body, at + 6) : -1;
    if (high && next >= 0xDC00 && next <= 0xDFFF) {
      at += 12;
      continue;
    }
    if (unit < 0xD800 || unit > 0xDFFF) {
      at += 6;
      continue;
    }
    if (!mended) mended.emplace();
    mended->append(body.substr(copied, at - copied)).append("\\ufffd");
    at += 6;
    copied = at;
  }
  if (mended) mended->append(body.substr(copied));
  return mended;
}

TLspServer::TLspServer(std::function<void(std::string_view)> send,
                       const platform::TServices& services, engine::TAdditionList additions)
    : FSend(std::move(send)),
      FQuiet(services),
      FAdditions(additions),
      FDirectives(engine::TAnsiCalculate(std::string(), FQuiet.Services(), additions).DirectiveNames()) {}

// ---- Messages in and out --------------------------------------------------------------------

void TLspServer::Receive(std::string_view body) {
  const std::optional<std::string> mended = MendLoneSurrogates(body);
  json message = json::parse(mended ? std::string_view(*mended) : body, nullptr, false);
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
  if (method == "codeAction/resolve") return ResolveAction(params);
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
  FResolveSupport = ClientResolvesEdits(params);
  json capabilities = {
      {"positionEncoding", FEncoding == TPositionEncoding::Utf8 ? "utf-8" : "utf-16"},
      {"textDocumentSync", {{"openClose", true}, {"change", 2}}},
      {"inlayHintProvider", true},
      {"hoverProvider", true},
      {"completionProvider", {{"triggerCharacters", {"#"}}}},
      {"codeActionProvider", {{"codeActionKinds", {"refactor.rewrite"}}, {"resolveProvider", true}}},
  };
  return {{"capabilities", std::move(capabilities)},
          {"serverInfo", {{"name", "sheetcalc"}, {"version", SHEETCALC_VERSION}}}};
}

// ---- Documents ------------------------------------------------------------------------------

TOpenDocument& TLspServer::Document(const json& params) {
  const std::string& uri = DocumentUri(params);
  auto it = FDocuments.find(uri);
  if (it == FDocuments.end()) throw TRequestError{InvalidParams, "the document is not open: " + uri};
  return *it->second;
}

TOpenDocument& TLspServer::Evaluated(const json& params, int64_t line) {
  TOpenDocument& document = Document(params);
  document.Sheet.EvaluateThrough(line);
  return document;
}

/// The document's version in a message, when it has one.
static void TakeVersion(const json& item, TOpenDocument& document) {
  auto version = item.find("version");
  if (version != item.end() && version->is_number_integer()) document.Version = version->get<int64_t>();
}

void TLspServer::DidOpen(const json& params) {
  const json& item = Member(params, "textDocument");
  const std::string& uri = StringMember(item, "uri");
  auto document = std::make_unique<TOpenDocument>(StringMember(item, "text"), FQuiet, FAdditions);
  TakeVersion(item, *document);
  FDocuments[uri] = std::move(document);
}

void TLspServer::DidChange(const json& params) {
  const std::string& uri = DocumentUri(params);
  TOpenDocument& document = Document(params);
  const json& changes = Member(params, "contentChanges");
  if (!changes.is_array() || changes.size() > MaxContentChanges) return;
  TakeVersion(Member(params, "textDocument"), document);
  document.Published = false;
  FRefreshDue = true;
  for (const json& change : changes) {
    const std::string& text = StringMember(change, "text");
    if (!change.contains("range")) {
      document.Sheet.Replace(text);
      continue;
    }
    const json& range = Member(change, "range");
    document.Sheet.Edit(PositionOf(Member(range, "start")), PositionOf(Member(range, "end")), text,
                        FEncoding);
    if (document.Sheet.Text().Text().size() > MaxMessageSize) {
      // Grown past anything the server reads in one piece: forgotten as if closed.
      FDocuments.erase(uri);
      PublishDiagnostics(uri, nullptr);
      return;
    }
  }
}

void TLspServer::DidClose(const json& params) {
  const std::string uri = DocumentUri(params);
  if (FDocuments.erase(uri) > 0) PublishDiagnostics(uri, nullptr);
}

void TLspServer::Idle(const std::function<bool()>& waiting) {
  if (FRefreshDue && FRefreshSupport && !FShutdown)
    Send({{"jsonrpc", "2.0"}, {"id", FNextId++}, {"method", "workspace/inlayHint/refresh"}});
  FRefreshDue = false;
  for (auto& [uri, document] : FDocuments) {
    while (!document->Sheet.Evaluated()) {
      document->Sheet.EvaluateSome();
      if (waiting()) return;
    }
    if (!document->Published) PublishDiagnostics(uri, document.get());
    document->Published = true;
  }
}

// ---- The service over a stream --------------------------------------------------------------

int Serve(TByteSource& source, const std::function<bool(std::string_view)>& write,
          const platform::TServices& services, engine::TAdditionList additions) {
  bool writable = true;
  TLspServer server(
      [&](std::string_view body) {
        if (writable) writable = write(Frame(body));
      },
      services, additions);
  TMessageReader reader(source);
  std::string body;
  // The messages that are waiting are taken first, one after the other: a change only marks
  // what it touches, and a request evaluates as far as it needs. What is left is done when no
  // message waits.
  const auto waiting = [&] { return reader.Buffered() || source.Waiting(); };
  const auto idle = [&] {
    try {
      server.Idle(waiting);
    } catch (const std::bad_alloc&) {
    }
  };
  while (!server.Exited() && writable) {
    if (!waiting()) idle();
    const TMessageReader::TResult got = reader.Next(body);
    if (got == TMessageReader::TResult::End) {
      idle();
      break;
    }
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
  bool Waiting() override { return FStreams.StandardInputWaiting(); }

 private:
  platform::TStdStreams& FStreams;
};

}  // namespace

int RunServer(const platform::TServices& services, engine::TAdditionList additions) {
  TStandardInput input(services.StdStreams);
  platform::TStdStreams& streams = services.StdStreams;
  return Serve(
      input, [&streams](std::string_view bytes) { return streams.WriteStandardOutput(bytes); },
      services, additions);
}

}  // namespace lsp
