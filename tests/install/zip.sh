#!/usr/bin/env bash
# The Windows zip: `cpack` in the MinGW build folder makes it, and it holds sheetcalc.exe and the
# README, nothing else.
# Usage: zip.sh WIN_BUILD_DIR
set -eu
build=$(cd "${1:?usage: zip.sh WIN_BUILD_DIR}" && pwd)
rm -f "$build"/sheetcalc-*-win64.zip
(cd "$build" && cpack -G ZIP >cpack.log 2>&1) || { cat "$build/cpack.log"; echo "FAIL cpack"; exit 1; }
python3 - "$build"/sheetcalc-*-win64.zip <<'PY'
import sys, zipfile
names = sorted(n.rsplit("/", 1)[-1] for n in zipfile.ZipFile(sys.argv[1]).namelist())
if names != ["README.md", "sheetcalc.exe"]:
    sys.exit(f"FAIL the zip holds {names}")
print("Windows zip: all passed")
PY
