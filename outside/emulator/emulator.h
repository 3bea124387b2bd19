// The stand-in sound chip: library life cycle, sound functions, per-sound states and the
// playing of phrases through the platform's sound output.
//
// One Emulator object stands behind the exported entry points of the library (see
// emulator_api.h for the call order). Each method returns what its entry point returns. A
// phrase is read into voice events at Load, synthesised at Start with the sound's voice and
// played; the volume acts at once, even while playing. When a phrase started with repeat 1
// has played to its end, the sound goes back to ready and the end callback is called once with
// QS_EVENT_END, on the sound thread, with no lock held.
//
// QS_CONTROL_POSITION answers, from ready on, how far the output has played the phrase [ms
// from its start]: 0 before the start, the position within the current pass of a loop, and
// after an end or a stop the position reached (the phrase's length after an end). It reads the
// played count of the sound stream under the chip's lock, so a stream must not wait for that
// lock inside its frames().
//
//   // given: PhraseReader ReadPlayText; const uint8_t* text; int32_t length
//   // given: QsEndCallback callback
//   Emulator chip(ReadPlayText);
//   chip.EmuInitialize(32000, 5, 129);
//   chip.Initialize();
//   int fid = chip.Create(9);
//   int sid = chip.Load(fid, text, length, 1, callback, nullptr);
//   chip.Open(fid, sid, 0, 0);
//   chip.Standby(fid, sid, 0);
//   chip.Start(fid, sid, 1, 0);
#ifndef VTR_OUTSIDE_EMULATOR_EMULATOR_H_
#define VTR_OUTSIDE_EMULATOR_EMULATOR_H_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engines/events/stream_reader.h"
#include "outside/emulator/emulator_api.h"
#include "platform/sound/sound_system.h"

namespace vtr::emulator {

// Reads a play text (header tag and body) into its voice events; nullopt when it cannot.
using PhraseReader =
    std::function<std::optional<std::vector<events::EventRecord>>(std::span<const uint8_t>)>;

// Longest play text the chip accepts [bytes]; the callers send at most 32000.
inline constexpr int32_t kMaxPlayTextBytes = 65536;

class Emulator {
 public:
  explicit Emulator(PhraseReader reader);
  ~Emulator();
  Emulator(const Emulator&) = delete;
  Emulator& operator=(const Emulator&) = delete;

  int32_t EmuInitialize(int32_t sample_rate, int32_t model, int32_t setting);
  int32_t EmuTerminate();
  int32_t Initialize();
  int32_t Terminate();
  int32_t GetEmuInfo(uint8_t* buffer, int32_t length);
  int32_t DeviceControl(int32_t command, int32_t a, int32_t b, int32_t c);
  int32_t SetMidiMsg(const uint8_t* message, int32_t length);
  int32_t GetMidiMsg(uint8_t* buffer, int32_t length);

  int32_t Create(int32_t kind);
  int32_t Delete(int32_t function_id);
  int32_t Load(int32_t function_id, const uint8_t* data, int32_t length, int32_t mode,
               QsEndCallback callback, const void* extra);
  int32_t Control(int32_t function_id, int32_t sound_id, int32_t control, void* block,
                  int32_t extra);
  int32_t Open(int32_t function_id, int32_t sound_id, int32_t a, int32_t b);
  int32_t Standby(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Seek(int32_t function_id, int32_t sound_id, int32_t position, int32_t a);
  int32_t Start(int32_t function_id, int32_t sound_id, int32_t repeat, int32_t a);
  int32_t Pause(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Restart(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Stop(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Close(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Unload(int32_t function_id, int32_t sound_id, int32_t a);
  int32_t Generate(int32_t function_id, int32_t sound_id, int16_t* samples, int32_t capacity);

  // For tests: every call so far, one line each ("QsSound_Start(0,1,1,0)=0").
  std::vector<std::string> log() const;
  int32_t sample_rate() const;

 private:
  enum class Level { kDown, kUp, kInitialised };

 public:
  struct Sound;  // one loaded phrase

 private:
  struct Function {
    int32_t kind = 0;
    std::map<int32_t, std::shared_ptr<Sound>> sounds;
  };

  std::shared_ptr<Sound> FindSound(int32_t function_id, int32_t sound_id);
  // Detaches the stream of `sound` under the lock; the caller stops it after unlocking.
  std::unique_ptr<platform::SoundStream> DetachStream(Sound& sound);
  // The play position of `sound` [ms from the start of its phrase]; the lock is held.
  [[nodiscard]] int32_t PositionMs(const Sound& sound) const;
  void OnPhraseEnd(const std::shared_ptr<Sound>& sound, uint64_t generation);
  void Record(std::string line);
  // Ends every stream of the library, without callbacks, and clears what `clear` says.
  void StopAll(std::unique_lock<std::mutex>& lock, bool forget_functions);

  PhraseReader reader_;
  mutable std::mutex mutex_;
  Level level_ = Level::kDown;
  int32_t sample_rate_ = 32000;
  int32_t model_ = 0;
  int32_t setting_ = 0;
  int32_t next_function_id_ = 0;
  int32_t next_sound_id_ = 1;  // never 0, so that any reading of the Load result agrees
  std::map<int32_t, Function> functions_;
  std::vector<std::string> log_;
};

}  // namespace vtr::emulator

#endif  // VTR_OUTSIDE_EMULATOR_EMULATOR_H_
