// The machine's sound system: PortAudio's default devices, or the silent device for output
// when the machine has no output device.
#include <alsa/asoundlib.h>
#include <errno.h>
#include <jack/jack.h>
#include <portaudio.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/sound/internal/sound_pump.h"
#include "platform/sound/internal/sound_rates.h"
#include "platform/sound/sound_system.h"

namespace vtr::platform {
namespace {

std::string PaText(PaError error) { return Pa_GetErrorText(error); }

// ALSA and JACK, under PortAudio, print every probe that fails to stderr: some sixty lines on a
// machine without a sound card or a JACK server. PortAudio's results say what counts, so their
// own printing is kept quiet.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void QuietJack(const char*) {}

void QuietSoundLibraries() {
  snd_lib_error_set_handler(&QuietAlsa);
  jack_set_error_function(&QuietJack);
  jack_set_info_function(&QuietJack);
}

// One open PortAudio stream in blocking mode; closed when destroyed.
class PortAudioStream {
 public:
  ~PortAudioStream() {
    if (stream_ != nullptr) {
      Pa_AbortStream(stream_);
      Pa_CloseStream(stream_);
    }
  }

  std::string Open(bool output, int sample_rate) {
    PaStreamParameters parameters{};
    parameters.device = output ? Pa_GetDefaultOutputDevice() : Pa_GetDefaultInputDevice();
    const PaDeviceInfo* info = Pa_GetDeviceInfo(parameters.device);
    if (info == nullptr) return "the sound device has gone";
    parameters.channelCount = 1;
    parameters.sampleFormat = paInt16;
    parameters.suggestedLatency =
        output ? info->defaultLowOutputLatency : info->defaultLowInputLatency;
    PaError error = Pa_OpenStream(
        &stream_, output ? nullptr : &parameters, output ? &parameters : nullptr, sample_rate,
        static_cast<unsigned long>(internal::BlockFrames(sample_rate)), paNoFlag, nullptr, nullptr);
    if (error != paNoError) {
      stream_ = nullptr;
      return "cannot open the sound device at " + std::to_string(sample_rate) +
             " Hz: " + PaText(error);
    }
    error = Pa_StartStream(stream_);
    if (error != paNoError) return "cannot start the sound device: " + PaText(error);
    return {};
  }

  PaStream* get() const { return stream_; }

 private:
  PaStream* stream_ = nullptr;
};

class PaOutput final : public internal::BlockingOutput {
 public:
  explicit PaOutput(std::unique_ptr<PortAudioStream> stream) : stream_(std::move(stream)) {}
  bool Write(std::span<const std::int16_t> samples, std::stop_token stop) override {
    if (stop.stop_requested()) return false;
    PaError error =
        Pa_WriteStream(stream_->get(), samples.data(), static_cast<unsigned long>(samples.size()));
    return error == paNoError || error == paOutputUnderflowed;
  }
  bool Drain(std::stop_token stop) override {
    // Stopping a PortAudio stream waits until its buffers have been played.
    return Pa_StopStream(stream_->get()) == paNoError && !stop.stop_requested();
  }

 private:
  std::unique_ptr<PortAudioStream> stream_;
};

class PaInput final : public internal::BlockingInput {
 public:
  explicit PaInput(std::unique_ptr<PortAudioStream> stream) : stream_(std::move(stream)) {}
  bool Read(std::span<std::int16_t> samples, std::stop_token stop) override {
    if (stop.stop_requested()) return false;
    PaError error =
        Pa_ReadStream(stream_->get(), samples.data(), static_cast<unsigned long>(samples.size()));
    return error == paNoError || error == paInputOverflowed;
  }

 private:
  std::unique_ptr<PortAudioStream> stream_;
};

class MachineSoundSystem final : public SoundSystem {
 public:
  MachineSoundSystem() : silent_(MakeSilentSoundSystem()) {}
  ~MachineSoundSystem() override {
    if (initialised_) Pa_Terminate();
  }

  SoundOpenResult OpenOutput(int sample_rate, SoundSource source, SoundEnd on_end) override {
    if (std::string error = internal::CheckSampleRate(sample_rate); !error.empty()) {
      return {nullptr, error};
    }
    if (!source) return {nullptr, "no sound source given"};
    if (!EnsureInitialised() || Pa_GetDefaultOutputDevice() == paNoDevice) {
      SayOnceThatSoundIsSilent();
      return silent_->OpenOutput(sample_rate, std::move(source), std::move(on_end));
    }
    auto stream = std::make_unique<PortAudioStream>();
    if (std::string error = stream->Open(true, sample_rate); !error.empty()) {
      return {nullptr, error};
    }
    return {
        std::make_unique<internal::OutputPump>(std::make_unique<PaOutput>(std::move(stream)),
                                               sample_rate, std::move(source), std::move(on_end)),
        {}};
  }

  SoundOpenResult OpenInput(int sample_rate, SoundSink sink) override {
    if (std::string error = internal::CheckSampleRate(sample_rate); !error.empty()) {
      return {nullptr, error};
    }
    if (!sink) return {nullptr, "no sound sink given"};
    if (!EnsureInitialised()) return {nullptr, init_error_};
    if (Pa_GetDefaultInputDevice() == paNoDevice) {
      return {nullptr, internal::kNoInputDeviceError};
    }
    auto stream = std::make_unique<PortAudioStream>();
    if (std::string error = stream->Open(false, sample_rate); !error.empty()) {
      return {nullptr, error};
    }
    return {std::make_unique<internal::InputPump>(std::make_unique<PaInput>(std::move(stream)),
                                                  sample_rate, std::move(sink)),
            {}};
  }

 private:
  // PortAudio is started on first use only: programs that never play never touch it.
  bool EnsureInitialised() {
    std::lock_guard lock(mutex_);
    if (!tried_) {
      tried_ = true;
      QuietSoundLibraries();
      PaError error = Pa_Initialize();
      initialised_ = error == paNoError;
      if (!initialised_) init_error_ = "cannot start the sound system: " + PaText(error);
    }
    return initialised_;
  }

  // The one line a person without a sound device gets, instead of the libraries' sixty.
  void SayOnceThatSoundIsSilent() {
    std::lock_guard lock(mutex_);
    if (said_silent_) return;
    said_silent_ = true;
    std::fprintf(stderr, "%s: no sound output device: scripts play silently\n",
                 program_invocation_short_name);
  }

  std::unique_ptr<SoundSystem> silent_;
  bool said_silent_ = false;
  std::mutex mutex_;
  bool tried_ = false;
  bool initialised_ = false;
  std::string init_error_;
};

std::atomic<SoundSystem*> installed{nullptr};

}  // namespace

SoundSystem& CurrentSoundSystem() {
  if (SoundSystem* system = installed.load()) return *system;
  static MachineSoundSystem machine;
  return machine;
}

void InstallSoundSystem(SoundSystem* system) { installed.store(system); }

}  // namespace vtr::platform
