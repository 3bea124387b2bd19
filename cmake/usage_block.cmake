# Writes the usage sequence of one header as a translation unit that compiles it.
#
#   cmake -DHEADER=/src/core/script_engine.h -DINCLUDE=core/script_engine.h -DOUTPUT=x.cpp
#         -P usage_block.cmake
#
# The usage sequence is what the header's opening comment (its first lines of `//` comments, or
# its first `/* */` comment) indents by three spaces: every such run of lines is code. A run
# that begins with a list item (`- `, `* `, `1. `), or that continues the list item on the line
# above it, is prose; tables and other prose in the opening comment are indented by two spaces.
# A header's runs are one sequence, in order: a later run may use what an earlier one declared.
#
# Inside the sequence:
#   // given: T a; U b(V)    declares the names the sequence leaves free (what the caller
#                            has) at namespace scope: objects and functions extern, types
#                            and namespace aliases as written; there may be several
#   #include "x.h"           another header the sequence needs, beside the header itself
#   ...                      an elision: a line that starts with it is left out, elsewhere it
#                            stands for `{}` (an empty statement or value); `(...)` stays
# A run that opens with a function definition stands at namespace scope; every other run is
# the body of one function in the header's first namespace. The unit is compiled, never run,
# and #line directives point its diagnostics at the header's own lines.
#
# A header without a usage sequence gives a unit with nothing to compile.

cmake_policy(VERSION 3.25)

foreach(var HEADER INCLUDE OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "usage_block.cmake needs -D${var}=...")
  endif()
endforeach()

file(READ "${HEADER}" content)
if(content STREQUAL "")
  set(content "\n")
endif()

# CMake lists split on ';' and treat '[', ']' and '\' specially: every line is carried with
# those characters encoded and decoded again when it is written.
function(vtr_encode out text)
  string(REPLACE "\\" "@VTR_BS@" text "${text}")
  string(REPLACE ";" "@VTR_SC@" text "${text}")
  string(REPLACE "[" "@VTR_LB@" text "${text}")
  string(REPLACE "]" "@VTR_RB@" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
function(vtr_decode out text)
  string(REPLACE "@VTR_SC@" ";" text "${text}")
  string(REPLACE "@VTR_LB@" "[" text "${text}")
  string(REPLACE "@VTR_RB@" "]" text "${text}")
  string(REPLACE "@VTR_BS@" "\\" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

vtr_encode(content "${content}")
string(REPLACE "\r" "" content "${content}")
string(REPLACE "\n" ";" lines "${content}")

# The opening comment as its texts: what follows the comment marker, one entry per line, and
# the column of the code on each line kept (the marker becomes two spaces).
set(texts "")
list(GET lines 0 first)
if(first MATCHES "^//")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^//")
      break()
    endif()
    string(SUBSTRING "${line}" 2 -1 text)
    list(APPEND texts "${text}")
  endforeach()
elseif(first MATCHES "^/\\*")
  set(index 0)
  foreach(line IN LISTS lines)
    set(last FALSE)
    if(line MATCHES "\\*/")
      set(last TRUE)
      string(REGEX REPLACE " *\\*/.*$" "" line "${line}")
    endif()
    if(index EQUAL 0)
      string(SUBSTRING "${line}" 2 -1 text)
    elseif(line MATCHES "^ \\*")
      string(SUBSTRING "${line}" 2 -1 text)
    else()
      set(text "")
    endif()
    list(APPEND texts "${text}")
    math(EXPR index "${index} + 1")
    if(last)
      break()
    endif()
  endforeach()
endif()

# Finds the runs of the usage sequence.
set(list_item "^ ? ? ?([-*]|[0-9]+\\.) ")
set(code_lines "")      # "<line number>|<text>" of every line of the sequence
set(run_starts "")      # the line numbers where the runs begin
set(in_run FALSE)
set(run_is_code FALSE)
set(previous "")
set(number 0)
foreach(text IN LISTS texts)
  math(EXPR number "${number} + 1")
  if(text MATCHES "^   ")
    if(NOT in_run)
      set(in_run TRUE)
      set(run_is_code FALSE)
      if(text MATCHES "^   [^ ]" AND NOT text MATCHES "${list_item}"
         AND NOT previous MATCHES "${list_item}")
        set(run_is_code TRUE)
        list(APPEND run_starts ${number})
      endif()
    endif()
    if(run_is_code)
      list(APPEND code_lines "${number}|${text}")
    endif()
  else()
    set(in_run FALSE)
  endif()
  set(previous "${text}")
endforeach()

# The header's first namespace, where its own names are found unqualified.
set(namespace "")
if(content MATCHES "(^|\n)namespace ([A-Za-z0-9_:]+) {")
  set(namespace "${CMAKE_MATCH_2}")
endif()

# Sorts the lines of each run into includes, given names and code, and the code of the runs
# into what stands at namespace scope and what is the function's body.
set(includes "")
set(givens "")
set(scope_code "")
set(body_code "")
set(function_head "^(extern \"C\" )?[A-Za-z_][A-Za-z0-9_:<>,*& ]*[ *&][A-Za-z_][A-Za-z0-9_:]*\\(.*\\) *(const *)?{")
list(APPEND run_starts 999999 999999)  # the end of the last run, and a guard
set(run_code "")
set(run_at_scope "")     # TRUE or FALSE once the run's first line of code was seen
set(next_run 0)
list(GET run_starts 0 next_start)
foreach(entry IN LISTS code_lines ITEMS "999999|")
  string(REGEX MATCH "^[0-9]+" number "${entry}")
  string(REGEX REPLACE "^[0-9]+\\|" "" text "${entry}")
  if(number EQUAL next_start)
    # The run before this one is complete.
    if(run_at_scope)
      string(APPEND scope_code "${run_code}")
    else()
      string(APPEND body_code "${run_code}")
    endif()
    set(run_code "#line ${number} \"${HEADER}\"\n")
    set(run_at_scope "")
    math(EXPR next_run "${next_run} + 1")
    list(GET run_starts ${next_run} next_start)
  endif()
  set(code "  ${text}")
  string(STRIP "${text}" stripped)
  if(stripped MATCHES "^// given:(.*)$")
    # Declarations end at a ';' outside braces; a type or a namespace alias stands as written,
    # anything else is an object or a function declared extern.
    string(REPLACE "@VTR_SC@" ";" pieces "${CMAKE_MATCH_1}")
    string(APPEND givens "#line ${number} \"${HEADER}\"\n")
    set(declaration "")
    foreach(piece IN LISTS pieces)
      if(declaration STREQUAL "")
        set(declaration "${piece}")
      else()
        set(declaration "${declaration}@VTR_SC@${piece}")
      endif()
      string(REGEX MATCHALL "{" opened "${declaration}")
      string(REGEX MATCHALL "}" closed "${declaration}")
      list(LENGTH opened opened)
      list(LENGTH closed closed)
      if(opened EQUAL closed)
        string(STRIP "${declaration}" declaration)
        if(declaration MATCHES "^(struct|class|union|enum|using|namespace|typedef) ")
          string(APPEND givens "${declaration}@VTR_SC@\n")
        elseif(NOT declaration STREQUAL "")
          string(APPEND givens "extern ${declaration}@VTR_SC@\n")
        endif()
        set(declaration "")
      endif()
    endforeach()
    set(code "")
  elseif(stripped MATCHES "^#include ")
    string(APPEND includes "#line ${number} \"${HEADER}\"\n${stripped}\n")
    set(code "")
  elseif(stripped MATCHES "^\\.\\.\\.")
    set(code "")
  else()
    # The first line of code decides where the run stands.
    if(run_at_scope STREQUAL "" AND NOT stripped STREQUAL "" AND NOT stripped MATCHES "^//")
      if(stripped MATCHES "${function_head}")
        set(run_at_scope TRUE)
      else()
        set(run_at_scope FALSE)
      endif()
    endif()
    string(REPLACE "(...)" "@VTR_VARIADIC@" code "${code}")
    string(REPLACE "..." "{}" code "${code}")
    string(REPLACE "@VTR_VARIADIC@" "(...)" code "${code}")
  endif()
  string(APPEND run_code "${code}\n")
endforeach()

set(unit "// Generated by cmake/usage_block.cmake from ${INCLUDE}; edit the header, not this file.\n")
if(NOT code_lines STREQUAL "")
  string(APPEND unit "#include \"${INCLUDE}\"\n${includes}")
  if(namespace)
    string(APPEND unit "namespace ${namespace} {\n")
  endif()
  string(APPEND unit "${givens}${scope_code}")
  if(NOT body_code STREQUAL "")
    string(APPEND unit "[[maybe_unused]] static auto VtrUsageSequence() {\n${body_code}}\n")
  endif()
  if(namespace)
    string(APPEND unit "}  // namespace ${namespace}\n")
  endif()
endif()
vtr_decode(unit "${unit}")
file(WRITE "${OUTPUT}" "${unit}")
