# Part of the install (see VoxtrelInstall.cmake): writes the desktop entry with its Exec line
# naming the launcher under the prefix being installed to, and installs it. Set before it runs:
# VTR_DESKTOP_TEMPLATE, VTR_DESKTOP_ENTRY (where the entry is written first), VTR_DESKTOP_ICON.

# The launcher's path as one quoted argument of an Exec line: inside the quotes ", `, $ and \
# take a backslash; then every backslash of the line is written twice, as in any string value of
# an entry, and a % is written twice as it is no field code.
set(exec "${CMAKE_INSTALL_PREFIX}/bin/vtr")
string(REPLACE "\\" "\\\\" exec "${exec}")
foreach(special "\"" "`" "$")
  string(REPLACE "${special}" "\\${special}" exec "${exec}")
endforeach()
string(REPLACE "\\" "\\\\" exec "${exec}")
string(REPLACE "%" "%%" exec "${exec}")
set(VTR_DESKTOP_EXEC "\"${exec}\"")

configure_file("${VTR_DESKTOP_TEMPLATE}" "${VTR_DESKTOP_ENTRY}" @ONLY)
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}/share/applications" TYPE FILE FILES "${VTR_DESKTOP_ENTRY}")
