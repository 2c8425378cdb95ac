#!/usr/bin/env bash
# Another build checked against this machine's: its unit test binaries, the golden sheets, and a
# random sheet (3,000 lines from the shared workload generator, a fixed seed) whose output must
# equal the reference build's byte for byte.
# Usage: run.sh BUILD-DIR [RUNNER] [REFERENCE]
#   RUNNER     runs the build's programs, e.g. "qemu-aarch64 -L /usr/aarch64-linux-gnu" (default:
#              none, the build runs here)
#   REFERENCE  the reference program (default build/release/host/sheetcalc)
# ./test.sh checks the software-number, the clang with libc++ and the ARM builds this way;
# scripts/install-deps.sh cross installs the other compilers and qemu-user.
set -u
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(realpath "${1:?usage: run.sh BUILD-DIR [RUNNER] [REFERENCE]}")
runner=${2:-}
reference=$(realpath "${3:-$root/build/release/host/sheetcalc}")
shared=$root/../shared/bench
[[ -d "$shared" ]] || shared=/work/shared/bench
generator=${SHARED_BENCH:-$shared}/gen_sheet.py
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# The build's program behind one name, as tests/golden/run.sh wants it.
program=$work/sheetcalc
printf '#!/bin/sh\nexec %s %q "$@"\n' "$runner" "$build/host/sheetcalc" >"$program"
chmod +x "$program"

echo "== unit tests"
for tests in "$build"/*/*_tests; do
  [[ -x "$tests" ]] || continue
  if ! summary=$($runner "$tests" --gtest_brief=1 2>&1); then
    failed=1
    echo "FAIL $(basename "$tests")"
    grep -E '^\[  FAILED  \]' <<<"$summary" | head -n 20
  else
    echo "ok   $(basename "$tests") $(grep -Eo '[0-9]+ tests? from [0-9]+ test suites? ran' <<<"$summary")"
  fi
done

echo "== golden sheets"
"$here/../golden/run.sh" "$program" | tail -n 60 || failed=1

echo "== a random sheet against $reference"
python3 "$generator" 3000 --flavor sheet --seed 27 -o "$work/random.txt" >/dev/null || exit 1
(cd "$work" && XDG_CONFIG_HOME="$work/config" "$reference" - <random.txt >want.txt 2>&1)
(cd "$work" && XDG_CONFIG_HOME="$work/config" "$program" - <random.txt >got.txt 2>&1)
if cmp -s "$work/want.txt" "$work/got.txt"; then
  echo "identical ($(wc -l <"$work/got.txt") lines)"
else
  failed=1
  echo "FAIL $(diff "$work/want.txt" "$work/got.txt" | grep -c '^>') of $(wc -l <"$work/want.txt") lines differ"
  diff "$work/want.txt" "$work/got.txt" | head -n 12
fi
exit $failed
