# Installing Voxtrel as a Linux program: `cmake --install build --prefix P` puts
#
#   P/lib/voxtrel/                          the program folder, as build/dist holds it
#   P/bin/vtr                               a link to the program in it
#   P/share/applications/voxtrel.desktop    the desktop entry; its Exec line names P/bin/vtr
#   P/share/icons/hicolor/NxN/apps/voxtrel.png   the icon, written from the program's artwork
#
# The program finds everything it needs beside itself, so the prefix may be anywhere and need not
# be writable. Every deliverable that vtr_install_dist places in the program folder is installed
# by vtr_install_program_target; a file copied there gets an install(FILES) line of its own.
#
#   vtr_install_program_target(target [SUBDIR dir])  installs a deliverable of the program folder
#   vtr_install_launcher_and_entry()                 the link in bin/ and the desktop entry
#   vtr_add_install_test()                           installs into a scratch prefix and starts it

include_guard(GLOBAL)

set(VTR_DESKTOP_NAME voxtrel CACHE INTERNAL "name of the desktop entry and of the icon")
set(VTR_INSTALL_PROGRAM_DIR "lib/voxtrel" CACHE INTERNAL "program folder under the prefix")
set(VTR_INSTALL_ICON_DIR "share/icons/hicolor" CACHE INTERNAL "icon theme under the prefix")

function(vtr_install_program_target target)
  cmake_parse_arguments(A "" "SUBDIR" "" ${ARGN})
  set(dir "${VTR_INSTALL_PROGRAM_DIR}")
  if(A_SUBDIR)
    set(dir "${dir}/${A_SUBDIR}")
  endif()
  install(TARGETS ${target} RUNTIME DESTINATION "${dir}" LIBRARY DESTINATION "${dir}")
endfunction()

function(vtr_install_launcher_and_entry)
  # The launcher is a relative link, made in the build tree and installed as a link.
  set(launcher "${CMAKE_BINARY_DIR}/launcher/vtr")
  file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/launcher")
  file(RELATIVE_PATH target "/prefix/bin" "/prefix/${VTR_INSTALL_PROGRAM_DIR}/vtr")
  file(CREATE_LINK "${target}" "${launcher}" SYMBOLIC)
  install(FILES "${launcher}" DESTINATION bin)

  # The entry's Exec line names the launcher under the prefix of the install itself, which is
  # known only when the install runs (`--prefix`).
  set(template "${PROJECT_SOURCE_DIR}/cmake/voxtrel.desktop.in")
  set(entry "${CMAKE_BINARY_DIR}/launcher/${VTR_DESKTOP_NAME}.desktop")
  install(CODE "
    set(VTR_DESKTOP_TEMPLATE \"${template}\")
    set(VTR_DESKTOP_ENTRY \"${entry}\")
    set(VTR_DESKTOP_ICON \"${VTR_DESKTOP_NAME}\")
  ")
  install(SCRIPT "${PROJECT_SOURCE_DIR}/cmake/install_desktop_entry.cmake")
endfunction()

function(vtr_add_install_test)
  add_test(NAME vtr_install_test
    COMMAND sh "${PROJECT_SOURCE_DIR}/cmake/install_test.sh" "${CMAKE_BINARY_DIR}" "${VTR_DIST_DIR}"
      "${VTR_DESKTOP_NAME}" "${VTR_INSTALL_PROGRAM_DIR}" "${VTR_INSTALL_ICON_DIR}")
  # 77: a tool the test needs is missing.
  set_tests_properties(vtr_install_test PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 240)
endfunction()
