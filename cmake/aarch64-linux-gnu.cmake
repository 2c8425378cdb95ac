# Cross build for 64-bit ARM Linux with Debian's cross compiler (g++-aarch64-linux-gnu); the tests
# run under qemu-aarch64 (qemu-user), which CMake uses as the emulator of the test binaries.
#   cmake -S . -B build/arm64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
# scripts/install-deps.sh cross installs both.

set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(SHEETCALC_CROSS_PREFIX aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu-cross.cmake)

find_program(SHEETCALC_QEMU NAMES qemu-aarch64 qemu-aarch64-static)
if(SHEETCALC_QEMU)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${SHEETCALC_QEMU} -L /usr/${SHEETCALC_CROSS_PREFIX})
endif()
