# 32-bit Windows, cross-built with mingw-w64 (Debian: g++-mingw-w64-i686).
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
# The programs run under the 32-bit Wine (Debian: wine32).
set(CMAKE_SYSTEM_PROCESSOR x86)
set(zebvrml2_triple i686-w64-mingw32)
set(zebvrml2_wine wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
# SSE arithmetic, not the x87 unit (see toolchain-linux-i686.cmake).
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
