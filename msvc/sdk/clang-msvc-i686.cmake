# Toolchain for scripts built with the vesk SDK by clang and lld-link for
# the production host's ABI (32-bit Windows, Microsoft's C++ ABI) with no
# Windows SDK: the SDK's C runtime layer supplies the C headers and the
# msvcrt.dll and kernel32.dll import libraries. Works on Linux and Windows.
#
#   cmake -S . -B build-win -G Ninja --toolchain SDK/platform/msvc/clang-msvc-i686.cmake
#
# With Visual Studio (or clang-cl and a Windows SDK) no toolchain file is
# needed: configure with -A Win32 and -DCMAKE_PREFIX_PATH=SDK.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET i686-pc-windows-msvc)
set(CMAKE_CXX_COMPILER_TARGET i686-pc-windows-msvc)
set(CMAKE_AR llvm-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB llvm-ranlib CACHE FILEPATH "Archive indexer")
set(CMAKE_RC_COMPILER llvm-rc CACHE FILEPATH "Resource compiler")
set(CMAKE_MT llvm-mt CACHE FILEPATH "Manifest tool")

# No C runtime to link CMake's test programs against: its checks only compile.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_C_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)
set(CMAKE_CXX_STANDARD_LIBRARIES "" CACHE STRING "" FORCE)

# The SDK is the vesk package, and its layer is used (veskPlatform.cmake).
get_filename_component(VESK_SDK_ROOT "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
list(APPEND CMAKE_PREFIX_PATH "${VESK_SDK_ROOT}")
set(VESK_MSVC_LAYER ON CACHE BOOL "Build scripts on the SDK's C runtime layer")

# vesk_host.exe, which runs the session tests, runs under Wine elsewhere.
if(NOT CMAKE_HOST_WIN32)
  find_program(VESK_WINE wine)
  if(VESK_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${VESK_WINE})
  endif()
endif()
