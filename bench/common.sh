# shellcheck shell=bash disable=SC2034
# Helpers shared by the benchmark scripts; sourced, not run.
# Everything generated goes to bench/out/ (git-ignored).

BENCH_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
REPO_DIR=$(cd "$BENCH_DIR/.." && pwd)
OUT_DIR="$BENCH_DIR/out"
# The shared workload generators and yardsticks; override with SHARED_BENCH=/path.
SHARED_BENCH=${SHARED_BENCH:-/work/shared/bench}

mkdir -p "$OUT_DIR"
# Keeps the generated files out of git even where the top .gitignore does not name this folder.
[ -f "$OUT_DIR/.gitignore" ] || echo '*' >"$OUT_DIR/.gitignore"

die() {
  echo "$(basename "$0"): $*" >&2
  exit 1
}

# find_sheetcalc [PATH]: prints the absolute path of the binary to measure. Without an argument
# it looks in build/ and build/host/ of the repository.
find_sheetcalc() {
  local candidate
  if [ -n "${1:-}" ]; then
    candidate=$1
  elif [ -x "$REPO_DIR/build/sheetcalc" ]; then
    candidate=$REPO_DIR/build/sheetcalc
  else
    candidate=$REPO_DIR/build/host/sheetcalc
  fi
  [ -x "$candidate" ] || die "no sheetcalc binary at $candidate (build it, or pass its path)"
  (cd "$(dirname "$candidate")" && echo "$PWD/$(basename "$candidate")")
}

# need TOOL...: fails with a clear message when a tool is missing.
need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || die "needs '$tool' on PATH"
  done
  [ -x /usr/bin/time ] || die "needs GNU time at /usr/bin/time (apt package time)"
}

# run_timed INPUT OUTPUT COMMAND...: runs COMMAND once with INPUT on standard input and standard
# output to OUTPUT (standard error to $T_STDERR when set); sets T_SEC (wall seconds), T_KB (peak
# resident set in KiB) and T_RC.
run_timed() {
  local input=$1 output=$2
  shift 2
  local memfile start end
  memfile=$(mktemp)
  start=$(date +%s%N)
  # (Reopening /dev/stderr would truncate a log file that standard error is redirected to.)
  if [ -n "${T_STDERR:-}" ]; then
    /usr/bin/time -f '%M' -o "$memfile" "$@" <"$input" >"$output" 2>"$T_STDERR"
  else
    /usr/bin/time -f '%M' -o "$memfile" "$@" <"$input" >"$output"
  fi
  T_RC=$?
  end=$(date +%s%N)
  T_SEC=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }')
  T_KB=$(tail -n 1 "$memfile")
  rm -f "$memfile"
}

# calc EXPR [FORMAT]: evaluates a floating-point expression (awk syntax) and prints it.
calc() {
  awk "BEGIN { printf \"${2:-%.3f}\", $1 }"
}

# rate COUNT SECONDS: COUNT per second as a whole number.
rate() {
  calc "$1 / $2" %.0f
}

# verdict VALUE OP LIMIT: prints PASS or FAIL for VALUE OP LIMIT (OP is >= or <=); INVALID when
# the script has set failed=1 because the measured program did not do the work.
verdict() {
  if [ "${failed:-0}" = 1 ]; then
    echo INVALID
  elif awk -v v="$1" -v l="$3" -v op="$2" 'BEGIN { exit !((op == ">=") ? v >= l : v <= l) }'; then
    echo PASS
  else
    echo FAIL
  fi
}

file_size() {
  stat -c %s "$1"
}

# ---- Interleaved runs -------------------------------------------------------------------------
# The programs compared take turns (A B C, A B C, ... for N rounds) and each one's figure is its
# fastest run, so that a busy spell on a shared machine slows every program alike or none of them,
# rather than one alone: it can neither flatter nor spoil a ratio. Peak memory is the largest of a
# program's runs.
#
#   bench_reset
#   bench_add KEY INPUT OUTPUT COMMAND...   one program, as run_timed takes it (T_STDERR, when set
#                                           at this call, is where its standard error goes)
#   bench_rounds N
#
# Then BEST_SEC[KEY] (seconds), PEAK_KB[KEY] and BAD_RC[KEY] (the first non-zero exit status of
# its runs, else 0).
declare -A BEST_SEC PEAK_KB BAD_RC BENCH_CMD BENCH_IN BENCH_OUT BENCH_ERR
BENCH_KEYS=()

bench_reset() {
  BENCH_KEYS=()
  BEST_SEC=() PEAK_KB=() BAD_RC=() BENCH_CMD=() BENCH_IN=() BENCH_OUT=() BENCH_ERR=()
}

bench_add() {
  local key=$1
  BENCH_KEYS+=("$key")
  BENCH_IN[$key]=$2
  BENCH_OUT[$key]=$3
  shift 3
  BENCH_CMD[$key]=$(printf '%q ' "$@")
  BENCH_ERR[$key]=${T_STDERR:-}
}

bench_rounds() {
  local rounds=$1 round key
  local -a command
  for ((round = 1; round <= rounds; round++)); do
    [ -t 2 ] && printf '\r  round %d of %d ' "$round" "$rounds" >&2
    for key in "${BENCH_KEYS[@]}"; do
      eval "command=(${BENCH_CMD[$key]})"
      T_STDERR=${BENCH_ERR[$key]} run_timed "${BENCH_IN[$key]}" "${BENCH_OUT[$key]}" "${command[@]}"
      if [ -z "${BEST_SEC[$key]:-}" ] ||
        awk -v a="$T_SEC" -v b="${BEST_SEC[$key]}" 'BEGIN { exit !(a < b) }'; then
        BEST_SEC[$key]=$T_SEC
      fi
      [ "${PEAK_KB[$key]:-0}" -ge "${T_KB:-0}" ] 2>/dev/null || PEAK_KB[$key]=${T_KB:-0}
      [ "${BAD_RC[$key]:-0}" -ne 0 ] || BAD_RC[$key]=$T_RC
    done
  done
  [ -t 2 ] && printf '\r%*s\r' 20 '' >&2
  return 0
}

# method_line ROUNDS: the line that heads a report and says how its figures were taken.
method_line() {
  echo "Method: the programs take turns (A B C, A B C, ...) for $1 rounds; each time is the"
  echo "program's fastest run, each peak memory the largest of its runs."
}
