#!/usr/bin/env bash
# Console mode through a pipe: no arguments and no clipboard (no display), so the program shows
# its help lines and then reads one sheet per line from standard input.
# Usage: run.sh PATH/TO/sheetcalc
set -u
exe=$(realpath "${1:?usage: run.sh PATH/TO/sheetcalc}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL $*"; failed=1; }

run_console() {  # stdin: the typed lines; stdout: what the console shows after the help lines
  env -u DISPLAY -u WAYLAND_DISPLAY -u LC_ALL -u LANGUAGE LANG=${SC_LANG:-ja_JP.UTF-8} \
    XDG_CONFIG_HOME="$work/config" timeout 20 "$exe" >"$work/out" 2>"$work/err"
  echo $? >"$work/status"
  tail -n +12 "$work/out"
}

# Labels live from line to line; "ex" is evaluated (an error line); "Exit" ends the loop.
got=$(printf 'a=5\na*2\nex\nExit\n1+1\n' | run_console)
[[ $(<"$work/status") == 0 ]] || fail "exit status $(<"$work/status")"
[[ $(head -1 "$work/out") == "クリップボードに計算したい文字列をcopyして　実行すれば" ]] ||
  fail "first help line: $(head -1 "$work/out")"
[[ $(sed -n 11p "$work/out") == "exitで帰りますが窓を閉じるのが早いでしょう" ]] || fail "eleventh help line"
# Under any other locale the help is English.
printf 'exit\n' | SC_LANG=C.UTF-8 run_console >/dev/null
[[ $(head -1 "$work/out") == "Copy the text you want calculated to the clipboard and run the program:" ]] ||
  fail "English help: $(head -1 "$work/out")"
grep -q "sqrt cbrt abs sign min max floor ceil" "$work/out" || fail "English help lacks the new functions"
[[ $(sed -n 1p <<<"$got") == " 10" ]] || fail "a*2 gave '$(sed -n 1p <<<"$got")'"
[[ $(sed -n 2p <<<"$got") == '!Err:'* ]] || fail "ex gave '$(sed -n 2p <<<"$got")'"
[[ $(wc -l <<<"$got") == 2 ]] || fail "lines after Exit were evaluated: $got"
[[ -s "$work/err" ]] && fail "standard error: $(head -2 "$work/err")"

# The end of input ends the loop as "exit" does; a line without a line end still counts.
got=$(printf '2*3\n7' | run_console)
[[ $(<"$work/status") == 0 && "$got" == $'  6\n  7' ]] || fail "end of input: status $(<"$work/status"), '$got'"

# Japanese text passes the console both ways; so do a byte that is not UTF-8 (a label's name
# here) and a character code page 932 lacks.
got=$(printf 'あ=4\n\xff=1\n\xff*3\n€x\nあ/2\n' | run_console)
want=$(printf '  3\n!Err:€x undefined labels\n  2')
[[ "$got" == "$want" ]] || fail "carried characters: '$got'"

# "#SI" holds for the rest of the session: each typed line is a sheet of its own.
got=$(printf '2G\n#SI\n2G\n3p\n' | run_console)
want=$(printf '!Err:unexpected text: G\n  2G(2000000000)\n  3p(3E-12)')
[[ "$got" == "$want" ]] || fail "#SI in the console: '$got'"

# An empty sheet file: console mode without the help lines and without a prompt (standard input is
# no terminal).
: >"$work/empty"
got=$(cd "$work" && printf '1+1\n' | env -u DISPLAY -u WAYLAND_DISPLAY timeout 20 "$exe" empty 2>"$work/err")
[[ "$got" == "  2" ]] || fail "empty file: '$got'"
[[ -s "$work/err" ]] && fail "empty file: standard error '$(<"$work/err")'"

if ((failed)); then exit 1; fi
echo "console: all passed"
