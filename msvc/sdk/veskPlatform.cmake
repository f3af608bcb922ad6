# The MSVC-ABI SDK's half of the vesk package config: sets a script build up
# either on the SDK's C runtime layer (VESK_MSVC_LAYER, set by the SDK's
# clang toolchain file) or on a Windows SDK's own runtime (Visual Studio,
# clang-cl). Read by veskConfig.cmake in the caller's scope.
get_filename_component(_vesk_sdk "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(VESK_MSVC_LAYER)
  if(NOT TARGET vesk::msvc_crt)
    set(_vesk_layer "${_vesk_sdk}/platform/msvc")
    add_library(vesk::msvc_crt STATIC IMPORTED)
    set_target_properties(vesk::msvc_crt PROPERTIES
      IMPORTED_LOCATION "${_vesk_layer}/lib/vesk_msvc_crt.lib"
      INTERFACE_COMPILE_OPTIONS "-nostdinc;-fno-exceptions;-fno-rtti;SHELL:-isystem ${_vesk_layer}/include"
      INTERFACE_LINK_LIBRARIES "${_vesk_layer}/lib/msvcrt.lib;${_vesk_layer}/lib/kernel32.lib"
      INTERFACE_LINK_OPTIONS "LINKER:/nodefaultlib;LINKER:/subsystem:console")
    set_property(TARGET vesk::no_runtime APPEND PROPERTY INTERFACE_LINK_LIBRARIES vesk::msvc_crt)
  endif()
  # The runtime is msvcrt.dll through the layer, not a library CMake names.
  foreach(_vesk_language C CXX)
    foreach(_vesk_runtime MultiThreaded MultiThreadedDLL MultiThreadedDebug MultiThreadedDebugDLL)
      set(CMAKE_${_vesk_language}_COMPILE_OPTIONS_MSVC_RUNTIME_LIBRARY_${_vesk_runtime} "")
    endforeach()
  endforeach()
elseif(MSVC)
  # The SDK was built by clang with GNU-style options; Visual Studio's
  # compiler takes its own.
  set_target_properties(vesk::warnings PROPERTIES INTERFACE_COMPILE_OPTIONS "/W4")
  set_target_properties(vesk::no_runtime PROPERTIES INTERFACE_COMPILE_OPTIONS "$<$<COMPILE_LANGUAGE:CXX>:/GR->")
  # The framework calls msvcrt's _vsnprintf, which the Universal CRT keeps here.
  set_property(TARGET vesk::script_helper APPEND PROPERTY INTERFACE_LINK_LIBRARIES legacy_stdio_definitions)
endif()

# vesk_host.exe in the SDK is the MinGW build of the emulator; it drives
# scripts of either Windows C++ ABI, this SDK's included (it reads the
# layout from the DLL; see docs/binaries.md). It runs on Windows, so a
# build there gets the session and validate tests; a cross build on another
# system leaves them out, and the emulator runs the DLL under Wine instead.
if(NOT CMAKE_HOST_WIN32)
  set(VESK_SESSION_TESTS_UNAVAILABLE
    "the SDK's vesk_host.exe is a Windows program: on this system run it under Wine (wine vesk_host.exe run ... YOUR_SCRIPT.dll, see share/doc/vesk/writing_a_script.md), or build and test on Windows")
endif()
