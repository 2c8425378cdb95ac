# Installation and packages. On Linux `cmake --install` lays out the program, its manual page, the
# shell completions, the desktop entry and the documents under the prefix, and `cpack -G DEB` and
# `cpack -G RPM` make a Debian and an RPM package of the same tree. The Windows build installs
# sheetcalc.exe and the README side by side; `cpack` makes a zip of them, and dist/sheetcalc.wxs
# an installer (target `msi`, with msitools' wixl).

set(CPACK_PACKAGE_NAME sheetcalc)
set(CPACK_PACKAGE_VENDOR sheetcalc)
set(CPACK_PACKAGE_CONTACT "sheetcalc developers <maintainers@sheetcalc.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "evaluates calculation sheets in the clipboard, files or pipes")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})

if(WIN32)
  install(TARGETS sheetcalc RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME sheetcalc-${PROJECT_VERSION}-win64)
  include(CPack)
  add_custom_target(msi
    COMMAND ${PROJECT_SOURCE_DIR}/dist/make-msi.sh ${PROJECT_BINARY_DIR}/sheetcalc-${PROJECT_VERSION}-win64.msi
            ${PROJECT_VERSION} $<TARGET_FILE:sheetcalc> ${PROJECT_SOURCE_DIR}/README.md
    DEPENDS sheetcalc ${PROJECT_SOURCE_DIR}/dist/sheetcalc.wxs ${PROJECT_SOURCE_DIR}/dist/make-msi.sh
    COMMENT "The Windows installer" VERBATIM)
  return()
endif()

include(GNUInstallDirs)
set(dist ${PROJECT_SOURCE_DIR}/dist)

# The manual page and the change log go out compressed, as distributions keep them (gzip -n: the
# same bytes on every build).
set(packed ${PROJECT_BINARY_DIR}/packed)
set(packed_files)
foreach(source doc/sheetcalc.1 dist/changelog)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${packed}/${name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packed}
    COMMAND sh -c "gzip -9n <\"$1\" >\"$2\"" sh ${PROJECT_SOURCE_DIR}/${source} ${packed}/${name}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/${source} VERBATIM)
  list(APPEND packed_files ${packed}/${name}.gz)
endforeach()
add_custom_target(packed_documents ALL DEPENDS ${packed_files})

install(TARGETS sheetcalc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packed}/sheetcalc.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${dist}/sheetcalc.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME sheetcalc)
install(FILES ${dist}/_sheetcalc DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/site-functions)
install(FILES ${dist}/sheetcalc.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
install(FILES ${dist}/sheetcalc.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${dist}/copyright ${packed}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The message catalogs install themselves (po/CMakeLists.txt).

set(CPACK_GENERATOR DEB)
if(CMAKE_CROSSCOMPILING)
  # Debian's name of the target's architecture, not the building machine's.
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "aarch64")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
  elseif(CMAKE_SYSTEM_PROCESSOR MATCHES "^i.86$")
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE i386)
  endif()
  set(CPACK_RPM_PACKAGE_ARCHITECTURE ${CMAKE_SYSTEM_PROCESSOR})
endif()
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

# The RPM, for Fedora and openSUSE. Its dependencies come from rpmbuild's own scan; the clipboard
# tools are weak ones, as in the Debian package.
set(CPACK_RPM_FILE_NAME RPM-DEFAULT)
set(CPACK_RPM_PACKAGE_SUMMARY "Evaluates calculation sheets in the clipboard, files or pipes")
set(CPACK_RPM_PACKAGE_LICENSE "MIT AND LGPL-2.1-or-later AND SunPro")
set(CPACK_RPM_PACKAGE_GROUP "Applications/Productivity")
set(CPACK_RPM_PACKAGE_URL "https://sheetcalc.example/")
set(CPACK_RPM_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_RPM_PACKAGE_SUGGESTS "xclip")
set(CPACK_RPM_CHANGELOG_FILE ${dist}/changelog.rpm)
set(CPACK_RPM_SPEC_MORE_DEFINE "%define packager ${CPACK_PACKAGE_CONTACT}")
# The package owns its own folders only; the others belong to the system or to the shells.
set(CPACK_RPM_EXCLUDE_FROM_AUTO_FILELIST_ADDITION
    /usr/share/man /usr/share/man/man1 /usr/share/applications /usr/share/bash-completion
    /usr/share/bash-completion/completions /usr/share/zsh /usr/share/zsh/site-functions
    /usr/share/fish /usr/share/fish/vendor_completions.d /usr/share/locale /usr/share/locale/ja
    /usr/share/locale/ja/LC_MESSAGES)
set(CPACK_RPM_USER_FILELIST "%lang(ja) /usr/share/locale/ja/LC_MESSAGES/sheetcalc.mo")
include(CPack)
