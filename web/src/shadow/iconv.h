#pragma once
// Stands in for the C library's <iconv.h> in the WebAssembly build: the C library there has no
// code page 932, so the text boundary (platform/posix/Encoding-posix.cpp, compiled unchanged)
// converts through web/src/Cp932Iconv.cpp, which knows UTF-8 and code page 932 and nothing else.
// The names are the project's own, so the C library's converter is never linked in its place.

#include <cstddef>

typedef struct TWebIconv* iconv_t;

#define iconv_open SheetcalcIconvOpen
#define iconv SheetcalcIconv
#define iconv_close SheetcalcIconvClose

/// "CP932" from "UTF-8" or the other way; (iconv_t)-1 with errno EINVAL for any other pair.
iconv_t SheetcalcIconvOpen(const char* to, const char* from);
/// As POSIX iconv: the characters that fit, then -1 with errno E2BIG (no room), EILSEQ (a
/// sequence with no character or no code; the input stops at its first byte) or EINVAL (the
/// input ends inside a character). With no input, back to the initial state (there is none).
size_t SheetcalcIconv(iconv_t cd, char** in, size_t* inLeft, char** out, size_t* outLeft);
int SheetcalcIconvClose(iconv_t cd);
