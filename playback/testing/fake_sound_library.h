// A recording fake of the outside sound libraries for the playback tests: the stand-in chip
// run in-process behind the same entry-point table, without dlopen. Entry points can be made
// to fail or to be missing; every call is logged by the chip.
#ifndef VTR_PLAYBACK_TESTING_FAKE_SOUND_LIBRARY_H_
#define VTR_PLAYBACK_TESTING_FAKE_SOUND_LIBRARY_H_

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "outside/emulator/emulator.h"
#include "outside/emulator/middleware.h"
#include "playback/sound_library.h"

namespace vtr::playback {

// Every phrase the fake loads lasts 100 ms: 3200 samples at 32000 Hz.
inline constexpr size_t kFakePhraseSamples = 3200;

class FakeSoundLibraryLoader final : public SoundLibraryLoader {
 public:
  // Starts a fresh chip; only one fake loader may live at a time.
  FakeSoundLibraryLoader();
  ~FakeSoundLibraryLoader() override;

  std::unique_ptr<SoundLibrary> Load(std::string_view name) override;

  // The chip's calls, without the state queries (control 6).
  std::vector<std::string> Trace() const;
  void ClearTrace();
  emulator::Emulator& chip();

  std::set<std::string> failing;  // entry points that answer -1
  std::set<std::string> missing;  // entry points the library lacks
  bool fail_load = false;
  std::vector<std::string> loaded_names;
  int libraries_alive() const;
};

}  // namespace vtr::playback

#endif  // VTR_PLAYBACK_TESTING_FAKE_SOUND_LIBRARY_H_
