#!/usr/bin/env python3
"""Copies a C++ source file, spelling every non-ASCII character of its plain narrow string and
character literals as octal escapes of its code page 932 bytes.

The program's texts are written in the sources as UTF-8 and GCC turns them into code page 932
bytes with -fexec-charset=CP932. Other compilers (clang) know no execution character set but
UTF-8, so they compile these copies instead: the binary then holds the same bytes as the GCC build. Comments, u8/u/U/L literals and raw literals are left as they are.

usage: cp932_literals.py SOURCE COPY
"""

import os
import subprocess
import sys


def cp932(text):
    try:
        return text.encode("cp932")
    except UnicodeEncodeError:
        # iconv's table is the one GCC uses; ask it for what Python's table lacks.
        done = subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP932"], input=text.encode("utf-8"),
                              capture_output=True, check=True)
        return done.stdout


def escape_run(run):
    # Three octal digits always, so a digit that follows the run is never taken into the escape.
    return "".join("\\%03o" % b for b in cp932(run))


def transcode_literal(body):
    out, run = [], []
    for ch in body:
        if ord(ch) > 0x7F:
            run.append(ch)
            continue
        if run:
            out.append(escape_run("".join(run)))
            run = []
        out.append(ch)
    if run:
        out.append(escape_run("".join(run)))
    return "".join(out)


def literal_end(src, i, quote):
    """Index behind the closing quote of the literal whose opening quote is at i."""
    j = i + 1
    while j < len(src):
        if src[j] == "\\":
            j += 2
            continue
        if src[j] == quote or src[j] == "\n":
            return j + 1
        j += 1
    return j


def word_before(src, i):
    j = i
    while j > 0 and (src[j - 1].isalnum() or src[j - 1] == "_"):
        j -= 1
    return src[j:i]


def transcode(src):
    out, i, n = [], 0, len(src)
    while i < n:
        c = src[i]
        if src.startswith("//", i):
            j = src.find("\n", i)
            j = n if j < 0 else j
            out.append(src[i:j])
            i = j
        elif src.startswith("/*", i):
            j = src.find("*/", i + 2)
            j = n if j < 0 else j + 2
            out.append(src[i:j])
            i = j
        elif c in "\"'":
            prefix = word_before(src, i)
            if c == "'" and prefix[:1].isdigit():  # a digit separator: 0xFFFF'FFFF
                out.append(c)
                i += 1
                continue
            if c == '"' and prefix in ("R", "u8R", "uR", "UR", "LR"):
                delim_end = src.index("(", i)
                closing = ")" + src[i + 1:delim_end] + '"'
                j = src.index(closing, delim_end) + len(closing)
                out.append(src[i:j])
                i = j
                continue
            j = literal_end(src, i, c)
            if prefix in ("u8", "u", "U", "L"):
                out.append(src[i:j])
            else:
                out.append(c + transcode_literal(src[i + 1:j]))
            i = j
        else:
            out.append(c)
            i += 1
    return "".join(out)


def main():
    source, copy = sys.argv[1], sys.argv[2]
    with open(source, encoding="utf-8") as f:
        text = transcode(f.read())
    os.makedirs(os.path.dirname(copy) or ".", exist_ok=True)
    tmp = copy + ".tmp"
    with open(tmp, "w", encoding="utf-8", newline="") as f:
        f.write(text)
    os.replace(tmp, copy)


if __name__ == "__main__":
    main()
