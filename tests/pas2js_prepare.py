#!/usr/bin/env python3
"""Prepares Free Pascal sources as converter input: every .pas and .pp file under SOURCE-DIR
becomes OUT-DIR/NNNNNN.in, a "#P2Js" line followed by the file's text, in the order of the sorted
paths (listed in OUT-DIR/files, one a line). The sheet must be UTF-8 that code page 932 can hold:
bytes that are not UTF-8 and characters code page 932 lacks become '?', so that every file reaches
the converter. With --joined FILE, the prepared files are also written one after another to FILE.
With --file, one Pascal text IN is prepared into OUT the same way.

    pas2js_prepare.py SOURCE-DIR OUT-DIR [--joined FILE]
    pas2js_prepare.py --file IN OUT
"""
import os
import sys


def prepare(text):
    text = text.decode("utf-8", errors="replace")
    # U+FFFD (a byte that was not UTF-8) is not in code page 932 either.
    text = text.encode("cp932", errors="replace").decode("cp932")
    return b"#P2Js\n" + text.encode("utf-8")


def main(argv):
    if len(argv) == 3 and argv[0] == "--file":
        with open(argv[1], "rb") as f:
            data = prepare(f.read())
        with open(argv[2], "wb") as f:
            f.write(data)
        return
    if len(argv) not in (2, 4) or (len(argv) == 4 and argv[2] != "--joined"):
        sys.exit("usage:\n" + "\n".join(__doc__.strip().splitlines()[-2:]))
    src, out = argv[0], argv[1]
    paths = []
    for folder, _, names in os.walk(src):
        paths += [os.path.join(folder, n) for n in names if n.endswith((".pas", ".pp"))]
    paths.sort()
    os.makedirs(out, exist_ok=True)
    joined = open(argv[3], "wb") if len(argv) == 4 else None
    with open(os.path.join(out, "files"), "w", encoding="utf-8", errors="surrogateescape") as listing:
        for n, path in enumerate(paths):
            listing.write(path + "\n")
            with open(path, "rb") as f:
                data = prepare(f.read())
            with open(os.path.join(out, "%06d.in" % n), "wb") as f:
                f.write(data)
            if joined:
                joined.write(data)
    if joined:
        joined.close()


if __name__ == "__main__":
    main(sys.argv[1:])
