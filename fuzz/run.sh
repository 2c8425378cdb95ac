#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz and runs each for SECONDS (default 60).
# Fails when a target finds a crash, a hang, a leak or an out-of-memory input; the input is kept
# under build-fuzz/findings/TARGET/.
#
#   fuzz/run.sh [SECONDS] [TARGET...]     targets: sheet p2js numbers encoding lsp (default: all)
#
# The corpus of every target grows in build-fuzz/corpus/TARGET from run to run; it starts from
# the golden sheets, the examples and the inputs of the unit test tables, taken at run time.
# Environment: FUZZ_JOBS (build jobs, default 2), FUZZ_RSS_MB (memory limit, default 2048),
# FUZZ_NICE (default 10), FUZZ_BUILD_DIR (default build-fuzz).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(sheet p2js numbers encoding lsp)
rss=${FUZZ_RSS_MB:-2048}
niceness=${FUZZ_NICE:-10}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSHEETCALC_FUZZ=ON -DSHEETCALC_TESTS=OFF >/dev/null
cmake --build "$build" -j "${FUZZ_JOBS:-2}" --target "${targets[@]/#/fuzz_}"

# Seeds: the sheets as the program sees them inside (code page 932, CR LF) for the engine and the
# converter, one line each for the number readers, the outside bytes as they are for the encoding.
seeds=$build/seeds
rm -rf "$seeds"
mkdir -p "$seeds"/{sheet,p2js,numbers,encoding,lsp}
inside() { iconv -f UTF-8 -t CP932 "$1" 2>/dev/null | sed 's/$/\r/' || true; }
n=0
for f in "$root"/tests/golden/*.in "$root"/examples/*; do
  [ -f "$f" ] || continue
  n=$((n + 1))
  cp "$f" "$seeds/encoding/$n"
  inside "$f" >"$seeds/sheet/$n"
  if grep -aqi '^#p2js' "$f"; then
    inside "$f" | sed '1,/^#[Pp]2[Jj][Ss]/d' >"$seeds/p2js/$n"
  fi
  { inside "$f" | grep -av '^#' || true; } | head -200 | while IFS= read -r line; do
    printf '%s' "${line%$'\r'}" >"$seeds/numbers/$n-$RANDOM"
  done
done
# The inputs of the unit test tables reach the most distinct paths.
fromTests() { python3 "$root/fuzz/seeds_from_tests.py" "$seeds/$1" "${@:2}" >/dev/null; }
fromTests sheet "$root"/engine/*_test.cpp "$root"/additions/*_test.cpp
fromTests p2js "$root"/pas2js/*_test.cpp
fromTests numbers "$root"/scan/*_test.cpp
fromTests encoding "$root"/platform/posix/Encoding-posix_test.cpp
# The language server: the replayed inputs, and a session over each golden sheet.
cp "$root"/tests/fuzz-regressions/lsp/* "$seeds/lsp/"
python3 "$root/fuzz/lsp_sessions.py" "$seeds/lsp" "$root"/tests/golden/*.in

# CPU time and peak memory of each run, when GNU time is there (libFuzzer reports its own peak).
timer=()
[ -x /usr/bin/time ] && timer=(/usr/bin/time -f 'peak rss %M KB, cpu %U+%S s')

status=0
for t in "${targets[@]}"; do
  corpus=$build/corpus/$t
  findings=$build/findings/$t
  mkdir -p "$corpus" "$findings"
  log=$build/fuzz-$t.log
  echo "== fuzz_$t: ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 \
       UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       "${timer[@]}" nice -n "$niceness" "$build/fuzz/fuzz_$t" "$corpus" "$seeds/$t" \
         -max_total_time="$seconds" -rss_limit_mb="$rss" -timeout=20 -max_len=16384 \
         -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1; then
    status=1
    echo "!! fuzz_$t found a fault; input under $findings, log $log"
    grep -aE 'ERROR|SUMMARY|runtime error|^(numbers|encoding):|#[0-9]+ 0x.* /' "$log" | head -30 || true
  fi
  grep -aE '^#[0-9]+\s+DONE|^stat::(number_of_executed_units|peak_rss_mb)|^peak rss' "$log" || true
done
exit $status
