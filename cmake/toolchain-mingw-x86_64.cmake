# 64-bit Windows, cross-built with mingw-w64 (Debian: g++-mingw-w64-x86-64).
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake
# The programs run under Wine (Debian: wine, wine64).
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(zebvrml2_triple x86_64-w64-mingw32)
set(zebvrml2_wine wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
