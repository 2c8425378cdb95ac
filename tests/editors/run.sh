#!/usr/bin/env bash
# The editor recipes of the README, run in the real editors without a terminal: vim, neovim and
# emacs filter a whole sheet and a range of lines twice each through `sheetcalc -`. The result must
# be exactly the expected text: old results replaced, no blank line added, the lines around the
# range untouched.
# Usage: run.sh PATH/TO/sheetcalc
set -u
exe=$(realpath "${1:?usage: run.sh PATH/TO/sheetcalc}")
readme=$(cd "$(dirname "$0")/../.." && pwd)/README.md
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin" "$work/home"
ln -s "$exe" "$work/bin/sheetcalc"
export PATH="$work/bin:$PATH" HOME="$work/home" LC_ALL=C.UTF-8
unset SHELL
cd "$work" || exit 2

# The fenced block of the README that opens with ```LANG (the first one).
recipe() { awk -v open="\`\`\`$1" '$0 == open { on = 1; next } on && /^```/ { exit } on' "$readme"; }
recipe vim >recipe.vim
recipe elisp >recipe.el
[[ -s recipe.vim && -s recipe.el ]] || { echo "FAIL: the README lacks the vim or the emacs recipe"; exit 1; }

sheet=$'a=2\nb=a*3\nb+1// 99\n表=5\n表*2\n'
whole=$'a=2\nb=a*3\nb+1//  7\n表=5\n表*2// 10\n'
framed=$'prose above\n'"$sheet"$'prose below\n'
framedWant=$'prose above\n'"$whole"$'prose below\n'

failed=0
# check NAME INPUT EXPECTED COMMAND...: runs COMMAND on the file t.txt holding INPUT.
check() {
  local name=$1 input=$2 want=$3
  shift 3
  printf '%s' "$input" >t.txt
  timeout 60 "$@" </dev/null >log.txt 2>&1
  local status=$?
  if [[ $status -ne 0 ]]; then
    echo "FAIL $name: exit status $status"; head -5 log.txt; failed=$((failed + 1)); return
  fi
  if ! printf '%s' "$want" | cmp -s - t.txt; then
    echo "FAIL $name: the text differs"
    diff <(printf '%s' "$want" | cat -A) <(cat -A t.txt) | head -10
    failed=$((failed + 1)); return
  fi
  echo "ok   $name"
}

vimArgs=(-u NONE -i NONE -N -c 'source recipe.vim')
check "vim, the buffer by mapping" "$sheet" "$whole" \
  vim -Es "${vimArgs[@]}" -c 'exe "normal \\="' -c 'exe "normal \\="' -c wq t.txt
check "vim, a visual range by mapping" "$framed" "$framedWant" \
  vim -Es "${vimArgs[@]}" -c 'exe "normal 2GV4j\\="' -c 'exe "normal 2GV4j\\="' -c wq t.txt
check "vim, a line range" "$framed" "$framedWant" \
  vim -Es "${vimArgs[@]}" -c '2,6!sheetcalc -' -c '2,6!sheetcalc -' -c wq t.txt

nvimArgs=(--headless --clean -i NONE -c 'source recipe.vim')
check "neovim, the buffer" "$sheet" "$whole" \
  nvim "${nvimArgs[@]}" -c '%!sheetcalc -' -c 'exe "normal \\="' -c wq t.txt
check "neovim, a visual range by mapping" "$framed" "$framedWant" \
  nvim "${nvimArgs[@]}" -c 'exe "normal 2GV4j\\="' -c 'exe "normal 2GV4j\\="' -c wq t.txt

cat >press.el <<'ELISP'
(load-file "recipe.el")
(transient-mark-mode 1)
(defun press () (call-interactively (key-binding (kbd "C-c ="))))
(defun press-on-lines (first count)
  (goto-char (point-min)) (forward-line (1- first))
  (push-mark (point) t t) (forward-line count)
  (press))
ELISP
check "emacs, the buffer by key" "$sheet" "$whole" \
  emacs --batch -Q -l press.el --eval '(progn (find-file "t.txt") (press) (press) (save-buffer))'
check "emacs, the region by key" "$framed" "$framedWant" \
  emacs --batch -Q -l press.el --eval '(progn (find-file "t.txt") (press-on-lines 2 5) (press-on-lines 2 5) (save-buffer))'

((failed == 0)) || { echo "$failed editor check(s) failed"; exit 1; }
echo "editors: all passed"
