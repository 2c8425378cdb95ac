#!/usr/bin/env python3
"""Writes the code page 932 tables of the WebAssembly build as a C++ source file, taken from this
machine's own iconv ("CP932"), so that the page converts exactly as the native program does.

Usage: cp932_table.py OUT.cpp

Decoding: one entry per single byte 0x80-0xFF and per pair of a lead byte (81-9F, E0-FC) and a
trail byte (40-FC); 0 where iconv refuses the bytes. Encoding: every code point of the Basic
Multilingual Plane above ASCII that iconv gives a code, with that code (iconv's choice where
several codes decode to the same character).
"""
import ctypes
import ctypes.util
import sys

libc = ctypes.CDLL(ctypes.util.find_library("c"), use_errno=True)
libc.iconv_open.restype = ctypes.c_void_p
libc.iconv_open.argtypes = [ctypes.c_char_p, ctypes.c_char_p]
libc.iconv.restype = ctypes.c_size_t
libc.iconv.argtypes = [ctypes.c_void_p] + [ctypes.c_void_p] * 4
libc.iconv_close.argtypes = [ctypes.c_void_p]

LEADS = list(range(0x81, 0xA0)) + list(range(0xE0, 0xFD))
TRAILS = range(0x40, 0xFD)


class Converter:
    def __init__(self, to, frm):
        self.handle = libc.iconv_open(to.encode(), frm.encode())
        if self.handle in (None, ctypes.c_void_p(-1).value):
            sys.exit(f"cp932_table.py: this system's iconv has no conversion from {frm} to {to}")
        self.out = ctypes.create_string_buffer(16)

    def convert(self, data):
        """The whole of `data` converted, or None when iconv refuses any of it."""
        libc.iconv(self.handle, None, None, None, None)
        src = ctypes.create_string_buffer(data, len(data))
        src_ptr = ctypes.c_char_p(ctypes.addressof(src))
        src_left = ctypes.c_size_t(len(data))
        dst_ptr = ctypes.c_char_p(ctypes.addressof(self.out))
        dst_left = ctypes.c_size_t(len(self.out))
        r = libc.iconv(self.handle, ctypes.byref(src_ptr), ctypes.byref(src_left),
                       ctypes.byref(dst_ptr), ctypes.byref(dst_left))
        if r == ctypes.c_size_t(-1).value or src_left.value != 0:
            return None
        return self.out.raw[: len(self.out) - dst_left.value]


def code_point(utf8):
    """The one BMP code point that `utf8` spells, else 0."""
    if utf8 is None:
        return 0
    text = utf8.decode("utf-8", "surrogatepass")
    return ord(text) if len(text) == 1 and ord(text) <= 0xFFFF else 0


def main():
    decode = Converter("UTF-8", "CP932")
    encode = Converter("CP932", "UTF-8")
    singles = [code_point(decode.convert(bytes([b]))) for b in range(0x80, 0x100)]
    pairs = [code_point(decode.convert(bytes([lead, trail]))) for lead in LEADS for trail in TRAILS]
    encoded = []
    for cp in range(0x80, 0x10000):
        if 0xD800 <= cp <= 0xDFFF:
            continue
        code = encode.convert(chr(cp).encode("utf-8"))
        if code:
            encoded.append((cp, int.from_bytes(code, "big")))

    def rows(values, fmt):
        return ",\n".join("    " + ", ".join(fmt % v for v in values[i:i + 12])
                          for i in range(0, len(values), 12))

    with open(sys.argv[1], "w", encoding="ascii") as out:
        out.write("// Made by web/tools/cp932_table.py from this machine's iconv; do not edit.\n")
        out.write('#include "Cp932Tables.h"\n\nnamespace web {\n\n')
        out.write("const uint16_t Cp932SingleBytes[128] = {\n%s};\n\n" % rows(singles, "0x%04X"))
        out.write("const uint16_t Cp932Pairs[Cp932LeadCount * Cp932TrailCount] = {\n%s};\n\n"
                  % rows(pairs, "0x%04X"))
        out.write("const size_t Cp932EncodedCount = %d;\n" % len(encoded))
        out.write("const uint16_t Cp932EncodedCharacters[] = {\n%s};\n"
                  % rows([cp for cp, _ in encoded], "0x%04X"))
        out.write("const uint16_t Cp932EncodedCodes[] = {\n%s};\n\n"
                  % rows([code for _, code in encoded], "0x%04X"))
        out.write("}  // namespace web\n")


if __name__ == "__main__":
    main()
