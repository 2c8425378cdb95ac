#pragma once
// The process's standard streams, for the command-line use of the program: a sheet from standard
// input, results to standard output. Standard error belongs to the error report (ErrorReport.h).

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace platform {

class TTextBoundary;

class TStdStreams {
 public:
  virtual ~TStdStreams() = default;
  /// Everything on standard input, the bytes as they came (outside text).
  virtual std::string ReadStandardInput() = 0;
  /// True when standard input, as last read, is a file that can be read again from where the
  /// first read began; otherwise the caller must keep what it read if it may need it again.
  virtual bool CanRereadStandardInput() const { return false; }
  /// Those bytes once more; false when they cannot be had.
  virtual bool RereadStandardInput(std::string& bytes) {
    (void)bytes;
    return false;
  }
  /// Reads what standard input has now, at most `size` bytes, waiting for at least one; 0 at the
  /// end of input or on a read error. For a reader of a stream of messages.
  virtual size_t ReadStandardInputSome(char* buffer, size_t size) {
    (void)buffer;
    (void)size;
    return 0;
  }
  /// True when a read of standard input would not wait; false where that cannot be told.
  virtual bool StandardInputWaiting() { return false; }
  /// Writes bytes to standard output as they are (outside text); false when the write failed.
  virtual bool WriteStandardOutput(std::string_view bytes) = 0;
};

/// The process's own streams; the texts it takes in and hands out cross `text`, which outlives it.
std::unique_ptr<TStdStreams> NewSystemStdStreams(TTextBoundary& text);

}  // namespace platform
