# Cross-compiling for 64-bit Windows with Debian's mingw-w64 toolchain
# (packages g++-mingw-w64-x86-64 and binutils-mingw-w64-x86-64).
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MORVANE_MINGW_PREFIX x86_64-w64-mingw32)
# The win32 thread model: the program starts no threads, and this flavour
# needs no winpthread DLL.
find_program(CMAKE_C_COMPILER NAMES ${MORVANE_MINGW_PREFIX}-gcc-win32 ${MORVANE_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${MORVANE_MINGW_PREFIX}-g++-win32 ${MORVANE_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${MORVANE_MINGW_PREFIX}-windres REQUIRED)
find_program(CMAKE_ASM_COMPILER NAMES ${MORVANE_MINGW_PREFIX}-gcc-win32 ${MORVANE_MINGW_PREFIX}-gcc REQUIRED)

set(CMAKE_FIND_ROOT_PATH /usr/${MORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Packages come from the sysroot or from prefixes handed in on purpose
# (CMAKE_PREFIX_PATH, glfw3_DIR), never from the build machine's own.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
