#!/usr/bin/env bash
# Start-up cost: `sheetcalc -` on a one-line sheet and `sheetcalc --version`, against /bin/true and
# two static hello worlds (iostream and stdio). Measured with spawn_timer.cpp (built into out/):
# the commands run round-robin without a shell, each with the one-line sheet on standard input.
# (hyperfine 1.15 can feed standard input only through a shell, and subtracting the shell's cost
# is too noisy for runs under a millisecond on a shared machine.)
#
#   bench/startup.sh [PATH/TO/sheetcalc] [--runs N]
#
# Target: the median of `sheetcalc -` on the one-line sheet is at most twice the median of the
# static iostream hello world.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

runs=300
binary=""
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    -h|--help) sed -n '2,9p' "$0"; exit 0 ;;
    *) binary=$1; shift ;;
  esac
done
SHEETCALC=$(find_sheetcalc "$binary") || exit 1
need g++

# build SOURCE OUTPUT FLAGS...: compiles when the output is missing or older than the source.
build() {
  local source=$1 output=$2
  shift 2
  if [ ! -x "$output" ] || [ "$source" -nt "$output" ]; then
    g++ -O2 "$@" -o "$output" "$source" || die "cannot build $output"
  fi
}
build "$SHARED_BENCH/hello.cpp" "$OUT_DIR/hello" -static
build "$SHARED_BENCH/hello_stdio.cpp" "$OUT_DIR/hello_stdio" -static
build "$BENCH_DIR/spawn_timer.cpp" "$OUT_DIR/spawn_timer" -std=c++17
printf '1+2\n' >"$OUT_DIR/one_line.txt"

# Check once that the sheet run works, so that hyperfine does not time an error path.
result=$("$SHEETCALC" - <"$OUT_DIR/one_line.txt") || die "sheetcalc - failed on a one-line sheet"
[ "$result" = "1+2//  3" ] || echo "warning: unexpected output from sheetcalc -: $result" >&2

one="$OUT_DIR/one_line.txt"
"$OUT_DIR/spawn_timer" "$runs" 20 "$one" \
  "sheetcalc - (one line)" "$SHEETCALC" - ::: \
  "sheetcalc --version" "$SHEETCALC" --version ::: \
  "/bin/true" /bin/true ::: \
  "static hello (iostream)" "$OUT_DIR/hello" ::: \
  "static hello (stdio)" "$OUT_DIR/hello_stdio" >"$OUT_DIR/startup.tsv" || die "timing failed"

awk -F '\t' '
  { name[NR] = $1; median[$1] = $2; low[$1] = $3 }
  END {
    printf "%-26s %10s %10s\n", "command", "median ms", "min ms"
    for (i = 1; i <= NR; i++) printf "%-26s %10.3f %10.3f\n", name[i], median[name[i]], low[name[i]]
    ratio = median["sheetcalc - (one line)"] / median["static hello (iostream)"]
    printf "\nsheetcalc - / static hello (iostream): %.2f   target <= 2   %s\n", ratio, ratio <= 2 ? "PASS" : "FAIL"
    printf "sheetcalc - / static hello (stdio):    %.2f\n", median["sheetcalc - (one line)"] / median["static hello (stdio)"]
  }' "$OUT_DIR/startup.tsv"
