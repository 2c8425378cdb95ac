#!/usr/bin/env bash
# The clipboard modes against a real Wayland clipboard: a headless sway compositor and wl-clipboard;
# then the choice between a Wayland display that is gone and a working X11 one (Xvfb + xclip).
# Needs the packages sway, wl-clipboard, xvfb, xclip and python3; fails when one is missing.
# sway refuses to run as root: run as root, the script runs the compositor, the tools and the
# program as an unprivileged user (desktop.sh) with its own runtime folder.
# Usage: run.sh BUILD_DIR   (or PATH/TO/sheetcalc)
set -u
arg=${1:?usage: run.sh BUILD_DIR}
if [[ -d "$arg" ]]; then exe="$arg/host/sheetcalc"; else exe="$arg"; fi
exe=$(realpath "$exe" 2>/dev/null || echo "$exe")
[[ -x "$exe" ]] || { echo "FAIL: no program at $exe"; exit 1; }
command -v python3 >/dev/null || { echo "FAIL: python3 is not installed"; exit 1; }
source "$(dirname "${BASH_SOURCE[0]}")/desktop.sh"
trap desktop_end EXIT
desktop_begin "$exe" || exit 1
work=$desktop_work
timeout=$(command -v timeout) env=$(command -v env)  # found under any PATH_FOR
start_sway || exit 1
export WAYLAND_DISPLAY_FOR=$wayland_display DISPLAY_FOR=
socket=$wayland_display

failed=0
fail() { echo "FAIL $*"; failed=1; }
put() { printf "$1" | as_user wl-copy --type text/plain 2>/dev/null; }
get() { as_user wl-paste --no-newline 2>/dev/null; }
# sc ARGS...: the program, as the user, in its folder, with standard input from $work/in (empty
# unless a case writes it); standard output and error to $work/out and $work/err; sets rc. Its
# messages are the Japanese ones.
sc() {
  (cd "$work/user" && as_user "$timeout" 20 "$env" -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=ja_JP.UTF-8 \
    "$exe" "$@" <"$work/in" >"$work/out" 2>"$work/err")
  rc=$?
}
: >"$work/in"
expect_clipboard() {  # name, expected text (printf form)
  local want got
  want=$(printf "$2"; echo x); want=${want%x}
  # wl-copy serves the text from the background once it has handed it over: give it a moment.
  for _ in $(seq 30); do
    got=$(get; echo x); got=${got%x}
    [[ "$got" == "$want" ]] && return
    sleep 0.1
  done
  fail "$1: clipboard holds '$got', expected '$want'"
}
sheet() {  # name, text (printf form): a sheet file the user can read
  printf "$2" >"$work/user/$1"
  user_share "$work/user/$1"
}

# Clipboard mode: the sheet on the clipboard comes back evaluated.
put 'a=2\nb=a*3\nあ=b+1\nあ*2'
sc
[[ $rc == 0 ]] || fail "clipboard mode: exit status $rc: $(cat "$work/err")"
expect_clipboard "clipboard mode" 'a=2\nb=a*3\nあ=b+1\nあ*2// 14\n'
[[ -s "$work/out" || -s "$work/err" ]] && fail "clipboard mode wrote '$(cat "$work/out" "$work/err")'"

# File mode: two arguments, only the second exists; its output alone goes to the clipboard.
sheet sheet.txt '6*7\n'
put 'old'
sc missing.txt sheet.txt
[[ $rc == 1 ]] || fail "file mode: exit status $rc (a missing file fails the run): $(cat "$work/err")"
expect_clipboard "file mode" '6*7// 42\n'

# Blanks only on the clipboard: console mode, reading typed lines from a pipe; after an ordinary
# line the clipboard holds an empty text.
put ' \t\n \n'
printf 'a=5\na*2\nexit\n' >"$work/in"
sc
got=$(tail -n +12 "$work/out")
[[ $rc == 0 && "$got" == " 10" ]] || fail "console mode: status $rc, shows '$got': $(cat "$work/err")"
expect_clipboard "console mode" ''
: >"$work/in"

# No wl-clipboard: the warning says what to install, then the console opens (clipboard mode) or
# the output goes to standard output (file mode).
put '1+1'
printf 'exit\n' >"$work/in"
PATH_FOR="$work/nothing" sc
[[ $rc == 0 && $(head -1 "$work/out") == "クリップボードに計算したい文字列をcopyして　実行すれば" ]] ||
  fail "no wl-clipboard, clipboard mode: status $rc, shows '$(head -1 "$work/out")'"
[[ "$(cat "$work/err")" == "sheetcalc: クリップボードを読めません。wl-clipboard をインストールしてください" ]] ||
  fail "no wl-clipboard, clipboard mode: warning '$(cat "$work/err")'"
: >"$work/in"
PATH_FOR="$work/nothing" sc sheet.txt
[[ $rc == 0 && "$(cat "$work/out")" == "6*7// 42" ]] || fail "no wl-clipboard, file mode: '$(cat "$work/out")'"
grep -q "標準出力に出します。wl-clipboard をインストールしてください" "$work/err" ||
  fail "no wl-clipboard, file mode: warning '$(cat "$work/err")'"
expect_clipboard "no wl-clipboard" '1+1'

# --undo: the prose the run overwrote comes back; a second --undo brings the result again.
put 'Meeting notes: buy 3 €'
sc
expect_clipboard "undo, evaluate" 'Meeting notes: buy 3 €//!Err:Meeting undefined labels\n'
sc --undo
[[ $rc == 0 ]] || fail "undo: exit status $rc: $(cat "$work/err")"
expect_clipboard "undo" 'Meeting notes: buy 3 €'
sc --undo
expect_clipboard "redo" 'Meeting notes: buy 3 €//!Err:Meeting undefined labels\n'

# (Cases that need the live compositor go above this line: the part below takes its socket away.)

# A Wayland display that is gone beside a working X11 one: X11 is used, the Wayland clipboard is
# left alone. Gone twice over: the socket removed (here: moved aside, so that the compositor can
# still be asked what its clipboard holds), and a socket file with nobody listening.
start_xvfb || exit 1
put 'wayland text'
mv "$run_dir/$socket" "$run_dir/$socket.live"
for stale in removed refusing; do
  if [[ $stale == refusing ]]; then
    as_user python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' \
      "$run_dir/$socket" || fail "cannot make a dead socket"
  fi
  printf '3*3' | DISPLAY_FOR=$x_display as_user xclip -selection clipboard -i 2>/dev/null
  DISPLAY_FOR=$x_display sc
  [[ $rc == 0 ]] || fail "stale Wayland ($stale): exit status $rc: $(cat "$work/err")"
  got=
  for _ in $(seq 30); do
    got=$(DISPLAY_FOR=$x_display as_user xclip -selection clipboard -o 2>/dev/null)
    [[ "$got" == "3*3//  9" ]] && break
    sleep 0.1
  done
  [[ "$got" == "3*3//  9" ]] || fail "stale Wayland ($stale): X11 clipboard holds '$got'"
  # Under X11 without xclip or xsel, the warning names them.
  DISPLAY_FOR=$x_display PATH_FOR="$work/nothing" sc sheet.txt
  grep -q "xclip か xsel をインストールしてください" "$work/err" ||
    fail "stale Wayland ($stale), no X11 tool: warning '$(cat "$work/err")'"
done
rm -f "$run_dir/$socket"
mv "$run_dir/$socket.live" "$run_dir/$socket"
expect_clipboard "stale Wayland: the Wayland clipboard" 'wayland text'

if ((failed)); then exit 1; fi
echo "wayland: all passed"
