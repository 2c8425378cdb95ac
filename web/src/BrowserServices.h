#pragma once
// The platform services of the page: a browser has no files, clipboard, console or standard
// streams for the engine to reach. What an evaluation writes (a colour scheme, a converted
// program, the system colours) is kept in memory for that evaluation only, as the language
// server keeps it; the code pages are the built-in table, the system colours start from the
// Windows default palette.

#include <memory>

#include "lsp/QuietServices.h"
#include "platform/Encoding.h"
#include "platform/Services.h"

namespace web {

/// One evaluation's services, with a text boundary (and so a table of stand-ins) of its own, as a
/// run of `sheetcalc -` has.
class TBrowserServices {
 public:
  TBrowserServices();
  ~TBrowserServices();
  TBrowserServices(const TBrowserServices&) = delete;
  TBrowserServices& operator=(const TBrowserServices&) = delete;

  const platform::TServices& Services() const { return FQuiet->Services(); }

 private:
  struct TParts;
  platform::TTextBoundary FText;  // first: the services below take their texts across it
  std::unique_ptr<TParts> FParts;
  std::unique_ptr<platform::TServices> FBase;
  std::unique_ptr<lsp::TQuietServices> FQuiet;
};

}  // namespace web
