#!/usr/bin/env bash
# The Debian package: `cpack -G DEB` in a Release build folder makes it, lintian finds no error and
# no warning in it, `dpkg -i` installs it on this machine, the program, its manual page, completion
# and documents are in place and run, and `dpkg -r` takes it all away again. Changes the system:
# run it as root (or with sudo), not in parallel.
# Usage: deb.sh BUILD_DIR
set -u
build=$(cd "${1:?usage: deb.sh BUILD_DIR}" && pwd)
sudo=""
[[ $(id -u) -ne 0 ]] && sudo=sudo
failed=0
fail() { echo "FAIL $*"; failed=$((failed + 1)); }

rm -f "$build"/sheetcalc_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; echo "FAIL cpack"; exit 1; }
deb=$(ls "$build"/sheetcalc_*.deb)
fields=$(dpkg-deb -f "$deb" Depends Recommends)
[[ $fields == *libc6* ]] || fail "no dependency on the C library: $fields"
[[ $fields == *"Recommends: libedit2, xclip | xsel | wl-clipboard"* ]] ||
  fail "the recommendations are not declared: $fields"
[[ $(dpkg-deb -f "$deb" Maintainer) != *@localhost* ]] || fail "the maintainer is a machine's address"

# lintian: errors and warnings fail; what it only mentions (I:, N:, P:) is shown for the record.
if command -v lintian >/dev/null; then
  tags=$(lintian --pedantic -I "$deb" 2>&1 | grep -v '^running with root privileges')
  grep -E '^[EW]: ' <<<"$tags" | sed 's/^/FAIL lintian: /' | grep . && failed=$((failed + 1))
  grep -E '^[IP]: ' <<<"$tags" | sed 's/^/  lintian note: /'
else
  fail "lintian is not installed"
fi

trap '$sudo dpkg -r sheetcalc >/dev/null 2>&1' EXIT
$sudo dpkg -i "$deb" >"$build/dpkg.log" 2>&1 || { cat "$build/dpkg.log"; echo "FAIL dpkg -i"; exit 1; }
version=$(cd / && env -u PATH /usr/bin/sheetcalc --version 2>&1)
[[ $version == "sheetcalc "[0-9]* ]] || fail "sheetcalc --version from the package printed '$version'"
for f in /usr/share/man/man1/sheetcalc.1.gz /usr/share/bash-completion/completions/sheetcalc \
         /usr/share/applications/sheetcalc.desktop /usr/share/doc/sheetcalc/copyright \
         /usr/share/doc/sheetcalc/changelog.gz; do
  [[ -f $f ]] || fail "the package did not install $f"
done
# The change log names the version the package has.
top=$(zcat /usr/share/doc/sheetcalc/changelog.gz | head -1)
[[ $top == "sheetcalc ($(dpkg-deb -f "$deb" Version))"* ]] || fail "the change log begins '$top'"
$sudo dpkg -r sheetcalc >/dev/null 2>&1 || fail "dpkg -r"
[[ ! -e /usr/bin/sheetcalc ]] || fail "/usr/bin/sheetcalc is still there after dpkg -r"

((failed == 0)) || { echo "$failed package check(s) failed"; exit 1; }
echo "Debian package: all passed"
