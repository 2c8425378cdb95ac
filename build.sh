#!/usr/bin/env bash
# Installs what the build needs, builds sheetcalc (Release) into build/release and evaluates the
# example sheet, printing the annotated text.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh build
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSHEETCALC_TESTS=OFF >/dev/null
# The message catalogs too, so that the program speaks the user's language from the build tree.
cmake --build build/release -j "$(nproc)" --target sheetcalc message_catalogs
build/release/host/sheetcalc --stdout examples/first.sheet
