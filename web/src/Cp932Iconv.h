#pragma once
// UTF-8 and code page 932, converted as the POSIX iconv interface converts (web/src/shadow/iconv.h
// gives the text boundary these functions under iconv's names). Tables made from the native iconv
// at build time (web/tools/cp932_table.py).

#include <cstddef>

struct TWebIconv;

/// "CP932" from "UTF-8" or the other way; (TWebIconv*)-1 with errno EINVAL for any other pair.
TWebIconv* SheetcalcIconvOpen(const char* to, const char* from);
/// As POSIX iconv: the characters that fit, then -1 with errno E2BIG (no room), EILSEQ (a
/// sequence with no character or no code; the input stops at its first byte) or EINVAL (the
/// input ends inside a character). With no input, back to the initial state (there is none).
size_t SheetcalcIconv(TWebIconv* cd, char** in, size_t* inLeft, char** out, size_t* outLeft);
int SheetcalcIconvClose(TWebIconv* cd);
