#!/usr/bin/env bash
# Clipboard mode's cost: `sheetcalc` on a 20-line sheet held by the clipboard, against the bare
# tools that read and write the clipboard once each, on the same text: `xclip -o` + `xclip -i`
# under Xvfb and `wl-paste` + `wl-copy` under a headless sway. Measured with spawn_timer.cpp: the
# commands run round-robin without a shell, as the desktop's user (tests/wayland/desktop.sh; as
# root that is an unprivileged user, since sway refuses root).
#
#   bench/clipboard.sh [PATH/TO/sheetcalc] [--runs N]
#
# Target, on each desktop: the median of the sheetcalc run is at most 1.5 times the sum of the
# medians of the two bare tools.
set -u
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
source "$REPO_DIR/tests/wayland/desktop.sh"

runs=100
binary=""
while [ $# -gt 0 ]; do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    -h|--help) sed -n '2,11p' "$0"; exit 0 ;;
    *) binary=$1; shift ;;
  esac
done
SHEETCALC=$(find_sheetcalc "$binary") || exit 1
need g++ xclip wl-paste wl-copy

if [ ! -x "$OUT_DIR/spawn_timer" ] || [ "$BENCH_DIR/spawn_timer.cpp" -nt "$OUT_DIR/spawn_timer" ]; then
  g++ -O2 -std=c++17 -o "$OUT_DIR/spawn_timer" "$BENCH_DIR/spawn_timer.cpp" || die "cannot build spawn_timer"
fi

trap desktop_end EXIT
desktop_begin "$SHEETCALC" || exit 1
cp "$OUT_DIR/spawn_timer" "$desktop_work/user/bin/"
timer="$desktop_work/user/bin/spawn_timer"
[[ $(id -u) == 0 ]] && chown "$desktop_user:" "$timer"

# The sheet: an assignment, then arithmetic and functions with a result on every line. Evaluated
# once first, so that every timed run reads a sheet already carrying its results, as it writes it
# back.
sheet="$desktop_work/user/sheet.txt"
{
  echo "r=2.5"
  for i in $(seq 1 19); do
    case $((i % 4)) in
      0) echo "r*$i+sin($i)" ;;
      1) echo "Power($i,0.5)*(r+$i)/3" ;;
      2) echo "\$1F+$i^2-ln($i+1)" ;;
      3) echo "($i*r)-cos(r/$i)" ;;
    esac
  done
} >"$OUT_DIR/clipboard_sheet.txt"
"$SHEETCALC" - <"$OUT_DIR/clipboard_sheet.txt" >"$sheet" || die "sheetcalc - failed on the sheet"
[ "$(grep -c '// *[-0-9]' "$sheet")" = 19 ] || die "the sheet did not give 19 results: $(cat "$sheet")"
user_share "$sheet"
lines=$(wc -l <"$OUT_DIR/clipboard_sheet.txt")

# measure NAME READER_LABEL WRITER_LABEL READER... ::: WRITER...: puts the sheet on the clipboard,
# checks that a sheetcalc run leaves it unchanged, then times sheetcalc, the reader and the writer
# round-robin.
measure() {
  local name=$1 reader_label=$2 writer_label=$3
  shift 3
  local -a reader=() writer=()
  while [ "$1" != ":::" ]; do reader+=("$1"); shift; done
  shift
  writer=("$@")
  as_user "${writer[@]}" <"$sheet" >/dev/null 2>&1
  as_user "$exe" </dev/null 2>"$OUT_DIR/clipboard_err.txt" || die "$name: sheetcalc failed"
  sleep 0.2
  as_user "${reader[@]}" 2>/dev/null | cmp -s - "$sheet" ||
    echo "warning: $name: the clipboard changed under sheetcalc; $(cat "$OUT_DIR/clipboard_err.txt")" >&2
  as_user "$timer" "$runs" 10 "$sheet" \
    "sheetcalc" "$exe" ::: \
    "$reader_label" "${reader[@]}" ::: \
    "$writer_label" "${writer[@]}" >"$OUT_DIR/clipboard_$name.tsv" 2>"$OUT_DIR/clipboard_log.txt" ||
    die "$name: timing failed: $(cat "$OUT_DIR/clipboard_log.txt")"
  awk -F '\t' -v name="$name" -v lines="$lines" '
    { n[NR] = $1; median[NR] = $2; low[NR] = $3 }
    END {
      printf "%s (%d-line sheet)\n", name, lines
      printf "  %-24s %10s %10s\n", "command", "median ms", "min ms"
      for (i = 1; i <= NR; i++) printf "  %-24s %10.3f %10.3f\n", n[i], median[i], low[i]
      bare = median[2] + median[3]
      printf "  %-24s %10.3f\n", n[2] " + " n[3], bare
      ratio = median[1] / bare
      printf "  sheetcalc / bare tools: %.2f   target <= 1.5   %s\n\n", ratio, ratio <= 1.5 ? "PASS" : "FAIL"
    }' "$OUT_DIR/clipboard_$name.tsv"
}

start_xvfb || exit 1
xclip=$(command -v xclip)
DISPLAY_FOR=$x_display measure x11 "xclip -o" "xclip -i" "$xclip" -selection clipboard -o ::: \
  "$xclip" -selection clipboard -i

start_sway || exit 1
WAYLAND_DISPLAY_FOR=$wayland_display measure wayland wl-paste wl-copy \
  "$(command -v wl-paste)" --no-newline --type text ::: \
  "$(command -v wl-copy)" --type "text/plain;charset=utf-8"
