# bash completion for sheetcalc: options, then files. After "--" every word is a file.

_sheetcalc() {
  local cur=${COMP_WORDS[COMP_CWORD]} i
  for ((i = 1; i < COMP_CWORD; i++)); do
    [[ ${COMP_WORDS[i]} == -- ]] && break
  done
  if ((i == COMP_CWORD)) && [[ ${COMP_WORDS[COMP_CWORD - 1]} == --allow-write ]]; then
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -d -- "$cur")
    return
  fi
  if ((i == COMP_CWORD)) && [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W '--stdout --undo --lsp --allow-write --help --version -h -V --' -- "$cur")
    return
  fi
  compopt -o filenames 2>/dev/null
  mapfile -t COMPREPLY < <(compgen -f -- "$cur")
}
complete -F _sheetcalc sheetcalc
