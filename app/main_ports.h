// What the main window needs from the player and from script files, as small interfaces so
// that tests can stand in for them.
#ifndef VTR_APP_MAIN_PORTS_H_
#define VTR_APP_MAIN_PORTS_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "core/script_text.h"

namespace vtr::app {

// The script player the main window plays through (ScriptPlayer's calls and results).
class PlayerPort {
 public:
  virtual ~PlayerPort() = default;
  virtual int Open(std::string_view library_path, uint32_t mode_word, int param) = 0;
  virtual int Play(void* window, int notify_id, int volume, int voice, std::string_view text) = 0;
  virtual int Stop() = 0;
  virtual int Close() = 0;
  // Language nibble of the opened player (2 J, 3 K, 4 US, 5 CN).
  virtual int language() const = 0;
};

// Reading and writing script files with their dialogs and messages.
class ScriptFilesPort {
 public:
  virtual ~ScriptFilesPort() = default;
  // 0 with `path` and `text` (and `wave_path` for a chosen wave file) set; anything else: no
  // file (the reason was shown). An empty `path` asks the user.
  virtual int OpenScriptFile(std::string& path, std::string& text, core::ScriptLanguage language,
                             bool offer_other_types, std::string* wave_path) = 0;
  // 0 with `path` set to the file written; anything else: not saved.
  virtual int SaveScriptAs(std::string& path, const std::string& script,
                           core::ScriptLanguage language, const std::string& plain_text) = 0;
};

}  // namespace vtr::app

#endif  // VTR_APP_MAIN_PORTS_H_
