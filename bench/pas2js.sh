#!/usr/bin/env bash
# Converter throughput: `sheetcalc -` on a "#P2Js" line followed by real Pascal source (Free
# Pascal's RTL and packages), against cat, sed 's/:=/=/g' and the one-pass floors tokfloor_slurp
# (whole text in memory) and tokfloor (streaming), all on the same input.
#
#   bench/pas2js.sh [PATH/TO/sheetcalc] [--sizes "1 10 50"]
#
# Every program runs once per size. Prints MB/s, the time growth from 10 to 50 MB and sheetcalc's
# peak memory against its input.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

sizes="1 10 50"
binary=""
while [ $# -gt 0 ]; do
  case $1 in
    --sizes) sizes=$2; shift 2 ;;
    -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
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
# code page 932 lacks; sheetcalc rightly refuses such input, so they become '?' for every program.
SANITIZE='
import sys
text = open(sys.argv[1], "rb").read().decode("utf-8", "replace")
def keep(ch):
    if ch < "\x80":
        return ch
    try:
        ch.encode("cp932")
        return ch
    except UnicodeEncodeError:
        return "?"
with open(sys.argv[2], "w", encoding="utf-8", newline="") as out:
    out.write("#P2Js\n")
    out.write("".join(map(keep, text)))
'
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
  if [ ! -s "$input" ] || [ "$OUT_DIR/pas/pas_${mb}mb.pas" -nt "$input" ]; then
    python3 -c "$SANITIZE" "$OUT_DIR/pas/pas_${mb}mb.pas" "$input" || die "cannot prepare $input"
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

declare -A secs mem bytes
failed=0
printf '%-6s %-16s %9s %9s %9s\n' size program seconds MB/s peak_MB
for mb in $sizes; do
  input="$OUT_DIR/pas/p2js_${mb}mb.txt"
  bytes[$mb]=$(file_size "$input")
  # Output goes to /dev/null for every program: writing 50 MB into fresh page-cache pages would
  # cost more than some of the programs themselves.
  for program in sheetcalc cat sed tokfloor_slurp tokfloor; do
    T_STDERR="$OUT_DIR/pas/${program}_${mb}mb.err"
    case $program in
      sheetcalc)
        set_guard "${bytes[$mb]}"
        run_timed "$input" /dev/null "${GUARD[@]}" "$SHEETCALC" - ;;
      cat) run_timed "$input" /dev/null cat ;;
      sed) run_timed "$input" /dev/null sed 's/:=/=/g' ;;
      *) run_timed "$input" /dev/null "$OUT_DIR/$program" ;;
    esac
    secs[$mb,$program]=$T_SEC
    mem[$mb,$program]=$T_KB
    note=""
    if [ "$T_RC" -ne 0 ]; then
      note="exit status $T_RC, see $T_STDERR"
      [ "$program" = sheetcalc ] && failed=1
    fi
    printf '%-6s %-16s %9s %9s %9s %s\n' "${mb}MB" "$program" "$T_SEC" \
      "$(calc "${bytes[$mb]} / 1e6 / $T_SEC" %.1f)" "$(calc "$T_KB / 1024" %.1f)" "$note"
  done
done

echo
[ "$failed" = 1 ] && echo "sheetcalc failed on some input: its figures below do not measure a conversion"
report() {  # LABEL VALUE OP LIMIT [TEXT]
  printf '%-40s %8s   target %s %-5s %s  %s\n' "$1" "$2" "$3" "$4" "$(verdict "$2" "$3" "$4")" "${5:-}"
}
largest=$(echo "$sizes" | tr ' ' '\n' | sort -n | tail -n 1)
ratio=$(calc "${secs[$largest,tokfloor_slurp]} / ${secs[$largest,sheetcalc]}")
report "sheetcalc/tokfloor_slurp MB/s (${largest}MB)" "$ratio" '>=' 0.5
if [[ " $sizes " == *" 10 "* ]] && [[ " $sizes " == *" 50 "* ]]; then
  report "sheetcalc time 50MB / 10MB" "$(calc "${secs[50,sheetcalc]} / ${secs[10,sheetcalc]}")" '<=' 5.5
fi
report "sheetcalc peak memory / input (${largest}MB)" \
  "$(calc "${mem[$largest,sheetcalc]} * 1024 / ${bytes[$largest]}" %.2f)" '<=' 6
