# Shared part of the mingw-w64 toolchain files: set zebvrml2_triple and
# zebvrml2_wine (the name of the Wine loader that runs the programs), then
# include this file.
set(CMAKE_SYSTEM_NAME Windows)
# The posix thread model gives the C++ thread library; it is linked in
# statically like the rest of the runtime (see CMakeLists.txt).
set(CMAKE_C_COMPILER ${zebvrml2_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${zebvrml2_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${zebvrml2_triple}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${zebvrml2_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Debian keeps the Wine loaders in /usr/lib/wine.
find_program(ZEBVRML2_WINE NAMES ${zebvrml2_wine} PATHS /usr/lib/wine NO_DEFAULT_PATH)
find_program(ZEBVRML2_WINE NAMES ${zebvrml2_wine})
if(ZEBVRML2_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${ZEBVRML2_WINE} CACHE STRING "Runs the Windows programs")
endif()
# GoogleTest is built from its sources for this target.
set(ZEBVRML2_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
