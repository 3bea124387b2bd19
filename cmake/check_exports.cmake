# Fails unless the dynamic symbol table of FILE defines exactly what its list allows.
#
#   cmake -DNM=nm -DOBJDUMP=objdump -DFILE=lib.so [-DEXPORTS=a,b] [-DNAMESPACE=vtr::platform]
#         -P check_exports.cmake
#
# EXPORTS: exactly these names, each present, every definition counted (weak ones too).
# NAMESPACE: besides them, any C++ name inside that namespace (functions, data, vtables, type
# information, guard variables, thunks), matched on the mangled name.
# Without EXPORTS, weak definitions (W, V, u: the inline functions and template instances that
# a program or a C++ library shares with the libraries it links) are not counted. Never
# counted: the linker's marks _edata, _end and __bss_start, and the copies of another library's
# data that a program holds (its copy relocations: stderr, a sanitizer runtime's flags).

foreach(var NM OBJDUMP FILE)
  if(NOT DEFINED ${var} OR "${${var}}" STREQUAL "")
    message(FATAL_ERROR "check_exports.cmake needs -D${var}=...")
  endif()
endforeach()

execute_process(COMMAND "${NM}" -D --defined-only "${FILE}"
  OUTPUT_VARIABLE listing ERROR_VARIABLE errors RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} could not read ${FILE}: ${errors}")
endif()

execute_process(COMMAND "${OBJDUMP}" -R "${FILE}"
  OUTPUT_VARIABLE relocations ERROR_VARIABLE errors RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} could not read the relocations of ${FILE}: ${errors}")
endif()
string(REGEX MATCHALL "R_[A-Z0-9_]+_COPY +[^@\n]+" copies "${relocations}")
list(TRANSFORM copies REPLACE "^R_[A-Z0-9_]+_COPY +" "")

string(REPLACE "," ";" expected "${EXPORTS}")
set(within "")
if(NAMESPACE)
  # vtr::platform -> 3vtr8platform, the nested name as the mangling writes it.
  string(REPLACE "::" ";" parts "${NAMESPACE}")
  foreach(part IN LISTS parts)
    string(LENGTH "${part}" length)
    string(APPEND within "${length}${part}")
  endforeach()
  # Optional special-name prefix (vtable, type info and its name, VTT, guard variable, thunks),
  # a local name's Z, then the nested name with its qualifiers.
  set(within "^_Z(T[VIST]|GV|Th[n0-9]+_|Tv[n0-9]+_[n0-9]+_)?Z?N[KVRO]*${within}")
endif()

string(REGEX MATCHALL "[^\n]+" rows "${listing}")
set(extra "")
set(present "")
foreach(row IN LISTS rows)
  if(NOT row MATCHES "^[0-9a-fA-F]+ ([A-Za-z]) (.+)$")
    continue()
  endif()
  set(kind "${CMAKE_MATCH_1}")
  string(REGEX REPLACE "@.*" "" name "${CMAKE_MATCH_2}")
  list(FIND copies "${name}" copy)
  if(name MATCHES "^(_edata|_end|__bss_start)$" OR NOT copy EQUAL -1)
    continue()
  endif()
  list(FIND expected "${name}" listed)
  if(NOT listed EQUAL -1)
    list(APPEND present "${name}")
  elseif(within AND name MATCHES "${within}")
  elseif(NOT EXPORTS AND kind MATCHES "^[WVu]$")
  else()
    list(APPEND extra "${kind} ${name}")
  endif()
endforeach()

set(missing "")
foreach(name IN LISTS expected)
  list(FIND present "${name}" found)
  if(found EQUAL -1)
    list(APPEND missing "${name}")
  endif()
endforeach()

set(report "")
if(extra)
  list(JOIN extra "\n  " extra)
  string(APPEND report "\nDefined beyond its list (c++filt reads the mangled names):\n  ${extra}")
endif()
if(missing)
  list(JOIN missing "\n  " missing)
  string(APPEND report "\nListed but not defined:\n  ${missing}")
endif()
if(report)
  message(FATAL_ERROR "${FILE} does not export exactly its list.${report}")
endif()
list(LENGTH present count)
if(NAMESPACE)
  message(STATUS "${FILE}: its ${count} listed exports and names in ${NAMESPACE}, nothing else")
else()
  message(STATUS "${FILE}: its ${count} listed exports and nothing else")
endif()
