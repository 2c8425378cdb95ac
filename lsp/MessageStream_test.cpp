#include "lsp/MessageStream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lsp {
namespace {

/// Hands the bytes over a few at a time, as a pipe may.
class TTrickleSource final : public TByteSource {
 public:
  TTrickleSource(std::string bytes, size_t step) : FBytes(std::move(bytes)), FStep(step) {}
  size_t Read(char* buffer, size_t size) override {
    size_t n = std::min({size, FStep, FBytes.size() - FAt});
    FBytes.copy(buffer, n, FAt);
    FAt += n;
    return n;
  }

 private:
  std::string FBytes;
  size_t FStep, FAt = 0;
};

/// Every result of the reader, a message as its body, Broken as "#broken".
std::vector<std::string> ReadAll(TByteSource& source) {
  TMessageReader reader(source);
  std::vector<std::string> got;
  std::string body;
  for (;;) {
    auto r = reader.Next(body);
    if (r == TMessageReader::TResult::End) return got;
    got.push_back(r == TMessageReader::TResult::Broken ? "#broken" : body);
  }
}

TEST(MessageReader, ReadsFramedBodiesWhateverTheReadSizes) {
  const std::string bytes = Frame("{}") + "content-length:3\r\nContent-Type: x\r\n\r\nabc" +
                            "Content-Length: 2\n\n[]" + Frame("");
  for (size_t step : {1, 2, 7, 4096}) {
    TTrickleSource source(bytes, step);
    EXPECT_EQ(ReadAll(source), (std::vector<std::string>{"{}", "abc", "[]", ""})) << step;
  }
}

TEST(MessageReader, PassesOverBrokenHeadersAndOversizedBodies) {
  std::string bytes = "Content-Type: only\r\n\r\n";               // no length
  bytes += "Content-Length: 1x\r\n\r\n";                           // not a number
  bytes += "Content-Length: " + std::to_string(MaxMessageSize + 1) + "\r\n\r\n";
  bytes += std::string(MaxMessageSize + 1, ' ');                   // read past, never kept
  bytes += std::string(MaxHeaderSize + 10, 'h') + "\r\n\r\n";      // an endless header
  bytes += Frame("ok");
  bytes += "Content-Length: 10\r\n\r\nshort";                      // the input ends inside
  TMemorySource source(bytes);
  EXPECT_EQ(ReadAll(source),
            (std::vector<std::string>{"#broken", "#broken", "#broken", "#broken", "ok"}));
}

}  // namespace
}  // namespace lsp
