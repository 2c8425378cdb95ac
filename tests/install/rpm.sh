#!/usr/bin/env bash
# The RPM: `cpack -G RPM` in a Release build folder makes it from the same tree as the Debian
# package, it holds that tree (rpm -qlp), declares its licence and change log, and rpmlint finds
# no error and no warning in it (with dist/rpmlint.toml, Fedora's settings).
# Usage: rpm.sh BUILD_DIR
set -u
build=$(cd "${1:?usage: rpm.sh BUILD_DIR}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
failed=0
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
for tool in rpmbuild rpmlint; do
  command -v $tool >/dev/null || { echo "FAIL $tool is not installed"; exit 1; }
done

rm -f "$build"/sheetcalc-*.rpm
(cd "$build" && cpack -G RPM >cpack-rpm.log 2>&1) || { cat "$build/cpack-rpm.log"; echo "FAIL cpack"; exit 1; }
rpm=$(ls "$build"/sheetcalc-*.rpm)

# Every file of the installed tree, and no folder that belongs to the system or a shell.
files=$(rpm -qlp "$rpm" | grep -v '^/usr/lib/\.build-id')
want="/usr/bin/sheetcalc
/usr/share/applications/sheetcalc.desktop
/usr/share/bash-completion/completions/sheetcalc
/usr/share/doc/sheetcalc
/usr/share/doc/sheetcalc/README.md
/usr/share/doc/sheetcalc/changelog.gz
/usr/share/doc/sheetcalc/copyright
/usr/share/fish/vendor_completions.d/sheetcalc.fish
/usr/share/locale/ja/LC_MESSAGES/sheetcalc.mo
/usr/share/man/man1/sheetcalc.1.gz
/usr/share/zsh/site-functions/_sheetcalc"
[[ $files == "$want" ]] || { fail "rpm -qlp lists other files:"; diff <(echo "$want") <(echo "$files"); }
info=$(rpm -qp --qf '%{LICENSE}|%{VERSION}|%{PACKAGER}|%{CHANGELOGNAME}\n' "$rpm" 2>/dev/null)
[[ $info == "MIT AND LGPL-2.1-or-later AND SunPro|"[0-9]*"|sheetcalc developers <"*"@"*">|sheetcalc developers"* ]] ||
  fail "the package's licence, version, packager or change log: $info"
[[ $(rpm -qp --requires "$rpm" 2>/dev/null) == *"libc.so.6"* ]] || fail "no dependency on the C library"

lint=$(rpmlint -c "$root/dist/rpmlint.toml" "$rpm" 2>&1)
grep -E ': [EW]: ' <<<"$lint" | sed 's/^/FAIL rpmlint: /' | grep . && failed=$((failed + 1))
grep -q ' 0 errors, 0 warnings' <<<"$lint" || fail "rpmlint: $(tail -1 <<<"$lint")"

((failed == 0)) || { echo "$failed RPM check(s) failed"; exit 1; }
echo "RPM: all passed"
