#include "engines/wtp/wtp_engine.h"

#include <cstring>
#include <exception>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

#include "engines/wtp/pseq_writer.h"
#include "engines/wtp/segment_builder.h"
#include "platform/files.h"

namespace vtr::wtp {
namespace {

// One analysis of a recording on a worker thread, so that the caller's thread can wait for the
// recogniser meanwhile. Where no thread can be started, Wait analyses on the caller's thread.
// Wait gives what Analyse returned, and throws on the caller's thread what Analyse threw. The
// analyser and the recording must stay until the object goes; it waits for the worker.
class BackgroundAnalysis {
 public:
  BackgroundAnalysis(PitchAnalyzer& analyzer, const WaveBuffer& wave)
      : analyzer_(analyzer), wave_(wave) {
    try {
      worker_ = std::jthread([this] { Run(); });
    } catch (const std::system_error&) {
      // No thread to be had: Wait analyses.
    }
  }

  [[nodiscard]] bool Wait() {
    if (worker_.joinable()) {
      worker_.join();
    } else if (!done_) {
      Run();
    }
    if (error_) std::rethrow_exception(error_);
    return result_;
  }

 private:
  void Run() noexcept {
    try {
      result_ = analyzer_.Analyse(wave_);
    } catch (...) {
      error_ = std::current_exception();
    }
    done_ = true;
  }

  PitchAnalyzer& analyzer_;
  const WaveBuffer& wave_;
  bool result_ = false;
  bool done_ = false;
  std::exception_ptr error_;
  std::jthread worker_;  // last, so that it is joined before the rest goes
};

}  // namespace

WtpEngine::WtpEngine(std::filesystem::path recogniser_folder)
    : folder_(std::move(recogniser_folder)) {}

void WtpEngine::FreeAll() {
  wave_.reset();
  analyzer_.reset();
  aligner_.reset();
  phonemes_.clear();
  syllables_.clear();
  last_pseq_ = nullptr;
  last_pseq_length_ = 0;
}

int WtpEngine::Initialize(int step_ms, int flags) {
  if (open_) return -1;
  if (step_ms != kStepMs || (flags & 0xFF) != 0) return -2;
  FreeAll();
  open_ = true;
  step_ms_ = kStepMs;
  flags_ = 0;
  aligner_ = std::make_unique<PhonemeAligner>(folder_, flags_);
  aligner_->set_timeout(timeout_);
  analyzer_ = std::make_unique<PitchAnalyzer>();
  return 0;
}

int WtpEngine::Terminate() {
  if (!open_) return -1;
  if (aligner_) aligner_->RemoveTempFiles();
  FreeAll();
  open_ = false;
  return 0;
}

int WtpEngine::SetWav(const char* path, int path_length) {
  if (!open_) return -1;
  if (path == nullptr || path_length <= 0 || path_length > kMaxPathLength) return -2;
  const std::string file(path, strnlen(path, static_cast<size_t>(path_length)));
  // A FIFO or a device is never opened: it could wait for a writer or never end.
  if (!platform::IsRegularFile(file) || !std::ifstream(file, std::ios::binary)) return -4;
  auto wave = std::make_unique<WaveBuffer>();
  const WaveResult result = wave->ReadWave(file);
  // Once the file was opened, a failure still replaces the wave (with an empty one).
  wave_ = std::move(wave);
  return static_cast<int>(result);
}

int WtpEngine::SetText(const char* text, int length) {
  if (!open_ || !aligner_) return -1;
  if (text == nullptr || length <= 0 || length > kMaxTextLength) return -2;
  return aligner_->SetText(std::string_view(text, static_cast<size_t>(length)));
}

int WtpEngine::Write(char* buffer, int buffer_length) {
  const SegmentTable syllables{static_cast<uint32_t>(syllables_.size()), syllables_.data()};
  const int written =
      WritePitchSequence(syllables, *analyzer_,
                         {reinterpret_cast<uint8_t*>(buffer), static_cast<size_t>(buffer_length)});
  if (written >= 0) {
    last_pseq_ = buffer;
    last_pseq_length_ = static_cast<unsigned>(written);
  }
  return written;
}

int WtpEngine::GetPSeq(char* buffer, int buffer_length) {
  last_pseq_ = nullptr;
  last_pseq_length_ = 0;
  if (!open_) return -1;
  if (buffer == nullptr || buffer_length <= 0) return -2;
  if (!wave_ || !analyzer_ || !aligner_) return -1;
  if (buffer_length > kMaxPSeqBuffer) return -2;
  // The recogniser starts, and reads its grammar, while the recording is filtered: only the
  // recording waits for it.
  const int started = aligner_->Start(*wave_);
  wave_->HighPassNormalise(kNormalisePercent);
  if (started != 0) return started;
  const int prepared = aligner_->Prepare(*wave_);
  if (prepared != 0) return prepared;
  // The recording is final now (the recogniser's copy, written, has no zero samples): its pitch
  // and power are measured while the recogniser runs, into an analyser that takes the engine's
  // place once the alignment succeeded, as if it had been analysed after it. A failed
  // alignment leaves the engine's analyser as it was.
  auto analyzer = std::make_unique<PitchAnalyzer>();
  BackgroundAnalysis analysis(*analyzer, *wave_);
  const int aligned = aligner_->RunRecogniser();
  if (aligned != 0) return aligned;
  analyzer_ = std::move(analyzer);
  if (!analysis.Wait()) return -1;
  if (!BuildSegments(aligner_->phonemes(), aligner_->syllables(), *analyzer_, phonemes_,
                     syllables_)) {
    return -1;
  }
  SegmentTable phonemes{static_cast<uint32_t>(phonemes_.size()), phonemes_.data()};
  SegmentTable syllables{static_cast<uint32_t>(syllables_.size()), syllables_.data()};
  RefineSegments(phonemes, syllables, *analyzer_);
  return Write(buffer, buffer_length);
}

int WtpEngine::GeneratePSeq(char* buffer, int buffer_length) {
  last_pseq_ = nullptr;
  last_pseq_length_ = 0;
  // The same argument checks as GetPSeq: a negative length must never reach the writer.
  if (buffer == nullptr || buffer_length <= 0 || buffer_length > kMaxPSeqBuffer) return -2;
  if (!aligner_ || !analyzer_ || aligner_->phonemes().empty() || aligner_->syllables().empty() ||
      analyzer_->frame_count() == 0 || syllables_.empty()) {
    return -1;
  }
  return Write(buffer, buffer_length);
}

int WtpEngine::GetSegment(SegmentTable* phonemes, SegmentTable* syllables) {
  if (phonemes == nullptr || syllables == nullptr) return -2;
  *phonemes = {static_cast<uint32_t>(phonemes_.size()),
               phonemes_.empty() ? nullptr : phonemes_.data()};
  *syllables = {static_cast<uint32_t>(syllables_.size()),
                syllables_.empty() ? nullptr : syllables_.data()};
  return 0;
}

int WtpEngine::SetSegment(SegmentTable* phonemes, SegmentTable* syllables) {
  if (phonemes == nullptr || syllables == nullptr ||
      !SegmentTablesAreUsable(*phonemes, *syllables)) {
    return -2;
  }
  if (!analyzer_ || analyzer_->frame_count() == 0) return -1;
  RefineSegments(*phonemes, *syllables, *analyzer_);
  return 0;
}

}  // namespace vtr::wtp
