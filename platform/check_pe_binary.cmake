# Checks what a Windows DLL exports and imports, from `objdump -p` (GNU
# binutils or LLVM). Fails unless
#   EXPORTS            the DLL exports exactly these names (plain, undecorated);
#   REQUIRED_IMPORTS   it imports every one of these DLLs;
#   ALLOWED_IMPORTS    it imports no DLL outside this list (when given).
# DLL names compare without regard to case, as Windows loads them.
#
#   cmake -DOBJDUMP=llvm-objdump -DLIBRARY=Rig_Vue.dll \
#     -DEXPORTS=load_vesk_client_script -DREQUIRED_IMPORTS=vesk_string.dll \
#     "-DALLOWED_IMPORTS=vesk_string.dll;msvcrt.dll;kernel32.dll" \
#     -P platform/check_pe_binary.cmake
cmake_minimum_required(VERSION 3.25)

foreach(required OBJDUMP LIBRARY)
  if(NOT ${required})
    message(FATAL_ERROR "check_pe_binary: ${required} not given")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${LIBRARY}
  OUTPUT_VARIABLE dump RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${LIBRARY} failed: ${errors}")
endif()
string(REPLACE ";" "\\;" dump "${dump}")
string(REPLACE "\n" ";" lines "${dump}")

set(exports)
set(imports)
set(section none)
foreach(line IN LISTS lines)
  if(line MATCHES "DLL Name: (.+)$")
    string(STRIP "${CMAKE_MATCH_1}" name)
    string(TOLOWER "${name}" name)
    list(APPEND imports "${name}")
  elseif(line MATCHES "^\\[Ordinal/Name Pointer\\] Table")
    set(section gnu)         # binutils: "[   0] name"
  elseif(line MATCHES "^ *Ordinal +RVA +Name")
    set(section llvm)        # LLVM: "      1   0x1f20  name"
  elseif(section STREQUAL "gnu" AND line MATCHES "^[ \t]*\\[ *[0-9]+\\] +(.+)$")
    string(STRIP "${CMAKE_MATCH_1}" name)
    list(APPEND exports "${name}")
  elseif(section STREQUAL "llvm" AND line MATCHES "^ +[0-9]+ +0x[0-9a-fA-F]+ +(.+)$")
    string(STRIP "${CMAKE_MATCH_1}" name)
    list(APPEND exports "${name}")
  elseif(section STREQUAL "llvm" AND line MATCHES "^ +[0-9]+ +0$")
    # An unused ordinal slot: no address, no name.
  else()
    set(section none)
  endif()
endforeach()

message(STATUS "${LIBRARY}")
message(STATUS "  exports: ${exports}")
message(STATUS "  imports: ${imports}")

set(failures)
if(DEFINED EXPORTS)
  set(wanted ${EXPORTS})
  list(SORT wanted)
  set(found ${exports})
  list(SORT found)
  if(NOT found STREQUAL wanted)
    list(APPEND failures "exports are [${exports}], expected exactly [${EXPORTS}]")
  endif()
endif()
foreach(name IN LISTS REQUIRED_IMPORTS)
  string(TOLOWER "${name}" name)
  if(NOT name IN_LIST imports)
    list(APPEND failures "${name} is not imported")
  endif()
endforeach()
if(DEFINED ALLOWED_IMPORTS)
  string(TOLOWER "${ALLOWED_IMPORTS}" allowed)
  foreach(name IN LISTS imports)
    if(NOT name IN_LIST allowed)
      list(APPEND failures "${name} is imported, but only [${ALLOWED_IMPORTS}] may be")
    endif()
  endforeach()
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "${LIBRARY}:\n  ${text}")
endif()
message(STATUS "  exports and imports as required")
