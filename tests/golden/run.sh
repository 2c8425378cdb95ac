#!/usr/bin/env bash
# Golden end-to-end cases: every NAME.in runs through `sheetcalc -` and its standard output must
# equal NAME.out byte for byte. NAME.status, when present, holds the expected exit status (else 0);
# NAME.err, when present, a text that standard error must contain. The output of a sheet (not a
# conversion or a colour listing) must evaluate to itself.
# Usage: run.sh PATH/TO/sheetcalc [NAME-FILTER]
set -u
exe=$(realpath "${1:?usage: run.sh PATH/TO/sheetcalc [FILTER]}")
filter=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
for in in "$here"/*.in; do
  name=$(basename "$in" .in)
  [[ -n "$filter" && "$name" != *"$filter"* ]] && continue
  want_status=0
  [[ -f "$here/$name.status" ]] && want_status=$(<"$here/$name.status")
  # Each case runs in a folder of its own, with a private configuration folder.
  mkdir -p "$work/$name/config"
  (cd "$work/$name" && XDG_CONFIG_HOME="$work/$name/config" env -u LC_ALL -u LANGUAGE LC_MESSAGES=C.UTF-8 timeout 60 "$exe" - <"$in" >out 2>err)
  status=$?
  ok=1
  if ! cmp -s "$work/$name/out" "$here/$name.out"; then
    ok=0
    echo "FAIL $name: output differs"
    diff <(cat -A "$here/$name.out") <(cat -A "$work/$name/out") | head -20
  fi
  if [[ "$status" != "$want_status" ]]; then
    ok=0
    echo "FAIL $name: exit status $status, expected $want_status"
    head -5 "$work/$name/err"
  fi
  if [[ -f "$here/$name.err" ]] && ! grep -qF -f "$here/$name.err" "$work/$name/err"; then
    ok=0
    echo "FAIL $name: standard error lacks $(head -1 "$here/$name.err")"
  fi
  # A sheet's output evaluates to itself: evaluating it again changes nothing (the converter and
  # the colour listing, which act on what follows them, aside).
  if ((ok)) && [[ "$want_status" == 0 && "$name" != p2js* && "$name" != scol* ]]; then
    (cd "$work/$name" && XDG_CONFIG_HOME="$work/$name/config" timeout 60 "$exe" - <out >again 2>/dev/null)
    if ! cmp -s "$work/$name/out" "$work/$name/again"; then
      ok=0
      echo "FAIL $name: evaluating the output again changes it"
      diff <(cat -A "$work/$name/out") <(cat -A "$work/$name/again") | head -10
    fi
  fi
  if ((ok)); then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
echo "$passed passed, $failed failed"
((failed == 0 && passed > 0))
