#pragma once
// Stands in for the C library's <iconv.h> in the WebAssembly build: the C library there has no
// code page 932, so the text boundary (platform/posix/Encoding-posix.cpp, compiled unchanged)
// converts through web/src/Cp932Iconv.h, which knows UTF-8 and code page 932 and nothing else.
// The functions keep the project's own names, so the C library's converter is never linked in
// their place.

#include "../Cp932Iconv.h"

typedef TWebIconv* iconv_t;

#define iconv_open SheetcalcIconvOpen
#define iconv SheetcalcIconv
#define iconv_close SheetcalcIconvClose
