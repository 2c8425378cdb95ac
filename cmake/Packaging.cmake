# Installation and packages. On Linux `cmake --install` lays out the program, its manual page, the
# shell completions and the desktop entry under the prefix, and `cpack -G DEB` makes a Debian
# package of the same tree. The Windows build installs sheetcalc.exe and the README side by side,
# and `cpack` makes a zip of them.

set(CPACK_PACKAGE_NAME sheetcalc)
set(CPACK_PACKAGE_VENDOR sheetcalc)
set(CPACK_PACKAGE_CONTACT "sheetcalc developers <sheetcalc@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "evaluates calculation sheets in the clipboard, files or pipes")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})

if(WIN32)
  install(TARGETS sheetcalc RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME sheetcalc-${PROJECT_VERSION}-win64)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)
set(dist ${PROJECT_SOURCE_DIR}/dist)
install(TARGETS sheetcalc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/doc/sheetcalc.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${dist}/sheetcalc.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME sheetcalc)
install(FILES ${dist}/_sheetcalc DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/site-functions)
install(FILES ${dist}/sheetcalc.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
install(FILES ${dist}/sheetcalc.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The message catalogs install themselves (po/CMakeLists.txt).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# The C library comes from dpkg-shlibdeps. libedit is loaded only when a console opens (without it
# the console reads plain lines); the clipboard is reached through whichever tool is installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libedit2, xclip | xsel | wl-clipboard")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libnotify-bin")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "sheetcalc reads a text with one statement per line and gives it back with\n\
every result appended after //. It works on the clipboard (bind it to a key),\n\
on files, and as a filter for editors (sheetcalc -).")
include(CPack)
