// The alignment engine behind the Vtr_wtp exports: one recording and its phoneme text in, a
// pitch sequence and two segment tables (phonemes, syllables) out.
//
// Calling order: Initialize(20, 0); SetWav; SetText; GetPSeq(buffer, 0x100000); GetSegment;
// then any number of times SetSegment (after the caller's edits) and GeneratePSeq; Terminate.
// Results are the integer codes of wtp_api.h. The engine never changes the process's current
// directory: the recogniser program and its model are read from the folder given at
// construction, and each alignment works in a private scratch folder of its own.
//
// Every call runs to completion before it returns. Inside GetPSeq, the pitch and power
// analysis runs on a worker thread while the caller's thread waits for the recogniser; the
// result is the one of analysing after the alignment.
#ifndef VTR_ENGINES_WTP_WTP_ENGINE_H_
#define VTR_ENGINES_WTP_WTP_ENGINE_H_

#include <chrono>
#include <filesystem>
#include <memory>
#include <vector>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/pitch_analyzer.h"
#include "engines/wtp/segment_record.h"
#include "engines/wtp/wave_buffer.h"

namespace vtr::wtp {

inline constexpr int kStepMs = 20;
inline constexpr int kMaxPathLength = 256;       // [bytes]
inline constexpr int kMaxTextLength = 0x100000;  // [bytes]
inline constexpr int kMaxPSeqBuffer = 0x100000;  // [bytes]
inline constexpr int kNormalisePercent = 90;

class WtpEngine {
 public:
  explicit WtpEngine(std::filesystem::path recogniser_folder);

  [[nodiscard]] int Initialize(int step_ms, int flags);
  [[nodiscard]] int Terminate();
  [[nodiscard]] int SetWav(const char* path, int path_length);
  [[nodiscard]] int SetText(const char* text, int length);
  [[nodiscard]] int GetPSeq(char* buffer, int buffer_length);
  [[nodiscard]] int GeneratePSeq(char* buffer, int buffer_length);
  [[nodiscard]] int GetSegment(SegmentTable* phonemes, SegmentTable* syllables);
  [[nodiscard]] int SetSegment(SegmentTable* phonemes, SegmentTable* syllables);

  void set_recogniser_timeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }
  // Takes effect at the next Initialize.
  void set_recogniser_folder(std::filesystem::path folder) { folder_ = std::move(folder); }
  bool is_open() const { return open_; }
  const std::filesystem::path& recogniser_folder() const { return folder_; }
  const char* last_pseq() const { return last_pseq_; }
  unsigned last_pseq_length() const { return last_pseq_length_; }

 private:
  void FreeAll();
  int Write(char* buffer, int buffer_length);

  std::filesystem::path folder_;
  std::chrono::milliseconds timeout_{60000};
  bool open_ = false;
  int flags_ = 0;
  int step_ms_ = kStepMs;
  std::unique_ptr<WaveBuffer> wave_;
  std::unique_ptr<PitchAnalyzer> analyzer_;
  std::unique_ptr<PhonemeAligner> aligner_;
  char* last_pseq_ = nullptr;  // the caller's buffer of the last write (not owned)
  unsigned last_pseq_length_ = 0;
  std::vector<SegmentRecord> phonemes_;
  std::vector<SegmentRecord> syllables_;
};

}  // namespace vtr::wtp

#endif  // VTR_ENGINES_WTP_WTP_ENGINE_H_
