#!/usr/bin/env bash
# The VS Code extension (editors/vscode) packages: `npm ci` and `vsce package` in a copy of it (the work
# tree gets no node_modules), with no warning from vsce and exactly the bundle, package.json, README,
# licence and icon in the .vsix. Needs the npm registry for `npm ci` only.
#   vscode.sh
set -euo pipefail
src=$(cd "$(dirname "$0")/../../editors/vscode" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
command -v npm >/dev/null || { echo "npm is not installed (scripts/install-deps.sh test)"; exit 1; }
command -v unzip >/dev/null || { echo "unzip is not installed (scripts/install-deps.sh test)"; exit 1; }
cp -r "$src/." "$work/"
rm -rf "$work/node_modules" "$work/out" "$work"/*.vsix
cd "$work"
export HOME=$work npm_config_cache=$work/.npm npm_config_update_notifier=false NO_COLOR=1 FORCE_COLOR=0
unset GITHUB_ACTIONS
npm ci --no-audit --no-fund --loglevel=error
# vsce prints its warnings (and questions, which find no answer here) on standard error.
if ! npx --no-install vsce package --out sheetcalc.vsix </dev/null >vsce.out 2>vsce.err; then
  cat vsce.out vsce.err; echo "vsce package failed"; exit 1
fi
if grep -v '^npm warn' vsce.err | grep -q .; then
  cat vsce.err; echo "vsce package warned"; exit 1
fi
grep -q -- "--lsp" out/extension.js || { echo "out/extension.js does not start the server"; exit 1; }
# Is the bundle whole? Only vscode and node's own modules may be left to require().
node -e '
  const builtin = new Set(require("module").builtinModules);
  const text = require("fs").readFileSync("out/extension.js", "utf8");
  const outside = [...text.matchAll(/require\("([^"]+)"\)/g)].map(m => m[1].replace(/^node:/, ""))
    .filter(name => name !== "vscode" && !builtin.has(name));
  if (outside.length) { console.log("out/extension.js requires " + [...new Set(outside)].join(", ")); process.exit(1); }'
listed=$(unzip -Z1 sheetcalc.vsix | sort | tr '\n' ' ')
expected='[Content_Types].xml extension.vsixmanifest extension/LICENSE.txt extension/README.md extension/icon.png extension/out/extension.js extension/package.json '
[[ "$listed" == "$expected" ]] || { echo "the .vsix holds: $listed"; echo "expected:        $expected"; exit 1; }
echo "vscode extension: packaged ($(wc -c <sheetcalc.vsix) bytes)"
