#!/usr/bin/env bash
# The VS Code extension (editors/vscode) builds: `npm ci && npm run compile` in a copy of it, so the
# work tree gets no node_modules.
#   vscode.sh
set -euo pipefail
src=$(cd "$(dirname "$0")/../../editors/vscode" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v npm >/dev/null || { echo "npm is not installed (scripts/install-deps.sh test)"; exit 1; }
cp -r "$src/package.json" "$src/package-lock.json" "$src/tsconfig.json" "$src/src" "$work/"
cd "$work"
export HOME=$work npm_config_cache=$work/.npm npm_config_update_notifier=false
npm ci --no-audit --no-fund --loglevel=error
npm run compile --silent
grep -q -- "--lsp" out/extension.js || { echo "out/extension.js does not start the server"; exit 1; }
echo "vscode extension: built"
