// Finds where each phoneme of a known utterance lies in time.
//
// SetText turns phoneme-symbol text into a list of syllables and a list of phonemes, each
// framed by pauses. Align writes a one-sentence grammar (dictionary, forward 2-gram, backward
// 3-gram) into a private scratch folder and starts the recogniser there in forced-alignment
// mode, writes a 16 kHz copy of the recording beside them and gives the recogniser its name,
// waits for it to exit (killing it at the time-out) and reads the phoneme frames back from its
// output: 10 ms frames become 20 ms steps, syllables follow from the phonemes' links.
//
// The recogniser folder (the program and its model) is only read, so an installed copy that
// the user cannot write works, and two alignments at once never meet: each run has its own
// scratch folder under the temporary folder, with the protocol's file names inside, and the
// folder goes when the run ends, or when the process dies during it. The recogniser does not
// outlive the run either: what it leaves running is ended when it exits, and it is ended with
// the process. Its output is trusted only as far as it fits: an exit status of 0, at most
// kMaxRecogniserOutput bytes, exactly one frame line per phoneme, every frame inside the
// recording. The aligner never changes the process's current directory.
//
//   // given: std::filesystem::path recogniser_folder; WaveBuffer wave
//   vtr::wtp::PhonemeAligner aligner(recogniser_folder);
//   if (aligner.SetText("ka") < 0) return;
//   int result = aligner.Align(wave);        // 0, -1, -6 (no program), -7 (no model)
//   const auto& syllables = aligner.syllables();
#ifndef VTR_ENGINES_WTP_PHONEME_ALIGNER_H_
#define VTR_ENGINES_WTP_PHONEME_ALIGNER_H_

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engines/wtp/segment_record.h"
#include "engines/wtp/wave_buffer.h"
#include "platform/process.h"
#include "platform/scratch_folder.h"

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
// A file holding the wave's name, for running the recogniser by hand (the aligner hands the
// name over through a pipe, as the batch line's "echo tmp.wav |").
inline constexpr std::string_view kTempInput = "tmp.in";
inline constexpr std::string_view kAlignmentMarker = "=== phoneme alignment begin ===";
// The start of the scratch folder's name under the temporary folder.
inline constexpr std::string_view kScratchPrefix = "voxtrel-align";
// Frame lines the output may hold: lines 2..998 of the alignment section.
inline constexpr size_t kMaxAlignedPhonemes = 997;
inline constexpr int kAlignRate = 16000;   // [Hz] of the recogniser's copy
inline constexpr int kFrameSamples = 160;  // [samples at 16 kHz] one 10 ms recogniser frame
// [bytes] The most recogniser output read: the alignment section's 999 lines of at most 999
// characters, and as much again for what the recogniser prints before it.
inline constexpr size_t kMaxRecogniserOutput = size_t{2} * 999 * 1000;

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
  explicit PhonemeAligner(const std::filesystem::path& folder, int flags = 0);
  ~PhonemeAligner();
  PhonemeAligner(const PhonemeAligner&) = delete;
  PhonemeAligner& operator=(const PhonemeAligner&) = delete;

  // 0; 1 when characters were skipped; -1 flags non-zero; -2 empty text; -5 fewer than three
  // phonemes or syllables (the lists are freed).
  [[nodiscard]] int SetText(std::string_view text);

  // 0; -7 no acoustic model file; -6 no recogniser program; -1 no input, or the recogniser
  // failed, timed out or gave output that does not fit (the lists are then freed). `wave` is
  // the engine's recording; a 16 kHz recording has its zero samples replaced by 1 in place.
  // The same as Prepare and then RunRecogniser.
  [[nodiscard]] int Align(WaveBuffer& wave);

  // Align in steps, so that the recogniser starts, and the caller works on the recording, while
  // the rest is made ready; results and lists are those of Align. Start checks the recogniser
  // folder and the input, writes the grammar files and starts the recogniser, which reads them
  // and then waits for the wave's name: 0, or -7, -6 or -1 as Align (nothing runs then). It
  // only reads `wave`, which may still change until Prepare. Prepare (which starts the run
  // first when Start was not called) makes the recogniser's 16 kHz samples, writes them and
  // hands their name to the recogniser: 0 or -1 as Align; once it returned, the alignment reads
  // and changes `wave` no more. RunRecogniser waits for the recogniser and reads its output:
  // 0 or -1 as Align (-1 also without a prepared run).
  [[nodiscard]] int Start(const WaveBuffer& wave);
  [[nodiscard]] int Prepare(WaveBuffer& wave);
  [[nodiscard]] int RunRecogniser();

  // Ends the recogniser and removes the scratch folder of a run, should one be left (each run
  // removes its own).
  void RemoveTempFiles();

  // Fills in the lists' times from the recogniser's output for a recording of `frame_count`
  // 10 ms frames. 0; -1 when the output does not fit the lists or the recording (the lists are
  // then freed).
  [[nodiscard]] int ReadAlignment(std::string_view output, size_t frame_count);

  // The text as filtered, the grammar files and the batch line Align writes, for the current
  // lists (the batch line is written to "tmp.bat" as a record of the run; the recogniser runs
  // with RecogniserArguments, which name the model in the recogniser folder by its full path).
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
  void FreeLists();
  // Waits for the recogniser and reads its output for a recording of `frame_count` frames; the
  // lists are left to the caller to free on failure.
  int Run(size_t frame_count);

  std::filesystem::path folder_;
  int flags_ = 0;
  std::chrono::milliseconds timeout_{60000};
  std::string text_;
  std::vector<SegmentRecord> phonemes_;
  std::vector<SegmentRecord> syllables_;
  // Only while a run lasts: its folder and the recogniser (null when it could not be started).
  std::unique_ptr<platform::ScratchFolder> scratch_;
  std::unique_ptr<platform::StartedProcess> run_;
  bool started_ = false;    // Start succeeded and Prepare has not yet run
  bool written_ = false;    // the grammar files were written
  size_t frame_count_ = 0;  // of the prepared run's recording [10 ms frames]; 0: none prepared
};

}  // namespace vtr::wtp

#endif  // VTR_ENGINES_WTP_PHONEME_ALIGNER_H_
