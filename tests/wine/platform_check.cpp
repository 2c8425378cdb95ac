// Checks of the Windows platform layer against the real system services, run under Wine by
// run.sh. Prints one line per failed check and "N passed, M failed"; exit status 1 on failure.
//   platform_check FOLDER EXPECTED-PROGRAM-FOLDER   files, clipboard and number format checks,
//                                                   working in FOLDER (which must exist)
//   platform_check echo                             standard input to standard output through
//                                                   the standard streams, byte for byte

#include <cstdio>
#include <string>
#include <vector>

#include "platform/StandIns.h"
#include "platform/SystemServices.h"
#include "platform/win32/WideText.h"
#include "scan/Exceptions.h"

namespace {

int gPassed = 0;
int gFailed = 0;

/// Byte values, for a failure message that shows what differs.
std::string Hex(const std::string& s) {
  std::string out;
  char buffer[4];
  for (unsigned char c : s) {
    std::snprintf(buffer, sizeof buffer, "%02x", c);
    out += buffer;
  }
  return out;
}

void CheckEqual(const char* what, const std::string& got, const std::string& want) {
  if (got == want) {
    ++gPassed;
    return;
  }
  ++gFailed;
  std::printf("FAIL %s: got %s, want %s\n", what, Hex(got).c_str(), Hex(want).c_str());
}

void CheckTrue(const char* what, bool ok) {
  if (ok) {
    ++gPassed;
    return;
  }
  ++gFailed;
  std::printf("FAIL %s\n", what);
}

// Texts that must survive a file or the clipboard unchanged: CR LF, a lone CR and LF, double-byte
// characters whose trail byte is 0x5C ("表", "ソ"), and control bytes (0x1A ends text files in
// some runtimes' text mode).
const std::vector<std::pair<const char*, std::string>> RoundTripTexts = {
    {"empty", ""},
    {"ascii lines", "a=2\r\nb=a*3\r\nb+1\r\n"},
    {"lone line ends", "x\ry\nz"},
    {"double-byte", "表示=1\r\nソ\\\r\n"},
    {"control bytes", std::string("\x1a\x01\x7f\xff", 4)},
};

void CheckFiles(platform::TFileSystem& files, const std::string& folder) {
  const std::string name = folder + "\\表.txt";
  for (const auto& [what, text] : RoundTripTexts) {
    files.SaveTextFile(name, text);
    CheckEqual(what, files.LoadTextFile(name), text);
  }
  // A zero byte inside a file is part of the text.
  const std::string withZero("a\0b", 3);
  files.SaveTextFile(name, withZero);
  CheckEqual("zero byte in a file", files.LoadTextFile(name), withZero);
  // A longer text replaced by a shorter one leaves nothing of the old one behind.
  files.SaveTextFile(name, std::string(100000, 'x'));
  files.SaveTextFile(name, "short");
  CheckEqual("file replaced", files.LoadTextFile(name), "short");

  CheckTrue("existing file exists", files.FileExists(name));
  CheckTrue("a folder is no file", !files.FileExists(folder));
  CheckTrue("delete existing file", files.DeleteFile(name));
  CheckTrue("deleted file is gone", !files.FileExists(name));
  CheckTrue("second delete fails", !files.DeleteFile(name));
  CheckEqual("missing file loads empty", files.LoadTextFile(name), "");

  const std::string badName = folder + "\\no such folder\\x.txt";
  std::string message;
  try {
    files.SaveTextFile(badName, "x");
  } catch (const scan::EInOutError& e) {
    message = e.Message();
  }
  const std::string prefix = "ファイルを書けません: " + badName + ": ";
  CheckEqual("write failure names the file", message.substr(0, prefix.size()), prefix);
  CheckTrue("write failure gives a reason", message.size() > prefix.size());
}

void CheckProgramFolder(platform::TFileSystem& files, const std::string& expected) {
  // run.sh starts this program as "表.exe": the trail byte 0x5C of its name is no separator.
  CheckEqual("program folder", files.ProgramFolder(false), expected);
  CheckEqual("program folder (create)", files.ProgramFolder(true), expected);
}

/// The inside code of the stand-in for `carried` in `table`.
std::string StandIn(platform::TStandIns& table, platform::TCarried carried) {
  std::string code;
  platform::AppendUserAreaCode(code, table.StandInFor(carried));
  return code;
}

void CheckClipboard(platform::TClipboard& clipboard, platform::TStandIns& table) {
  for (const auto& [what, text] : RoundTripTexts) {
    CheckTrue(what, clipboard.SetClipboardText(text));
    // Written as UTF-16: a byte that is not code page 932 comes back as U+FFFD.
    const bool odd = text.find('\xff') != std::string::npos;
    const std::string back = odd ? "\x1a\x01\x7f" + StandIn(table, 0xFFFD) : text;
    CheckEqual(what, clipboard.GetClipboardText(), back);
  }
  // Characters code page 932 lacks, a lone surrogate, the yen sign and private-use characters
  // (U+E000 after its code was given to another character) go through UTF-16 and back.
  const std::wstring wide = L"\x8868\x20AC-\xD83D\xDE00 \xD800\xA5\xE000\xE001\r\n";
  const std::string inside = platform::win32::ImportWideText(table, wide, "t");
  CheckTrue("UTF-16 round trip", platform::win32::ExportWideText(table, inside) == wide);
  CheckEqual("UTF-16 stand-ins", inside.substr(0, 3),
             "\x95\x5c" + StandIn(table, 0x20AC).substr(0, 1));
  CheckTrue("carried text on the clipboard", clipboard.SetClipboardText(inside));
  CheckEqual("carried text on the clipboard", clipboard.GetClipboardText(), inside);
  // The clipboard's text ends at its first zero byte.
  CheckTrue("set text with zero byte", clipboard.SetClipboardText(std::string("ab\0cd", 5)));
  CheckEqual("text ends at zero byte", clipboard.GetClipboardText(), "ab");
}

void CheckNumberFormat(const platform::TServices& services) {
  // The Japanese locale writes numbers with a full stop.
  CheckEqual("decimal separator", std::string(1, services.Format.DecimalSeparator), ".");
}

}  // namespace

int main(int argc, char** argv) {
  const platform::TSystemServices system;
  const platform::TServices& services = system.Services();
  if (argc == 2 && std::string(argv[1]) == "echo") {
    platform::TStdStreams& streams = services.StdStreams;
    return streams.WriteStandardOutput(streams.ReadStandardInput()) ? 0 : 1;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: platform_check FOLDER EXPECTED-PROGRAM-FOLDER | echo\n");
    return 2;
  }
  try {
    CheckFiles(services.Files, argv[1]);
    CheckProgramFolder(services.Files, argv[2]);
    CheckClipboard(services.Clipboard, services.Text.StandIns());
    CheckNumberFormat(services);
  } catch (const std::exception& e) {
    ++gFailed;
    std::printf("FAIL unexpected error: %s\n", e.what());
  }
  std::printf("%d passed, %d failed\n", gPassed, gFailed);
  return gFailed == 0 ? 0 : 1;
}
