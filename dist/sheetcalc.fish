# fish completion for sheetcalc; file names are completed as well.
complete -c sheetcalc -l stdout -d 'Write the results to standard output, not the clipboard'
complete -c sheetcalc -l undo -d 'Put back the clipboard text the last run replaced'
complete -c sheetcalc -l lsp -d 'Serve the language server protocol on standard input and output'
complete -c sheetcalc -l allow-write -x -a '(__fish_complete_directories)' -d 'Let #P2Js write its output file into this folder as well'
complete -c sheetcalc -s h -l help -d 'Show the usage and exit'
complete -c sheetcalc -s V -l version -d 'Show the version and exit'
