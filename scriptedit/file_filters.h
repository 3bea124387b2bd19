// The filter lists of the script Open and Save-As dialogs and the extension rules applied to
// the chosen name.
//
//   std::vector<platform::FileFilter> filters = {kScriptFilter, kTextFilter};
//   FilterString(filters);           // "Kelvox File (*.kvx)|*.kvx|Text file (*.txt)|*.txt||"
//   WithExtension("song.t", "kvx");  // "song.kvx"
#ifndef VTR_SCRIPTEDIT_FILE_FILTERS_H_
#define VTR_SCRIPTEDIT_FILE_FILTERS_H_

#include <string>
#include <string_view>
#include <vector>

#include "platform/window/window_system.h"

namespace vtr::scriptedit {

inline const platform::FileFilter kScriptFilter{"Kelvox File (*.kvx)", "*.kvx"};
inline const platform::FileFilter kWaveFilter{"音声ファイル (*.wav)", "*.wav"};
inline const platform::FileFilter kTextFilter{"Text file (*.txt)", "*.txt"};

inline constexpr std::string_view kScriptExtension = "kvx";
inline constexpr std::string_view kTextExtension = "txt";
inline constexpr std::string_view kWaveExtension = "wav";

// The filter of a plug-in: "<description> (*.<extension>)" and "*.<extension>". A "|" in the
// description becomes a space, so it cannot split the filter list.
platform::FileFilter PluginFilter(std::string_view description, std::string_view extension);

// The filter list written the classic way: "<description>|<patterns>|" per filter, then "|".
std::string FilterString(const std::vector<platform::FileFilter>& filters);

// True when `a` and `b` are equal with ASCII letters compared without case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Extension of the file-name part of `path` without its dot ("a.b/song.kvx" -> "kvx").
std::string ExtensionOf(std::string_view path);

// `path` ending in ".<extension>": kept when its extension already is `extension` (any case),
// else what follows the last "." of the file-name part is replaced, or ".<extension>" is
// appended when there is none ("song.t" -> "song.kvx", "song" -> "song.kvx").
std::string WithExtension(std::string_view path, std::string_view extension);

// True when the last four characters of `path` are "." and `extension` (any case).
bool EndsWithExtension(std::string_view path, std::string_view extension);

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_FILE_FILTERS_H_
