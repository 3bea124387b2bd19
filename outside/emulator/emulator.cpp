#include "outside/emulator/emulator.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

#include "outside/emulator/synthesiser.h"
#include "outside/emulator/voices.h"

namespace vtr::emulator {
namespace {

constexpr char kEmuInfo[] = "Voxtrel stand-in sound chip";

int32_t KnownRate(int32_t rate) {
  return rate == 22050 || rate == 32000 || rate == 44100 || rate == 48000 ? rate : 32000;
}

bool IsChannel(int32_t channel) {
  return (channel >= 0 && channel <= 15) || channel == QS_DATA_CHANNEL_VOICES;
}

std::string Call(const char* name, std::initializer_list<long long> args, int32_t result) {
  std::string line = name;
  line += '(';
  bool first = true;
  for (long long arg : args) {
    if (!first) line += ',';
    line += std::to_string(arg);
    first = false;
  }
  line += ")=" + std::to_string(result);
  return line;
}

}  // namespace

struct Emulator::Sound {
  int32_t function_id = -1;
  int32_t sound_id = -1;
  std::vector<events::EventRecord> records;
  QsEndCallback callback = nullptr;
  int32_t state = QS_STATE_LOADED;
  int32_t repeat = 1;
  int voice = 0;
  // Read by the sound thread while playing.
  std::shared_ptr<std::atomic<int>> volume = std::make_shared<std::atomic<int>>(127);
  std::map<int32_t, std::vector<uint8_t>> channel_data;
  std::map<int32_t, int32_t> values;  // the other controls, as last set
  std::unique_ptr<platform::SoundStream> stream;
  // Samples the last stream had played when it was taken away; 0 until a start has played.
  uint64_t played_before = 0;
  uint64_t generation = 0;  // raised whenever a stream is started or taken away
  // The phrase rendered at full volume for `rendered_voice`, made ready at Standby so that
  // Start only has to open the stream.
  std::shared_ptr<const std::vector<int16_t>> rendered;
  int rendered_voice = -1;
};

namespace {

std::shared_ptr<const std::vector<int16_t>> Rendered(Emulator::Sound& sound, int32_t rate) {
  if (!sound.rendered || sound.rendered_voice != sound.voice) {
    sound.rendered = std::make_shared<const std::vector<int16_t>>(
        Synthesise(sound.records, {.voice = sound.voice, .volume = 127}, rate));
    sound.rendered_voice = sound.voice;
  }
  return sound.rendered;
}

}  // namespace

Emulator::Emulator(PhraseReader reader) : reader_(std::move(reader)) {}

Emulator::~Emulator() {
  std::unique_lock lock(mutex_);
  StopAll(lock, true);
}

void Emulator::Record(std::string line) { log_.push_back(std::move(line)); }

std::vector<std::string> Emulator::log() const {
  std::lock_guard lock(mutex_);
  return log_;
}

int32_t Emulator::sample_rate() const {
  std::lock_guard lock(mutex_);
  return sample_rate_;
}

std::unique_ptr<platform::SoundStream> Emulator::DetachStream(Sound& sound) {
  ++sound.generation;
  if (sound.stream) sound.played_before = sound.stream->frames();
  return std::move(sound.stream);
}

int32_t Emulator::PositionMs(const Sound& sound) const {
  // What the output has played, not what the source has handed it: the device takes its
  // samples ahead of time, and the callers follow the sound the listener hears.
  uint64_t played = sound.stream ? sound.stream->frames() : sound.played_before;
  const uint64_t length = sound.rendered ? sound.rendered->size() : 0;
  if (sound.repeat == 0 && length > 0) {
    played %= length;  // the position within the pass now playing
  } else {
    played = std::min(played, length);
  }
  return static_cast<int32_t>(played * 1000 / static_cast<uint64_t>(sample_rate_));
}

void Emulator::StopAll(std::unique_lock<std::mutex>& lock, bool forget_functions) {
  std::vector<std::unique_ptr<platform::SoundStream>> streams;
  for (auto& [id, function] : functions_) {
    for (auto& [sid, sound] : function.sounds) {
      if (sound->state > QS_STATE_READY) sound->state = QS_STATE_READY;
      if (auto stream = DetachStream(*sound)) streams.push_back(std::move(stream));
    }
  }
  if (forget_functions) functions_.clear();
  // Streams end outside the lock: their end handler may be waiting for it.
  lock.unlock();
  streams.clear();
  lock.lock();
}

std::shared_ptr<Emulator::Sound> Emulator::FindSound(int32_t function_id, int32_t sound_id) {
  auto function = functions_.find(function_id);
  if (function == functions_.end()) return nullptr;
  auto sound = function->second.sounds.find(sound_id);
  return sound == function->second.sounds.end() ? nullptr : sound->second;
}

int32_t Emulator::EmuInitialize(int32_t sample_rate, int32_t model, int32_t setting) {
  std::lock_guard lock(mutex_);
  // A second start while up (a device of another family) keeps the library as it is.
  if (level_ == Level::kDown) {
    sample_rate_ = KnownRate(sample_rate);
    model_ = model;
    setting_ = setting;
    level_ = Level::kUp;
  }
  Record(Call("QsSound_EmuInitialize", {sample_rate, model, setting}, 0));
  return 0;
}

int32_t Emulator::EmuTerminate() {
  std::unique_lock lock(mutex_);
  StopAll(lock, true);
  level_ = Level::kDown;
  next_function_id_ = 0;
  next_sound_id_ = 1;
  sample_rate_ = 32000;
  Record(Call("QsSound_EmuTerminate", {}, 0));
  return 0;
}

int32_t Emulator::Initialize() {
  std::lock_guard lock(mutex_);
  int32_t result = level_ == Level::kDown ? -1 : 0;
  if (result == 0) level_ = Level::kInitialised;
  Record(Call("QsSound_Initialize", {}, result));
  return result;
}

int32_t Emulator::Terminate() {
  std::unique_lock lock(mutex_);
  int32_t result = -1;
  if (level_ == Level::kInitialised) {
    StopAll(lock, false);
    level_ = Level::kUp;
    result = 0;
  }
  Record(Call("QsSound_Terminate", {}, result));
  return result;
}

int32_t Emulator::GetEmuInfo(uint8_t* buffer, int32_t length) {
  std::lock_guard lock(mutex_);
  int32_t result = -1;
  if (level_ != Level::kDown && buffer != nullptr && length >= 0) {
    result = std::min<int32_t>(length, sizeof kEmuInfo);
    std::memcpy(buffer, kEmuInfo, static_cast<size_t>(result));
  }
  Record(Call("QsSound_GetEmuInfo", {length}, result));
  return result;
}

int32_t Emulator::DeviceControl(int32_t command, int32_t a, int32_t b, int32_t c) {
  std::lock_guard lock(mutex_);
  int32_t result = level_ == Level::kInitialised ? 0 : -1;
  Record(Call("QsSound_DeviceControl", {command, a, b, c}, result));
  return result;
}

int32_t Emulator::SetMidiMsg(const uint8_t* message, int32_t length) {
  std::lock_guard lock(mutex_);
  bool well_formed =
      message != nullptr && length >= 3 && message[0] == 0xF0 && message[length - 1] == 0xF7;
  int32_t result = level_ != Level::kDown && well_formed ? 0 : -1;
  std::string line = "SetMidiMsg(";
  if (message != nullptr && length > 0) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (int32_t i = 0; i < length; ++i) {
      if (i > 0) line += ' ';
      line += kHex[message[i] >> 4];
      line += kHex[message[i] & 15];
    }
  }
  Record(line + ")=" + std::to_string(result));
  return result;
}

int32_t Emulator::GetMidiMsg(uint8_t* buffer, int32_t length) {
  std::lock_guard lock(mutex_);
  // The stand-in never has a reply waiting.
  int32_t result = level_ != Level::kDown && buffer != nullptr && length >= 0 ? 0 : -1;
  Record(Call("GetMidiMsg", {length}, result));
  return result;
}

int32_t Emulator::Create(int32_t kind) {
  std::lock_guard lock(mutex_);
  int32_t result = -1;
  if (level_ == Level::kInitialised && kind >= 9 && kind <= 17) {
    result = next_function_id_++;
    functions_[result].kind = kind;
  }
  Record(Call("QsSound_Create", {kind}, result));
  return result;
}

int32_t Emulator::Delete(int32_t function_id) {
  std::unique_lock lock(mutex_);
  int32_t result = -1;
  auto function = functions_.find(function_id);
  std::vector<std::unique_ptr<platform::SoundStream>> streams;
  if (function != functions_.end()) {
    for (auto& [sid, sound] : function->second.sounds) {
      if (auto stream = DetachStream(*sound)) streams.push_back(std::move(stream));
    }
    functions_.erase(function);
    result = 0;
  }
  Record(Call("QsSound_Delete", {function_id}, result));
  lock.unlock();
  return result;  // `streams` ends after the lock is released
}

int32_t Emulator::Load(int32_t function_id, const uint8_t* data, int32_t length, int32_t mode,
                       QsEndCallback callback, const void* extra) {
  std::lock_guard lock(mutex_);
  int32_t result = -1;
  auto function = functions_.find(function_id);
  if (level_ == Level::kInitialised && function != functions_.end() && data != nullptr &&
      length >= 4 && length <= kMaxPlayTextBytes) {
    auto records = reader_(std::span(data, static_cast<size_t>(length)));
    if (records) {
      auto sound = std::make_shared<Sound>();
      sound->function_id = function_id;
      sound->sound_id = next_sound_id_++;
      sound->records = std::move(*records);
      sound->callback = callback;
      function->second.sounds[sound->sound_id] = sound;
      result = sound->sound_id;
    }
  }
  Record(Call("QsSound_Load", {function_id, length, mode, callback != nullptr, extra != nullptr},
              result));
  return result;
}

int32_t Emulator::Control(int32_t function_id, int32_t sound_id, int32_t control, void* block,
                          int32_t extra) {
  std::lock_guard lock(mutex_);
  int32_t result = -1;
  long long logged_value = -1;
  std::shared_ptr<Sound> sound = FindSound(function_id, sound_id);
  if (control == QS_CONTROL_STATE) {
    if (functions_.count(function_id) != 0) result = sound ? sound->state : QS_STATE_NONE;
  } else if (control == QS_CONTROL_POSITION) {
    // A question: the block, when given, is neither read nor written.
    if (sound && sound->state >= QS_STATE_READY) result = PositionMs(*sound);
  } else if (sound && block != nullptr) {
    if (control == QS_CONTROL_DATA) {
      const auto* data = static_cast<const QsDataBlock*>(block);
      logged_value = data->channel;
      if (IsChannel(data->channel) && data->length >= 0) {
        if (data->data == nullptr) {
          sound->channel_data.erase(data->channel);
        } else {
          sound->channel_data[data->channel].assign(data->data, data->data + data->length);
        }
        result = 0;
      }
    } else {
      int value = static_cast<const QsValueBlock*>(block)->value;
      logged_value = value;
      switch (control) {
        case QS_CONTROL_VOLUME:
          if (value <= 127) {
            sound->volume->store(value);
            result = 0;
          }
          break;
        case QS_CONTROL_VOICE:
          // A voice with bit 7 names an extended voice of the channel data; it plays the
          // built-in voice of its low bits.
          if ((value & 0x80) != 0 || value < kVoiceCount) {
            sound->voice = value & 0x0F;
            result = 0;
          }
          break;
        case QS_CONTROL_1:
        case QS_CONTROL_2:
        case QS_CONTROL_LENGTH:
        case QS_CONTROL_7:
        case QS_CONTROL_8:
        case QS_CONTROL_RANGE_START:
        case QS_CONTROL_RANGE_END:
          sound->values[control] = value;
          result = 0;
          break;
        default:
          break;
      }
    }
  }
  Record(Call("QsSound_Control", {function_id, sound_id, control, logged_value, extra}, result));
  return result;
}

int32_t Emulator::Open(int32_t function_id, int32_t sound_id, int32_t a, int32_t b) {
  std::lock_guard lock(mutex_);
  std::shared_ptr<Sound> sound = FindSound(function_id, sound_id);
  int32_t result = -1;
  if (sound && sound->state == QS_STATE_LOADED) {
    sound->state = QS_STATE_OPENED;
    result = 0;
  }
  Record(Call("QsSound_Open", {function_id, sound_id, a, b}, result));
  return result;
}

int32_t Emulator::Standby(int32_t function_id, int32_t sound_id, int32_t a) {
  std::lock_guard lock(mutex_);
  std::shared_ptr<Sound> sound = FindSound(function_id, sound_id);
  int32_t result = -1;
  if (sound && sound->state == QS_STATE_OPENED) {
    (void)Rendered(*sound, sample_rate_);
    sound->played_before = 0;
    sound->state = QS_STATE_READY;
    result = 0;
  }
  Record(Call("QsSound_Standby", {function_id, sound_id, a}, result));
  return result;
}

int32_t Emulator::Seek(int32_t function_id, int32_t sound_id, int32_t position, int32_t a) {
  std::lock_guard lock(mutex_);
  std::shared_ptr<Sound> sound = FindSound(function_id, sound_id);
  // Phrases always start from their beginning; only that position is accepted.
  int32_t result = sound && position == 0 && sound->state <= QS_STATE_READY ? 0 : -1;
  Record(Call("QsSound_Seek", {function_id, sound_id, position, a}, result));
  return result;
}

int32_t Emulator::Start(int32_t function_id, int32_t sound_id, int32_t repeat, int32_t a) {
  std::vector<std::unique_ptr<platform::SoundStream>> finished;  // ends after the lock
  std::unique_lock lock(mutex_);
  std::shared_ptr<Sound> sound = FindSound(function_id, sound_id);
  int32_t result = -1;
  if (sound && sound->state == QS_STATE_READY) {
    if (auto old = DetachStream(*sound)) finished.push_back(std::move(old));
    auto samples = Rendered(*sound, sample_rate_);
    auto volume = sound->volume;
    const bool loop = repeat == 0;
    auto next = std::make_shared<size_t>(0);
    platform::SoundSource source = [samples, volume, loop, next](std::span<int16_t> out) {
      const int gain = volume->load();
      size_t written = 0;
      while (written < out.size() && !samples->empty()) {
        if (*next >= samples->size()) {
          if (!loop) break;
          *next = 0;
        }
        size_t n = std::min(out.size() - written, samples->size() - *next);
        for (size_t i = 0; i < n; ++i) {
          out[written + i] = static_cast<int16_t>((*samples)[*next + i] * gain / 127);
        }
        written += n;
        *next += n;
      }
      return written;
    };
    uint64_t generation = sound->generation;
    std::weak_ptr<Sound> weak = sound;
    auto opened = platform::CurrentSoundSystem().OpenOutput(sample_rate_, std::move(source),
                                                            [this, weak, generation] {
                                                              if (auto alive = weak.lock())
                                                                OnPhraseEnd(alive, generation);
                                                            });
    if (opened.ok()) {
      sound->stream = std::move(opened.stream);
      sound->played_before = 0;
      sound->repeat = repeat;
      sound->state = loop ? QS_STATE_PLAYING_LOOP : QS_STATE_PLAYING;
      result = 0;
    }
  }
  Record(Call("QsSound_Start", {function_id, sound_id, repeat, a}, result));
  return result;
}

void Emulator::OnPhraseEnd(const std::shared_ptr<Sound>& sound, uint64_t generation) {
  QsEndCallback callback = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (sound->generation != generation || sound->state <= QS_STATE_READY) return;
    sound->state = QS_STATE_READY;
    if (sound->repeat != 0) callback = sound->callback;
    Record("end of phrase " + std::to_string(sound->sound_id));
  }
  if (callback != nullptr) callback(QS_EVENT_END);
}

int32_t Emulator::Pause(int32_t function_id, int32_t sound_id, int32_t a) {
  std::lock_guard lock(mutex_);
  // Not offered by the stand-in.
  Record(Call("QsSound_Pause", {function_id, sound_id, a}, -1));
  return -1;
}

int32_t Emulator::Restart(int32_t function_id, int32_t sound_id, int32_t a) {
  std::lock_guard lock(mutex_);
  Record(Call("QsSound_Restart", {function_id, sound_id, a}, -1));
  return -1;
}

int32_t Emulator::Stop(int32_t function_id, int32_t sound_id, int32_t a) {
  std::vector<std::unique_ptr<platform::SoundStream>> finished;
  std::unique_lock lock(mutex_);
  std::shared_ptr<Sound> sound = FindSound(function_id, sound_id);
  int32_t result = -1;
  if (sound) {
    if (sound->state > QS_STATE_READY) {
      sound->state = QS_STATE_READY;
      result = 0;
    }
    // Also takes away a stream that has just ended, so that its end handler is over when
    // Stop returns.
    if (auto stream = DetachStream(*sound)) finished.push_back(std::move(stream));
  }
  Record(Call("QsSound_Stop", {function_id, sound_id, a}, result));
  lock.unlock();
  return result;
}

int32_t Emulator::Close(int32_t function_id, int32_t sound_id, int32_t a) {
  std::vector<std::unique_ptr<platform::SoundStream>> finished;
  std::unique_lock lock(mutex_);
  std::shared_ptr<Sound> sound = FindSound(function_id, sound_id);
  int32_t result = -1;
  if (sound && (sound->state == QS_STATE_OPENED || sound->state == QS_STATE_READY)) {
    if (auto stream = DetachStream(*sound)) finished.push_back(std::move(stream));
    sound->state = QS_STATE_LOADED;
    result = 0;
  }
  Record(Call("QsSound_Close", {function_id, sound_id, a}, result));
  lock.unlock();
  return result;
}

int32_t Emulator::Unload(int32_t function_id, int32_t sound_id, int32_t a) {
  std::lock_guard lock(mutex_);
  std::shared_ptr<Sound> sound = FindSound(function_id, sound_id);
  int32_t result = -1;
  if (sound && sound->state == QS_STATE_LOADED) {
    functions_[function_id].sounds.erase(sound_id);
    result = 0;
  }
  Record(Call("QsSound_Unload", {function_id, sound_id, a}, result));
  return result;
}

int32_t Emulator::Generate(int32_t function_id, int32_t sound_id, int16_t* samples,
                           int32_t capacity) {
  std::lock_guard lock(mutex_);
  std::shared_ptr<Sound> sound = FindSound(function_id, sound_id);
  int32_t result = -1;
  if (sound && capacity >= 0) {
    if (samples == nullptr) {
      result = static_cast<int32_t>(PhraseSamples(sound->records, sample_rate_));
    } else {
      std::vector<int16_t> pcm = Synthesise(
          sound->records, {.voice = sound->voice, .volume = sound->volume->load()}, sample_rate_);
      result = static_cast<int32_t>(std::min<size_t>(pcm.size(), static_cast<size_t>(capacity)));
      std::copy_n(pcm.begin(), result, samples);
    }
  }
  Record(Call("QsSound_Generate", {function_id, sound_id, capacity}, result));
  return result;
}

}  // namespace vtr::emulator
