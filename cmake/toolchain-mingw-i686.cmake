# Windows (i686), cross-built with mingw-w64 (Debian: g++-mingw-w64-i686).
#   cmake -S . -B build-win-i686 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
# The programs run under Wine (wine, with the 32-bit wine32).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(triple i686-w64-mingw32)
# The posix thread model gives the C++ thread library; it is linked in
# statically like the rest of the runtime (see CMakeLists.txt).
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Debian keeps the Wine loaders in /usr/lib/wine.
find_program(ZEBVRML2_WINE NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(ZEBVRML2_WINE NAMES wine)
if(ZEBVRML2_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEBVRML2_WINE} CACHE STRING "Runs the Windows programs")
endif()
set(ZEBVRML2_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
