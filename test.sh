#!/usr/bin/env bash
# The whole test suite: installs what it needs, builds a Release and an ASan+UBSan configuration,
# runs the unit and golden tests (CTest) against both, then the X11 clipboard tests and the Windows
# build under Wine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
jobs=$(nproc)

configure_and_test() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

echo "== Release"
configure_and_test build/release -DCMAKE_BUILD_TYPE=Release
echo "== ASan+UBSan"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  configure_and_test build/asan -DCMAKE_BUILD_TYPE=Debug -DSHEETCALC_SANITIZE=ON

echo "== X11 clipboard"
tests/x11/run.sh build/release

echo "== Windows build under Wine"
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DSHEETCALC_TESTS=OFF >/dev/null
cmake --build build/win -j "$jobs"
tests/wine/run.sh build/win
