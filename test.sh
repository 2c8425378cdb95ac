#!/usr/bin/env bash
# The whole test suite: installs what it needs, builds a Release and an ASan+UBSan configuration,
# runs CTest against both (unit, golden, console, X11 and Wayland clipboard, editors, installation,
# hostile inputs, fuzz regression cases), then other builds against the golden sheets and a random
# sheet whose output must equal the Release build's: the software 80-bit number on this machine
# (with its unit tests), clang with libc++, and 64-bit ARM under qemu (and its Debian package);
# checks the Debian package and the RPM with lintian and
# rpmlint and installs and removes the Debian package, then the Windows build under Wine and its
# installer, the converter over the Free Pascal sources under ASan+UBSan, each fuzz target for a
# short while, and the page: the engine in WebAssembly against the native filter and in headless
# Chromium.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh test
scripts/install-deps.sh cross
jobs=$(nproc)

configure_and_test() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure --no-tests=error -j "$jobs")
}

echo "== Release ($(date +%T))"
configure_and_test build/release -DCMAKE_BUILD_TYPE=Release -DSHEETCALC_TESTS=ON
echo "== The software 80-bit number: unit tests, goldens, a random sheet ($(date +%T))"
cmake -S . -B build/soft -G Ninja -DCMAKE_BUILD_TYPE=Release -DSHEETCALC_TESTS=ON \
  -DSHEETCALC_SOFT_EXTENDED=ON >/dev/null
cmake --build build/soft -j "$jobs"
tests/cross/run.sh build/soft "" build/release/host/sheetcalc
echo "== clang with libc++: the goldens and a random sheet ($(date +%T))"
cmake -S . -B build/clang -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS=-stdlib=libc++ \
  -DCMAKE_BUILD_TYPE=Release -DSHEETCALC_TESTS=OFF >/dev/null
cmake --build build/clang -j "$jobs" --target sheetcalc
tests/cross/run.sh build/clang "" build/release/host/sheetcalc
echo "== 64-bit ARM under qemu: the goldens, a random sheet, the Debian package ($(date +%T))"
cmake -S . -B build/arm64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake \
  -DCMAKE_BUILD_TYPE=Release -DSHEETCALC_TESTS=OFF >/dev/null
cmake --build build/arm64 -j "$jobs"
tests/cross/run.sh build/arm64 "qemu-aarch64 -L /usr/aarch64-linux-gnu" build/release/host/sheetcalc
(cd build/arm64 && cpack -G DEB >/dev/null)
dpkg-deb --field build/arm64/sheetcalc_*_arm64.deb Architecture | grep -qx arm64
echo "== The page: the engine in WebAssembly against the native filter, and in headless Chromium ($(date +%T))"
scripts/build-web.sh
web/test/compare.sh "" build/release/host/sheetcalc
node --test web/test/module.test.mjs
node web/test/browser.mjs
echo "== The Debian package (lintian, dpkg -i, then dpkg -r) and the RPM (rpmlint) ($(date +%T))"
tests/install/deb.sh build/release
tests/install/rpm.sh build/release
echo "== ASan+UBSan ($(date +%T))"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/lsan-suppressions.txt \
  configure_and_test build/asan -DCMAKE_BUILD_TYPE=Debug -DSHEETCALC_SANITIZE=ON -DSHEETCALC_TESTS=ON

echo "== Windows build under Wine ($(date +%T))"
cmake -S . -B build/win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DSHEETCALC_TESTS=OFF >/dev/null
cmake --build build/win -j "$jobs"
tests/wine/run.sh build/win
echo "== The Windows zip and installer (msiexec under Wine) ($(date +%T))"
tests/install/zip.sh build/win
tests/install/msi.sh build/win

echo "== The converter over the Free Pascal sources (ASan+UBSan) ($(date +%T))"
tests/pas2js_corpus.sh build/asan/host/sheetcalc

echo "== Fuzz targets, ${FUZZ_SECONDS:-30} s each ($(date +%T))"
fuzz/run.sh "${FUZZ_SECONDS:-30}"
