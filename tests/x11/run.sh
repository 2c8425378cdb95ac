#!/usr/bin/env bash
# The clipboard modes against a real X11 clipboard: a private Xvfb server, xclip (and xsel) as the
# program's clipboard tools. Needs the packages xvfb, xclip and xsel; fails when one is missing.
# Usage: run.sh BUILD_DIR   (or PATH/TO/sheetcalc)
set -u
arg=${1:?usage: run.sh BUILD_DIR}
if [[ -d "$arg" ]]; then exe="$arg/host/sheetcalc"; else exe="$arg"; fi
exe=$(realpath "$exe" 2>/dev/null || echo "$exe")
[[ -x "$exe" ]] || { echo "FAIL: no program at $exe"; exit 1; }
for tool in Xvfb xclip xsel; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (apt packages xvfb xclip xsel)"; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display number and writes it to the descriptor given.
exec 3>"$work/display"
Xvfb -displayfd 3 -nolisten tcp -screen 0 320x240x24 >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
[[ -s "$work/display" ]] || { echo "FAIL: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$(head -1 "$work/display")"
unset WAYLAND_DISPLAY
export XDG_CONFIG_HOME="$work/config"
export XDG_STATE_HOME="$work/state"

failed=0
fail() { echo "FAIL $*"; failed=1; }
put() { printf "$1" | xclip -selection clipboard -i 2>/dev/null; }
get() { xclip -selection clipboard -o 2>/dev/null; }
expect_clipboard() {  # name, expected text (printf form)
  local want got
  want=$(printf "$2"; echo x); want=${want%x}
  # xsel takes the selection only after it has gone to the background: give it a moment.
  for _ in $(seq 30); do
    got=$(get; echo x); got=${got%x}
    [[ "$got" == "$want" ]] && return
    sleep 0.1
  done
  fail "$1: clipboard holds '$got', expected '$want'"
}

# Clipboard mode: the sheet on the clipboard comes back evaluated.
put 'a=2\nb=a*3\nあ=b+1\nあ*2'
timeout 20 "$exe" </dev/null >"$work/out" 2>"$work/err"; rc=$?
[[ $rc == 0 ]] || fail "clipboard mode: exit status $rc: $(cat "$work/err")"
expect_clipboard "clipboard mode" 'a=2\nb=a*3\nあ=b+1\nあ*2// 14\n'
[[ -s "$work/out" ]] && fail "clipboard mode wrote to standard output"

# File mode: two arguments, only the second exists; its output alone goes to the clipboard.
printf '6*7\n' >"$work/sheet.txt"
put 'old'
(cd "$work" && timeout 20 "$exe" missing.txt sheet.txt >out 2>err); rc=$?
[[ $rc == 1 ]] || fail "file mode: exit status $rc (a missing file fails the run)"
expect_clipboard "file mode" '6*7// 42\n'

# Blanks only on the clipboard: console mode, reading typed lines from a pipe; after an ordinary
# line the clipboard holds an empty text.
put ' \t\n \n'
got=$(printf 'a=5\na*2\nexit\n' | timeout 20 "$exe" 2>"$work/err" | tail -n +12); rc=$?
[[ $rc == 0 && "$got" == " 10" ]] || fail "console mode: status $rc, shows '$got'"
expect_clipboard "console mode" ''

# Bytes that are not UTF-8 and characters code page 932 lacks come back as they were.
put '\xef\xbb\xbfa\xff=1\na\xff*2\nx=1 // € 😀\n'
timeout 20 "$exe" </dev/null >"$work/out" 2>"$work/err"; rc=$?
[[ $rc == 0 ]] || fail "carried characters: exit status $rc"
expect_clipboard "carried characters" '\xef\xbb\xbfa\xff=1\na\xff*2//  2\nx=1 // € 😀\n'

# --stdout: file mode's output to standard output, the clipboard untouched.
put 'keep'
got=$(cd "$work" && timeout 20 "$exe" --stdout sheet.txt)
[[ "$got" == "6*7// 42" ]] || fail "--stdout: '$got'"
expect_clipboard "--stdout" 'keep'

# Without xclip the program falls back to xsel.
mkdir "$work/bin"
ln -s "$(command -v xsel)" "$work/bin/xsel"
put '3*3'
timeout 20 env PATH="$work/bin" "$exe" </dev/null >"$work/out" 2>"$work/err"; rc=$?
[[ $rc == 0 ]] || fail "xsel: exit status $rc"
expect_clipboard "xsel" '3*3//  9\n'

# No clipboard tool at all: the output goes to standard output with a warning.
timeout 20 env PATH="$work/nothing" "$exe" "$work/sheet.txt" >"$work/out" 2>"$work/err"; rc=$?
[[ $rc == 0 && "$(cat "$work/out")" == "6*7// 42" ]] || fail "no tool: status $rc, '$(cat "$work/out")'"
[[ $(wc -l <"$work/err") == 1 ]] || fail "no tool: warning '$(cat "$work/err")'"

# --undo: prose on the clipboard is overwritten by clipboard mode; --undo brings it back, a
# second --undo the result again. The kept text is readable by the user alone.
put 'Meeting notes: buy 3 apples\n'
timeout 20 "$exe" </dev/null >"$work/out" 2>"$work/err"; rc=$?
[[ $rc == 0 ]] || fail "undo, evaluate: exit status $rc: $(cat "$work/err")"
expect_clipboard "undo, evaluate" 'Meeting notes: buy 3 apples//!Err:Meeting undefined labels\n'
[[ $(stat -c %a "$XDG_STATE_HOME/sheetcalc/clipboard-before" 2>&1) == 600 ]] ||
  fail "undo: kept text not mode 600: $(ls -l "$XDG_STATE_HOME/sheetcalc" 2>&1)"
timeout 20 "$exe" --undo </dev/null >"$work/out" 2>"$work/err"; rc=$?
[[ $rc == 0 && ! -s "$work/err" ]] || fail "undo: exit status $rc: $(cat "$work/err")"
expect_clipboard "undo" 'Meeting notes: buy 3 apples\n'
timeout 20 "$exe" --undo </dev/null >"$work/out" 2>"$work/err"; rc=$?
[[ $rc == 0 ]] || fail "redo: exit status $rc: $(cat "$work/err")"
expect_clipboard "redo" 'Meeting notes: buy 3 apples//!Err:Meeting undefined labels\n'

# Nothing kept: a message and exit status 1, the clipboard untouched.
timeout 20 env XDG_STATE_HOME="$work/fresh" "$exe" --undo </dev/null >"$work/out" 2>"$work/err"; rc=$?
[[ $rc == 1 && $(wc -l <"$work/err") == 1 ]] || fail "undo, nothing kept: status $rc, '$(cat "$work/err")'"
expect_clipboard "undo, nothing kept" 'Meeting notes: buy 3 apples//!Err:Meeting undefined labels\n'

# A state folder that cannot be made (below a regular file): the result is still delivered, with
# a warning that names the file.
: >"$work/regular"
put '2*3'
timeout 20 env XDG_STATE_HOME="$work/regular/state" "$exe" </dev/null >"$work/out" 2>"$work/err"; rc=$?
[[ $rc == 0 ]] || fail "unwritable state: exit status $rc"
expect_clipboard "unwritable state" '2*3//  6\n'
grep -q "^sheetcalc: .*$work/regular/state/sheetcalc/" "$work/err" ||
  fail "unwritable state: warning '$(cat "$work/err")'"

if ((failed)); then exit 1; fi
echo "x11: all passed"
