# Helpers every folder uses to declare its targets the same way.
#
#   vtr_add_room(room)                                declares a room of the layout (the top
#                                                     CMakeLists.txt, for each room it adds)
#   vtr_add_library(name [STATIC|SHARED|MODULE] SOURCES ... [LIBS ...] [PUBLIC_LIBS ...])
#   vtr_add_test(name SOURCES ... [LIBS ...])         GoogleTest binary, discovered by CTest
#   vtr_add_benchmark(name SOURCES ... [LIBS ...])    Google Benchmark binary, not run by CTest
#   vtr_add_fuzzer(name SOURCES ... [LIBS ...] [DEPENDS target...] [SEEDS dir] [DICT file])
#                                                     libFuzzer binary, only with the fuzz preset
#   vtr_install_dist(target [SUBDIR dir] [NAME file]) places a deliverable in the program folder
#                                                     (and installs it there, VoxtrelInstall.cmake)
#
# The program folder is ${VTR_DIST_DIR} (build/dist for the default preset): it looks at
# build time exactly as it must look at run time.

include_guard(GLOBAL)
include("${CMAKE_CURRENT_LIST_DIR}/VoxtrelChecks.cmake")

set(VTR_DIST_DIR "${CMAKE_BINARY_DIR}/dist" CACHE INTERNAL "program folder")
file(MAKE_DIRECTORY "${VTR_DIST_DIR}/Plugin/Julius" "${VTR_DIST_DIR}/links")

# Rooms. The source tree is never on an include path: each room of the layout (VTR_ROOMS, set
# by the top CMakeLists.txt; docs/architecture.md says what each holds and which rooms each may
# include) has an include root of its own in the build tree holding only the room's folder,
# under the room's path, so `#include "core/messages.h"` keeps its form and resolves only
# where the core's root is seen. The root travels as the interface target vtr::<room>_headers
# (slashes become underscores: vtr::engines_convert_headers). Every library of a room carries
# its room's root to what links it, and a test, benchmark or fuzzer sees its own room's; a
# target that needs only a room's headers links that room's headers target. So a target sees
# its own room and the rooms it links, and an include of any other room fails to build.
#
#   vtr_add_room(room)   the room's root and headers target; VTR_ROOM names the room for the
#                        targets its folder declares next
function(vtr_add_room room)
  string(REPLACE "/" "_" slug "${room}")
  set(source "${PROJECT_SOURCE_DIR}/${room}")
  set(root "${CMAKE_BINARY_DIR}/rooms/${slug}")
  # The rooms inside this one (plugins/ holds plugins/qrl/) stay out of its root: the root
  # holds a link to each of the room's own entries instead of one to the whole folder.
  set(inner "")
  foreach(other IN LISTS VTR_ROOMS)
    if(other MATCHES "^${room}/([^/]+)")
      list(APPEND inner "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  file(REMOVE_RECURSE "${root}")
  if(inner)
    file(MAKE_DIRECTORY "${root}/${room}")
    file(GLOB entries LIST_DIRECTORIES true RELATIVE "${source}" CONFIGURE_DEPENDS "${source}/*")
    foreach(entry IN LISTS entries)
      if(NOT entry IN_LIST inner)
        file(CREATE_LINK "${source}/${entry}" "${root}/${room}/${entry}" SYMBOLIC)
      endif()
    endforeach()
  else()
    get_filename_component(parent "${root}/${room}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    file(CREATE_LINK "${source}" "${root}/${room}" SYMBOLIC)
  endif()
  add_library(vtr_${slug}_headers INTERFACE)
  add_library(vtr::${slug}_headers ALIAS vtr_${slug}_headers)
  target_include_directories(vtr_${slug}_headers INTERFACE "${root}")
  set(VTR_ROOM "${room}" PARENT_SCOPE)
endfunction()

# The headers target of the room whose folder is being declared.
function(vtr_room_headers out)
  if(NOT VTR_ROOM)
    message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR} is in no room (VTR_ROOMS)")
  endif()
  string(REPLACE "/" "_" slug "${VTR_ROOM}")
  set(${out} vtr::${slug}_headers PARENT_SCOPE)
endfunction()

add_library(vtr_warnings INTERFACE)
add_library(vtr::warnings ALIAS vtr_warnings)
target_compile_options(vtr_warnings INTERFACE -Wall -Wextra -Werror)
target_compile_features(vtr_warnings INTERFACE cxx_std_20)

function(vtr_add_library name)
  cmake_parse_arguments(A "STATIC;SHARED;MODULE" "" "SOURCES;LIBS;PUBLIC_LIBS" ${ARGN})
  set(kind STATIC)
  if(A_SHARED)
    set(kind SHARED)
  elseif(A_MODULE)
    set(kind MODULE)
  endif()
  add_library(${name} ${kind} ${A_SOURCES})
  add_library(vtr::${name} ALIAS ${name})
  vtr_room_headers(room)
  target_link_libraries(${name} PRIVATE vtr::warnings ${A_LIBS} PUBLIC ${room} ${A_PUBLIC_LIBS})
  set_target_properties(${name} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  if(NOT kind STREQUAL "STATIC")
    # Deliverables export only their named entry points.
    set_target_properties(${name} PROPERTIES
      CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  endif()
endfunction()

# A deliverable that lives in the program folder (or a subfolder of it) under the
# system's own file name. It finds the shared platform library in the program folder
# through its run path, never through the dynamic linker's search path.
function(vtr_install_dist target)
  cmake_parse_arguments(A "" "SUBDIR;NAME" "" ${ARGN})
  set(dir "${VTR_DIST_DIR}")
  set(origin "$ORIGIN")
  if(A_SUBDIR)
    set(dir "${VTR_DIST_DIR}/${A_SUBDIR}")
    string(REGEX REPLACE "[^/]+" ".." up "${A_SUBDIR}")
    set(origin "$ORIGIN/${up}")
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${dir}")
  else()
    set_target_properties(${target} PROPERTIES LIBRARY_OUTPUT_DIRECTORY "${dir}" PREFIX "")
  endif()
  if(A_NAME)
    set_target_properties(${target} PROPERTIES OUTPUT_NAME "${A_NAME}")
  endif()
  set_target_properties(${target} PROPERTIES
    BUILD_RPATH "${origin}" INSTALL_RPATH "${origin}" BUILD_WITH_INSTALL_RPATH ON)
  vtr_install_program_target(${target} SUBDIR "${A_SUBDIR}")
endfunction()

function(vtr_add_test name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  vtr_room_headers(room)
  target_link_libraries(${name} PRIVATE vtr::warnings ${room} ${A_LIBS}
    GTest::gtest GTest::gtest_main GTest::gmock)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  target_compile_definitions(${name} PRIVATE
    VTR_DIST_DIR="${VTR_DIST_DIR}" VTR_TEST_BIN_DIR="${CMAKE_BINARY_DIR}/tests"
    VTR_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY "${CMAKE_BINARY_DIR}/tests" ${A_PROPERTIES})
endfunction()

function(vtr_add_benchmark name)
  cmake_parse_arguments(A "" "" "SOURCES;LIBS" ${ARGN})
  if(NOT VTR_BENCHMARKS)
    return()
  endif()
  add_executable(${name} ${A_SOURCES})
  vtr_room_headers(room)
  target_link_libraries(${name} PRIVATE vtr::warnings ${room} ${A_LIBS} benchmark::benchmark
    benchmark::benchmark_main)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
  target_compile_definitions(${name} PRIVATE VTR_DIST_DIR="${VTR_DIST_DIR}" VTR_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endfunction()

# Every fuzzer has a committed seed corpus (by default testdata/fuzz/<name>/ beside the
# CMakeLists.txt that declares it) and may have a dictionary (by default
# testdata/fuzz/<name>.dict when that exists). Both are copied beside the fuzzer as
# <name>.seeds/ and <name>.dict; a fuzzer whose input has no keywords gets a dictionary with
# nothing in it, so that every fuzzer runs with the same command line (see the README).
# DEPENDS names what a fuzzer needs at run time besides its libraries (a program it starts, a
# plug-in it loads), so that building the fuzzer alone builds them too. The fuzz preset's tests
# run every fuzzer once over its seeds, so that its properties hold on them.
function(vtr_add_fuzzer name)
  cmake_parse_arguments(A "" "SEEDS;DICT" "SOURCES;LIBS;DEPENDS" ${ARGN})
  if(NOT VTR_FUZZ)
    return()
  endif()
  add_executable(${name} ${A_SOURCES} "${VTR_FUZZ_SANITIZER_OPTIONS}")
  vtr_room_headers(room)
  target_link_libraries(${name} PRIVATE vtr::warnings ${room} ${A_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/fuzz")
  target_compile_definitions(${name} PRIVATE VTR_DIST_DIR="${VTR_DIST_DIR}")
  if(A_DEPENDS)
    add_dependencies(${name} ${A_DEPENDS})
  endif()

  set(fuzz_dir "${CMAKE_BINARY_DIR}/fuzz")
  if(NOT A_SEEDS)
    set(A_SEEDS "${CMAKE_CURRENT_SOURCE_DIR}/testdata/fuzz/${name}")
  endif()
  if(NOT IS_DIRECTORY "${A_SEEDS}")
    message(FATAL_ERROR "fuzzer ${name} has no seed corpus in ${A_SEEDS}")
  endif()
  if(NOT A_DICT AND EXISTS "${CMAKE_CURRENT_SOURCE_DIR}/testdata/fuzz/${name}.dict")
    set(A_DICT "${CMAKE_CURRENT_SOURCE_DIR}/testdata/fuzz/${name}.dict")
  endif()
  # Copies, not links: a corpus folder named first on a fuzzer's command line receives what it
  # finds, and that must never be the committed seeds. configure_file makes a changed seed
  # reconfigure; the glob notices added and removed ones.
  file(REMOVE_RECURSE "${fuzz_dir}/${name}.seeds")
  file(GLOB seeds CONFIGURE_DEPENDS "${A_SEEDS}/*")
  foreach(seed IN LISTS seeds)
    get_filename_component(seed_name "${seed}" NAME)
    configure_file("${seed}" "${fuzz_dir}/${name}.seeds/${seed_name}" COPYONLY)
  endforeach()
  if(A_DICT)
    configure_file("${A_DICT}" "${fuzz_dir}/${name}.dict" COPYONLY)
  else()
    file(WRITE "${fuzz_dir}/${name}.dict" "# ${name}: its input has no keywords\n")
  endif()
  # -runs=0: the seeds are run and nothing else.
  add_test(NAME ${name}.seeds COMMAND ${name} -runs=0 "${fuzz_dir}/${name}.seeds"
    WORKING_DIRECTORY "${fuzz_dir}")
  set_tests_properties(${name}.seeds PROPERTIES LABELS fuzz)
endfunction()

# Undefined behaviour stops a fuzzer at its first report, as a crash does: the fuzz build
# compiles with -fno-sanitize-recover=undefined, which holds whatever UBSAN_OPTIONS says, and
# every fuzzer carries halt_on_error=1 and a stack trace as its UBSan defaults. A probe with a
# planted overflow shows it in the fuzz preset's tests, with the defaults and against an
# environment that asks UBSan to go on.
if(VTR_FUZZ)
  set(VTR_FUZZ_SANITIZER_OPTIONS "${CMAKE_BINARY_DIR}/fuzz_sanitizer_options.cpp")
  file(CONFIGURE OUTPUT "${VTR_FUZZ_SANITIZER_OPTIONS}" CONTENT [=[
// Generated for every fuzzer by cmake/Voxtrel.cmake.
extern "C" const char* __ubsan_default_options() { return "halt_on_error=1:print_stacktrace=1"; }
]=])
  add_executable(vtr_sanitizer_halt_probe "${CMAKE_CURRENT_LIST_DIR}/sanitizer_halt_probe.cpp"
    "${VTR_FUZZ_SANITIZER_OPTIONS}")
  target_link_options(vtr_sanitizer_halt_probe PRIVATE -fsanitize=fuzzer)
  set_target_properties(vtr_sanitizer_halt_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/fuzz")
  foreach(options IN ITEMS "" "halt_on_error=0")
    # Stopped: a failure status and the report, not a hundred runs that end well.
    add_test(NAME "vtr_sanitizer_halt_probe[${options}]"
      COMMAND sh -c "UBSAN_OPTIONS='${options}' \"$0\" -runs=100 -artifact_prefix=probe- >probe.log 2>&1; \
status=$?; cat probe.log; [ $status -ne 0 ] && grep -q 'runtime error: signed integer overflow' probe.log"
        $<TARGET_FILE:vtr_sanitizer_halt_probe>
      WORKING_DIRECTORY "${CMAKE_BINARY_DIR}/fuzz")
    set_tests_properties("vtr_sanitizer_halt_probe[${options}]" PROPERTIES LABELS fuzz)
  endforeach()
endif()

# Gives a program or library its version record: {file version, description, copyright},
# carried as an ELF note (owner "Voxtrel", type 1, three NUL-terminated UTF-8 texts) that
# vtr::platform::ReadVersionRecord reads from the file without loading it. The record is
# data only: it adds no exported symbol.
#
#   vtr_version_record(Vtr_wtp DESCRIPTION "Vtr_wtp wave analysis plug-in")
#
# VERSION defaults to the project version written the system's way ("1, 0, 0, 0");
# COPYRIGHT defaults to VTR_COPYRIGHT.
set(VTR_COPYRIGHT "Copyright (C) 2026 The Voxtrel developers" CACHE INTERNAL "legal notice")
function(vtr_version_record target)
  cmake_parse_arguments(A "" "DESCRIPTION;VERSION;COPYRIGHT" "" ${ARGN})
  if(NOT A_DESCRIPTION)
    message(FATAL_ERROR "vtr_version_record(${target}) needs a DESCRIPTION")
  endif()
  if(NOT DEFINED A_VERSION)
    set(A_VERSION "")
    foreach(part IN ITEMS MAJOR MINOR PATCH TWEAK)
      if("${PROJECT_VERSION_${part}}" STREQUAL "")
        list(APPEND A_VERSION 0)
      else()
        list(APPEND A_VERSION ${PROJECT_VERSION_${part}})
      endif()
    endforeach()
    list(JOIN A_VERSION ", " A_VERSION)
  endif()
  if(NOT DEFINED A_COPYRIGHT)
    set(A_COPYRIGHT "${VTR_COPYRIGHT}")
  endif()
  set(texts "")
  foreach(text IN ITEMS "${A_VERSION}" "${A_DESCRIPTION}" "${A_COPYRIGHT}")
    string(REPLACE "\\" "\\\\" text "${text}")
    string(REPLACE "\"" "\\\"" text "${text}")
    list(APPEND texts "\"${text}\"")
  endforeach()
  # The last text ends in the literal's own NUL.
  list(JOIN texts " \"\\0\" " texts)
  set(source "${CMAKE_CURRENT_BINARY_DIR}/${target}_version_record.cpp")
  file(CONFIGURE OUTPUT "${source}" @ONLY CONTENT [=[
// Generated by vtr_version_record; edit the CMake call, not this file.
#include <cstdint>

namespace {

// Three texts, each ending in a NUL; the separate literals keep a digit after a NUL from
// turning into an octal escape.
constexpr char kTexts[] = @texts@;

struct VersionNote {
  std::uint32_t name_size;
  std::uint32_t desc_size;
  std::uint32_t type;
  char name[8];
  char desc[(sizeof(kTexts) + 3) / 4 * 4];
};

[[gnu::used, gnu::section(".note.voxtrel.version"), gnu::aligned(4)]]
const VersionNote kVersionNote = {8, sizeof(kTexts), 1, "Voxtrel", @texts@};

}  // namespace
]=])
  target_sources(${target} PRIVATE "${source}")
endfunction()
