# 32-bit Windows with MinGW-w64 (Debian g++-mingw-w64-i686), run under Wine.
#
#   cmake -S . -B build-mingw -G Ninja \
#     --toolchain cmake/toolchains/mingw-w64-i686.cmake -DVESK_GTEST_FROM_SOURCE=ON
#
# Binaries built here use the GNU C++ ABI: they pair with each other (a
# MinGW host loads a MinGW script), not with a host built by Microsoft's
# compiler; see docs/binaries.md.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VESK_MINGW_PREFIX i686-w64-mingw32)
# The POSIX thread model: its C++ library has std::mutex, which GoogleTest needs.
set(CMAKE_C_COMPILER ${VESK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VESK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${VESK_MINGW_PREFIX}-windres)

# Target libraries and packages come from the MinGW tree only; programs
# (and header-only libraries such as toml++) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${VESK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)

# Programs carry the GCC runtime and the thread library inside, DLLs the GCC
# runtime, so that none needs a DLL beyond the system's and our own.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Test discovery and ctest run the programs under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)

# GoogleTest built from source for this target (packages/GTestConfig.cmake).
set(GTest_DIR ${CMAKE_CURRENT_LIST_DIR}/packages CACHE PATH "GoogleTest for this target")
