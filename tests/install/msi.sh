#!/usr/bin/env bash
# The Windows installer under Wine: `msiexec /i /qn` installs sheetcalc.exe and the README for the
# user alone under %LOCALAPPDATA%\Programs\sheetcalc, puts that folder on the user's PATH (a program
# started through cmd finds sheetcalc there, and it evaluates the clipboard), adds the Start-menu
# shortcut with Ctrl+Alt+C and the uninstaller entry; a newer version replaces the older one; and
# `msiexec /x /qn` takes every file, the shortcut and the PATH entry away again. The wine prefix is
# the one tests/wine/run.sh uses (WIN_BUILD_DIR/wineprefix unless SHEETCALC_WINEPREFIX names one).
# Usage: msi.sh WIN_BUILD_DIR
set -u
build=$(cd "${1:?usage: msi.sh WIN_BUILD_DIR}" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
failed=0
fail() { echo "FAIL $*"; failed=$((failed + 1)); }
die() { echo "FAIL $*"; exit 1; }

version=$(sed -n 's/^project(sheetcalc VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
msi=$build/sheetcalc-$version-win64.msi
cmake --build "$build" --target msi >"$build/msi.log" 2>&1 || { cat "$build/msi.log"; die "building the installer"; }
[[ -f $msi ]] || die "no $msi"
tool=$build/tests/wine/clipboard_tool.exe
[[ -f $tool ]] || die "no $tool"
work=$(mktemp -d)
# The same program as a later version, to see an upgrade replace it (the installer compares three
# fields of a version only).
newer=${version%.*}.$((${version##*.} + 1))
"$root/dist/make-msi.sh" "$work/newer.msi" "$newer" "$build/host/sheetcalc.exe" "$root/README.md" \
  >"$work/newer.log" 2>&1 || { cat "$work/newer.log"; die "building a newer installer"; }

wine=$(command -v wine || command -v wine64) || die "wine is not installed"
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
export LC_ALL=C.UTF-8
export WINEPREFIX=${SHEETCALC_WINEPREFIX:-$build/wineprefix}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
  timeout 60 "$wine" msiexec /x "$work/newer.msi" /qn >/dev/null 2>&1
  timeout 60 "$wine" msiexec /x "$msi" /qn >/dev/null 2>&1
  timeout 20 "$wineserver" -k >/dev/null 2>&1
  rm -rf "$work"
}
trap cleanup EXIT
if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
  timeout 300 "$wine" wineboot --init >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log"; die "wineboot"; }
fi
timeout 20 "$wineserver" -k >/dev/null 2>&1
timeout 20 "$wineserver" -w >/dev/null 2>&1
timeout 20 "$wineserver" -p >/dev/null 2>&1 || die "cannot start the wine server"

w() { timeout -k 5 60 "$wine" "$@"; }
user=$WINEPREFIX/drive_c/users/$(id -un)
dir=$user/AppData/Local/Programs/sheetcalc
lnk="$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/sheetcalc (evaluate the clipboard).lnk"
user_path() { w reg query 'HKCU\Environment' /v PATH 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_[A-Z_]*SZ *//p'; }
entries() {  # the uninstaller entries named sheetcalc, as "DisplayVersion" lines
  local key
  for key in 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
             'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'; do
    w reg query "$key" /s 2>/dev/null | tr -d '\r' |
      awk '/^HKEY/ {name = 0} /DisplayName +REG_SZ +sheetcalc$/ {name = 1} /DisplayVersion/ {v = $3}
           /^$/ && name {print v; name = 0}'
  done
}

w msiexec /i "$msi" /qn >/dev/null 2>&1 || fail "msiexec /i: status $?"
for f in sheetcalc.exe README.md; do [[ -f $dir/$f ]] || fail "not installed: $f"; done
cmp -s "$dir/sheetcalc.exe" "$build/host/sheetcalc.exe" || fail "the installed program differs"
[[ -f $lnk ]] || fail "no Start-menu shortcut"
# The shell link header's HotKey field (offset 0x40): 'C', then HOTKEYF_CONTROL | HOTKEYF_ALT.
[[ $(od -An -tx1 -j64 -N2 "$lnk" 2>/dev/null) == " 43 06" ]] || fail "the shortcut's keyboard shortcut is not Ctrl+Alt+C"
path=$(user_path)
[[ ";$path;" == *';C:\users\'*'\AppData\Local\Programs\sheetcalc\;'* ]] || fail "the user's PATH is '$path'"
[[ $(entries) == "$version" ]] || fail "uninstaller entries: $(entries | tr '\n' ' ')"

# Started by name through cmd, which looks it up on the PATH: the clipboard sheet is evaluated.
printf '2*21\r\n' >"$work/clip.in"
w "$tool" setw "$work/clip.in" >/dev/null 2>&1
(cd "$work" && w cmd /c sheetcalc.exe >/dev/null 2>&1) || fail "sheetcalc.exe through the PATH: status $?"
w "$tool" getw "$work/clip.out" >/dev/null 2>&1
[[ "$(tr -d '\r' <"$work/clip.out")" == "2*21// 42" ]] || fail "the clipboard holds '$(cat -A "$work/clip.out")'"

# An upgrade replaces the older version: one entry, the newer one.
w msiexec /i "$work/newer.msi" /qn >/dev/null 2>&1 || fail "msiexec /i of a newer version: status $?"
[[ $(entries) == "$newer" ]] || fail "after the upgrade, uninstaller entries: $(entries | tr '\n' ' ')"
[[ -f $dir/sheetcalc.exe ]] || fail "the upgrade left no program"

w msiexec /x "$work/newer.msi" /qn >/dev/null 2>&1 || fail "msiexec /x: status $?"
[[ ! -e $dir ]] || fail "left after removal: $(find "$dir" | tr '\n' ' ')"
[[ ! -e $lnk ]] || fail "the shortcut is left after removal"
[[ ";$(user_path);" != *'\Programs\sheetcalc'* ]] || fail "the PATH keeps the entry: $(user_path)"
[[ -z $(entries) ]] || fail "uninstaller entries left: $(entries | tr '\n' ' ')"
w reg query 'HKCU\Software\sheetcalc' >/dev/null 2>&1 && fail "HKCU\\Software\\sheetcalc is left"

((failed == 0)) || { echo "$failed installer check(s) failed"; exit 1; }
echo "Windows installer: all passed"
