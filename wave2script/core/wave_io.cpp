#include "wave2script/core/wave_io.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <span>
#include <system_error>
#include <utility>
#include <vector>

#include "engines/riff/wave_format.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/sound/sound_system.h"
#include "playback/command_poster.h"
#include "wave2script/core/wave_file.h"

namespace vtr::w2s {
namespace {

// Bytes still queued at the device while playing: the position leaves them out.
constexpr uint32_t kPlayQueuedBytes = kWavePlaySlots * kWavePlayBlockBytes;

struct Slot {
  std::vector<uint8_t> data;
  size_t length = 0;  // playing: bytes to play; recording: bytes recorded
};

// The blocks handed to the device, shared between the UI thread and the sound thread. The
// sound thread touches only the queued blocks; a block it has finished moves to `done` and is
// announced to the window, which takes it back through WaveIO_OnMessage.
struct Rotation {
  std::mutex mutex;
  std::vector<Slot>* slots = nullptr;
  std::deque<int> queued;
  size_t front_offset = 0;  // bytes of the front block already played or recorded
  std::vector<int> done;
  void* window = nullptr;
  int message = 0;

  void Announce(int count) {
    for (int i = 0; i < count; ++i) playback::PostCommandToWindow(window, message);
  }

  // Fills `out` from the queued blocks; silence when none is queued (the device idles).
  size_t Play(std::span<int16_t> out) {
    int finished = 0;
    {
      std::lock_guard lock(mutex);
      size_t n = 0;
      while (n < out.size() && !queued.empty()) {
        Slot& slot = (*slots)[queued.front()];
        const size_t samples = (slot.length - front_offset) / 2;
        const size_t take = std::min(samples, out.size() - n);
        for (size_t i = 0; i < take; ++i) {
          const size_t at = front_offset + 2 * i;
          out[n + i] = static_cast<int16_t>(slot.data[at] | slot.data[at + 1] << 8);
        }
        n += take;
        front_offset += 2 * take;
        if (slot.length - front_offset < 2) {
          done.push_back(queued.front());
          queued.pop_front();
          front_offset = 0;
          ++finished;
        }
      }
      std::fill(out.begin() + static_cast<std::ptrdiff_t>(n), out.end(), int16_t{0});
    }
    Announce(finished);
    return out.size();
  }

  // Stores recorded samples in the queued blocks; without a queued block they are lost, as on
  // a device whose buffers all wait for the window.
  void Record(std::span<const int16_t> in) {
    int finished = 0;
    {
      std::lock_guard lock(mutex);
      for (int16_t sample : in) {
        if (queued.empty()) break;
        Slot& slot = (*slots)[queued.front()];
        slot.data[slot.length] = static_cast<uint8_t>(sample);
        slot.data[slot.length + 1] = static_cast<uint8_t>(static_cast<uint16_t>(sample) >> 8);
        slot.length += 2;
        if (slot.length >= slot.data.size()) {
          done.push_back(queued.front());
          queued.pop_front();
          ++finished;
        }
      }
    }
    Announce(finished);
  }

  std::vector<int> TakeDone() {
    std::lock_guard lock(mutex);
    return std::exchange(done, {});
  }

  void Queue(int slot) {
    std::lock_guard lock(mutex);
    queued.push_back(slot);
  }

  // Every block comes back, the queued ones in order after those already done (the device
  // reset). The stream must be stopped first.
  std::vector<int> Reset() {
    std::lock_guard lock(mutex);
    std::vector<int> all = std::exchange(done, {});
    all.insert(all.end(), queued.begin(), queued.end());
    queued.clear();
    front_offset = 0;
    return all;
  }
};

struct WaveState {
  std::vector<Slot> play_slots;
  std::vector<Slot> record_slots;
  bool has_blocks = false;

  std::shared_ptr<Rotation> rotation;
  std::unique_ptr<platform::SoundStream> output;
  std::unique_ptr<platform::SoundStream> input;
  WaveReader reader;
  WaveWriter writer;

  int counted = 0;            // blocks handed to the device and not yet taken back
  uint64_t bytes_read = 0;    // playing: data bytes read from the file
  uint32_t data_written = 0;  // recording: data bytes written to the file
  uint32_t record_limit = 0;  // recording: the most data bytes the file may hold
  int stored_rate = 0;
  std::string last_error;
};

WaveState& State() {
  static WaveState state;
  return state;
}

void FreeBlocks(WaveState& s) {
  s.play_slots.clear();
  s.play_slots.shrink_to_fit();
  s.record_slots.clear();
  s.record_slots.shrink_to_fit();
  s.has_blocks = false;
}

// Reads the next part of the file into the slot; false when nothing was left.
bool FillSlot(WaveState& s, Slot& slot) {
  slot.length = s.reader.Read(std::span(slot.data.data(), kWavePlayBlockBytes));
  s.bytes_read += slot.length;
  return slot.length > 0;
}

void StopPlaying(WaveState& s) {
  if (s.output) s.output->Stop();
  s.output.reset();
  s.rotation.reset();
  s.counted = 0;
  s.reader.Close();
}

// Writes a recorded block, never beyond the limit.
void WriteRecorded(WaveState& s, Slot& slot) {
  const size_t room = s.record_limit - std::min(s.record_limit, s.data_written);
  const size_t bytes = std::min(slot.length, room);
  if (bytes > 0 && s.writer.Write(std::span(slot.data.data(), bytes))) {
    s.data_written += static_cast<uint32_t>(bytes);
  }
  slot.length = 0;
}

void StopRecording(WaveState& s) {
  if (s.input) {
    s.input->Stop();
    for (int index : s.rotation->Reset()) WriteRecorded(s, s.record_slots[index]);
  }
  s.input.reset();
  s.rotation.reset();
  s.counted = 0;
  (void)s.writer.Close();
}

// The whole temporary recording (at most 20 s: under 2 MB).
bool ReadRecording(const std::filesystem::path& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool CanPlayFormat(const riff::WaveFormat& format, std::string* why) {
  if (format.channels == 1 && format.bits == 16 && format.rate >= platform::kMinSoundSampleRate &&
      format.rate <= platform::kMaxSoundSampleRate) {
    return true;
  }
  *why = "the sound output cannot play this format";
  return false;
}

}  // namespace

bool WaveIO_Init() {
  WaveState& s = State();
  WaveIO_StopAll();
  FreeBlocks(s);
  s.counted = 0;
  s.bytes_read = 0;
  s.data_written = 0;
  s.stored_rate = 0;
  s.last_error.clear();
  try {
    s.play_slots.resize(kWavePlaySlots);
    for (Slot& slot : s.play_slots) slot.data.assign(kWavePlayBlockBytes, 0);
    s.record_slots.resize(kWaveRecordSlots);
    for (Slot& slot : s.record_slots) slot.data.assign(kWaveRecordBlockBytes, 0);
  } catch (const std::bad_alloc&) {
    FreeBlocks(s);
    s.last_error = "out of memory for the sound blocks";
    return false;
  }
  s.has_blocks = true;
  return true;
}

bool WaveIO_CheckWaveFile(const std::filesystem::path& path) {
  return CheckWaveFile(path, &State().stored_rate);
}

bool WaveIO_PlayFile(const std::filesystem::path& path, void* window) {
  WaveState& s = State();
  if (WaveIO_IsPlaying() || WaveIO_IsRecording()) return false;
  if (!s.has_blocks) {
    s.last_error = "the sound blocks were not set up";
    return false;
  }
  if (int code = s.reader.Open(path); code != 0) {
    s.last_error = "cannot read the wave file (" + std::to_string(code) + ")";
    WaveIO_StopAll();
    return false;
  }
  const riff::WaveFormat format = s.reader.format();
  if (!CanPlayFormat(format, &s.last_error)) {
    WaveIO_StopAll();
    return false;
  }
  s.rotation = std::make_shared<Rotation>();
  s.rotation->slots = &s.play_slots;
  s.rotation->window = window;
  s.rotation->message = kWaveOutDone;
  s.counted = 0;
  s.bytes_read = 0;
  for (int i = 0; i < kWavePlaySlots; ++i) {
    Slot& slot = s.play_slots[i];
    if (!FillSlot(s, slot)) break;
    s.rotation->Queue(i);
    ++s.counted;
    if (slot.length < kWavePlayBlockBytes) break;
  }
  if (s.counted == 0) {
    s.last_error = "the wave file holds no samples";
    StopPlaying(s);
    return false;
  }
  std::shared_ptr<Rotation> rotation = s.rotation;
  platform::SoundOpenResult opened = platform::CurrentSoundSystem().OpenOutput(
      static_cast<int>(format.rate),
      [rotation](std::span<int16_t> out) { return rotation->Play(out); }, {});
  if (!opened.ok()) {
    s.last_error = opened.error;
    StopPlaying(s);
    return false;
  }
  s.output = std::move(opened.stream);
  s.stored_rate = static_cast<int>(format.rate);
  return true;
}

bool WaveIO_RecordToTemp(void* window) {
  WaveState& s = State();
  if (WaveIO_IsPlaying() || WaveIO_IsRecording()) {
    s.last_error = "the sound card is busy";
    return false;
  }
  if (!s.has_blocks) {
    s.last_error = "the sound blocks were not set up";
    return false;
  }
  const riff::WaveFormat format = riff::PcmFormat(1, kWaveRecordRate, 16);
  const std::filesystem::path temp = WaveIO_TempPath();
  if (temp.empty()) {
    s.last_error = "no private folder for the temporary recording";
    return false;
  }
  // A recording that was not saved gives way to the new one; the file is made anew, so that
  // nothing found under its name (a link, a file another program holds open) is written to.
  std::error_code ignored;
  std::filesystem::remove(temp, ignored);
  if (int code = s.writer.CreateNew(temp, format); code != 0) {
    s.last_error =
        "cannot create the temporary file " + temp.string() + " (" + std::to_string(code) + ")";
    WaveIO_StopAll();
    if (code != kWaveCannotOpen) std::filesystem::remove(temp, ignored);
    return false;
  }
  s.rotation = std::make_shared<Rotation>();
  s.rotation->slots = &s.record_slots;
  s.rotation->window = window;
  s.rotation->message = kWaveInData;
  s.counted = 0;
  s.data_written = 0;
  s.record_limit = kWaveMaxDataPerHz * kWaveRecordRate;
  for (int i = 0; i < kWaveRecordSlots; ++i) {
    s.record_slots[i].length = 0;
    s.rotation->Queue(i);
    ++s.counted;
  }
  std::shared_ptr<Rotation> rotation = s.rotation;
  platform::SoundOpenResult opened = platform::CurrentSoundSystem().OpenInput(
      kWaveRecordRate, [rotation](std::span<const int16_t> in) { rotation->Record(in); });
  if (!opened.ok()) {
    s.last_error = opened.error;
    s.rotation.reset();
    s.counted = 0;
    (void)s.writer.Close();
    std::filesystem::remove(temp, ignored);  // a start that failed leaves no recording
    return false;
  }
  s.input = std::move(opened.stream);
  s.stored_rate = kWaveRecordRate;
  return true;
}

void WaveIO_StopAll() {
  WaveState& s = State();
  if (s.output || s.reader.is_open()) StopPlaying(s);
  if (s.input || s.writer.is_open()) StopRecording(s);
}

void WaveIO_OnMessage(int message, int* finished) {
  WaveState& s = State();
  if (message == kWaveOutDone && s.output && s.counted > 0) {
    for (int index : s.rotation->TakeDone()) {
      --s.counted;
      Slot& slot = s.play_slots[index];
      if (!FillSlot(s, slot)) continue;
      s.rotation->Queue(index);
      ++s.counted;
    }
    if (s.counted == 0) {
      StopPlaying(s);
      if (finished != nullptr) *finished = 1;
    }
  } else if (message == kWaveInData && s.input && s.counted > 0) {
    for (int index : s.rotation->TakeDone()) {
      WriteRecorded(s, s.record_slots[index]);
      s.rotation->Queue(index);
    }
    if (s.data_written >= s.record_limit && finished != nullptr) *finished = 1;
  }
}

bool WaveIO_SaveRecording(const std::filesystem::path& target, platform::FileWriter& writer) {
  WaveState& s = State();
  if (WaveIO_IsRecording()) WaveIO_StopAll();
  const std::filesystem::path temp = WaveIO_TempPath();
  std::error_code ec;
  if (!std::filesystem::exists(temp, ec)) {
    s.last_error = "there is no recording to save";
    return false;
  }
  if (target.empty()) {
    s.last_error = "no file name to save the recording as";
    return false;
  }
  (void)NormalizePeak(temp);
  std::string recording;
  if (!ReadRecording(temp, &recording)) {
    s.last_error = "cannot read the recording back from " + temp.string();
    return false;
  }
  // A read-only target is replaced like any other; the new file takes its permissions. Only
  // the file the save itself would replace is made writable: never one that a link another
  // user planted in a shared folder leads to (the writer refuses that save).
  const std::optional<std::filesystem::path> replaced = platform::ResolveLinks(target);
  if (replaced && std::filesystem::exists(*replaced, ec)) {
    std::filesystem::permissions(*replaced, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ec);
  }
  // Never a copy straight over the target (the temporary folder may lie on another file
  // system): the writer's own temporary file beside the target replaces it whole or not at all.
  if (!writer.Replace(target, recording)) {
    s.last_error = "cannot save the recording as " + target.string();
    return false;  // the recording stays in the temporary file
  }
  std::filesystem::remove(temp, ec);
  return true;
}

void WaveIO_Cleanup() {
  WaveState& s = State();
  WaveIO_StopAll();
  std::error_code ec;
  std::filesystem::remove(WaveIO_TempPath(), ec);
  FreeBlocks(s);
}

uint32_t WaveIO_GetPosition() {
  WaveState& s = State();
  if (WaveIO_IsPlaying()) {
    return s.bytes_read > kPlayQueuedBytes ? static_cast<uint32_t>(s.bytes_read - kPlayQueuedBytes)
                                           : 0;
  }
  if (WaveIO_IsRecording()) return s.data_written;
  return 0;
}

bool WaveIO_IsPlaying() { return State().output != nullptr; }
bool WaveIO_IsRecording() { return State().input != nullptr; }
int WaveIO_GetRate() { return State().stored_rate; }
std::string WaveIO_LastError() { return State().last_error; }

std::filesystem::path WaveIO_TempPath() {
  const std::filesystem::path folder = platform::PrivateFolder();
  return folder.empty() ? std::filesystem::path() : folder / kWaveTempName;
}

int WavePositionHundredths(uint32_t position, int rate) {
  const int divisor = rate / 100 * 2;
  return divisor > 0 ? static_cast<int>(position / static_cast<uint32_t>(divisor)) : 0;
}

std::string WavePositionText(uint32_t position, int rate) {
  char digits[16];
  std::snprintf(digits, sizeof(digits), "%04d", WavePositionHundredths(position, rate));
  const std::string text = digits;
  return text.substr(0, 2) + " : " + text.substr(text.size() - 2);
}

}  // namespace vtr::w2s
