#!/usr/bin/env python3
"""Writes the string literals of unit test files as seed inputs, one file each, in code page 932:
the test tables hold the inputs that reach the most distinct paths.

usage: seeds_from_tests.py OUTPUT_DIR TEST_FILE...
"""

import ast
import os
import re
import sys

# A plain C++ string literal; adjacent literals are joined as the compiler joins them.
LITERAL = re.compile(r'(?<![\w\'])"((?:[^"\\\n]|\\.)*)"')
JOINED = re.compile(r'(?:"(?:[^"\\\n]|\\.)*"\s*){2,}')


def decode(body):
    # C escapes the tests use (\r \n \t \\ \" \x.. \ooo) read as Python's do, byte for byte.
    body = re.sub(r"\\x([0-9A-Fa-f]{2})", lambda m: "\\x" + m.group(1), body)
    raw = ast.literal_eval("b'" + body.encode("utf-8").decode("latin-1").replace("'", "\\'") + "'")
    try:
        return raw.decode("utf-8").encode("cp932")
    except (UnicodeDecodeError, UnicodeEncodeError):
        return raw


def main():
    out, files = sys.argv[1], sys.argv[2:]
    os.makedirs(out, exist_ok=True)
    seen = set()
    for path in files:
        with open(path, encoding="utf-8") as f:
            src = f.read()
        src = JOINED.sub(lambda m: '"' + "".join(LITERAL.findall(m.group(0))) + '"', src)
        for body in LITERAL.findall(src):
            if len(body) < 4 or "#include" in body:
                continue
            try:
                data = decode(body)
            except (ValueError, SyntaxError):
                continue
            if data in seen:
                continue
            seen.add(data)
            with open(os.path.join(out, "t%04d" % len(seen)), "wb") as f:
                f.write(data)
    print(len(seen))


if __name__ == "__main__":
    main()
