# Cross build for 32-bit x86 Linux with Debian's cross compiler (g++-i686-linux-gnu): its programs
# run here (libc6-i386), with 64-bit file offsets as every Linux build has.
#   cmake -S . -B build/i686 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake
# scripts/install-deps.sh cross installs the compiler.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(SHEETCALC_CROSS_PREFIX i686-linux-gnu)
find_program(CMAKE_C_COMPILER NAMES ${SHEETCALC_CROSS_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${SHEETCALC_CROSS_PREFIX}-g++ REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${SHEETCALC_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Header-only packages (nlohmann-json) come from the host's tree.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
