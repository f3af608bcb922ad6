# Reads the build's list of components (LAYERS, one "name: dependency..."
# line per component) for the layers check and the docs' diagram: sets
# `components` (in the list's order) and `direct_NAME` (what NAME declares),
# and reach(NAME out) gives everything NAME reaches, however far down.
file(STRINGS ${LAYERS} lines)
set(components "")
foreach(line ${lines})
  if(line MATCHES "^([a-z_]+):(.*)$")
    set(name ${CMAKE_MATCH_1})
    string(STRIP "${CMAKE_MATCH_2}" depends)
    separate_arguments(depends UNIX_COMMAND "${depends}")
    list(APPEND components ${name})
    set(direct_${name} ${depends})
  endif()
endforeach()

# NAME and everything it depends on, directly or through others.
function(reach name out)
  set(seen ${name})
  set(todo ${direct_${name}})
  while(todo)
    list(POP_FRONT todo next)
    if(NOT next IN_LIST seen)
      list(APPEND seen ${next})
      list(APPEND todo ${direct_${next}})
    endif()
  endwhile()
  set(${out} ${seen} PARENT_SCOPE)
endfunction()
