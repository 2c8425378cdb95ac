// The clipboard text a run replaces is kept in the state folder, so that `sheetcalc --undo` can
// put it back; putting it back keeps the text it replaces in turn, so a second --undo redoes.
// Only the last replaced text is kept, in a form that does not need this run's stand-ins: an
// inside text may hold characters that only the run that read it can spell.

#include <optional>
#include <string>

#include "host/Host.h"
#include "platform/Encoding.h"
#include "platform/Messages.h"
#include "platform/Services.h"
#include "scan/Exceptions.h"

namespace host {
namespace {

constexpr const char* ClipboardBeforeName = "clipboard-before";

void WarnNotKept(platform::TErrorReport& report, const std::string& reason) {
  report.ShowWarning(platform::Substitute(
      platform::TranslateInside(
          "cannot keep the clipboard's old text, so --undo cannot put it back: %1"),
      {reason}));
}

}  // namespace

bool THost::ReplaceClipboard(const std::string& text) {
  platform::TClipboard& clipboard = FServices.Clipboard;
  if (!FBeforeSettled && !FBefore) {
    try {
      FBefore = clipboard.GetClipboardText();
    } catch (const scan::Exception& e) {
      // The result still goes out: losing the way back is less than losing the result.
      WarnNotKept(FServices.ErrorReport, e.Message());
      FBeforeSettled = true;
    }
  }
  // Kept only once the clipboard has taken the new text: a run that cannot write it replaced
  // nothing, and must not overwrite the way back from an earlier run.
  if (!clipboard.SetClipboardText(text)) return false;
  if (FBeforeSettled) return true;
  FBeforeSettled = true;
  try {
    FServices.State.SaveState(ClipboardBeforeName, FServices.Text.ExportKeptText(*FBefore));
  } catch (const scan::Exception& e) {
    WarnNotKept(FServices.ErrorReport, e.Message());
  }
  FBefore.reset();
  return true;
}

int THost::UndoMode() {
  std::optional<std::string> kept = FServices.State.LoadState(ClipboardBeforeName);
  if (!kept) {
    FServices.ErrorReport.ShowWarning(
        platform::TranslateInside("no clipboard text has been kept to put back"));
    return 1;
  }
  const std::string source = FServices.State.StateFolder(false) + ClipboardBeforeName;
  if (!ReplaceClipboard(FServices.Text.ImportKeptText(*kept, source))) {
    FServices.ErrorReport.ShowWarning(
        platform::TranslateInside("cannot write the clipboard, so nothing was put back"));
    return 1;
  }
  return 0;
}

}  // namespace host
