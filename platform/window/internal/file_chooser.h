// What the FLTK backend hands to FLTK's file chooser, worked out from the caller's request
// without FLTK so that it can be checked without a display. Layer internal.
//
//   #include <FL/Fl_Native_File_Chooser.H>
//   // given: FileDialogRequest request; Fl_Native_File_Chooser chooser
//   const ChooserStart start = ChooserStartOf(request, std::filesystem::current_path());
//   chooser.filter(FltkFilterText(request.filters).c_str());
//   if (!start.folder.empty()) chooser.directory(start.folder.c_str());
//   if (!start.file.empty()) chooser.preset_file(start.file.c_str());
#ifndef VTR_PLATFORM_WINDOW_INTERNAL_FILE_CHOOSER_H_
#define VTR_PLATFORM_WINDOW_INTERNAL_FILE_CHOOSER_H_

#include <filesystem>
#include <string>
#include <vector>

#include "platform/window/window_system.h"

namespace vtr::platform::internal {

// FLTK's filter text: one "name\twildcard\n" line per caller filter, in the caller's order, so
// FLTK's 0-based filter number is the caller's 1-based index minus one.
//
// Both of FLTK's choosers (its own and the GTK one) show a filter as name + "(" + wildcard + ")"
// and read the wildcard back from the first parenthesis of that text. So the name is the
// caller's label without its trailing "(pattern)" part (FLTK puts the wildcard there again),
// followed by a space when the label had none there, and any other parenthesis of the label
// becomes a bracket. Tabs and line breaks become spaces. A label that is only a pattern gives an
// empty name (FLTK then shows "(wildcard)").
//
// The wildcard joins the caller's ";"-separated patterns: "*.kvx" stays, "*.kvx;*.txt" becomes
// "*.{kvx,txt}", other lists become "{a,b}"; "*", "*.*" or no pattern at all become "*".
[[nodiscard]] std::string FltkFilterText(const std::vector<FileFilter>& filters);

// Where the chooser opens and the name it proposes, both absolute.
struct ChooserStart {
  std::string folder;  // empty only when neither the request nor the caller knows one
  std::string file;    // empty: no name proposed
};

// The request's folder, or `current_folder` when it gives none (relative folders are taken
// from `current_folder`). A proposed name is resolved in that folder; when it brings a folder of
// its own ("/songs/a.kvx"), the chooser opens there, as the proposed file's folder is where it
// would be saved.
[[nodiscard]] ChooserStart ChooserStartOf(const FileDialogRequest& request,
                                          const std::filesystem::path& current_folder);

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_WINDOW_INTERNAL_FILE_CHOOSER_H_
