// Feeds arbitrary recogniser output to the aligner's reading of it (the parser and the times it
// fills in), for one of a few texts and a recording length taken from the input, and checks
// what a successful read promises: one span per phoneme, steps that follow each other without
// gap or overlap, every time inside the recording, syllables that match their phonemes, and
// tables the segment builder accepts. A failed read must leave no lists behind.
//
// Byte 0 picks the text, bytes 1-2 give the recording's length in 10 ms frames (little
// endian); the rest is the output.
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string_view>
#include <vector>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/segment_record.h"

namespace {

// Texts of 4, 8, 11 and 34 phonemes, pauses included.
constexpr const char* kTexts[] = {"ka", "sakM4a", "koN\\JitSiwa",
                                  "asitawa ha4eta4a iinaa soMdesMne"};

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using vtr::wtp::SegmentRecord;
  if (size < 3) return 0;
  const char* text = kTexts[data[0] % std::size(kTexts)];
  const size_t frame_count = data[1] | static_cast<size_t>(data[2]) << 8;
  const std::string_view output(reinterpret_cast<const char*>(data + 3), size - 3);

  // The folder is never touched: only Align runs the recogniser.
  vtr::wtp::PhonemeAligner aligner("/nonexistent");
  Require(aligner.SetText(text) == 0);
  const size_t phoneme_count = aligner.phonemes().size();
  const size_t syllable_count = aligner.syllables().size();
  std::vector<vtr::wtp::FrameSpan> frames;
  const bool parsed = vtr::wtp::ParseRecogniserOutput(output, phoneme_count, frames);
  if (parsed) {
    Require(frames.size() == phoneme_count);
    for (const auto& f : frames) Require(f.start >= 0 && f.end >= f.start);
  }

  if (aligner.ReadAlignment(output, frame_count) != 0) {
    Require(aligner.phonemes().empty() && aligner.syllables().empty());
    return 0;
  }
  Require(parsed);
  const auto& phonemes = aligner.phonemes();
  const auto& syllables = aligner.syllables();
  Require(phonemes.size() == phoneme_count && syllables.size() == syllable_count);
  const float length_sec = static_cast<float>(frame_count) * 0.01f;
  for (size_t k = 0; k < phonemes.size(); ++k) {
    const SegmentRecord& p = phonemes[k];
    Require(p.startSec >= 0 && p.startSec < p.endSec && p.endSec <= length_sec + 1e-3f);
    Require(p.startStep < p.endStep);
    if (k > 0) Require(p.startStep == phonemes[k - 1].endStep);
  }
  for (const SegmentRecord& s : syllables) {
    const SegmentRecord& first = phonemes[static_cast<size_t>(s.firstPhoneme)];
    const SegmentRecord& last = phonemes[static_cast<size_t>(s.lastPhoneme)];
    Require(s.startStep == first.startStep && s.endStep == last.endStep);
    Require(s.startSec == first.startSec && s.endSec == last.endSec);
  }
  vtr::wtp::SegmentTable phoneme_table{static_cast<uint32_t>(phonemes.size()),
                                       const_cast<SegmentRecord*>(phonemes.data())};
  vtr::wtp::SegmentTable syllable_table{static_cast<uint32_t>(syllables.size()),
                                        const_cast<SegmentRecord*>(syllables.data())};
  Require(vtr::wtp::CheckSegmentTables(phoneme_table, syllable_table).empty());
  return 0;
}
