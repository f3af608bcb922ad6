# The components of host/ and their dependencies as a Mermaid diagram, made
# from the build's list of what each component declares (layers.txt): each
# arrow runs from a component to one it uses, leaving out the arrows that
# follow from others. With DOCS, checks that the file holds the diagram as
# made now, so the picture in the docs cannot drift from the build; without
# it, prints the diagram.
# Usage: cmake -DLAYERS=build/host/layers.txt [-DDOCS=docs/host_internals.md] -P layers_diagram.cmake
cmake_minimum_required(VERSION 3.25)
if(NOT LAYERS)
  message(FATAL_ERROR "usage: cmake -DLAYERS=file [-DDOCS=file] -P layers_diagram.cmake")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/layers.cmake)

set(diagram "```mermaid\ngraph BT\n")
foreach(name ${components})
  foreach(target ${direct_${name}})
    # An arrow another dependency already implies is left out.
    set(implied OFF)
    foreach(other ${direct_${name}})
      if(NOT other STREQUAL target)
        reach(${other} below)
        # reach() counts a component itself; `other` is not `target` here.
        if(target IN_LIST below)
          set(implied ON)
        endif()
      endif()
    endforeach()
    if(NOT implied)
      string(APPEND diagram "  ${name} --> ${target}\n")
    endif()
  endforeach()
endforeach()
string(APPEND diagram "```\n")

if(NOT DOCS)
  message(NOTICE "${diagram}")
  return()
endif()
file(READ ${DOCS} docs)
string(FIND "${docs}" "${diagram}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${DOCS} must hold the components' diagram as the build declares them:\n${diagram}")
endif()
message(STATUS "${DOCS} holds the components' diagram")
