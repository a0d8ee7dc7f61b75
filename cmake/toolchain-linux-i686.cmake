# 32-bit Linux (i686) with the machine's gcc and -m32 (Debian: g++-multilib).
#   cmake -S . -B build-linux32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-linux-i686.cmake
# The tests run as 32-bit programs: directly where the kernel runs them, else
# give -DCMAKE_CROSSCOMPILING_EMULATOR=qemu-i386 (Debian: qemu-user).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# SSE arithmetic, not the x87 unit: doubles are rounded to double precision
# at every step, as on the other targets.
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
# GoogleTest is built from its sources for this target.
set(ZEBVRML2_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
