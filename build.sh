#!/usr/bin/env bash
# Installs what the build needs, builds sheetcalc (Release) into build/release and evaluates the
# example sheet, printing the annotated text.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh build
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSHEETCALC_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target sheetcalc
build/release/host/sheetcalc --stdout examples/first.sheet
