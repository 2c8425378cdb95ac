#!/usr/bin/env bash
# Runs the Pascal converter over every .pas and .pp file of the Free Pascal sources (Debian's
# fpc-source package), one file at a time through `sheetcalc -` with a "#P2Js" line in front.
# Fails on a crash, a hang (over the time limit) or a sanitizer report; a clean error that the
# program reports itself (nesting too deep, for instance) is counted, not failed.
#
# Usage: pas2js_corpus.sh PATH/TO/sheetcalc [SOURCE-DIR] [SECONDS-PER-FILE]
#   SOURCE-DIR defaults to the newest /usr/share/fpcsrc/<version>; the time limit to 10 seconds,
#   60 for a sanitizer build (the largest file, about 1 MB, takes a few seconds there); JOBS
#   (default 2) files run at once.
set -u
exe=$(realpath "${1:?usage: pas2js_corpus.sh PATH/TO/sheetcalc [SOURCE-DIR] [SECONDS]}")
src=${2:-}
limit=${3:-}
if [[ -z "$limit" ]]; then
  limit=10
  grep -q __asan_init "$exe" && limit=60
fi
jobs=${JOBS:-2}

if [[ -z "$src" ]]; then
  if [[ ! -d /usr/share/fpcsrc ]] && [[ $(id -u) == 0 ]]; then
    apt-get install -y fpc-source >/dev/null 2>&1 || { apt-get update >/dev/null 2>&1 && apt-get install -y fpc-source >/dev/null 2>&1; }
  fi
  src=$(ls -d /usr/share/fpcsrc/*/ 2>/dev/null | sort -V | tail -1)
fi
if [[ -z "$src" || ! -d "$src" ]]; then
  echo "no Free Pascal sources found (apt-get install fpc-source)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/log"

# The sheet must be UTF-8 that code page 932 can hold: bytes that are not UTF-8 and characters
# outside code page 932 become '?', so that every file reaches the converter.
python3 "$(dirname "${BASH_SOURCE[0]}")/pas2js_prepare.py" "$src" "$work/in" || exit 1
mv "$work/in/files" "$work/files"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}

# One file: prints "ok", "error" (a reported error, exit status 1) or "FAIL <why>".
one() {
  local in=$1 exe=$2 limit=$3 log=$4
  local name
  name=$(basename "$in" .in)
  timeout "$limit" "$exe" - <"$in" >/dev/null 2>"$log/$name.err"
  local status=$?
  if grep -qE 'Sanitizer|runtime error:' "$log/$name.err"; then
    echo "FAIL $name sanitizer"
  elif ((status == 124)); then
    echo "FAIL $name hang (over ${limit}s)"
  elif ((status > 1)); then
    echo "FAIL $name crash (exit status $status)"
  elif ((status == 1)); then
    echo "error $name"
  else
    echo "ok $name"
  fi
}
export -f one

start=$(date +%s)
find "$work/in" -name '*.in' | sort |
  xargs -P "$jobs" -I{} bash -c 'one "$@"' _ {} "$exe" "$limit" "$work/log" >"$work/results"
seconds=$(($(date +%s) - start))

passed=$(grep -c '^ok ' "$work/results")
errors=$(grep -c '^error ' "$work/results")
failed=$(grep -c '^FAIL ' "$work/results")
while read -r _ name why; do
  file=$(sed -n "$((10#$name + 1))p" "$work/files")
  echo "FAIL $file: $why"
  head -5 "$work/log/$name.err"
done < <(grep '^FAIL ' "$work/results")
if ((errors > 0)); then
  echo "$errors files ended with an error the program reported, for instance:"
  grep '^error ' "$work/results" | head -3 | while read -r _ name; do
    echo "  $(sed -n "$((10#$name + 1))p" "$work/files"): $(grep -v '^$' "$work/log/$name.err" | tail -1)"
  done
fi
echo "$(wc -l <"$work/files") files in ${seconds}s"
echo "$((passed + errors)) passed, $failed failed"
((failed == 0))
