#pragma once
// The report of an error that ends the run, in the forms the two systems show it.
#include <exception>
#include <string>

namespace platform {
struct TServices;
}

namespace host {

/// The caption of the fatal-error report (English; the report shows it in the user's language).
extern const char* const FatalErrorCaption;

/// The fatal-error text in the user's language: "<kind> in module <module> at <address>.", a
/// line feed, and the message with a '.' behind it unless it ends with one.
std::string FatalErrorText(const std::exception* error, const std::string& module,
                           const void* where);

/// The fatal error in one line: "<source>:<line>:<column>: <detail>" for text that did not pass
/// the encoding boundary at a known place, else the message (the kind when there is none).
std::string FatalErrorLine(const std::exception* error);

/// Reports an error that ended the run (`error` null for one that is no std::exception) through
/// `services`' error report; `where`: the entry of the run it escaped from (an exception does not
/// carry the place it was raised); `toClipboard`: the results were headed for the clipboard.
void ReportFatalError(const std::exception* error, const std::string& programName,
                      const void* where, bool toClipboard, const platform::TServices& services);

}  // namespace host
