#!/usr/bin/env bash
# The Windows installer: dist/sheetcalc.wxs through msitools' wixl, then what wixl has no element
# for, written into the package's tables with msibuild: the installation folder appended to the
# user's PATH ("=-": set on install, taken away on removal; "[~];" appends to what is there) with
# the actions that write and remove it, and the Start-menu shortcut's keyboard shortcut Ctrl+Alt+C
# (0x0643: HOTKEYF_CONTROL | HOTKEYF_ALT in the high byte, 'C' in the low one).
# Usage: make-msi.sh OUT.msi VERSION SHEETCALC.EXE README
set -euo pipefail
out=$1 version=$2 exe=$3 readme=$4
here=$(cd "$(dirname "$0")" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# wixl takes file sources relative to the folder it runs in.
cp "$exe" "$stage/sheetcalc.exe"
cp "$readme" "$stage/README.md"
rm -f "$out"
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
(cd "$stage" && wixl -a x64 -D Version="$version" -o "$out" "$here/sheetcalc.wxs")
msibuild "$out" -q "CREATE TABLE \`Environment\` (\`Environment\` CHAR(72) NOT NULL, \
\`Name\` CHAR(255) NOT NULL LOCALIZABLE, \`Value\` CHAR(255) LOCALIZABLE, \
\`Component_\` CHAR(72) NOT NULL PRIMARY KEY \`Environment\`)"
msibuild "$out" -q "INSERT INTO \`Environment\` (\`Environment\`, \`Name\`, \`Value\`, \`Component_\`) \
VALUES ('UserPath', '=-PATH', '[~];[INSTALLDIR]', 'Program')"
msibuild "$out" -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) \
VALUES ('RemoveEnvironmentStrings', 3300)"
msibuild "$out" -q "INSERT INTO \`InstallExecuteSequence\` (\`Action\`, \`Sequence\`) \
VALUES ('WriteEnvironmentStrings', 5200)"
msibuild "$out" -q "UPDATE \`Shortcut\` SET \`Hotkey\` = 1603 WHERE \`Shortcut\` = 'EvaluateClipboard'"
