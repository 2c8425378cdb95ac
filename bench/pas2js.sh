#!/usr/bin/env bash
# Converter throughput on real Pascal source (Free Pascal's RTL and packages, Debian's fpc-source),
# every program's output going to /dev/null:
# - sized corpora (one concatenated text each): `sheetcalc -` on a "#P2Js" line followed by the
#   text, against cat, sed 's/:=/=/g' and the one-pass floors tokfloor_slurp (whole text in
#   memory) and tokfloor (streaming), all on the same input;
# - the real workload: every .pas and .pp file, each with a "#P2Js" line in front, converted in
#   one process by `sheetcalc --stdout FILE...`, against tokfloor_slurp over the same text joined.
#
#   bench/pas2js.sh [PATH/TO/sheetcalc] [--sizes "1 10 50"] [--rounds 5] [--no-fpc]
#
# The programs take turns for a number of rounds (common.sh, bench_rounds), every size's in one
# loop and the real workload's in another, and each one's figure is its fastest run. Prints MB/s, the time growth from 10 to 50 MB, the ratio
# to tokfloor_slurp and sheetcalc's peak memory against its input.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

sizes="1 10 50"
rounds=5
fpc=1
binary=""
while [ $# -gt 0 ]; do
  case $1 in
    --sizes) sizes=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --no-fpc) fpc=0; shift ;;
    -h|--help) sed -n '2,14p' "$0"; exit 0 ;;
    *) binary=$1; shift ;;
  esac
done
SHEETCALC=$(find_sheetcalc "$binary") || exit 1
need g++ python3 sed cat

if ! ls -d /usr/share/fpcsrc/*/rtl >/dev/null 2>&1; then
  echo "installing fpc-source (the Pascal corpus) ..." >&2
  { apt-get install -y fpc-source || { apt-get update && apt-get install -y fpc-source; }; } \
    >/dev/null || die "cannot install fpc-source"
fi
FPCSRC=$(find /usr/share/fpcsrc -mindepth 1 -maxdepth 1 -type d | sort -V | tail -n 1)

mkdir -p "$OUT_DIR/pas"
for tool in tokfloor tokfloor_slurp; do
  if [ ! -x "$OUT_DIR/$tool" ] || [ "$SHARED_BENCH/$tool.cpp" -nt "$OUT_DIR/$tool" ]; then
    g++ -O2 -o "$OUT_DIR/$tool" "$SHARED_BENCH/$tool.cpp" || die "cannot build $tool"
  fi
done

# The corpus holds a few bytes that are not UTF-8 (Latin-1 copyright signs) and characters that
# code page 932 lacks; sheetcalc rightly refuses such input, so they become '?' for every program,
# as for the converter's run over the corpus in the test suite.
PREPARE="$REPO_DIR/tests/pas2js_prepare.py"
missing=""
for mb in $sizes; do
  [ -s "$OUT_DIR/pas/pas_${mb}mb.pas" ] || missing="$missing $mb"
done
if [ -n "$missing" ]; then
  # shellcheck disable=SC2086
  python3 "$SHARED_BENCH/gen_pascal_corpus.py" --src "$FPCSRC" --mb $missing --outdir "$OUT_DIR/pas" \
    || die "corpus generator failed"
fi
for mb in $sizes; do
  input="$OUT_DIR/pas/p2js_${mb}mb.txt"
  if [ ! -s "$input" ] || [ "$OUT_DIR/pas/pas_${mb}mb.pas" -nt "$input" ] || [ "$PREPARE" -nt "$input" ]; then
    python3 "$PREPARE" --file "$OUT_DIR/pas/pas_${mb}mb.pas" "$input" || die "cannot prepare $input"
  fi
done

# set_guard BYTES: GUARD becomes a command prefix for sheetcalc runs. The machine is shared, so a
# run that goes astray stops at 20 times the input size (at least 1 GiB) of address space or
# after five minutes.
set_guard() {
  local cap_kb=$(( $1 * 20 / 1024 ))
  [ "$cap_kb" -lt 1048576 ] && cap_kb=1048576
  # shellcheck disable=SC2016
  GUARD=(timeout 300 bash -c 'ulimit -v "$1" && shift && exec "$@"' limit "$cap_kb")
}

# A check on the smallest input that the conversion runs and writes JavaScript, not the unchanged
# input that a failed run passes through.
smallest=$(echo "$sizes" | tr ' ' '\n' | sort -n | head -n 1)
check_in="$OUT_DIR/pas/p2js_${smallest}mb.txt"
set_guard "$(file_size "$check_in")"
"${GUARD[@]}" "$SHEETCALC" - <"$check_in" >"$OUT_DIR/pas/p2js_${smallest}mb.js" \
  2>"$OUT_DIR/pas/p2js.err"
rc=$?
if [ $rc -ne 0 ] || [ ! -s "$OUT_DIR/pas/p2js_${smallest}mb.js" ] \
  || cmp -s "$check_in" "$OUT_DIR/pas/p2js_${smallest}mb.js"; then
  echo "warning: sheetcalc did not convert $check_in (exit status $rc; see $OUT_DIR/pas/p2js.err)" >&2
elif head -n 200 "$OUT_DIR/pas/p2js_${smallest}mb.js" | grep -q '//!Err:'; then
  echo "warning: sheetcalc evaluated $check_in as a sheet instead of converting it" >&2
fi

# The real workload: every .pas and .pp file of the sources as its own sheet, converted by one
# `sheetcalc --stdout FILE...` run, against tokfloor_slurp over the same files joined.
measure_fpc() {
  local dir="$OUT_DIR/fpc"
  if [ ! -s "$dir/joined.txt" ] || [ "$PREPARE" -nt "$dir/joined.txt" ]; then
    rm -rf "$dir"
    python3 "$PREPARE" "$FPCSRC" "$dir/in" --joined "$dir/joined.txt" || die "cannot prepare $dir"
  fi
  local -a files
  mapfile -t files < <(find "$dir/in" -name '*.in' | sort)
  printf '%s\n' "${files[@]}" >"$dir/list"
  bytes[fpc]=$(file_size "$dir/joined.txt")
  set_guard "${bytes[fpc]}"
  # One process when the names fit in the argument space (ARG_MAX holds the arguments, their
  # pointers and the environment), else xargs splits the list and says so.
  local need limit
  need=$(( $(wc -c <"$dir/list") + 8 * (${#files[@]} + 16) + $(env | wc -c) * 2 + 4096 ))
  limit=$(getconf ARG_MAX)
  local -a convert
  local split_note="the names (about $need bytes with the environment) fit in ARG_MAX ($limit)"
  if [ "$need" -lt "$limit" ]; then
    convert=("${GUARD[@]}" "$SHEETCALC" --stdout "${files[@]}")
  else
    convert=("${GUARD[@]}" xargs -d '\n' -a "$dir/list" "$SHEETCALC" --stdout)
    split_note="the names (about $need bytes) exceed ARG_MAX ($limit): SPLIT by xargs into"
    split_note="$split_note $(xargs -d '\n' -a "$dir/list" echo | wc -l) sheetcalc processes"
  fi

  # A check that the run converts: every file gives JavaScript, not its text unchanged or a sheet.
  "${convert[@]}" </dev/null >"$dir/out.js" 2>"$dir/check.err"
  local rc=$?
  if [ $rc -ne 0 ] || [ ! -s "$dir/out.js" ] || cmp -s "$dir/joined.txt" "$dir/out.js"; then
    echo "warning: sheetcalc did not convert the fpc-source files (exit status $rc; see $dir/check.err)" >&2
  elif grep -q '//!Err:' "$dir/out.js"; then
    echo "warning: sheetcalc evaluated some fpc-source file as a sheet instead of converting it" >&2
  fi
  rm -f "$dir/out.js"

  bench_reset
  T_STDERR="$dir/sheetcalc.err" bench_add sheetcalc /dev/null /dev/null "${convert[@]}"
  bench_add tokfloor_slurp "$dir/joined.txt" /dev/null "$OUT_DIR/tokfloor_slurp"
  bench_rounds "$rounds"
  echo
  echo "fpc-source: ${#files[@]} files, $(calc "${bytes[fpc]} / 1e6" %.1f) MB, each a sheet;" \
    "sheetcalc --stdout over the files, tokfloor_slurp over the same text joined"
  echo "($split_note)"
  local program note
  for program in "${BENCH_KEYS[@]}"; do
    secs[fpc,$program]=${BEST_SEC[$program]}
    mem[fpc,$program]=${PEAK_KB[$program]}
    note=""
    if [ "${BAD_RC[$program]}" -ne 0 ]; then
      note="exit status ${BAD_RC[$program]}"
      [ "$program" = sheetcalc ] && note="$note, see $dir/sheetcalc.err" && failed=1
    fi
    printf '%-6s %-16s %9s %9s %9s %s\n' fpc "$program" "${secs[fpc,$program]}" \
      "$(calc "${bytes[fpc]} / 1e6 / ${secs[fpc,$program]}" %.1f)" \
      "$(calc "${mem[fpc,$program]} / 1024" %.1f)" "$note"
  done
}

declare -A secs mem bytes
failed=0
method_line "$rounds"
echo
printf '%-6s %-16s %9s %9s %9s\n' size program seconds MB/s peak_MB
# Every size's programs take turns in one loop, so that the growth from one size to the next is
# measured as the peers are.
bench_reset
for mb in $sizes; do
  input="$OUT_DIR/pas/p2js_${mb}mb.txt"
  bytes[$mb]=$(file_size "$input")
  set_guard "${bytes[$mb]}"
  T_STDERR="$OUT_DIR/pas/sheetcalc_${mb}mb.err" bench_add "$mb,sheetcalc" "$input" /dev/null \
    "${GUARD[@]}" "$SHEETCALC" -
  bench_add "$mb,cat" "$input" /dev/null cat
  bench_add "$mb,sed" "$input" /dev/null sed 's/:=/=/g'
  bench_add "$mb,tokfloor_slurp" "$input" /dev/null "$OUT_DIR/tokfloor_slurp"
  bench_add "$mb,tokfloor" "$input" /dev/null "$OUT_DIR/tokfloor"
done
bench_rounds "$rounds"
for key in "${BENCH_KEYS[@]}"; do
  mb=${key%%,*}
  program=${key#*,}
  secs[$key]=${BEST_SEC[$key]}
  mem[$key]=${PEAK_KB[$key]}
  note=""
  if [ "${BAD_RC[$key]}" -ne 0 ]; then
    note="exit status ${BAD_RC[$key]}"
    if [ "$program" = sheetcalc ]; then
      note="$note, see $OUT_DIR/pas/sheetcalc_${mb}mb.err"
      failed=1
    fi
  fi
  printf '%-6s %-16s %9s %9s %9s %s\n' "${mb}MB" "$program" "${secs[$key]}" \
    "$(calc "${bytes[$mb]} / 1e6 / ${secs[$key]}" %.1f)" "$(calc "${mem[$key]} / 1024" %.1f)" "$note"
done
[ "$fpc" = 1 ] && measure_fpc

echo
[ "$failed" = 1 ] && echo "sheetcalc failed on some input: its figures below do not measure a conversion"
report() {  # LABEL VALUE OP LIMIT [TEXT]
  printf '%-44s %8s   target %s %-5s %s  %s\n' "$1" "$2" "$3" "$4" "$(verdict "$2" "$3" "$4")" "${5:-}"
}
largest=$(echo "$sizes" | tr ' ' '\n' | sort -n | tail -n 1)
ratio=$(calc "${secs[$largest,tokfloor_slurp]} / ${secs[$largest,sheetcalc]}")
# Reported, not a target: joined units make one failed trial span most of the text, so nearly
# every byte is translated twice; real units are measured by the fpc-source row.
printf '%-44s %8s   (reported)\n' "sheetcalc/tokfloor_slurp MB/s (${largest}MB)" "$ratio"
if [[ " $sizes " == *" 10 "* ]] && [[ " $sizes " == *" 50 "* ]]; then
  report "sheetcalc time 50MB / 10MB" "$(calc "${secs[50,sheetcalc]} / ${secs[10,sheetcalc]}")" '<=' 5.5
fi
report "sheetcalc peak memory / input (${largest}MB)" \
  "$(calc "${mem[$largest,sheetcalc]} * 1024 / ${bytes[$largest]}" %.2f)" '<=' 6
if [ "$fpc" = 1 ]; then
  report "sheetcalc/tokfloor_slurp MB/s (fpc-source)" \
    "$(calc "${secs[fpc,tokfloor_slurp]} / ${secs[fpc,sheetcalc]}")" '>=' 0.5
  report "sheetcalc peak memory / input (fpc-source)" \
    "$(calc "${mem[fpc,sheetcalc]} * 1024 / ${bytes[fpc]}" %.3f)" '<=' 0.25
fi
