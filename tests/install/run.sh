#!/usr/bin/env bash
# The installed tree: `cmake --install` into a temporary prefix holds every file in its place, the
# installed program runs, the manual page renders without a warning, the desktop entry starts the
# clipboard mode without a terminal, and bash completes `sheetcalc --st` to `--stdout`.
# Usage: run.sh BUILD_DIR [CMAKE]
set -u
build=${1:?usage: run.sh BUILD_DIR [CMAKE]}
cmake=${2:-cmake}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() { echo "FAIL $*"; failed=$((failed + 1)); }

"$cmake" --install "$build" --prefix "$work/usr" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log"; echo "FAIL cmake --install"; exit 1; }
p=$work/usr
for f in bin/sheetcalc share/man/man1/sheetcalc.1.gz share/bash-completion/completions/sheetcalc \
         share/zsh/site-functions/_sheetcalc share/fish/vendor_completions.d/sheetcalc.fish \
         share/applications/sheetcalc.desktop share/doc/sheetcalc/README.md \
         share/doc/sheetcalc/copyright share/doc/sheetcalc/changelog.gz \
         share/locale/ja/LC_MESSAGES/sheetcalc.mo; do
  [[ -f $p/$f ]] || fail "not installed: $f"
done
[[ -x $p/bin/sheetcalc ]] || fail "bin/sheetcalc is not executable"

# The installed program, away from the build tree.
version=$(cd / && "$p/bin/sheetcalc" --version 2>&1)
[[ $version == "sheetcalc "[0-9]* ]] || fail "sheetcalc --version printed '$version'"
out=$(cd / && printf '2*21\n' | "$p/bin/sheetcalc" - 2>&1)
[[ $out == "2*21// 42" ]] || fail "the installed filter printed '$out'"
english=$(cd / && LANG=C.UTF-8 LC_ALL= "$p/bin/sheetcalc" --help 2>&1 | head -1)
japanese=$(cd / && LANG=ja_JP.UTF-8 LC_ALL= "$p/bin/sheetcalc" --help 2>&1 | head -1)
[[ $english == Usage:* && $japanese != "$english" ]] ||
  fail "the installed help: '$english' / '$japanese'"

# The manual page, as a user's terminal and a lint see it (installed compressed).
man=$work/sheetcalc.1
gzip -dc "$p/share/man/man1/sheetcalc.1.gz" >"$man" || fail "the manual page is no gzip file"
for device in utf8 ascii; do
  warnings=$(groff -man -ww -z -T"$device" "$man" 2>&1)
  [[ -z $warnings ]] || fail "groff -T$device warns: $warnings"
done
lint=$(mandoc -T lint "$man" 2>&1) || fail "mandoc -T lint: $lint"
grep -q "^\.TH SHEETCALC 1 .* \"$version\" " "$man" || fail "the manual page is not of $version"

desktop=$p/share/applications/sheetcalc.desktop
for line in 'Type=Application' 'Exec=sheetcalc' 'Terminal=false' \
            'Comment=Evaluate the calculation sheet on the clipboard'; do
  grep -qxF "$line" "$desktop" || fail "the desktop entry lacks '$line'"
done

# complete WORD...: what the bash completion offers for the last word.
complete_words() {
  bash --norc --noprofile -c '
    source "$1"; shift
    COMP_WORDS=(sheetcalc "$@"); COMP_CWORD=$#; COMP_LINE="sheetcalc $*"; COMP_POINT=${#COMP_LINE}
    _sheetcalc sheetcalc "${!#}"
    printf "%s\n" "${COMPREPLY[@]}"' _ "$p/share/bash-completion/completions/sheetcalc" "$@"
}
got=$(complete_words --st)
[[ $got == --stdout ]] || fail "bash completes '--st' to '$got'"
mkdir "$work/files" && touch "$work/files/--stray.sheet"
got=$(cd "$work/files" && complete_words -- --st)
[[ $got == --stray.sheet ]] || fail "after '--' bash completes '--st' to '$got', not the file"

((failed == 0)) || { echo "$failed install check(s) failed"; exit 1; }
echo "install: all passed"
