#include "playback/sound_library.h"

#include "platform/module.h"
#include "platform/paths.h"

namespace vtr::playback {
namespace {

class ModuleLibrary final : public SoundLibrary {
 public:
  explicit ModuleLibrary(platform::Module module) : module_(std::move(module)) {}
  void* FindSymbol(const char* name) override { return module_.FindSymbol(name); }

 private:
  platform::Module module_;
};

class ModuleLoader final : public SoundLibraryLoader {
 public:
  std::unique_ptr<SoundLibrary> Load(std::string_view name) override {
    platform::Module module;
    if (!module.Load(name, platform::ProgramFolder())) return nullptr;
    return std::make_unique<ModuleLibrary>(std::move(module));
  }
};

}  // namespace

SoundLibraryLoader& DefaultSoundLibraryLoader() {
  static ModuleLoader loader;
  return loader;
}

}  // namespace vtr::playback
