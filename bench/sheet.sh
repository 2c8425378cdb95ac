#!/usr/bin/env bash
# Whole-program speed on calculation sheets: `sheetcalc -` against awk, bc -l and python3 doing the
# same work (the generator renders one random sheet for every peer).
#
#   bench/sheet.sh [PATH/TO/sheetcalc] [--sizes "100000 1000000"] [--rounds 3] [--no-python]
#                  [--soft PATH/TO/sheetcalc]
#
# --soft names a build with the software 80-bit number (-DSHEETCALC_SOFT_EXTENDED=ON), measured in
# the same loop: its lines per second against the first binary's and against awk.
# The programs take turns, every size's in one loop, for a number of rounds (common.sh,
# bench_rounds) and each one's figure is its fastest run. Prints lines per second, the ratios against the peers, the
# growth from the smallest to the largest size, and sheetcalc's peak memory against its input and
# output.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

sizes="100000 1000000"
python=1
rounds=3
binary=""
soft=""
while [ $# -gt 0 ]; do
  case $1 in
    --sizes) sizes=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --no-python) python=0; shift ;;
    --soft) soft=$2; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) binary=$1; shift ;;
  esac
done
SHEETCALC=$(find_sheetcalc "$binary") || exit 1
if [ -n "$soft" ]; then
  SOFT=$(find_sheetcalc "$soft") || exit 1
fi
need python3 awk bc
# The interpreter itself, not a version manager's shim in front of it.
PYTHON=$(python3 -c 'import sys; print(sys.executable)')

tag() {
  case $1 in
    1000000) echo 1m ;;
    100000) echo 100k ;;
    *) echo "$1" ;;
  esac
}

# Python runs the statements one line at a time, as an interpreter reading a sheet would; one
# module of a million lines would mostly measure the compiler.
PY_DRIVER='
import sys
g = {}
with open(sys.argv[1]) as f:
    exec(f.readline(), g)          # the import line
    for line in f:
        exec(line, g)
'

declare -A secs mem io
failed=0
first="" last=""
method_line "$rounds"
echo
printf '%-8s %-10s %9s %12s %9s %s\n' size program seconds lines/s peak_MB note
# Every size's programs take turns in one loop, so that the growth from one size to the next is
# measured as the peers are.
bench_reset
for n in $sizes; do
  t=$(tag "$n")
  prefix="$OUT_DIR/sheet_$t"
  if [ ! -s "$prefix.txt" ] || [ ! -s "$prefix.awk" ]; then
    python3 "$SHARED_BENCH/gen_sheet.py" "$n" --flavor all -o "$prefix" || die "generator failed"
  fi
  [ -z "$first" ] && first=$n
  last=$n
  T_STDERR="$prefix.sheetcalc.err" bench_add "$n,sheetcalc" "$prefix.txt" "$prefix.sheetcalc.out" \
    "$SHEETCALC" -
  if [ -n "$soft" ]; then
    T_STDERR="$prefix.soft.err" bench_add "$n,soft" "$prefix.txt" "$prefix.soft.out" "$SOFT" -
  fi
  bench_add "$n,awk" /dev/null "$prefix.awk.out" awk -f "$prefix.awk"
  bench_add "$n,bc -l" "$prefix.bc" "$prefix.bc.out" bc -l
  [ "$python" = 1 ] && bench_add "$n,python3" /dev/null "$prefix.py.out" "$PYTHON" -c "$PY_DRIVER" "$prefix.py"
done
bench_rounds "$rounds"

for n in $sizes; do
  t=$(tag "$n")
  prefix="$OUT_DIR/sheet_$t"
  for key in "${BENCH_KEYS[@]}"; do
    [ "${key%%,*}" = "$n" ] || continue
    program=${key#*,}
    note=""
    if [ "$program" = sheetcalc ] && [ "${BAD_RC[$key]}" -ne 0 ]; then
      note="exit status ${BAD_RC[$key]}, see $prefix.sheetcalc.err"
      failed=1
    fi
    secs[$key]=${BEST_SEC[$key]}
    printf '%-8s %-10s %9s %12s %9s %s\n' "$t" "$program" "${BEST_SEC[$key]}" \
      "$(rate "$n" "${BEST_SEC[$key]}")" "$(calc "${PEAK_KB[$key]} / 1024" %.1f)" "$note"
  done
  mem[$n]=${PEAK_KB[$n,sheetcalc]}

  # Same work done? Every expression line prints one value in awk and carries a result in the
  # sheet; an error annotation means sheetcalc rejected something the peers accepted.
  expected=$(wc -l <"$prefix.awk.out")
  results=$(grep -c '//' "$prefix.sheetcalc.out")
  errors=$(grep -c '!Err' "$prefix.sheetcalc.out")
  if [ "$results" -ne "$expected" ] || [ "$errors" -ne 0 ]; then
    echo "  warning: sheetcalc gave $results results ($errors errors) for $expected expression lines"
  fi
  in_bytes=$(file_size "$prefix.txt")
  out_bytes=$(file_size "$prefix.sheetcalc.out")
  io[$n]=$((in_bytes + out_bytes))
done

echo
[ "$failed" = 1 ] && echo "sheetcalc failed on some input: its figures below do not measure a whole sheet"
n=$last
t=$(tag "$n")
ratio_awk=$(calc "${secs[$n,awk]} / ${secs[$n,sheetcalc]}")
ratio_bc=$(calc "${secs[$n,bc -l]} / ${secs[$n,sheetcalc]}")
report() {  # LABEL VALUE OP LIMIT [TEXT]
  printf '%-38s %8s   target %s %-8s %s  %s\n' "$1" "$2" "$3" "$4" "$(verdict "$2" "$3" "$4")" "${5:-}"
}
report "sheetcalc/awk lines per second ($t)" "$ratio_awk" '>=' 2
report "sheetcalc/bc lines per second ($t)" "$ratio_bc" '>=' 20
if [ -n "$soft" ]; then
  report "soft/sheetcalc lines per second ($t)" "$(calc "${secs[$n,sheetcalc]} / ${secs[$n,soft]}")" \
    '>=' 0.8
  report "soft/awk lines per second ($t)" "$(calc "${secs[$n,awk]} / ${secs[$n,soft]}")" '>=' 2
  cmp -s "$prefix.sheetcalc.out" "$prefix.soft.out" ||
    echo "  note: the software number's output differs from sheetcalc's ($prefix.soft.out)"
fi
if [ "$first" != "$last" ]; then
  growth=$(calc "${secs[$last,sheetcalc]} / ${secs[$first,sheetcalc]}")
  limit=$(calc "1.05 * $last / $first" %.2f)
  report "sheetcalc time $t / $(tag "$first")" "$growth" '<=' "$limit"
fi
peak_mb=$(calc "${mem[$n]} / 1024" %.1f)
allowed_mb=$(calc "(3 * ${io[$n]}) / 1048576 + 16" %.1f)
report "sheetcalc peak MB ($t)" "$peak_mb" '<=' "$allowed_mb" \
  "(3 x (input+output) + 16 MB; input+output $(calc "${io[$n]} / 1048576" %.1f) MB)"
