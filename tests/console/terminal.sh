#!/usr/bin/env bash
# The console in a real terminal (a tmux pane): typed UTF-8 reaches the engine, the "> " prompt,
# Tab completion from the engine's names, Ctrl-D, and the history kept between runs in the state
# folder (mode 0600, the last 1,000 lines; an unwritable one is a warning).
# Usage: terminal.sh PATH/TO/sheetcalc
set -u
exe=$(realpath "${1:?usage: terminal.sh PATH/TO/sheetcalc}")
command -v tmux >/dev/null || { echo "FAIL tmux is not installed"; exit 1; }
work=$(mktemp -d)
# Each run gets a server of its own: a new one on the socket of a server that is still ending
# may find it and fail.
runs=0
tmux=()
stop() { ((runs)) && "${tmux[@]}" kill-server 2>/dev/null; }
trap 'stop; rm -rf "$work"' EXIT
: >"$work/empty"  # an empty sheet: the console without its help lines
failed=0
fail() { echo "FAIL $*"; failed=1; }

# start LANG ARGS...: sheetcalc in a fresh pane, no clipboard, the state folder under $work.
start() {
  local lang=$1
  shift
  stop
  runs=$((runs + 1))
  tmux=(tmux -S "$work/tmux.$runs.sock" -f /dev/null)
  local state=${STATE:-$work/state}
  LC_ALL=C.UTF-8 "${tmux[@]}" new-session -d -x 120 -y 50 \
    "env -u DISPLAY -u WAYLAND_DISPLAY -u LC_ALL -u LC_CTYPE LANG=$lang XDG_STATE_HOME=$state \
     XDG_CONFIG_HOME=$work/config $exe $* 2>$work/stderr; echo EXIT=\$?; sleep 600"
  wait_for '^> $' || fail "no prompt at start ($lang): $(screen)"
}
screen() { "${tmux[@]}" capture-pane -p -J; }
# wait_for REGEX: until a line of the pane matches (10 s at most).
wait_for() {
  for _ in $(seq 200); do
    screen | grep -qE -- "$1" && return 0
    sleep 0.05
  done
  return 1
}
keys() { "${tmux[@]}" send-keys "$@"; }
# wait_typed TEXT: until the pane's last line ends with TEXT (the line editor has echoed it), so
# that no key is sent while the program is still busy with the line before (slow under ASan).
wait_typed() {
  local line
  for _ in $(seq 200); do
    line=$(screen | grep -v '^ *$' | tail -n 1)
    line=${line%"${line##*[! ]}"}  # the blanks a redrawn line leaves behind
    [[ $line == *"$1" ]] && return 0
    sleep 0.05
  done
  return 1
}
# type_keys TEXT: the text, once the editor shows it.
type_keys() {
  keys -l "$1"
  wait_typed "$1" || fail "typed '$1' did not show: $(screen)"
}
# type_line TEXT: the text, then Enter, then the next prompt.
type_line() {
  type_keys "$1"
  keys Enter
  wait_for '^> $' || true
}

# ---- First run: the C locale (the editor falls back to UTF-8), completion, Ctrl-D --------------
start C "$work/empty"
type_line '2π'
wait_for '^6\.283185307' || fail "2π: $(screen)"
type_line 'σ*1e8'
wait_for '^ *5\.67037' || fail "σ: $(screen)"
type_line 'myLabel=7'
type_keys 'myL'; keys Tab; wait_typed 'myLabel'
type_keys '*Hyp'; keys Tab; wait_typed 'Hypot'
type_keys '(3,4)'
wait_for '^> myLabel\*Hypot\(3,4\)$' || fail "Tab on a label and a function: $(screen)"
keys Enter
wait_for '^ 35$' || fail "completed line: $(screen)"
# A bare '#' then Tab twice lists the directives alone.
type_keys '#'; keys Tab Tab
wait_for '^cp +h +P2Js +scol +SI +定数 *$' || fail "Tab after '#': $(screen)"
keys C-u
type_keys '#定'; keys Tab
wait_for '^> #定数$' || fail "Tab on a directive: $(screen)"
keys Enter
wait_for '^// σ #シュテファンボルツマン定数' || fail "#定数: $(screen)"
sleep 0.3
keys C-d
wait_for '^EXIT=0$' || fail "Ctrl-D: $(screen)"
# The last prompt line is ended, so the shell's next output starts a line of its own.
screen | grep -q '^> .*EXIT' && fail "Ctrl-D left no line end: $(screen)"
[[ -s "$work/stderr" ]] && [[ $(<"$work/stderr") != "sheetcalc: nofile: No such file or directory" ]] &&
  fail "standard error: $(<"$work/stderr")"
history="$work/state/sheetcalc/history"
[[ $(stat -c %a "$history" 2>/dev/null) == 600 ]] || fail "history mode: $(stat -c %a "$history" 2>&1)"
[[ $(tail -n 1 "$history") == '#定数' ]] || fail "history file: $(cat "$history")"

# ---- Second run: arrow-up brings back the first run's lines ---------------------------------
start C.UTF-8 "$work/empty"
keys Up; sleep 0.2; keys Up; sleep 0.2
wait_for '^> myLabel\*Hypot\(3,4\)$' || fail "arrow-up across runs: $(screen)"
keys C-u; sleep 0.2
type_line 'myLabel=1'
keys C-d
wait_for '^EXIT=0$' || fail "second run's end: $(screen)"

# ---- The history keeps the last 1,000 lines ----------------------------------------------------
seq 1 1005 | sed 's/^/1+/' >"$history"
start C.UTF-8 "$work/empty"
type_line '6*7'
wait_for '^ 42$' || fail "6*7: $(screen)"
keys C-d
wait_for '^EXIT=0$' || fail "third run's end: $(screen)"
[[ $(wc -l <"$history") == 1000 && $(head -n 1 "$history") == "1+7" && $(tail -n 1 "$history") == "6*7" ]] ||
  fail "history not cut to 1,000 lines: $(wc -l <"$history") lines, $(head -n 1 "$history") .. $(tail -n 1 "$history")"

# ---- An unwritable state folder: one warning, the console goes on ------------------------------
: >"$work/not-a-folder"
STATE="$work/not-a-folder" start C.UTF-8 "$work/empty"
type_line '1+1'
type_line '2+2'
wait_for '^  4$' || fail "unwritable history: $(screen)"
keys C-d
wait_for '^EXIT=0$' || fail "unwritable history's end: $(screen)"
warnings=$(grep -c 'not-a-folder' "$work/stderr")
[[ $warnings == 1 ]] || fail "unwritable history: $warnings warnings: $(<"$work/stderr")"

if ((failed)); then exit 1; fi
echo "console in a terminal: all passed"
