#include "playback/testing/fake_sound_library.h"

#include <map>
#include <optional>

namespace vtr::playback {
namespace {

struct FakeState {
  std::unique_ptr<emulator::Emulator> chip;
  std::unique_ptr<emulator::Middleware> kmw;
  FakeSoundLibraryLoader* loader = nullptr;
  size_t trace_start = 0;
  int alive = 0;
};
FakeState state;

std::optional<std::vector<events::EventRecord>> FixedPhrase(std::span<const uint8_t> text) {
  std::string tag(text.begin(), text.begin() + 4);
  if (tag != "KV#J" && tag != "KV#K" && tag != "KV#C") return std::nullopt;
  events::EventRecord note;
  note.kind = events::RecordKind::kNote;
  note.value = 69;
  note.velocity = 100;
  note.duration = 5;
  note.text = {'a'};
  events::EventRecord end;
  end.kind = events::RecordKind::kEnd;
  end.delta = 5;
  return std::vector{note, end};
}

bool Fails(const char* name) { return state.loader->failing.count(name) != 0; }
emulator::Emulator& Chip() { return *state.chip; }
emulator::Middleware& Kmw() { return *state.kmw; }

// The entry points, each answering -1 when the test makes it fail.
const std::map<std::string, void*>& EntryPoints() {
  using I = int32_t;
  // clang-format off
  static const std::map<std::string, void*> table = {
      {"QsSound_EmuInitialize", reinterpret_cast<void*>(+[](I r, I m, I s) -> I {
         return Fails("QsSound_EmuInitialize") ? -1 : Chip().EmuInitialize(r, m, s);
       })},
      {"QsSound_EmuTerminate", reinterpret_cast<void*>(+[]() -> I {
         return Fails("QsSound_EmuTerminate") ? -1 : Chip().EmuTerminate();
       })},
      {"QsSound_Initialize", reinterpret_cast<void*>(+[]() -> I {
         return Fails("QsSound_Initialize") ? -1 : Chip().Initialize();
       })},
      {"QsSound_Terminate", reinterpret_cast<void*>(+[]() -> I {
         return Fails("QsSound_Terminate") ? -1 : Chip().Terminate();
       })},
      {"QsSound_GetEmuInfo", reinterpret_cast<void*>(+[](uint8_t* b, I n) -> I {
         return Chip().GetEmuInfo(b, n);
       })},
      {"SetMidiMsg", reinterpret_cast<void*>(+[](const uint8_t* m, I n) -> I {
         return Fails("SetMidiMsg") ? -1 : Chip().SetMidiMsg(m, n);
       })},
      {"GetMidiMsg", reinterpret_cast<void*>(+[](uint8_t* b, I n) -> I {
         return Chip().GetMidiMsg(b, n);
       })},
      {"QsSound_Generate", reinterpret_cast<void*>(+[](I f, I s, int16_t* p, I n) -> I {
         return Chip().Generate(f, s, p, n);
       })},
      {"QsSound_DeviceControl", reinterpret_cast<void*>(+[](I c, I a, I b, I d) -> I {
         return Fails("QsSound_DeviceControl") ? -1 : Chip().DeviceControl(c, a, b, d);
       })},
      {"QsSound_Create", reinterpret_cast<void*>(+[](I k) -> I {
         return Fails("QsSound_Create") ? -1 : Chip().Create(k);
       })},
      {"QsSound_Delete", reinterpret_cast<void*>(+[](I f) -> I {
         return Fails("QsSound_Delete") ? -1 : Chip().Delete(f);
       })},
      {"QsSound_Load",
       reinterpret_cast<void*>(+[](I f, const uint8_t* d, I n, I m, QsEndCallback c,
                                   const void* e) -> I {
         return Fails("QsSound_Load") ? -1 : Chip().Load(f, d, n, m, c, e);
       })},
      {"QsSound_Control", reinterpret_cast<void*>(+[](I f, I s, I c, void* b, I e) -> I {
         return Fails("QsSound_Control") && c != QS_CONTROL_STATE ? -1
                                                                   : Chip().Control(f, s, c, b, e);
       })},
      {"QsSound_Open", reinterpret_cast<void*>(+[](I f, I s, I a, I b) -> I {
         return Fails("QsSound_Open") ? -1 : Chip().Open(f, s, a, b);
       })},
      {"QsSound_Standby", reinterpret_cast<void*>(+[](I f, I s, I a) -> I {
         return Fails("QsSound_Standby") ? -1 : Chip().Standby(f, s, a);
       })},
      {"QsSound_Seek", reinterpret_cast<void*>(+[](I f, I s, I p, I a) -> I {
         return Chip().Seek(f, s, p, a);
       })},
      {"QsSound_Start", reinterpret_cast<void*>(+[](I f, I s, I r, I a) -> I {
         return Fails("QsSound_Start") ? -1 : Chip().Start(f, s, r, a);
       })},
      {"QsSound_Pause", reinterpret_cast<void*>(+[](I f, I s, I a) -> I {
         return Chip().Pause(f, s, a);
       })},
      {"QsSound_Restart", reinterpret_cast<void*>(+[](I f, I s, I a) -> I {
         return Chip().Restart(f, s, a);
       })},
      {"QsSound_Stop", reinterpret_cast<void*>(+[](I f, I s, I a) -> I {
         return Chip().Stop(f, s, a);
       })},
      {"QsSound_Close", reinterpret_cast<void*>(+[](I f, I s, I a) -> I {
         return Chip().Close(f, s, a);
       })},
      {"QsSound_Unload", reinterpret_cast<void*>(+[](I f, I s, I a) -> I {
         return Chip().Unload(f, s, a);
       })},
      {"Qsapi_EmuInitialize",
       reinterpret_cast<void*>(+[](I a, const uint8_t* s, I b, I c, I d, I e) -> I {
         return Fails("Qsapi_EmuInitialize") ? -1 : Kmw().EmuInitialize(a, s, b, c, d, e);
       })},
      {"Qsapi_EmuTerminate", reinterpret_cast<void*>(+[]() -> I { return Kmw().EmuTerminate(); })},
      {"QsKmw_AtMgrInit", reinterpret_cast<void*>(+[]() -> I { return Kmw().AtMgrInit(); })},
      {"QsKmw_AtMgrSetInfo", reinterpret_cast<void*>(+[](I v, I r, I a, I s) -> I {
         return Kmw().AtMgrSetInfo(v, r, a, s);
       })},
      {"QsKmw_AtMgrTerm", reinterpret_cast<void*>(+[]() -> I { return Kmw().AtMgrTerm(); })},
      {"QsKmw_Init", reinterpret_cast<void*>(+[]() -> I { return Kmw().Init(); })},
      {"QsKmw_Term", reinterpret_cast<void*>(+[]() -> I { return Kmw().Term(); })},
      {"QsKmw_Open", reinterpret_cast<void*>(+[](I h, const QsKmwOpenRecord* r) -> I {
         return Fails("QsKmw_Open") ? -1 : Kmw().Open(h, r);
       })},
      {"QsKmw_Ctrl",
       reinterpret_cast<void*>(+[](I h, I c, I a, I b, const uint8_t* d, I n) -> I {
         return Kmw().Ctrl(h, c, a, b, d, n);
       })},
      {"QsKmw_DevCtrl", reinterpret_cast<void*>(+[](I c, I a, I b, I d) -> I {
         return Kmw().DevCtrl(c, a, b, d);
       })},
      {"QsKmw_Seek", reinterpret_cast<void*>(+[](I h, I a, const QsKmwSeekRecord* r) -> I {
         return Kmw().Seek(h, a, r);
       })},
      {"QsKmw_Start", reinterpret_cast<void*>(+[](I h, I a) -> I {
         return Fails("QsKmw_Start") ? -1 : Kmw().Start(h, a);
       })},
      {"QsKmw_Stop", reinterpret_cast<void*>(+[](I h) -> I { return Kmw().Stop(h); })},
      {"QsKmw_Close", reinterpret_cast<void*>(+[](I h) -> I { return Kmw().Close(h); })},
      {"QsKmw_Unload", reinterpret_cast<void*>(+[](I h) -> I { return Kmw().Unload(h); })},
  };
  // clang-format on
  return table;
}

class FakeLibrary final : public SoundLibrary {
 public:
  FakeLibrary() { ++state.alive; }
  ~FakeLibrary() override { --state.alive; }
  void* FindSymbol(const char* name) override {
    if (state.loader->missing.count(name) != 0) return nullptr;
    auto it = EntryPoints().find(name);
    return it == EntryPoints().end() ? nullptr : it->second;
  }
};

}  // namespace

FakeSoundLibraryLoader::FakeSoundLibraryLoader() {
  state.chip = std::make_unique<emulator::Emulator>(FixedPhrase);
  state.kmw = std::make_unique<emulator::Middleware>(*state.chip);
  state.loader = this;
  state.trace_start = 0;
}

FakeSoundLibraryLoader::~FakeSoundLibraryLoader() {
  state.kmw.reset();
  state.chip.reset();
  state.loader = nullptr;
}

std::unique_ptr<SoundLibrary> FakeSoundLibraryLoader::Load(std::string_view name) {
  loaded_names.emplace_back(name);
  if (fail_load) return nullptr;
  return std::make_unique<FakeLibrary>();
}

std::vector<std::string> FakeSoundLibraryLoader::Trace() const {
  std::vector<std::string> trace;
  std::vector<std::string> log = state.chip->log();
  for (size_t i = state.trace_start; i < log.size(); ++i) {
    // QsSound_Control(fid,sid,6,...): the state queries
    size_t first = log[i].find(',');
    size_t second = first == std::string::npos ? first : log[i].find(',', first + 1);
    bool query = log[i].rfind("QsSound_Control(", 0) == 0 && second != std::string::npos &&
                 log[i].compare(second, 3, ",6,") == 0;
    if (!query) trace.push_back(log[i]);
  }
  return trace;
}

void FakeSoundLibraryLoader::ClearTrace() { state.trace_start = state.chip->log().size(); }

emulator::Emulator& FakeSoundLibraryLoader::chip() { return *state.chip; }

int FakeSoundLibraryLoader::libraries_alive() const { return state.alive; }

}  // namespace vtr::playback
