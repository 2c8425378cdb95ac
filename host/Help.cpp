// The --help text: English as written here, in the user's language through the message catalogs.
// The lists of functions and constants come from the engine's own tables.

#include <string>
#include <vector>

#include "engine/CalcAnsiScript.h"
#include "host/Help.h"
#include "platform/Encoding.h"
#include "platform/Messages.h"
#include "platform/Services.h"
#include "scan/Exceptions.h"

namespace host {
namespace {

const char* const UsageMessage =
    "Usage: sheetcalc [OPTION]... [FILE]...\n"
    "Evaluates calculation sheets: one statement per line, each result written after \"//\".\n"
    "\n"
    "  sheetcalc            the sheet on the clipboard; the results go back to the clipboard\n"
    "                       (no sheet there: the console, one line at a time)\n"
    "  sheetcalc FILE...    the files that exist, in order; the results go to the clipboard\n"
    "  sheetcalc -          a sheet from standard input; the results go to standard output\n"
    "\n"
    "Options:\n"
    "      --stdout     write the results to standard output instead of the clipboard\n"
    "      --undo       put back the clipboard text the last run replaced (again: redo)\n"
    "      --lsp        language server over standard input and output\n"
    "      --allow-write DIR\n"
    "                   let a sheet's #P2Js output file go into DIR (or below) as well\n"
    "  -h, --help       show this help and exit\n"
    "  -V, --version    show the version and exit\n"
    "      --           every later argument is a file name\n";

// %1: the configuration folder, %2: the state folder.
const char* const FilesMessage =
    "\n"
    "Files:\n"
    "  %1\n"
    "      colour schemes (#scol) and the system colours\n"
    "  %2\n"
    "      the console's history and the clipboard text --undo puts back\n"
    "\n"
    "In a sheet or at the console, a line \"#h\" shows the directives and operators, and a line\n"
    "\"#SI\" reads and writes the rest of the sheet with the standard prefix letters\n"
    "(G 10^9, T 10^12, P 10^15, n 10^-9, p 10^-12, f 10^-15).\n";

const char* const FunctionsHeading = "\nBuilt-in functions:\n";
const char* const ConstantsHeading = "\nConstants (\"#<constants>\" in a sheet lists their names):\n";

std::string Inside(const char* message, platform::TTextBoundary&) {
  return platform::TranslateInside(message);
}

void ReplaceFirst(std::string& text, const std::string& mark, const std::string& by) {
  size_t at = text.find(mark);
  if (at != std::string::npos) text.replace(at, mark.size(), by);
}

/// The names, blank-separated, in lines of at most about 76 columns indented by two.
std::string NameLines(const std::vector<std::string>& names) {
  std::string text;
  size_t column = 0;
  for (const std::string& name : names) {
    if (column > 0 && column + 1 + name.size() > 76) {
      text += "\r\n";
      column = 0;
    }
    if (column == 0) {
      text += ' ';
      column = 1;
    }
    (text += ' ') += name;
    column += 1 + name.size();
  }
  return text + "\r\n";
}

std::string Folders(std::string text, const platform::TServices& services) {
  std::string config = "$XDG_CONFIG_HOME/sheetcalc/", state = "$XDG_STATE_HOME/sheetcalc/";
  try {
    config = services.Files.ProgramFolder(false);
    state = services.Text.ImportName(services.State.StateFolder(false), "HOME");
  } catch (const scan::Exception&) {
  }
  ReplaceFirst(text, "%1", config);
  ReplaceFirst(text, "%2", state);
  return text;
}

}  // namespace

std::string HelpText(bool withNames, const platform::TServices& services) {
  platform::TTextBoundary& boundary = services.Text;
  std::string text =
      Inside(UsageMessage, boundary) + Folders(Inside(FilesMessage, boundary), services);
  if (!withNames) return text;
  text += Inside(FunctionsHeading, boundary) + NameLines(engine::BuiltInFunctionNames());
  // The "#定数" directive is the one non-ASCII word here; the catalog's text keeps a mark for it.
  std::string constants = Inside(ConstantsHeading, boundary);
  ReplaceFirst(constants, "<constants>", "定数");
  return text + constants + NameLines(engine::ConstantNames());
}

}  // namespace host
