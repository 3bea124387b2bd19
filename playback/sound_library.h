// Loading the outside sound libraries by name. The devices bind every entry point through a
// loader, so tests can hand them a library of their own without dlopen.
//
//   #include "outside/emulator/emulator_api.h"
//   std::unique_ptr<SoundLibrary> library = DefaultSoundLibraryLoader().Load("Qs5_EmuKmw5.dll");
//   auto* start = library ? library->Find<QsSound_StartFn>("QsSound_Start") : nullptr;
#ifndef VTR_PLAYBACK_SOUND_LIBRARY_H_
#define VTR_PLAYBACK_SOUND_LIBRARY_H_

#include <memory>
#include <string>
#include <string_view>

namespace vtr::playback {

// One loaded library; unloaded when destroyed.
class SoundLibrary {
 public:
  virtual ~SoundLibrary() = default;
  // Address of the entry point `name`, or nullptr when the library lacks it.
  virtual void* FindSymbol(const char* name) = 0;

  template <typename FunctionPointer>
  FunctionPointer Find(const char* name) {
    return reinterpret_cast<FunctionPointer>(FindSymbol(name));
  }
};

class SoundLibraryLoader {
 public:
  virtual ~SoundLibraryLoader() = default;
  // Loads the library of system name `name` (".\Qs5_EmuKmw5.dll", a full path, or a bare
  // name); nullptr when it cannot be loaded.
  virtual std::unique_ptr<SoundLibrary> Load(std::string_view name) = 0;
};

// Loads through the platform's module loader; relative names are resolved against the
// program folder, never the current directory.
SoundLibraryLoader& DefaultSoundLibraryLoader();

}  // namespace vtr::playback

#endif  // VTR_PLAYBACK_SOUND_LIBRARY_H_
