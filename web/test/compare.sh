#!/usr/bin/env bash
# The WebAssembly engine against the native filter: web/test/filter.mjs stands in for `sheetcalc -`
# in the golden runner (tests/golden/run.sh), and both filter random sheets from the shared
# workload generator (3,000 lines, the seed tests/cross/run.sh uses, and a few more) whose outputs
# must be equal byte for byte. Exit status: 0 when all is equal, 1 when an output differs.
# Usage: web/test/compare.sh [ENGINE.js] [NATIVE]
#   ENGINE.js    the module (default build/web/web/sheetcalc-engine.js, as scripts/build-web.sh makes it)
#   NATIVE       the native program (default build/release/host/sheetcalc)
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
engine=$(realpath "${1:-$root/build/web/web/sheetcalc-engine.js}")
native=$(realpath "${2:-$root/build/release/host/sheetcalc}")
shared=$root/../shared/bench
[[ -d "$shared" ]] || shared=/work/shared/bench
generator=${SHARED_BENCH:-$shared}/gen_sheet.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# The module behind the program's name, as the golden runner wants it; it takes only "-".
program=$work/sheetcalc
cat >"$program" <<SCRIPT
#!/bin/sh
[ "\$1" = - ] || { echo "sheetcalc: only - is taken here" >&2; exit 2; }
exec node "$here/filter.mjs" "$engine"
SCRIPT
chmod +x "$program"

# Two golden sheets differ by design: the page has no file system (any folder takes a #P2Js
# output file, in memory), and a Pascal text nested that deep outgrows the JavaScript engine's
# stack before the converter's own limit (the run ends, the sheet given back unchanged, but with
# another message).
echo "== golden sheets (but p2js_output_file_not_writable and p2js_deep_nesting)"
mkdir -p "$work/golden"
cp "$root"/tests/golden/* "$work/golden/"
rm "$work"/golden/p2js_output_file_not_writable.* "$work"/golden/p2js_deep_nesting.*
"$work/golden/run.sh" "$program" >"$work/golden.log" || failed=1
tail -n 1 "$work/golden.log"

echo "== random sheets against $native"
for seed in 27 28 29; do
  python3 "$generator" 3000 --flavor sheet --seed "$seed" -o "$work/random.txt" >/dev/null || exit 1
  (cd "$work" && XDG_CONFIG_HOME="$work/config" "$native" - <random.txt >want.txt 2>&1)
  (cd "$work" && "$program" - <random.txt >got.txt 2>&1)
  if cmp -s "$work/want.txt" "$work/got.txt"; then
    echo "seed $seed: identical ($(wc -l <"$work/got.txt") lines)"
  else
    failed=1
    echo "FAIL seed $seed: $(diff "$work/want.txt" "$work/got.txt" | grep -c '^>') of $(wc -l <"$work/want.txt") lines differ"
    diff "$work/want.txt" "$work/got.txt" | head -n 6
  fi
done
exit "$failed"
