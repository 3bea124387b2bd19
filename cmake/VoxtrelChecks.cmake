# Checks that keep the house rules true, each a build step or a test.
#
#   vtr_check_exports(target [EXPORTS name...] [NAMESPACE ns])
#                                 a test that the built deliverable exports its list, no more
#   vtr_check_c_header(header)    compiles a C interface header as C, on its own
#   vtr_check_usage(header rooms) compiles the usage sequence of the header's opening comment
#                                 (cmake/usage_block.cmake)
#   vtr_check_headers()           once, after every folder: the usage check for every header of
#                                 the tree, the C check for every `*_api.h`
#
# The headers are found when CMake configures, and found again when one is added or removed,
# so that a header added or moved later is checked too.

include_guard(GLOBAL)

set(VTR_CHECKS_DIR "${CMAKE_CURRENT_LIST_DIR}" CACHE INTERNAL "folder of the check scripts")

# The test Exports.<file> (the deliverable's name in the program folder) reads the dynamic
# symbol table of the built file and fails on any name outside the list, and on a listed name
# it lacks (cmake/check_exports.cmake):
#   EXPORTS    the C names of the entry points; with them every definition counts, weak ones too
#   NAMESPACE  for a library whose interface is C++: any name inside that namespace
# A file with neither (a program) may export no definition of its own. Weak definitions, the
# inline functions and template instances that a program or a C++ library shares with the
# libraries it links, count only with EXPORTS.
function(vtr_check_exports target)
  cmake_parse_arguments(A "" "NAMESPACE" "EXPORTS" ${ARGN})
  get_target_property(type ${target} TYPE)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  if(type STREQUAL "EXECUTABLE")
    get_target_property(dir ${target} RUNTIME_OUTPUT_DIRECTORY)
  else()
    get_target_property(prefix ${target} PREFIX)
    if(prefix STREQUAL "prefix-NOTFOUND")
      set(prefix "${CMAKE_SHARED_LIBRARY_PREFIX}")
    endif()
    set(name "${prefix}${name}${CMAKE_SHARED_LIBRARY_SUFFIX}")
    get_target_property(dir ${target} LIBRARY_OUTPUT_DIRECTORY)
  endif()
  if(dir)
    file(RELATIVE_PATH name "${VTR_DIST_DIR}" "${dir}/${name}")
  endif()
  list(JOIN A_EXPORTS "," exports)
  add_test(NAME "Exports.${name}"
    COMMAND "${CMAKE_COMMAND}" "-DNM=${CMAKE_NM}" "-DOBJDUMP=${CMAKE_OBJDUMP}"
            "-DFILE=$<TARGET_FILE:${target}>"
            "-DEXPORTS=${exports}" "-DNAMESPACE=${A_NAMESPACE}"
            -P "${VTR_CHECKS_DIR}/check_exports.cmake")
endfunction()

# C11 with every warning an error: a C host includes the header as it stands.
function(vtr_check_c_header header)
  file(RELATIVE_PATH include "${PROJECT_SOURCE_DIR}" "${header}")
  set(unit "${CMAKE_BINARY_DIR}/c_headers/${include}.c")
  file(CONFIGURE OUTPUT "${unit}" CONTENT "/* ${include}, compiled as C. */\n#include \"${include}\"\n")
  if(NOT TARGET vtr_c_headers)
    add_library(vtr_c_headers OBJECT)
    target_include_directories(vtr_c_headers PRIVATE "${PROJECT_SOURCE_DIR}")
    target_compile_options(vtr_c_headers PRIVATE -Wall -Wextra -Werror -pedantic)
    set_target_properties(vtr_c_headers PROPERTIES
      C_STANDARD 11 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
  endif()
  target_sources(vtr_c_headers PRIVATE "${unit}")
endfunction()

# Every library target declared in `dir` and the folders below it.
function(vtr_libraries_below dir out)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  set(libraries "")
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(STATIC|SHARED|OBJECT|INTERFACE)_LIBRARY$")
      list(APPEND libraries ${target})
    endif()
  endforeach()
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    vtr_libraries_below("${subdir}" below)
    list(APPEND libraries ${below})
  endforeach()
  set(${out} ${libraries} PARENT_SCOPE)
endfunction()

# The usage sequence of `header` compiles into the object library vtr_<room>_usage of the
# deepest of `rooms` that holds it (else of the folder it lies in), with the room's libraries
# for their include paths and definitions, and GoogleTest for the test helpers. The sequences
# are compiled, never run: a value a sequence shows but does not use is no warning, nor is a
# sequence whose `return kFailed;` leaves the rest of its function without a return value.
function(vtr_check_usage header rooms)
  get_filename_component(home "${header}" DIRECTORY)
  set(length 0)
  foreach(room IN LISTS rooms)
    string(LENGTH "${room}" room_length)
    string(FIND "${header}" "${room}/" at)
    if(at EQUAL 0 AND room_length GREATER length)
      set(home "${room}")
      set(length ${room_length})
    endif()
  endforeach()
  file(RELATIVE_PATH room_name "${PROJECT_SOURCE_DIR}" "${home}")
  string(REPLACE "/" "_" room_name "${room_name}")
  set(target vtr_${room_name}_usage)
  if(NOT TARGET ${target})
    add_library(${target} OBJECT)
    target_include_directories(${target} PRIVATE "${PROJECT_SOURCE_DIR}")
    vtr_libraries_below("${home}" libraries)
    target_link_libraries(${target} PRIVATE vtr::warnings ${libraries} GTest::gtest GTest::gmock)
    target_compile_definitions(${target} PRIVATE
      VTR_DIST_DIR="${VTR_DIST_DIR}" VTR_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests"
      VTR_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  endif()

  file(RELATIVE_PATH include "${PROJECT_SOURCE_DIR}" "${header}")
  set(unit "${CMAKE_BINARY_DIR}/usage/${include}.cpp")
  add_custom_command(OUTPUT "${unit}"
    COMMAND "${CMAKE_COMMAND}" "-DHEADER=${header}" "-DINCLUDE=${include}" "-DOUTPUT=${unit}"
            -P "${VTR_CHECKS_DIR}/usage_block.cmake"
    DEPENDS "${header}" "${VTR_CHECKS_DIR}/usage_block.cmake"
    COMMENT "Extracting the usage sequence of ${include}"
    VERBATIM)
  target_sources(${target} PRIVATE "${unit}")
  # After the target's warnings on the command line, so that they hold with every compiler.
  set_source_files_properties("${unit}" PROPERTIES
    COMPILE_OPTIONS "-O0;-g0;-Wno-unused;-Wno-return-type")
endfunction()

# The folders the top-level CMakeLists adds are the rooms of the layout; the headers are those
# below the top folders of the rooms.
function(vtr_check_headers)
  get_property(rooms DIRECTORY "${PROJECT_SOURCE_DIR}" PROPERTY SUBDIRECTORIES)
  set(roots "")
  foreach(room IN LISTS rooms)
    file(RELATIVE_PATH relative "${PROJECT_SOURCE_DIR}" "${room}")
    string(REGEX REPLACE "/.*" "" root "${relative}")
    list(APPEND roots "${root}")
  endforeach()
  list(REMOVE_DUPLICATES roots)

  set(headers "")
  foreach(root IN LISTS roots)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${root}/*.h")
    list(APPEND headers ${found})
  endforeach()
  list(SORT headers)

  foreach(header IN LISTS headers)
    if(header MATCHES "_api\\.h$")
      vtr_check_c_header("${header}")
    endif()
    vtr_check_usage("${header}" "${rooms}")
  endforeach()
endfunction()
