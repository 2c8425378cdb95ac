# Cross build for 64-bit ARM Linux with Debian's cross compiler (g++-aarch64-linux-gnu); the tests
# run under qemu-aarch64 (qemu-user), which CMake uses as the emulator of the test binaries.
#   cmake -S . -B build/arm64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
# scripts/install-deps.sh cross installs both.

set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(SHEETCALC_CROSS_PREFIX aarch64-linux-gnu)
find_program(CMAKE_C_COMPILER NAMES ${SHEETCALC_CROSS_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${SHEETCALC_CROSS_PREFIX}-g++ REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${SHEETCALC_CROSS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Header-only packages (nlohmann-json) come from the host's tree.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

find_program(SHEETCALC_QEMU NAMES qemu-aarch64 qemu-aarch64-static)
if(SHEETCALC_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SHEETCALC_QEMU} -L /usr/${SHEETCALC_CROSS_PREFIX})
endif()
