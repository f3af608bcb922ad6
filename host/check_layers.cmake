# Checks that every include between the components of host/ runs the
# declared way: a file in folder C may include headers of C and of the
# components C depends on (directly or through others); tests (C/tests/) may
# also include testing/. LAYERS is the build's list, one "name: dependency..."
# line per component; ROOT is the folder holding the components.
# Usage: cmake -DROOT=host -DLAYERS=build/host/layers.txt -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT ROOT OR NOT LAYERS)
  message(FATAL_ERROR "usage: cmake -DROOT=folder -DLAYERS=file -P check_layers.cmake")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

set(wrong 0)
foreach(name ${components})
  reach(${name} allowed)
  reach(testing testing_allowed)
  file(GLOB_RECURSE sources RELATIVE ${ROOT} ${ROOT}/${name}/*.h ${ROOT}/${name}/*.cpp)
  foreach(source ${sources})
    set(may ${allowed})
    if(source MATCHES "^${name}/tests/")
      list(APPEND may ${testing_allowed})
    endif()
    file(STRINGS ${ROOT}/${source} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"[a-z_]+/")
    foreach(include ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([a-z_]+)/([^\"]*)\".*$" "\\1;\\2" include_words "${include}")
      list(GET include_words 0 target)
      if(target IN_LIST components AND NOT target IN_LIST may)
        list(GET include_words 1 header)
        list(JOIN direct_${name} ", " declared)
        if(declared STREQUAL "")
          set(declared "nothing")
        endif()
        message(NOTICE "${source}: includes \"${target}/${header}\", but ${name} does not depend on ${target} "
          "(it depends on ${declared})")
        math(EXPR wrong "${wrong} + 1")
      endif()
    endforeach()
  endforeach()
endforeach()
if(wrong GREATER 0)
  message(FATAL_ERROR "${wrong} include(s) run against the components' declared direction")
endif()
list(LENGTH components count)
message(STATUS "layers: every include of the ${count} components runs the declared way")
