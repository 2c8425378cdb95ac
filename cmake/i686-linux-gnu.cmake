# Cross build for 32-bit x86 Linux with Debian's cross compiler (g++-i686-linux-gnu): its programs
# run here (libc6-i386), with 64-bit file offsets as every Linux build has.
#   cmake -S . -B build/i686 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/i686-linux-gnu.cmake
# scripts/install-deps.sh cross installs the compiler.

set(CMAKE_SYSTEM_PROCESSOR i686)
set(SHEETCALC_CROSS_PREFIX i686-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-gnu-cross.cmake)
