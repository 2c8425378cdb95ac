# What every cross build with one of Debian's Linux cross compilers shares: the including toolchain
# file sets CMAKE_SYSTEM_PROCESSOR and SHEETCALC_CROSS_PREFIX (the compilers' prefix, also the
# target's folder under /usr) first.

set(CMAKE_SYSTEM_NAME Linux)
find_program(CMAKE_C_COMPILER NAMES ${SHEETCALC_CROSS_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${SHEETCALC_CROSS_PREFIX}-g++ REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${SHEETCALC_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Header-only packages (nlohmann-json) come from the host's tree.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
