#!/usr/bin/env bash
# Headless neovim attaches `sheetcalc --lsp` to a .sheet file and must see the error of its fourth
# line as a diagnostic (vim.diagnostic.get).
#   neovim.sh SHEETCALC
set -euo pipefail
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v nvim >/dev/null || { echo "nvim is not installed (scripts/install-deps.sh test)"; exit 1; }
printf 'a=2\nb=a*3\nb+1\nfoo(\nsin(PI/6)\n' >"$work/first.sheet"
# A home of its own: no user configuration, no state left behind.
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_DATA_HOME=$work/data
cd "$work"
SHEETCALC=$program RESULT=$work/result timeout 120 \
  nvim --headless --clean -n -c "luafile $here/neovim.lua" first.sheet </dev/null >"$work/log" 2>&1 || true
if [ "$(cat "$work/result" 2>/dev/null)" != ok ]; then
  echo "neovim did not see the diagnostic:"
  cat "$work/result" "$work/log" 2>/dev/null || true
  exit 1
fi
echo "neovim: diagnostic seen"
# The README's set-up for neovim 0.7, as a configuration of its own.
rm -f "$work/result"
SHEETCALC=$program RESULT=$work/result timeout 120 \
  nvim --headless -u "$here/neovim-init.lua" -n first.sheet </dev/null >"$work/log" 2>&1 || true
if [ "$(cat "$work/result" 2>/dev/null)" != ok ]; then
  echo "neovim with the README's set-up did not see the diagnostic:"
  cat "$work/result" "$work/log" 2>/dev/null || true
  exit 1
fi
echo "neovim: the README's set-up works"
