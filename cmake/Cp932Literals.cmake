# Every text the program shows is code page 932; the sources stay readable UTF-8. GCC turns the
# literals into code page 932 itself (-fexec-charset). Other compilers know no execution character
# set but UTF-8: they compile copies of the sources made in the build tree, whose literals spell the
# code page 932 bytes as escapes (cp932_literals.py), so the binary holds the same bytes.
#
# SHEETCALC_SOURCE_ROOT is the folder the program's includes are found in: the source tree, or the
# tree of copies.

set(SHEETCALC_TRANSCODER ${CMAKE_CURRENT_LIST_DIR}/cp932_literals.py)
# The folders whose headers a unit may include.
set(SHEETCALC_HEADER_FOLDERS scan engine additions pas2js host lsp platform platform/posix tests)

# sheetcalc_cp932_copy(OUT ROOT FILES...): rules that copy each file (a path in the source tree)
# transcoded to the same relative path below ROOT; OUT receives the copies' paths.
function(sheetcalc_cp932_copy out root)
  set(copies)
  foreach(file ${ARGN})
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${file})
    add_custom_command(OUTPUT ${root}/${rel}
                       COMMAND Python3::Interpreter ${SHEETCALC_TRANSCODER} ${file} ${root}/${rel}
                       DEPENDS ${file} ${SHEETCALC_TRANSCODER} VERBATIM)
    list(APPEND copies ${root}/${rel})
  endforeach()
  set(${out} ${copies} PARENT_SCOPE)
endfunction()

# sheetcalc_cp932_headers(OUT ROOT): every header of the program's folders copied below ROOT.
function(sheetcalc_cp932_headers out root)
  set(headers)
  foreach(folder ${SHEETCALC_HEADER_FOLDERS})
    file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    list(APPEND headers ${found})
  endforeach()
  sheetcalc_cp932_copy(copies ${root} ${headers})
  set(${out} ${copies} PARENT_SCOPE)
endfunction()

if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(SHEETCALC_TRANSCODE OFF)
  set(SHEETCALC_SOURCE_ROOT ${PROJECT_SOURCE_DIR})
  add_compile_options(-fexec-charset=CP932)
else()
  set(SHEETCALC_TRANSCODE ON)
  set(SHEETCALC_SOURCE_ROOT ${PROJECT_BINARY_DIR}/cp932)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  sheetcalc_cp932_headers(headerCopies ${SHEETCALC_SOURCE_ROOT})
  add_custom_target(sheetcalc_cp932_headers DEPENDS ${headerCopies})
endif()

# sheetcalc_sources(OUT FILES...): what a target compiles for these source files: the files
# themselves under GCC, their transcoded copies elsewhere.
function(sheetcalc_sources out)
  if(SHEETCALC_TRANSCODE)
    sheetcalc_cp932_copy(copies ${SHEETCALC_SOURCE_ROOT} ${ARGN})
    set(${out} ${copies} PARENT_SCOPE)
  else()
    set(${out} ${ARGN} PARENT_SCOPE)
  endif()
endfunction()

# sheetcalc_waits_for_headers(TARGET): no compilation from copies starts before every header it
# may include has been copied.
function(sheetcalc_waits_for_headers target)
  if(SHEETCALC_TRANSCODE)
    add_dependencies(${target} sheetcalc_cp932_headers)
  endif()
endfunction()
