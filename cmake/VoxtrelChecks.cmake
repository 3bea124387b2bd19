# Checks that keep the house rules true, each a build step or a test.
#
#   vtr_check_c_header(header)    compiles a C interface header as C, on its own
#   vtr_check_headers()           once, after every folder: the C check for every `*_api.h` of
#                                 the tree
#
# The headers are found when CMake configures, and found again when one is added or removed,
# so that a header added or moved later is checked too.

include_guard(GLOBAL)

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
  endforeach()
endfunction()
