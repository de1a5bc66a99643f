# cmake -DLIBRARY=FILE -DFORBIDDEN="a;b" -P NeedsNone.cmake: fails when FILE's dynamic section
# needs a library whose name starts with one of the FORBIDDEN prefixes (or names none at all,
# which would mean the section was not read).
execute_process(COMMAND readelf -d ${LIBRARY} OUTPUT_VARIABLE dynamic RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "readelf -d ${LIBRARY} failed")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${dynamic}")
if(NOT needed)
  message(FATAL_ERROR "${LIBRARY} needs no library at all: not what was expected")
endif()
foreach(entry IN LISTS needed)
  foreach(prefix IN LISTS FORBIDDEN)
    if(entry MATCHES "\\[${prefix}")
      message(FATAL_ERROR "${LIBRARY} needs ${entry}, which its tier must not stand on")
    endif()
  endforeach()
endforeach()
message(STATUS "${LIBRARY}: ${needed}")
