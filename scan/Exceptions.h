#pragma once
// The exception family of the whole program. Each class names its kind, so that the fatal-error
// report can say what went wrong; the message is the system's own text in code page 932.

#include <exception>
#include <string>

namespace scan {

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : FMessage(std::move(message)) {}
  const char* what() const noexcept override { return FMessage.c_str(); }
  const std::string& Message() const noexcept { return FMessage; }
  /// The kind of error, as the fatal-error report names it.
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string FMessage;
};

/// The engine's own evaluation errors (and the scanner's " not find separator ").
class EAbort : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EAbort"; }
};
/// A number text that does not convert (integer or floating point).
class EConvertError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EConvertError"; }
};
/// Floating-point faults.
class EInvalidOp : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EInvalidOp"; }
};
class EZeroDivide : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EZeroDivide"; }
};
class EOverflow : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EOverflow"; }
};
/// A file that the user asked for could not be read or written.
class EInOutError : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const noexcept override { return "EInOutError"; }
};
/// Text at the system boundary that is not valid in the outside encoding. When it names a place
/// in a text, the message reads "<source> の <line> 行 <column> 桁目: <detail>" and the parts are
/// kept as well, so that a one-line report can give them in the form tools expect.
class EEncodingError : public Exception {
 public:
  using Exception::Exception;
  EEncodingError(std::string source, long line, long column, std::string detail)
      : Exception(source + " の " + std::to_string(line) + " 行 " + std::to_string(column) +
                  " 桁目: " + detail),
        FSource(std::move(source)), FLine(line), FColumn(column), FDetail(std::move(detail)) {}
  const char* ClassName() const noexcept override { return "EEncodingError"; }
  /// The text's name (inside text); empty when the error names no place.
  const std::string& Source() const noexcept { return FSource; }
  long Line() const noexcept { return FLine; }
  long Column() const noexcept { return FColumn; }
  /// What is wrong there, without the place.
  const std::string& Detail() const noexcept { return FDetail; }

 private:
  std::string FSource;
  long FLine = 0;
  long FColumn = 0;
  std::string FDetail;
};

/// The one overflow error of extended arithmetic and of the number readers.
[[noreturn, gnu::cold]] void RaiseOverflow();
[[noreturn, gnu::cold]] void RaiseInvalidOp();
[[noreturn, gnu::cold]] void RaiseZeroDivide();

}  // namespace scan
