#include "lsp/MessageStream.h"

#include <algorithm>
#include <cstring>

namespace lsp {
namespace {

constexpr size_t ReadSize = 64 << 10;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(text[i]) != prefix[i]) return false;
  return true;
}

}  // namespace

size_t TMemorySource::Read(char* buffer, size_t size) {
  const size_t n = std::min(size, FBytes.size());
  std::memcpy(buffer, FBytes.data(), n);
  FBytes.remove_prefix(n);
  return n;
}

bool ContentLength(std::string_view header, size_t& length) {
  constexpr std::string_view Name = "content-length:";
  bool found = false;
  while (!header.empty()) {
    size_t end = header.find('\n');
    std::string_view line = header.substr(0, end);
    header.remove_prefix(end == std::string_view::npos ? header.size() : end + 1);
    if (!StartsWithNoCase(line, Name)) continue;
    line.remove_prefix(Name.size());
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.remove_suffix(1);
    if (line.empty() || line.size() > 12) return false;
    size_t value = 0;
    for (char c : line) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + static_cast<size_t>(c - '0');
    }
    length = value;
    found = true;
  }
  return found;
}

std::string Frame(std::string_view body) {
  std::string framed = "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
  framed += body;
  return framed;
}

bool TMessageReader::Fill(size_t n) {
  while (FBuffer.size() - FAt < n) {
    if (FAt > 0 && FAt >= FBuffer.size() / 2) {
      FBuffer.erase(0, FAt);
      FAt = 0;
    }
    const size_t old = FBuffer.size();
    const size_t want = std::max(ReadSize, n - (old - FAt));
    FBuffer.resize(old + want);
    const size_t got = FSource.Read(FBuffer.data() + old, want);
    FBuffer.resize(old + got);
    if (got == 0) return false;
  }
  return true;
}

bool TMessageReader::ReadHeader(std::string& header) {
  // The block ends with an empty line: CR LF CR LF, or LF LF from a lenient client. `searched`
  // counts from FAt, since filling the buffer may move its unread bytes to its start.
  size_t searched = 0;
  for (;;) {
    std::string_view unread(FBuffer.data() + FAt, FBuffer.size() - FAt);
    size_t end = unread.find("\n\r\n", searched);
    size_t endLength = 3;
    const size_t lf = unread.find("\n\n", searched);
    if (lf < end) end = lf, endLength = 2;
    if (end != std::string_view::npos) {
      header.assign(unread.substr(0, end + endLength));
      FAt += end + endLength;
      return true;
    }
    // The last two bytes are searched again: the end may straddle two reads.
    searched = unread.size() < 2 ? 0 : unread.size() - 2;
    if (unread.size() > MaxHeaderSize) {
      FAt += searched;  // an endless header: its bytes are dropped as they come
      searched = 0;
    }
    if (!Fill(FBuffer.size() - FAt + 1)) return false;
  }
}

bool TMessageReader::Skip(size_t n) {
  while (n > 0) {
    if (FAt == FBuffer.size() && !Fill(1)) return false;
    const size_t take = std::min(n, FBuffer.size() - FAt);
    FAt += take;
    n -= take;
  }
  return true;
}

TMessageReader::TResult TMessageReader::Next(std::string& body) {
  std::string header;
  if (!ReadHeader(header)) return TResult::End;
  size_t length = 0;
  if (!ContentLength(header, length)) return TResult::Broken;
  if (length > MaxMessageSize) return Skip(length) ? TResult::Broken : TResult::End;
  // The body goes straight into its own string: a large one (a whole document) never makes the
  // buffer grow to its size, and stay so.
  const size_t buffered = std::min(length, FBuffer.size() - FAt);
  body.assign(FBuffer, FAt, buffered);
  FAt += buffered;
  body.resize(length);
  for (size_t have = buffered; have < length;) {
    const size_t got = FSource.Read(body.data() + have, length - have);
    if (got == 0) return TResult::End;
    have += got;
  }
  return TResult::Message;
}

}  // namespace lsp
