// A stand-in for the intonation edit dialog as the segment confirm dialog uses it: its script
// preparation (recorded, with a result the test chooses), the stored script and volume, and a
// preview player over the in-process fake chip.
#ifndef VTR_WAVE2SCRIPT_DIALOGS_RECORD_TESTING_FAKE_HOST_H_
#define VTR_WAVE2SCRIPT_DIALOGS_RECORD_TESTING_FAKE_HOST_H_

#include <string>
#include <string_view>
#include <vector>

#include "playback/testing/fake_sound_library.h"
#include "wave2script/dialogs/record/segment_confirm_dialog.h"

namespace vtr::w2s::testing {

class FakeHost : public SegmentConfirmHost {
 public:
  struct Preparation {
    std::string text;
    int options = 0;
    int show_errors = 0;
  };

  FakeHost() : player(loader) { (void)player.Open(); }

  platform::Window* HostWindow() override { return nullptr; }
  // Adds the header like the real preparation; `prepare_result` and `too_long` as set.
  int PreprocessScript(std::string* text, int options, int show_errors,
                       int* too_long_out) override {
    preparations.push_back({*text, options, show_errors});
    *too_long_out = too_long;
    if (prepare_result != 0) return prepare_result;
    if (!std::string_view(*text).starts_with("KV#J")) text->insert(0, "KV#J");
    return 0;
  }
  void SetScriptText(std::string_view text) override {
    script = std::string(text.starts_with("KV#J") ? text.substr(4) : text);
    ++scripts_set;
  }
  int HostVolume() const override { return volume; }
  void SetHostVolume(int value) override { volume = value; }
  PreviewPlayer& HostPlayer() override { return player; }

  playback::FakeSoundLibraryLoader loader;
  PreviewPlayer player;
  std::vector<Preparation> preparations;
  int prepare_result = 0;
  int too_long = 0;
  std::string script;
  int scripts_set = 0;
  int volume = 100;
};

}  // namespace vtr::w2s::testing

#endif  // VTR_WAVE2SCRIPT_DIALOGS_RECORD_TESTING_FAKE_HOST_H_
