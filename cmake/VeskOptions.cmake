# Build settings shared by every target, as interface targets.

# Warnings for all of our own code.
add_library(vesk_warnings INTERFACE)
add_library(vesk::warnings ALIAS vesk_warnings)
set_target_properties(vesk_warnings PROPERTIES EXPORT_NAME warnings)
if(MSVC AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(vesk_warnings INTERFACE /W4)
else()
  target_compile_options(vesk_warnings INTERFACE -Wall -Wextra)
endif()

# The code that goes into a script binary (string library, framework,
# scripts) runs inside the host with no C++ runtime: no exceptions, no RTTI.
add_library(vesk_no_runtime INTERFACE)
add_library(vesk::no_runtime ALIAS vesk_no_runtime)
set_target_properties(vesk_no_runtime PROPERTIES EXPORT_NAME no_runtime)
if(NOT MSVC OR CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  target_compile_options(vesk_no_runtime INTERFACE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti>)
endif()

if(VESK_SANITIZE)
  # The vptr check needs RTTI, which script code is built without.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize=vptr -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# The project's own coverage (CI stage 55-coverage): every target of the
# tree instrumented for gcov; GCC only, no optimisation. The counters are
# updated atomically: the heap watch and the process watch run on every
# thread, and counters bumped by two threads at once can come out
# inconsistent (gcov then reports a branch taken -1 times, which gcovr
# refuses).
option(VESK_COVERAGE_ALL "Build every target with coverage instrumentation (GCC)" OFF)
if(VESK_COVERAGE_ALL)
  add_compile_options(--coverage -O0 -fprofile-update=atomic)
  add_link_options(--coverage)
endif()

# The everyday preset links with gold where the compiler driver has it: it
# links the emulator and the test programs in half the time of the default
# linker (about 5 s of a whole build's 10 s of links). Everything else
# (the packages, the cross and sanitizer builds) links with the default.
option(VESK_GOLD_LINKER "Link with gold when the toolchain has it (everyday builds)" OFF)
if(VESK_GOLD_LINKER)
  include(CheckLinkerFlag)
  check_linker_flag(CXX -fuse-ld=gold VESK_HAS_GOLD_LINKER)
  if(VESK_HAS_GOLD_LINKER)
    add_link_options(-fuse-ld=gold)
  endif()
endif()

# Precompiled standard headers (the everyday preset): the headers nearly
# every file of the emulator and of the tests includes, parsed once per
# build instead of once per translation unit. Off elsewhere, so that the
# file-by-file builds still catch a file that forgets an include.
# vesk_precompile(TARGET GROUP header...): the first target of a GROUP
# compiles the headers; the others of the group reuse its result (a group
# shares compile flags that a precompiled header must match: -fPIC or -fPIE).
option(VESK_PRECOMPILED_HEADERS "Precompile the common standard headers (everyday builds)" OFF)
function(vesk_precompile target group)
  if(NOT VESK_PRECOMPILED_HEADERS)
    return()
  endif()
  get_property(owner GLOBAL PROPERTY VESK_PCH_${group})
  if(owner)
    target_precompile_headers(${target} REUSE_FROM ${owner})
  else()
    target_precompile_headers(${target} PRIVATE ${ARGN})
    set_property(GLOBAL PROPERTY VESK_PCH_${group} ${target})
  endif()
endfunction()
set(VESK_STANDARD_HEADERS <algorithm> <chrono> <cstddef> <cstdint> <cstdio> <cstring> <deque> <filesystem>
  <fstream> <functional> <iostream> <memory> <optional> <string> <string_view> <vector>)
