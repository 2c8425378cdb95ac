#!/usr/bin/env bash
# The command line: options, usage errors, warnings about skipped files, the one-line error
# report and its desktop notification (through a stand-in notify-send that records its
# arguments), and --help in English and Japanese.
# Usage: run.sh PATH/TO/sheetcalc
set -u
exe=$(realpath "${1:?usage: run.sh PATH/TO/sheetcalc}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL $*"; failed=1; }
cd "$work" || exit 1
mkdir -p bin nobin folder config state

# sc ARGS...: the program with no clipboard, standard input from in.txt (empty unless written),
# its streams in out.txt and err.txt, its exit status in $status; English unless LANG is given
# (LANG=ja_JP.UTF-8 sc ...).
: >in.txt
env=$(command -v env) timeout=$(command -v timeout)  # found even when PATH leaves them out
sc() {
  "$env" -u DISPLAY -u WAYLAND_DISPLAY -u LANGUAGE -u LC_ALL -u LC_MESSAGES LANG="${LANG:-C.UTF-8}" \
    XDG_CONFIG_HOME="$work/config" XDG_STATE_HOME="$work/state" \
    "$timeout" 20 "$exe" "$@" <"${SC_IN:-$work/in.txt}" >"$work/out.txt" 2>"$work/err.txt"
  status=$?
}
export LANG=C.UTF-8
expect() {  # expect WHAT STATUS STDOUT STDERR
  [[ $status == "$2" && $(<out.txt) == "$3" && $(<err.txt) == "$4" ]] ||
    fail "$1: status $status, out '$(head -c 300 out.txt)', err '$(<err.txt)'"
}

# ---- Usage errors: two lines on standard error, exit 2, nothing run ---------------------------
hint="Try 'sheetcalc --help' for more information."
printf '1+1\n' >sheet.txt
for bad in --bogus -x --stdout=yes --help=1 -hV --STDOUT; do
  sc "$bad" sheet.txt
  expect "unknown option $bad" 2 "" "sheetcalc: unknown option '$bad'"$'\n'"$hint"
done
sc --stdout sheet.txt --bogus
expect "unknown option after a file" 2 "" "sheetcalc: unknown option '--bogus'"$'\n'"$hint"

# ---- Options and file names ---------------------------------------------------------------------
for v in -V --version; do
  sc "$v"
  [[ $status == 0 && $(<out.txt) == "sheetcalc "[0-9]* && ! -s err.txt ]] || fail "$v: $(<out.txt)"
done
printf '2*3\n' >in.txt
sc -
expect "- alone" 0 "2*3//  6" ""
: >in.txt
printf '7*6\n' >./--bogus
sc --stdout -- --bogus
expect "-- ends the options" 0 "7*6// 42" ""

# Missing files and folders are skipped with a warning each; the rest is done and the run fails.
sc --stdout missing.sheet folder sheet.txt
expect "skipped files" 1 "1+1//  2" \
  "sheetcalc: missing.sheet: No such file or directory"$'\n'"sheetcalc: folder: Is a directory"
# None readable: nothing evaluated, no console reading standard input.
printf '5*5\n' >in.txt
sc missing.sheet
expect "no file readable" 1 "" "sheetcalc: missing.sheet: No such file or directory"
# No display: the results go to standard output, and the warning takes the same prefix.
sc sheet.txt
expect "no clipboard" 0 "1+1//  2" \
  "sheetcalc: cannot write the clipboard, so the results go to standard output"

# ---- Streams: --stdout alone filters standard input; the output ends as the input did --------
sc --stdout
expect "--stdout alone" 0 "5*5// 25" ""
cmp -s out.txt <(printf '5*5// 25\n') || fail "--stdout alone: line end"
printf '1+1\n' >a.sheet
printf '2+2' >b.sheet
for case in "-|1+1|1+1//  2" "-|1+1\n|1+1//  2\n" "-|x=1\n\n|x=1\n" "--stdout|b.sheet a.sheet|2+2//  4\n1+1//  2\n" \
  "--stdout|a.sheet b.sheet|1+1//  2\n2+2//  4" "--stdout|a.sheet a.sheet|1+1//  2\n1+1//  2\n"; do
  IFS='|' read -r opt what want <<<"$case"
  if [[ $opt == - ]]; then
    printf "$what" >in.txt
    sc -
  else
    # shellcheck disable=SC2086
    sc --stdout $what
  fi
  cmp -s out.txt <(printf "$want") || fail "line ends ($opt $what): '$(od -c out.txt | head -3)'"
done
: >in.txt

# ---- Error reports -------------------------------------------------------------------------------
cat >bin/notify-send <<'SH'
#!/bin/sh
for a in "$@"; do printf '%s\n' "$a"; done >>"$NOTIFY_LOG"
exit ${NOTIFY_STATUS:-0}
SH
chmod +x bin/notify-send
export NOTIFY_LOG="$work/notify.log"
printf 'a=1\n#ScriptFile x\n' >bad.sheet
directive_error="sheetcalc: '=' is missing after #ScriptFile"

# A filter: one line naming the place of an input error; its text comes back; no notification.
perl -CO -e 'print "a=1\n", (map { chr } 0xAC00 .. 0xAC00 + 1880), "\n"' >in.txt  # more than it can carry
PATH="$work/bin:$PATH" sc -
expect "input error" 1 "$(<in.txt)" "sheetcalc: standard input:2:1881: the character U+B358 has no code in code page 932 (no stand-ins are left for it)"
PATH="$work/bin:$PATH" LANG=ja_JP.UTF-8 sc -
expect "input error (ja)" 1 "$(<in.txt)" "sheetcalc: standard input:2:1881: 文字 U+B358 はコード ページ 932 で表せません (代わりに使える外字が残っていません)"
: >in.txt
PATH="$work/bin:$PATH" sc --stdout bad.sheet
expect "--stdout error" 1 "" "$directive_error"
# The engine's own messages too are in the person's language (the sheet's annotations are not).
PATH="$work/bin:$PATH" LANG=ja_JP.UTF-8 sc --stdout bad.sheet
expect "--stdout error (ja)" 1 "" "sheetcalc: ScriptFileの後に=が無い"
printf '#m 1e5.5\n' >in.txt
sc -
expect "conversion error" 1 "$(<in.txt)" "sheetcalc: '1e5.5' is not a floating-point number"
: >in.txt
[[ -e notify.log ]] && fail "a filter notified: $(<notify.log)"

# Results headed for the clipboard, standard error no terminal: the same line as a notification.
PATH="$work/bin:$PATH" sc bad.sheet
expect "file mode error" 1 "" "$directive_error"
[[ $(cat notify.log 2>/dev/null) == $'-u\ncritical\n--\nsheetcalc\n\'=\' is missing after #ScriptFile' ]] ||
  fail "notification: '$(cat notify.log 2>&1)'"
# A failing notify-send and a missing one change nothing.
NOTIFY_STATUS=1 PATH="$work/bin:$PATH" sc bad.sheet
expect "failing notify-send" 1 "" "$directive_error"
PATH="$work/nobin" sc bad.sheet
expect "no notify-send" 1 "" "$directive_error"

# From a hotkey (standard input /dev/null, standard error no terminal) an empty clipboard is
# reported, in the user's language; a console would show its help to nobody.
for lang in C.UTF-8 ja_JP.UTF-8; do
  rm -f notify.log
  want="the clipboard holds no text"
  [[ $lang == ja* ]] && want="クリップボードに文字列がありません"
  PATH="$work/bin:$PATH" LANG=$lang SC_IN=/dev/null sc
  expect "hotkey, empty clipboard ($lang)" 1 "" "sheetcalc: $want"
  [[ $(tail -n 1 notify.log 2>/dev/null) == "$want" ]] || fail "hotkey notification ($lang)"
done

# ---- --undo with nothing kept, in both languages ------------------------------------------------
sc --undo
expect "--undo, nothing kept" 1 "" "sheetcalc: no clipboard text has been kept to put back"
LANG=ja_JP.UTF-8 sc --undo
expect "--undo, nothing kept (ja)" 1 "" "sheetcalc: 元に戻すクリップボードの内容が保存されていません"

# ---- #P2Js output files: beside the sheet, or in a folder --allow-write names --------------------
# Each refused name: exit 1, the rule on standard error, the filter's text back, and no file
# created or changed anywhere in the work folder.
mkdir -p p2js/sub p2js/other
ln -s "$work/p2js/other" p2js/sub/linked
tree() { (cd "$work/p2js" && find . -printf '%p %s %y\n' | sort); }
# Each name as printf's %b reads it; shown in the message with a '?' for a control character.
refused=("../up.js" "sub/../../up.js" "./a/../../b.js" "$work/p2js/abs.js" "/tmp/p2jst/out1.sh"
  "x.txt" "CON.js" "nul.x.js" 'C:\\x.js' '\\\\server\\share\\x.js' 'a\nb.js' 'a\0b.js'
  "linked/h.js")
for name in "${refused[@]}"; do
  before=$(tree)
  printf "#P2Js '%b'\nvar x: integer;\n" "$name" >in.txt
  shown=$(printf '%b' "$name" | tr '\0\n' '??')  # a line break, CR LF inside, is one
  cd p2js/sub; LANG=C.UTF-8 sc -; cd "$work" || exit 1
  [[ $status == 1 && $(<err.txt) == "sheetcalc: refused to write '$shown': an output file must be a .js file beside the sheet" ]] ||
    fail "filter, refused '$name': status $status, err '$(<err.txt)'"
  cmp -s out.txt in.txt || fail "filter, refused '$name': the text did not come back"
  [[ $(tree) == "$before" ]] || fail "filter, refused '$name': files changed"
  cp in.txt p2js/sub/sheet.pas
  before=$(tree)
  LANG=C.UTF-8 sc --stdout p2js/sub/sheet.pas
  [[ $status == 1 && $(<err.txt) == *"refused to write"* ]] || fail "file, refused '$name': status $status"
  [[ $(tree) == "$before" ]] || fail "file, refused '$name': files changed"
done
: >in.txt
# A file named on the command line writes beside itself, a filter in the current folder; a link
# at the target is replaced, not written through; the mode is 0644 less the umask.
printf 'keep\n' >p2js/victim.txt
ln -s "$work/p2js/victim.txt" p2js/sub/out.js
printf "#P2Js 'out.js'\nvar x: integer;\n" >p2js/sub/sheet.pas
mask=$(umask)
umask 077; sc --stdout p2js/sub/sheet.pas
expect "file beside its sheet" 0 "" ""
[[ -f p2js/sub/out.js && ! -L p2js/sub/out.js && $(<p2js/sub/out.js) == " var x ;" ]] ||
  fail "output file: $(ls -l p2js/sub/out.js)"
[[ $(stat -c %a p2js/sub/out.js) == 600 && $(<p2js/victim.txt) == keep && ! -e out.js ]] ||
  fail "output file mode $(stat -c %a p2js/sub/out.js), victim '$(<p2js/victim.txt)'"
cp p2js/sub/sheet.pas in.txt
umask 022; cd p2js; sc -; cd "$work" || exit 1
umask "$mask"
expect "filter output file" 0 "$(<in.txt)" ""
[[ $(stat -c %a p2js/out.js) == 644 ]] || fail "filter output file: $(ls -l p2js/out.js)"
# A folder where the file should be: an error naming the file, the folder left as it was.
mkdir p2js/sub/dir.js
printf "#P2Js 'dir.js'\nvar x: integer;\n" >p2js/sub/sheet.pas
sc --stdout p2js/sub/sheet.pas
[[ $status == 1 && $(<err.txt) == *"dir.js"* && -d p2js/sub/dir.js ]] || fail "folder at the target: $(<err.txt)"
# --allow-write lets names reach other folders, those the links lead to among them.
for name in "../other/a.js" "$work/p2js/other/b.mjs" "linked/c.js"; do
  printf "#P2Js '%s'\nvar x: integer;\n" "$name" >p2js/sub/sheet.pas
  sc --allow-write p2js/other --stdout p2js/sub/sheet.pas
  expect "--allow-write, '$name'" 0 "" ""
done
[[ $(ls p2js/other | tr '\n' ' ') == "a.js b.mjs c.js " ]] || fail "allowed folder: $(ls p2js/other)"
sc --allow-write=p2js/other --stdout p2js/sub/sheet.pas
expect "--allow-write=DIR" 0 "" ""
printf "#P2Js '../x.txt'\nvar x: integer;\n" >p2js/sub/sheet.pas
sc --allow-write p2js --stdout p2js/sub/sheet.pas
[[ $status == 1 && ! -e p2js/x.txt ]] || fail "--allow-write lets a .txt through"
sc --allow-write p2js/none -
expect "--allow-write, no such folder" 2 "" "sheetcalc: --allow-write: no such folder 'p2js/none'"$'\n'"$hint"

# ---- --help ---------------------------------------------------------------------------------------
help() {  # help LANG ARGS...
  local lang=$1
  shift
  LANG=$lang sc "$@"
  [[ $status == 0 && ! -s err.txt ]] || fail "help ($lang $*): status $status, err '$(<err.txt)'"
}
help C.UTF-8 --help
[[ $(head -n 1 out.txt) == "Usage: sheetcalc [OPTION]... [FILE]..." ]] || fail "English help: $(head -n 1 out.txt)"
for want in "  -h, --help       show this help and exit" "  -V, --version    show the version and exit" \
  "      --undo       put back the clipboard text the last run replaced (again: redo)" \
  "      --lsp        language server over standard input and output" \
  "  $work/config/sheetcalc/" "  $work/state/sheetcalc/" "Built-in functions:" \
  "  PI _e _c _g _h _k _NA σ π"; do
  grep -qxF -- "$want" out.txt || fail "English help lacks '$want'"
done
for name in sqrt cbrt abs sign floor ceil min max; do
  grep -qw -- "$name" out.txt || fail "English help lacks the function $name"
done
grep -qF '"#h"' out.txt || fail "help does not point to #h"
grep -qF '"#定数" in a sheet lists their names' out.txt || fail "help says what #定数 lists"
help C.UTF-8 -h
grep -q "Built-in functions" out.txt && fail "-h lists the functions"
grep -qxF "      --stdout     write the results to standard output instead of the clipboard" out.txt ||
  fail "short help lacks the options"
help C.UTF-8 --help sheet.txt
grep -q "Built-in functions" out.txt || fail "--help with more arguments lacks the functions"

help ja_JP.UTF-8 --help
[[ $(head -n 1 out.txt) == "使い方: sheetcalc [オプション]... [ファイル]..." ]] ||
  fail "Japanese help: $(head -n 1 out.txt)"
for want in "組み込み関数:" "  -h, --help       この説明を出して終わります" "  $work/state/sheetcalc/" \
  "  PI _e _c _g _h _k _NA σ π"; do
  grep -qxF -- "$want" out.txt || fail "Japanese help lacks '$want'"
done

if ((failed)); then exit 1; fi
echo "command line: all passed"
