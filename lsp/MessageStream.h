#pragma once
// The protocol's framing: a header block ("Content-Length: N", other fields ignored, ended by an
// empty line) and N bytes of body. The reader never holds more than one bounded message, and
// finds its way to the next header block after a broken one.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace lsp {

/// The largest body the server reads; a longer one is passed over unread.
inline constexpr size_t MaxMessageSize = size_t{64} << 20;
/// The largest header block; a longer one is passed over up to its end.
inline constexpr size_t MaxHeaderSize = 64 << 10;

/// Bytes in: at most `size` of them, at least one unless the input has ended (then 0).
class TByteSource {
 public:
  virtual ~TByteSource() = default;
  virtual size_t Read(char* buffer, size_t size) = 0;
  /// True when a Read would not wait; false when that cannot be told.
  virtual bool Waiting() { return false; }
};

/// A byte source over a piece of memory (tests, the fuzz target).
class TMemorySource final : public TByteSource {
 public:
  explicit TMemorySource(std::string_view bytes) : FBytes(bytes) {}
  size_t Read(char* buffer, size_t size) override;
  bool Waiting() override { return !FBytes.empty(); }

 private:
  std::string_view FBytes;
};

class TMessageReader {
 public:
  enum class TResult { Message, Broken, End };
  explicit TMessageReader(TByteSource& source) : FSource(source) {}
  /// The next message's body (Message); Broken when a header block had no usable length or the
  /// body was too long (both passed over); End when the input has ended.
  TResult Next(std::string& body);
  /// True when bytes of a message have been read ahead of Next.
  bool Buffered() const { return FAt < FBuffer.size(); }

 private:
  /// Makes at least `n` unread bytes available; false when the input ends first.
  bool Fill(size_t n);
  /// The header block up to its empty line; false at the end of the input.
  bool ReadHeader(std::string& header);
  /// Passes over `n` bytes; false when the input ends first.
  bool Skip(size_t n);

  TByteSource& FSource;
  std::string FBuffer;
  size_t FAt = 0;  // first unread byte of FBuffer
};

/// The length in a header block; false when it has none, or one that is not a plain number.
bool ContentLength(std::string_view header, size_t& length);

/// A body framed for sending.
std::string Frame(std::string_view body);

}  // namespace lsp
