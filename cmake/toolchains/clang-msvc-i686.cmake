# 32-bit Windows with Microsoft's C++ ABI, the production host's ABI, built
# by clang and lld-link with no Microsoft SDK: the C library is msvcrt.dll,
# reached through the C runtime layer in platform/msvc (its own headers and
# import libraries made by llvm-dlltool). The flavor's project is msvc/:
#
#   cmake -S msvc -B build-msvc -G Ninja \
#     --toolchain "$PWD/cmake/toolchains/clang-msvc-i686.cmake"
#
# Binaries built here pair with hosts built for Microsoft's ABI, not with
# MinGW-built ones; see docs/binaries.md.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(VESK_MSVC_TARGET i686-pc-windows-msvc)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${VESK_MSVC_TARGET})
set(CMAKE_CXX_COMPILER_TARGET ${VESK_MSVC_TARGET})
set(CMAKE_AR llvm-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB llvm-ranlib CACHE FILEPATH "Archive indexer")
set(CMAKE_RC_COMPILER llvm-rc CACHE FILEPATH "Resource compiler")
set(CMAKE_MT llvm-mt CACHE FILEPATH "Manifest tool")

# There is no C runtime to link test programs against until the layer is
# built, so CMake's compiler checks only compile.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Nothing from the build machine: headers and libraries come from the layer.
set(CMAKE_FIND_ROOT_PATH ${CMAKE_CURRENT_LIST_DIR}/../../platform/msvc)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The system libraries CMake would name by default belong to a Windows SDK.
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)

set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
