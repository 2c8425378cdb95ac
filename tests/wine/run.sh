#!/usr/bin/env bash
# The Windows build under Wine: sheetcalc.exe against the real Windows clipboard, files, message
# box, code pages and system colours, with the ANSI code page 932 (LC_ALL=ja_JP.UTF-8); at the end
# the encodings of files once more with the ANSI code page 1252 (LC_ALL=C.UTF-8, the same prefix).
# Usage: run.sh WIN_BUILD_DIR [NAME-FILTER]
#
# Wine runs without a display (Wine's null driver): the clipboard then lives in the wine server,
# a message box returns at once instead of waiting for a click, and a console exists only on a
# terminal (console mode runs under `script`), so nothing here can wait for a user. The message
# box is checked through Wine's relay trace of the MessageBoxA call. Every program runs under a
# time limit. The wine prefix is private (WIN_BUILD_DIR/wineprefix unless
# SHEETCALC_WINEPREFIX names one) and is created on first use.
set -u

build=$(cd "${1:?usage: run.sh WIN_BUILD_DIR [NAME-FILTER]}" && pwd) || exit 2
filter=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)

die() { echo "run.sh: $*" >&2; exit 2; }

find_built() {
  local f
  for f in "$build/host/$1" "$build/$1" "$build/tests/wine/$1"; do
    [[ -f "$f" ]] && { echo "$f"; return 0; }
  done
  return 1
}
exe=$(find_built sheetcalc.exe) || die "no sheetcalc.exe under $build"
tool=$(find_built clipboard_tool.exe) || die "no clipboard_tool.exe under $build"
checker=$(find_built platform_check.exe) || die "no platform_check.exe under $build"
wine=$(command -v wine || command -v wine64) || die "wine is not installed"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
command -v iconv >/dev/null || die "iconv is not installed"
locale -a 2>/dev/null | grep -qiE '^ja_JP\.utf-?8$' || die "the locale ja_JP.UTF-8 is not generated"

export LC_ALL=ja_JP.UTF-8
export WINEPREFIX=${SHEETCALC_WINEPREFIX:-$build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

work=$(mktemp -d)
cleanup() {
  timeout 20 "$wineserver" -k >/dev/null 2>&1
  [[ -n "${KEEP_WORK:-}" ]] || rm -rf "$work"
}
trap cleanup EXIT

if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  echo "creating the wine prefix $WINEPREFIX"
  timeout 300 "$wine" wineboot --init >"$work/wineboot.log" 2>&1 ||
    { cat "$work/wineboot.log"; die "wineboot failed"; }
fi
# One persistent wine server for the whole run: the clipboard and the system colours live in it
# and must outlive each program. A server left from wineboot is replaced by it.
timeout 20 "$wineserver" -k >/dev/null 2>&1
timeout 20 "$wineserver" -w >/dev/null 2>&1
timeout 20 "$wineserver" -p >/dev/null 2>&1 || die "cannot start the wine server"
# Relay tracing only for the message box call, so that the trace stays small.
timeout 120 "$wine" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ \
  /d 'user32.MessageBoxA' /f >/dev/null 2>&1 || die "cannot set up relay tracing"

# The program runs from a folder of its own: colour schemes are written beside the program file.
mkdir -p "$work/bin" "$work/run"
cp "$exe" "$work/bin/sheetcalc.exe"
cd "$work/run" || die "no work folder"

passed=0 failed=0 status=0
pass() { passed=$((passed + 1)); }
fail() {
  failed=$((failed + 1))
  echo "FAIL $1"
}
selected() { [[ -z "$filter" || "$1" == *"$filter"* ]]; }

# UTF-8 text with LF line ends (as written in this script) -> code page 932 with CR LF, and back.
to_win() { iconv -f UTF-8 -t CP932 | perl -pe 's/\r?\n/\r\n/g'; }
from_win() { iconv -f CP932 -t UTF-8 | perl -pe 's/\r\n/\n/g'; }

# sc ARGS...: sheetcalc.exe in the run folder; sets status (124 when it had to be stopped).
sc() {
  timeout -k 5 60 "$wine" "$work/bin/sheetcalc.exe" "$@" >"$work/stdout" 2>"$work/stderr"
  status=$?
}
clip_set_text() { printf '%s' "$1" | to_win >"$work/clip.in" && clip_set_file "$work/clip.in"; }
clip_set_file() { timeout -k 5 60 "$wine" "$tool" set "$1" >/dev/null 2>&1; }
# clip_get: the clipboard's text, converted to UTF-8 with LF, into $work/clip.out.
clip_get() {
  rm -f "$work/clip.raw"
  timeout -k 5 60 "$wine" "$tool" get "$work/clip.raw" >/dev/null 2>&1 || return 1
  from_win <"$work/clip.raw" >"$work/clip.out"
}

# expect_clip NAME WANT: the clipboard must hold WANT (UTF-8 with LF).
expect_clip() {
  if ! clip_get; then
    fail "$1: the clipboard holds no text"
  elif [[ "$(cat "$work/clip.out"; echo .)" != "$2." ]]; then
    fail "$1: clipboard differs"
    diff <(printf '%s' "$2" | cat -A) <(cat -A "$work/clip.out") | head -20
  else
    pass
  fi
}
expect_status() {
  if [[ "$status" == "$2" ]]; then pass; else
    fail "$1: exit status $status, expected $2"
    head -5 "$work/stderr"
  fi
}
sheet() { printf '%s' "$2" | to_win >"$1"; }

# ---- the platform layer against the system services --------------------------------------------
if selected platform; then
  mkdir -p "$work/check/dir"
  cp "$checker" "$work/check/dir/表.exe"
  winfolder=$(timeout 60 winepath -w "$work/check" 2>/dev/null)
  out=$(cd "$work/check" && timeout -k 5 60 "$wine" "dir/表.exe" "$winfolder" "$winfolder\\dir\\" 2>&1)
  if [[ $? == 0 ]]; then pass; else fail "platform checks"; fi
  grep -a '^FAIL\|passed' <<<"$out" | iconv -f CP932 -t UTF-8 -c | sed 's/^/  /'
  printf 'a\r\nb\x1a\n\x95\x5c\0c' >"$work/echo.in"
  timeout -k 5 60 "$wine" "$checker" echo <"$work/echo.in" >"$work/echo.out" 2>/dev/null
  if cmp -s "$work/echo.in" "$work/echo.out"; then pass; else fail "standard streams alter bytes"; fi
fi

# ---- the golden sheets, in file mode --------------------------------------------------------------
# The same sheets give the same output text on Windows. Left out: cases that expect a failure,
# and the system colours and code pages, which belong to each system.
# The goldens hold the filter's text: there, after a sheet's final line break, the empty line that
# file mode writes as well is dropped.
filter_end() {  # SHEET.in: its file-mode output on standard input
  if [[ -z "$(tail -c 1 "$1")" ]]; then perl -0777 -pe 's/\n\n\z/\n/'; else cat; fi
}
if selected golden; then
  for in in "$root"/tests/golden/*.in; do
    name=$(basename "$in" .in)
    [[ -f "${in%.in}.status" || -f "${in%.in}.err" || ! -f "${in%.in}.out" ]] && continue
    [[ "$name" == scol_* || "$name" == cp_* ]] && continue
    grep -qiE '#(scol|cp)|COLOR_' "$in" && continue
    # A case whose output is its input left the clipboard alone (the text went to a file).
    cmp -s "$in" "${in%.in}.out" && continue
    # Files on Windows are code page 932: a sheet or result outside it has no file form there.
    iconv -f UTF-8 -t CP932 <"$in" >/dev/null 2>&1 || continue
    iconv -f UTF-8 -t CP932 <"${in%.in}.out" >/dev/null 2>&1 || continue
    tr -d '\0' <"$in" | cmp -s - "$in" || continue  # a zero byte ends a text on Windows
    to_win <"$in" >"$name.txt"
    clip_set_text "untouched"
    sc "$name.txt"
    if [[ "$status" != 0 ]]; then
      fail "golden $name: exit status $status"
    elif ! clip_get; then
      fail "golden $name: the clipboard holds no text"
    elif ! filter_end "$in" <"$work/clip.out" | cmp -s - "${in%.in}.out"; then
      fail "golden $name: clipboard differs"
      diff <(cat -A "${in%.in}.out") <(filter_end "$in" <"$work/clip.out" | cat -A) | head -10
    else
      pass
    fi
  done
fi

# ---- file mode, clipboard mode ----------------------------------------------------------------
# The output ends with a line break exactly when the sheet did, in every mode.
calc_in=$'a=2\nb=a*3\nb+1\n'
calc_out=$'a=2\nb=a*3\nb+1//  7\n'
filter_out=$calc_out

sheet one.txt "$calc_in"

if selected file; then
  clip_set_text "untouched"
  sc one.txt
  expect_status "file mode" 0
  expect_clip "file mode" "$calc_out"

  # A missing file is skipped with a warning and the run ends with status 1; the others count.
  sc missing.txt one.txt
  expect_status "file mode, missing first" 1
  expect_clip "file mode, missing first" "$calc_out"

  # The outputs of several files are joined in command-line order.
  sheet two.txt $'1+1\n'
  sc two.txt one.txt
  expect_status "file mode, two files" 0
  expect_clip "file mode, two files" $'1+1//  2\n'"$calc_out"

  # No existing file: nothing is evaluated, no console opens, status 1; the clipboard is untouched.
  clip_set_text "untouched"
  sc missing1.txt missing2.txt
  expect_status "no existing file" 1
  expect_clip "no existing file" "untouched"
fi

if selected clipboard; then
  clip_set_text "$calc_in"
  sc
  expect_status "clipboard mode" 0
  expect_clip "clipboard mode" "$calc_out"

  # Double-byte names whose trail byte is 0x5C ('表', 'ソ') pass unchanged.
  clip_set_text $'表示=5\n表示*2\nソ=1\nソ+1 //表\n'
  sc
  expect_status "clipboard mode, double-byte" 0
  expect_clip "clipboard mode, double-byte" $'表示=5\n表示*2// 10\nソ=1\nソ+1 //  2\n'

  # Blanks and line breaks only: console mode, clipboard unchanged.
  clip_set_text $' \t\n \n'
  sc
  expect_status "blank clipboard" 0
  expect_clip "blank clipboard" $' \t\n \n'
fi

# ---- --undo: the clipboard text a run replaced comes back -------------------------------------------
if selected undo; then
  # Prose is overwritten by clipboard mode; --undo brings it back (the trail byte of '表' is '\'),
  # a second --undo the result again.
  prose='表示メモ: buy 3 apples'
  evaluated=$'表示メモ: buy 3 apples//!Err:表示メモ undefined labels\n'
  clip_set_text "$prose"
  sc
  expect_status "undo, evaluate" 0
  expect_clip "undo, evaluate" "$evaluated"
  sc --undo
  expect_status "undo" 0
  expect_clip "undo" "$prose"
  sc --undo
  expect_status "redo" 0
  expect_clip "redo" "$evaluated"
fi

# ---- the clipboard as CF_UNICODETEXT ------------------------------------------------------------
# Characters code page 932 lacks come back intact, written as CF_UNICODETEXT; text the code page
# represents gives the same result as through CF_TEXT.
clip_setw() { printf '%s' "$1" | perl -pe 's/\n/\r\n/g' >"$work/clipw.in" &&
  timeout -k 5 60 "$wine" "$tool" setw "$work/clipw.in" >/dev/null 2>&1; }
expect_clipw() {
  rm -f "$work/clipw.raw"
  timeout -k 5 60 "$wine" "$tool" getw "$work/clipw.raw" >/dev/null 2>&1
  local rc=$?
  # Wine's clipboard, without a display, now and then answers a reader that starts just as the
  # writer ends with nothing: one more look a moment later.
  if [[ $rc != 0 ]]; then
    sleep 1
    timeout -k 5 60 "$wine" "$tool" getw "$work/clipw.raw" >/dev/null 2>&1
    rc=$?
  fi
  if [[ $rc != 0 ]]; then
    fail "$1: no CF_UNICODETEXT on the clipboard (status $rc)"
  elif [[ "$(perl -pe 's/\r\n/\n/g' "$work/clipw.raw"; echo .)" != "$2." ]]; then
    fail "$1: clipboard differs"
    diff <(printf '%s' "$2" | cat -A) <(perl -pe 's/\r\n/\n/g' "$work/clipw.raw" | cat -A) | head -20
  else
    pass
  fi
}
if selected unicode; then
  clip_setw $'// € 1+1 😀\nx€=1+1\nx€*3 // 😀\n表示=5\n表示*2\n'
  sc
  expect_status "CF_UNICODETEXT clipboard" 0
  expect_clipw "CF_UNICODETEXT clipboard" $'// € 1+1 😀\nx€=1+1\nx€*3 //  6\n表示=5\n表示*2// 10\n'
  # What only that run's stand-ins spelled comes back as well, though this run gives the same
  # stand-ins to other characters first.
  clip_setw $'½ ☃\n'
  sc --undo
  expect_clipw "CF_UNICODETEXT undo" $'// € 1+1 😀\nx€=1+1\nx€*3 // 😀\n表示=5\n表示*2\n'
  clip_setw $'\xef\xbb\xbf2*3\n'  # a byte order mark comes back in front
  sc
  expect_clipw "CF_UNICODETEXT byte order mark" $'\xef\xbb\xbf2*3//  6\n'
  clip_setw "$calc_in"
  sc
  expect_clip "CF_UNICODETEXT as CF_TEXT" "$calc_out"
  # A CF_TEXT clipboard is read as its bytes, and CF_TEXT gets them back as they were: ED40 and
  # FA5C are the same character, and a text made from the Unicode form would hold FA5C.
  printf 'x=1 //\xed\x40\r\nx+1' >"$work/clip.in"
  clip_set_file "$work/clip.in"
  sc
  printf 'x=1 //\xed\x40\r\nx+1//  2\r\n' >"$work/clip.want"
  if timeout -k 5 60 "$wine" "$tool" get "$work/clip.raw" >/dev/null 2>&1 &&
    cmp -s "$work/clip.raw" "$work/clip.want"; then pass; else
    fail "CF_TEXT clipboard: bytes differ: $(od -An -tx1 "$work/clip.raw" | head -2)"
  fi
fi

# ---- standard input and output (the command-line use) -------------------------------------------
if selected stdio; then
  printf '%s' "$calc_in" | to_win >"$work/filter.in"
  printf '%s' "$filter_out" | to_win >"$work/filter.want"
  clip_set_text "untouched"
  timeout -k 5 60 "$wine" "$work/bin/sheetcalc.exe" - <"$work/filter.in" >"$work/filter.out" 2>/dev/null
  status=$?
  expect_status "standard input" 0
  if cmp -s "$work/filter.want" "$work/filter.out"; then pass; else
    fail "standard input: standard output differs"
    od -c "$work/filter.out" | head -5
  fi
  expect_clip "standard input leaves the clipboard" "untouched"

  # An error that ends the run hands the input back unchanged.
  printf '%s' $'a=1\n#ScriptFile x\n' | to_win >"$work/filter.in"
  timeout -k 5 60 "$wine" "$work/bin/sheetcalc.exe" - <"$work/filter.in" >"$work/filter.out" 2>/dev/null
  status=$?
  expect_status "standard input, error" 1
  cmp -s "$work/filter.in" "$work/filter.out" && pass || fail "standard input, error: input not handed back"

  sc --stdout one.txt
  expect_status "--stdout" 0
  printf '%s' "$calc_out" | to_win | cmp -s - "$work/stdout" && pass || fail "--stdout: standard output differs"
fi

# ---- the program file: windowed, and nothing but system libraries beside it ---------------------
objdump=$(command -v x86_64-w64-mingw32-objdump || true)
if selected binary && [[ -n "$objdump" ]]; then
  headers=$("$objdump" -p "$exe")
  grep -q 'Subsystem.*Windows GUI' <<<"$headers" && pass || fail "sheetcalc.exe is not a windowed program"
  others=$(grep -o 'DLL Name: .*' <<<"$headers" | cut -d' ' -f3 |
    grep -viE '^(kernel32|user32|msvcrt|advapi32|shell32|gdi32|ntdll)\.dll$' | tr '\n' ' ')
  [[ -z "$others" ]] && pass || fail "sheetcalc.exe needs libraries that Windows lacks: $others"
fi

# ---- console mode ---------------------------------------------------------------------------------
# Without a display a console cannot be read, but a program started on a terminal gets Wine's
# terminal console: `script` gives it one, and the typed lines come from a pipe.
# console_run INPUT1 INPUT2 ARGS...: runs in console mode and types INPUT1, then INPUT2; between
# the two the clipboard's text goes to $work/clip.out (clip_ok 1 when it held text at all). The
# terminal's text, UTF-8 with LF, goes to $work/tty. The command is exec'd: `timeout` moves to a
# process group of its own, which is the terminal's foreground group only when it replaces the
# shell that `script` starts (a shell that stays, as /bin/sh does when SHELL is unset, leaves the
# program in a background group, stopped at its first read). (Wine drops what a console process put on the
# clipboard once it has read its console and ended, so the clipboard is read while it runs.)
console_run() {
  local first=$1 second=$2
  shift 2
  local command="exec timeout -k 5 60 '$wine' '$work/bin/sheetcalc.exe'"
  local a
  for a in "$@"; do command+=" '$a'"; done
  rm -f "$work/clip.out" "$work/clip.ok"
  # The clipboard is read until it holds an empty text (or for at most ten seconds).
  {
    sleep 3
    printf '%s' "$first"
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      sleep 1
      clip_get && touch "$work/clip.ok" && [[ ! -s "$work/clip.out" ]] && break
    done
    printf '%s' "$second"
    sleep 2
  } |
    timeout -k 5 90 script -qefc "$command" /dev/null >"$work/tty.raw" 2>/dev/null
  status=$?
  clip_ok=0
  [[ -f "$work/clip.ok" ]] && clip_ok=1
  # Drop the terminal's control sequences and carriage returns.
  perl -pe 's/\e\[[0-9;?]*[A-Za-z]//g; s/\e\][^\a]*\a//g; s/\r//g' <"$work/tty.raw" >"$work/tty"
}

command -v script >/dev/null || echo "console mode and the console echo are not tested: no 'script'"
if selected console && command -v script >/dev/null; then
  # The help text comes first when the clipboard holds only blanks.
  clip_set_text $' \n'
  console_run $'a=5\ra*2\r' $'ex\rExit\r1+1\r'
  expect_status "console mode" 0
  grep -qx 'クリップボードに計算したい文字列をcopyして　実行すれば' "$work/tty" && pass ||
    fail "console mode: no help text"
  grep -qx 'exitで帰りますが窓を閉じるのが早いでしょう' "$work/tty" && pass ||
    fail "console mode: help text incomplete"
  # The label survives from line to line; 'ex' is evaluated; 'Exit' ends the loop, and the line
  # after it is never read.
  grep -qx ' 10' "$work/tty" && pass || fail "console mode: 'a*2' did not write ' 10'"
  grep -qx '!Err:ex undefined labels' "$work/tty" && pass || fail "console mode: 'ex' was not evaluated"
  grep -qx '  2' "$work/tty" && fail "console mode: a line after 'Exit' was evaluated" || pass
  # After an ordinary line the clipboard holds an empty text.
  if ((clip_ok)) && [[ ! -s "$work/clip.out" ]]; then pass; else
    fail "console mode: the clipboard does not hold an empty text"
  fi

  # An empty sheet file: console mode without the help text.
  sheet empty.txt ''
  console_run $'2*3+100\r' $'exit\r' empty.txt
  expect_status "console mode, empty file" 0
  grep -qx '106' "$work/tty" && pass || fail "console mode, empty file: '2*3+100' did not write '106'"
  grep -q 'クリップボードに計算' "$work/tty" && fail "console mode, empty file: help text written" || pass
fi

# ---- the converter's console echo ("Debug") --------------------------------------------------------
if selected echo && command -v script >/dev/null; then
  sheet pj.txt $'#P2Js Debug\nvar x: integer;\nbegin x := 1; end.\n'
  js=$'/*<Exec,1>*/ var x ;\n{ /*<mBlock,2>*/var x =/*<LabelSet.var,3>*/ 1; }.\n'
  printf '%s' "$js" | to_win >"$work/js.want"
  # Standard output carries the result alone; the echo goes to the console, here the terminal.
  timeout -k 5 90 script -qefc "exec timeout -k 5 60 '$wine' '$work/bin/sheetcalc.exe' - <pj.txt >'$work/js.out'" \
    /dev/null >"$work/tty.raw" 2>/dev/null
  status=$?
  expect_status "console echo" 0
  cmp -s "$work/js.want" "$work/js.out" && pass || fail "console echo: standard output differs"
  grep -aq 'LabelSet.var,3' "$work/tty.raw" && pass || fail "console echo: nothing on the console"
  # In file mode the result goes to the clipboard as usual.
  clip_set_text "untouched"
  timeout -k 5 90 script -qefc "exec timeout -k 5 60 '$wine' '$work/bin/sheetcalc.exe' pj.txt" \
    /dev/null >"$work/tty.raw" 2>/dev/null
  status=$?
  expect_status "console echo, file mode" 0
  expect_clip "console echo, file mode" "$js"
fi

# ---- #P2Js output files: the names Windows reads as elsewhere ----------------------------------
# Each refused (exit 1, nothing written anywhere in the work folder, the clipboard untouched); a
# plain name lands beside the sheet, a folder --allow-write names takes what reaches it.
if selected p2js; then
  mkdir -p p2js/sub p2js/other
  drive=$(timeout 60 winepath -w "$work/run/p2js" 2>/dev/null)
  for name in 'CON.js' 'nul.x.js' 'com1.js' 'C:\x.js' 'c:x.js' "$drive\\abs.js" '\\server\share\x.js' \
    '..\up.js' 'sub\..\..\up.js' 'x.js.' 'x.js:s' 'x.txt' '\\.\NUL.js' '\\?\C:\x.js'; do
    sheet p2js/sub/s.pas "#P2Js '$name'"$'\nvar x: integer;\n'
    before=$(cd "$work/run/p2js" && find . | sort)
    clip_set_text "untouched"
    sc 'p2js\sub\s.pas'
    expect_status "p2js '$name'" 1
    expect_clip "p2js '$name'" "untouched"
    [[ $(cd "$work/run/p2js" && find . | sort) == "$before" ]] && pass || fail "p2js '$name': files changed"
  done
  [[ ! -e "$WINEPREFIX/drive_c/x.js" && ! -e up.js ]] && pass || fail "p2js: a refused name was written"
  # The message names the file and the rule.
  sheet p2js/sub/s.pas $'#P2Js \'C:\\x.js\'\nvar x: integer;\n'
  WINEDEBUG=-all,+relay timeout -k 5 60 "$wine" "$work/bin/sheetcalc.exe" 'p2js\sub\s.pas' \
    >"$work/stdout" 2>"$work/relay"
  # In the user's language: Japanese here (the relay trace's \xNN bytes decoded from code page 932;
  # the trace cuts a long text short).
  grep -a 'Call user32.MessageBoxA(' "$work/relay" | head -1 |
    perl -pe 's/\\x([0-9a-fA-F]{2})/chr(hex($1))/ge' | iconv -f CP932 -t UTF-8 -c |
    grep -qF "'C:\\\\x.js' への書き込みを拒否しました: 出力" &&
    pass || fail "p2js: message box: $(grep -a 'Call user32.MessageBoxA(' "$work/relay" | head -c 400)"
  sheet p2js/sub/s.pas $'#P2Js \'out.js\'\nvar x: integer;\n'
  sc 'p2js\sub\s.pas'
  expect_status "p2js beside the sheet" 0
  [[ $(from_win <p2js/sub/out.js) == " var x ;" ]] && pass || fail "p2js beside the sheet: $(ls p2js/sub)"
  sheet p2js/sub/s.pas $'#P2Js \'..\\other\\a.js\'\nvar x: integer;\n'
  sc --allow-write 'p2js\other' 'p2js\sub\s.pas'
  expect_status "p2js --allow-write" 0
  [[ -f p2js/other/a.js ]] && pass || fail "p2js --allow-write: $(ls p2js/other)"
fi

# ---- an error that ends the process -----------------------------------------------------------
if selected error; then
  sheet err.txt $'a=1\n#ScriptFile x\n'
  clip_set_text "untouched"
  WINEDEBUG=-all,+relay timeout -k 5 60 "$wine" "$work/bin/sheetcalc.exe" err.txt \
    >"$work/stdout" 2>"$work/relay"
  status=$?
  expect_status "directive error" 1
  expect_clip "directive error" "untouched"
  # The relay trace shows the call with its strings (non-ASCII bytes as \xNN) and its flags.
  call=$(grep -a 'Call user32.MessageBoxA(' "$work/relay" | head -1 |
    perl -pe 's/\\x([0-9a-fA-F]{2})/chr(hex($1))/ge; s/\\n/\n/g' | iconv -f CP932 -t UTF-8 -c)
  if [[ -z "$call" ]]; then
    fail "directive error: no message box"
  else
    [[ "$call" == *'"アプリケーション エラー"'* ]] && pass || fail "message box caption: $call"
    [[ "$call" == *'がモジュール sheetcalc.exe の '*'で発生しました。'*'ScriptFileの後に=が無い.'* ]] &&
      pass || fail "message box text: $call"
    flags=$(grep -a 'Call user32.MessageBoxA(' "$work/relay" | head -1 | sed -E 's/.*,([0-9a-f]+)\) ret=.*/\1/')
    (((16#${flags:-0} & 0x2000) != 0)) && pass || fail "message box is not task-modal: $flags"
  fi
fi

# ---- messages in the user's UI language: Japanese above (LC_ALL=ja_JP.UTF-8), English otherwise --
if selected language; then
  line=$(LC_ALL=C.UTF-8 timeout -k 5 60 "$wine" "$work/bin/sheetcalc.exe" -h 2>/dev/null | head -1)
  [[ "${line%$'\r'}" == "Usage: sheetcalc [OPTION]... [FILE]..." ]] && pass || fail "English usage: $line"
  line=$(timeout -k 5 60 "$wine" "$work/bin/sheetcalc.exe" -h 2>/dev/null | head -1 | iconv -f CP932 -t UTF-8 -c)
  [[ "${line%$'\r'}" == "使い方: sheetcalc [オプション]... [ファイル]..." ]] && pass || fail "Japanese usage: $line"
fi

# ---- an unknown option: the error report, exit 2 -----------------------------------------------
if selected usage; then
  WINEDEBUG=-all,+relay timeout -k 5 60 "$wine" "$work/bin/sheetcalc.exe" --bogus \
    >"$work/stdout" 2>"$work/relay"
  status=$?
  expect_status "unknown option" 2
  call=$(grep -a 'Call user32.MessageBoxA(' "$work/relay" | head -1 | perl -pe 's/\\n/\n/g')
  [[ "$call" == *"sheetcalc: unknown option '--bogus'"*"Try 'sheetcalc --help' for more information."* &&
     "$call" == *'"sheetcalc"'* ]] && pass || fail "unknown option: message box: ${call:-none}"
fi

# ---- code pages: the system's own information --------------------------------------------------
if selected codepage; then
  sheet cp.txt $'#cp\n#CP 900+32\n#cp 1252\n#cp 12345\n'
  sc cp.txt
  expect_status "#cp" 0
  if ! clip_get; then
    fail "#cp: the clipboard holds no text"
  else
    # The names belong to the system; everything before them is fixed.
    want=(
      '^// CP_ACP  :     932, 2,"\[#\$81\.\.#\$9F,#\$E0\.\.#\$FC\]",.+$'
      '^// CP_OEMCP:     932, 2,"\[#\$81\.\.#\$9F,#\$E0\.\.#\$FC\]",.+$'
      '^// cp   932:     932, 2,"\[#\$81\.\.#\$9F,#\$E0\.\.#\$FC\]",.+$'
      '^// cp  1252:    1252, 1,"\[\]",.+$'
    )
    mapfile -t got <"$work/clip.out"
    ok=1
    ((${#got[@]} == ${#want[@]})) || ok=0
    for i in "${!want[@]}"; do
      [[ "${got[i]-}" =~ ${want[i]} ]] || ok=0
    done
    if ((ok)); then pass; else
      fail "#cp: report differs"
      cat -A "$work/clip.out" | head -8
    fi
  fi
fi

# ---- system colours: the colours in force and the scheme files beside the program ---------------
# listing: the #scol listing lines that name element $1 (from $work/clip.out).
listing_line() { grep -a "^$1 *=" "$work/clip.out" | head -1; }
expect_colour() {
  sheet list.txt $'#scol\n'
  sc list.txt
  if clip_get && [[ "$(listing_line "$2")" =~ ^$2\ *=$3\ *// ]]; then pass; else
    fail "$1: $2 is not $3: $(listing_line "$2")"
  fi
}

if selected scol; then
  sheet list.txt $'#scol\n'
  sc list.txt
  expect_status "#scol listing" 0
  clip_get
  names=$(grep -ao '^COLOR_[A-Z0-9]*' "$work/clip.out" | tr '\n' ' ')
  want_names="COLOR_WINDOW COLOR_WINDOWTEXT COLOR_HIGHLIGHT COLOR_HIGHLIGHTTEXT COLOR_3DFACE \
COLOR_GRAYTEXT COLOR_BTNTEXT COLOR_HOTLIGHT COLOR_CAPTIONTEXT COLOR_ACTIVEBORDER \
COLOR_INACTIVEBORDER COLOR_APPWORKSPACE COLOR_BTNFACE COLOR_INACTIVECAPTIONTEXT COLOR_INFOTEXT \
COLOR_INFOBK COLOR_3DSHADOW COLOR_3DHILIGHT COLOR_3DDKSHADOW COLOR_3DLIGHT COLOR_DESKTOP "
  if [[ "$names" == "$want_names" ]] &&
    (($(grep -acE '^COLOR_[A-Z0-9]+ *=(cl[A-Za-z]+|\$[0-9A-F]{6}) *//' "$work/clip.out") == 21)); then
    pass
  else
    fail "#scol listing"
    head -3 "$work/clip.out"
  fi

  # An assignment is read back at once and reaches the system when the pass ends.
  sheet set.txt $'COLOR_WINDOW = clYellow\nCOLOR_WINDOW\n'
  sc set.txt
  expect_status "colour assignment" 0
  expect_clip "colour assignment" $'COLOR_WINDOW = clYellow\nCOLOR_WINDOW//65535\n'
  expect_colour "colour assignment" COLOR_WINDOW clYellow

  # Save beside the program file, change, load back, delete.
  rm -f "$work/bin/t1.scol.txt"
  sheet save.txt $'#scol +t1\n'
  sc save.txt
  expect_status "#scol +t1" 0
  if [[ -f "$work/bin/t1.scol.txt" ]]; then
    # The listing itself: 21 lines, CR LF between them and none after the last.
    from_win <"$work/bin/t1.scol.txt" >"$work/t1.txt"
    if (($(wc -l <"$work/t1.txt") == 20)) && [[ "$(tail -c 2 "$work/bin/t1.scol.txt" | od -An -c)" != *'\r  \n'* ]] &&
      grep -q '^COLOR_WINDOW *=clYellow *//' "$work/t1.txt"; then pass; else
      fail "#scol +t1: scheme file"
      head -3 "$work/t1.txt"
    fi
  else
    fail "#scol +t1: no scheme file beside the program"
  fi
  sheet red.txt $'COLOR_WINDOW = clRed\n'
  sc red.txt
  expect_colour "colour changed" COLOR_WINDOW clRed
  sheet load.txt $'#scol t1\n'
  sc load.txt
  expect_status "#scol t1" 0
  expect_colour "#scol t1" COLOR_WINDOW clYellow
  sheet delete.txt $'#scol -t1\n'
  sc delete.txt
  expect_status "#scol -t1" 0
  [[ ! -e "$work/bin/t1.scol.txt" ]] && pass || fail "#scol -t1: scheme file still there"
  sc delete.txt
  expect_status "#scol -t1, no file" 0
  # Loading a missing scheme is an error that ends the process.
  sc load.txt
  expect_status "#scol t1, no file" 1
fi

# The same error ends clipboard mode and console mode with exit status 1 as well.
if selected error; then
  clip_set_text $'a=1\n#ScriptFile x\n'
  sc
  expect_status "directive error, clipboard mode" 1
  expect_clip "directive error, clipboard mode" $'a=1\n#ScriptFile x\n'
fi
if selected error && command -v script >/dev/null; then
  clip_set_text $' \n'
  console_run $'1+1\r' $'#ScriptFile x\r3+3\r'
  expect_status "directive error, console mode" 1
  grep -qx '  2' "$work/tty" && pass || fail "console mode, error: '1+1' did not write '  2'"
  grep -qx '  6' "$work/tty" && fail "console mode, error: the loop went on after the error" || pass
fi

# ---- files in UTF-8 or the ANSI code page ------------------------------------------------------
# A file is UTF-8 when it starts with the byte order mark or is valid UTF-8 with a byte above 0x7F,
# else the ANSI code page; --stdout gives the file's own encoding back, the clipboard the text.
# enc_case NAME IN WANT-STDOUT [WANT-CLIPBOARD]: IN and WANT-STDOUT are bytes (printf %b escapes),
# WANT-CLIPBOARD is the clipboard's text as UTF-8 with LF.
enc_case() {
  printf '%b' "$2" >enc.txt
  printf '%b' "$3" >"$work/enc.want"
  sc --stdout enc.txt
  if [[ $status == 0 ]] && cmp -s "$work/enc.want" "$work/stdout"; then pass; else
    fail "$1 (code page $acp): --stdout gives $(od -An -tx1 "$work/stdout" | head -3) (status $status)"
  fi
  if [[ -n ${4+set} ]]; then
    clip_setw "untouched"
    sc enc.txt
    [[ $status == 0 ]] || echo "  status $status: $(head -3 "$work/stderr")"
    expect_clipw "$1 (code page $acp), clipboard" "$4"
  fi
}
encoding_cases() {
  enc_case "UTF-8 file" '\xe2\x82\xac = 2\r\n\xe2\x82\xac*3\r\n' \
    '\xe2\x82\xac = 2\r\n\xe2\x82\xac*3//  6\r\n' $'€ = 2\n€*3//  6\n'
  enc_case "UTF-8 file with a byte order mark" '\xef\xbb\xbfx=2\r\nx*3\r\n' \
    '\xef\xbb\xbfx=2\r\nx*3//  6\r\n' $'\xef\xbb\xbfx=2\nx*3//  6\n'
  enc_case "ASCII file" 'a=2\r\na*3\r\n' 'a=2\r\na*3//  6\r\n' $'a=2\na*3//  6\n'
  # Characters of code page 932 and others in one UTF-8 file.
  enc_case "UTF-8 file, mixed" '\xe8\xa1\xa8=1\r\n\xc3\xa9=2\r\n\xe8\xa1\xa8+\xc3\xa9\r\n' \
    '\xe8\xa1\xa8=1\r\n\xc3\xa9=2\r\n\xe8\xa1\xa8+\xc3\xa9//  3\r\n'
  # A converted file goes out in its sheet's encoding.
  rm -f out.js
  printf '#P2Js '"'"'out.js'"'"'\r\nvar s: string;\r\nbegin s := '"'"'\xe2\x82\xac'"'"'; end.\r\n' >pj.txt
  sc pj.txt
  grep -q $'\xe2\x82\xac' out.js 2>/dev/null && pass || fail "#P2Js from UTF-8 (code page $acp): out.js is not UTF-8"
}
encoding_cases_932() {
  enc_case "Shift-JIS file" '\x95\x5c\x8e\xa6=5\r\n\x95\x5c\x8e\xa6*2\r\n' \
    '\x95\x5c\x8e\xa6=5\r\n\x95\x5c\x8e\xa6*2// 10\r\n' $'表示=5\n表示*2// 10\n'
  # Not UTF-8, so code page 932: its bytes stay as they are (E9 3D is one character there).
  enc_case "Windows-1252 file" 'caf\xe9=2\r\n' 'caf\xe9=2//!Err:caf\xe9=2 undefined labels\r\n'
}
encoding_cases_1252() {
  enc_case "Windows-1252 file" 'caf\xe9=2\r\ncaf\xe9*3\r\n' 'caf\xe9=2\r\ncaf\xe9*3//  6\r\n' \
    $'café=2\ncafé*3//  6\n'
  # Bytes code page 1252 leaves undefined come back as they were.
  enc_case "Windows-1252 file, undefined bytes" '//\x81\x8d\xe9\r\n1+1\r\n' '//\x81\x8d\xe9\r\n1+1//  2\r\n'
  # Shift-JIS read as code page 1252 is garbled but intact: every byte comes back.
  enc_case "Shift-JIS file" '// \x95\x5c\x8e\xa6\r\n' '// \x95\x5c\x8e\xa6\r\n' $'// •\\Ž¦\n'
  # A result the file's code page cannot hold (the Japanese help) turns the output into UTF-8.
  printf 'caf\xe9=2\r\n#h\r\n' >enc.txt
  sc --stdout enc.txt
  if [[ "$(head -c 8 "$work/stdout" | od -An -tx1)" == " 63 61 66 c3 a9 3d 32 0d" ]] &&
    iconv -f UTF-8 -t UTF-8 "$work/stdout" >/dev/null 2>&1; then pass; else
    fail "code page 1252, a result outside it: not UTF-8: $(head -c 16 "$work/stdout" | od -An -tx1)"
  fi
  # A colour scheme saved in UTF-8 with a mark by an editor.
  printf '\xef\xbb\xbfCOLOR_WINDOW =clRed // \xe2\x82\xac\r\n' >"$work/bin/t2.scol.txt"
  sheet load2.txt $'#scol t2\n'
  sc load2.txt
  expect_status "UTF-8 colour scheme (code page 1252)" 0
  expect_colour "UTF-8 colour scheme (code page 1252)" COLOR_WINDOW clRed
  rm -f "$work/bin/t2.scol.txt"
}
if selected encoding; then
  acp=932
  encoding_cases
  encoding_cases_932
  # The ANSI code page follows the locale the wine server starts in.
  timeout 20 "$wineserver" -k >/dev/null 2>&1
  timeout 20 "$wineserver" -w >/dev/null 2>&1
  export LC_ALL=C.UTF-8
  timeout 20 "$wineserver" -p >/dev/null 2>&1 || die "cannot start the wine server"
  acp=1252
  encoding_cases
  encoding_cases_1252
fi

echo "$passed passed, $failed failed"
((failed == 0 && passed > 0))
