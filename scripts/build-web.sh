#!/usr/bin/env bash
# Builds the page that runs the engine in a browser (web/) into a folder, build/web/page by default.
# Usage: scripts/build-web.sh [OUT-FOLDER]
# Needs emscripten (scripts/install-deps.sh web). Open OUT-FOLDER/index.html from disk, or serve
# the folder: `python3 -m http.server -d OUT-FOLDER`.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/web
# Debian's emscripten finds its JavaScript tools (acorn) among Debian's node modules, which a node
# from elsewhere does not look in by itself.
export NODE_PATH=${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs
emcmake cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSHEETCALC_TESTS=OFF >/dev/null
cmake --build "$build" -j "${JOBS:-2}" --target web_page
out=${1:-$build/page}
if [[ "$out" != "$build/page" ]]; then
  mkdir -p "$out"
  cp "$build"/page/* "$out"/
fi
echo "build-web: $(du -cb "$out"/* | tail -1 | cut -f1) bytes in $out"
