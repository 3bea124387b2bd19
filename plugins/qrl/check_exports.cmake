# Fails unless the dynamic symbol table of LIBRARY defines exactly the functions in EXPECTED.
#   cmake -DNM=nm -DLIBRARY=lib.so -DEXPECTED=a,b -P check_exports.cmake
execute_process(COMMAND "${NM}" -D --defined-only "${LIBRARY}"
  OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ [TtWwDdBbRrVvIiu] [^\n]+" rows "${listing}")
set(defined)
foreach(row IN LISTS rows)
  string(REGEX REPLACE "^[0-9a-fA-F]+ [A-Za-z] " "" name "${row}")
  list(APPEND defined "${name}")
endforeach()
list(SORT defined)
string(REPLACE "," ";" expected "${EXPECTED}")
list(SORT expected)
if(NOT defined STREQUAL expected)
  message(FATAL_ERROR "${LIBRARY} defines [${defined}], expected exactly [${expected}]")
endif()
