// Finds where each phoneme of a known utterance lies in time.
//
// SetText turns phoneme-symbol text into a list of syllables and a list of phonemes, each
// framed by pauses. Align writes a one-sentence grammar (dictionary, forward 2-gram, backward
// 3-gram) and a 16 kHz copy of the recording into the recogniser folder, runs the recogniser
// in forced-alignment mode, waits for it to exit (killing it at the time-out) and reads the
// phoneme frames back from its output: 10 ms frames become 20 ms steps, syllables follow from
// the phonemes' links.
//
// The aligner never changes the process's current directory: it works in the absolute folder
// it was given, and RemoveTempFiles deletes only the files this aligner created there.
//
//   vtr::wtp::PhonemeAligner aligner(recogniser_folder);
//   if (aligner.SetText("ka") < 0) return;
//   int result = aligner.Align(wave);        // 0, -1, -6 (no program), -7 (no model)
//   const auto& syllables = aligner.syllables();
#ifndef VTR_ENGINES_WTP_PHONEME_ALIGNER_H_
#define VTR_ENGINES_WTP_PHONEME_ALIGNER_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "engines/wtp/segment_record.h"
#include "engines/wtp/wave_buffer.h"

namespace vtr::wtp {

// File names of the recogniser protocol, all inside the recogniser folder.
inline constexpr std::string_view kRecogniserProgram = "julius";
inline constexpr std::string_view kAcousticModel = "hmmdefs";
inline constexpr std::string_view kTempWave = "tmp.wav";
inline constexpr std::string_view kTempOutput = "tmp.txt";
inline constexpr std::string_view kTempBatch = "tmp.bat";
inline constexpr std::string_view kTempBigram = "tmp.2gram";
inline constexpr std::string_view kTempTrigram = "tmp.3gram.rev";
inline constexpr std::string_view kTempDictionary = "tmp.dict";
inline constexpr std::string_view kTempInput = "tmp.in";  // the wave name for standard input
inline constexpr std::string_view kAlignmentMarker = "=== phoneme alignment begin ===";
// Frame lines the output may hold: lines 2..998 of the alignment section.
inline constexpr size_t kMaxAlignedPhonemes = 997;
inline constexpr int kAlignRate = 16000;  // [Hz] of the recogniser's copy

// One phoneme line of the recogniser's output: inclusive 10 ms frames.
struct FrameSpan {
  int start;
  int end;
};

// Reads the alignment section of the recogniser's output. Lines may end in CRLF; empty lines
// are ignored; the section starts at the marker line (text before the marker on that line is
// allowed) and ends at the first line beginning with "r". Inside it, every line whose first
// token starts with "[" is a phoneme line ("[ 1000 1013]", "[1000 1013]" and "[  14   20]"
// all read); other lines are headers. True with `frames` filled when exactly
// `phoneme_count` lines were found and every span is well formed.
[[nodiscard]] bool ParseRecogniserOutput(std::string_view text, size_t phoneme_count,
                                         std::vector<FrameSpan>& frames);

class PhonemeAligner {
 public:
  // `folder`: the recogniser folder (made absolute here).
  explicit PhonemeAligner(std::filesystem::path folder, int flags = 0);
  ~PhonemeAligner();
  PhonemeAligner(const PhonemeAligner&) = delete;
  PhonemeAligner& operator=(const PhonemeAligner&) = delete;

  // 0; 1 when characters were skipped; -1 flags non-zero; -2 empty text; -5 fewer than three
  // phonemes or syllables (the lists are freed).
  [[nodiscard]] int SetText(std::string_view text);

  // 0; -7 no acoustic model file; -6 no recogniser program; -1 no input, or the recogniser
  // failed, timed out or gave output that does not fit (the lists are then freed). `wave` is
  // the engine's recording; a 16 kHz recording has its zero samples replaced by 1 in place.
  [[nodiscard]] int Align(WaveBuffer& wave);

  // Deletes the temporary files this aligner created, and only those.
  void RemoveTempFiles();

  // The text as filtered, the grammar files and the batch line Align writes, for the current
  // lists (the batch line is written to "tmp.bat" as a record of the run).
  const std::string& filtered_text() const { return text_; }
  std::string DictionaryText() const;
  std::string BigramText() const;
  std::string TrigramText() const;
  std::string BatchLine() const;
  std::vector<std::string> RecogniserArguments() const;

  std::vector<SegmentRecord>& phonemes() { return phonemes_; }
  std::vector<SegmentRecord>& syllables() { return syllables_; }
  const std::vector<SegmentRecord>& phonemes() const { return phonemes_; }
  const std::vector<SegmentRecord>& syllables() const { return syllables_; }
  const std::filesystem::path& folder() const { return folder_; }
  void set_timeout(std::chrono::milliseconds timeout) { timeout_ = timeout; }

 private:
  std::vector<std::string> WordNames() const;
  std::vector<std::string> Phones() const;
  bool WriteTemp(std::string_view name, std::string_view bytes);
  void FreeLists();
  int ReadAlignment(std::string_view output);

  std::filesystem::path folder_;
  int flags_ = 0;
  std::chrono::milliseconds timeout_{60000};
  std::string text_;
  std::vector<SegmentRecord> phonemes_;
  std::vector<SegmentRecord> syllables_;
  std::set<std::string> created_;  // temporary files this aligner wrote
};

}  // namespace vtr::wtp

#endif  // VTR_ENGINES_WTP_PHONEME_ALIGNER_H_
