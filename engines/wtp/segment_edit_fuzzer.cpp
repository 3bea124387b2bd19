// Edits the engine's lent segment tables arbitrarily, as a caller may, then refines them and
// writes a pitch sequence from them; also hands arbitrary tables of its own to the refinement.
// The engine aligns one synthetic utterance once, through the built recogniser folder (only
// read); the utterance's wave lies in a scratch folder that goes at once.
//
// Byte 0: own tables (bit 0) and the pitch-sequence buffer length (bits 1-7). Own tables: two
// counts, then the records' bytes. Edits of the lent tables, 8 bytes each: which record and
// what (bits 8 and up of the first word: a raw field, or a drag of the boundary after a
// phoneme as the segment confirm dialog makes it), and the value.
//
// Property: tables that keep the invariants of a finished alignment keep them once refined,
// boundaries in time order, each record at least one step long, with the first start and the
// last end where they were; so the lent tables, which lie inside the wave, stay inside it.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "engines/wtp/segment_record.h"
#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wtp_engine.h"
#include "platform/scratch_folder.h"

namespace {

constexpr int kRate = 22050;  // [Hz] of the utterance

vtr::wtp::WtpEngine* engine = nullptr;
std::vector<vtr::wtp::SegmentRecord> saved_phonemes, saved_syllables;

void Require(bool condition) {
  if (!condition) std::abort();
}

uint32_t Take32(const uint8_t*& data, size_t& size) {
  uint32_t v = 0;
  const size_t n = std::min<size_t>(4, size);
  std::memcpy(&v, data, n);
  data += n;
  size -= n;
  return v;
}

// Moves the boundary between phoneme `k` and the next to a step strictly inside both, and the
// syllables' steps with their phonemes, as a drag in the segment view ends up in the tables.
void DragBoundary(vtr::wtp::SegmentTable& ph, vtr::wtp::SegmentTable& syl, uint32_t k,
                  uint32_t value) {
  if (ph.count < 2) return;
  k %= ph.count - 1;
  vtr::wtp::SegmentRecord& left = ph.items[k];
  vtr::wtp::SegmentRecord& right = ph.items[k + 1];
  if (right.endStep < left.startStep + 2) return;  // no step strictly inside both
  const uint32_t choices = right.endStep - left.startStep - 1;
  left.endStep = right.startStep = left.startStep + 1 + value % choices;
  for (uint32_t f = 0; f < syl.count; ++f) {
    vtr::wtp::SegmentRecord& s = syl.items[f];
    if (s.firstPhoneme < 0 || s.lastPhoneme < s.firstPhoneme ||
        static_cast<uint32_t>(s.lastPhoneme) >= ph.count) {
      continue;
    }
    s.startStep = ph.items[s.firstPhoneme].startStep;
    s.endStep = ph.items[s.lastPhoneme].endStep;
  }
}

void RefineAndRequireOrder(vtr::wtp::SegmentTable& ph, vtr::wtp::SegmentTable& syl) {
  const bool valid = vtr::wtp::CheckSegmentTables(ph, syl).empty();
  const uint32_t first = ph.count > 0 ? ph.items[0].startStep : 0;
  const uint32_t last = ph.count > 0 ? ph.items[ph.count - 1].endStep : 0;
  (void)engine->SetSegment(&ph, &syl);
  if (!valid) return;
  Require(vtr::wtp::CheckSegmentTables(ph, syl).empty());
  Require(ph.items[0].startStep == first && ph.items[ph.count - 1].endStep == last);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const vtr::platform::ScratchFolder scratch("vtr-segment-edit-fuzzer");
  const auto script = vtr::wtp::testing::RandomScript(6, 3, 9);
  const auto speech = vtr::wtp::testing::Synthesize(script, kRate, 180, 9);
  const std::string wave = (scratch.path() / "utterance.wav").string();
  if (vtr::wtp::WaveBuffer(speech.samples, kRate).WriteWave(wave) != vtr::wtp::WaveResult::kOk)
    std::abort();
  engine = new vtr::wtp::WtpEngine(std::filesystem::path(VTR_DIST_DIR) / "Plugin" / "Julius");
  std::vector<char> buffer(0x100000);
  if (engine->Initialize(20, 0) != 0 ||
      engine->SetWav(wave.c_str(), static_cast<int>(wave.size())) != 0 ||
      engine->SetText(speech.text.data(), static_cast<int>(speech.text.size())) < 0 ||
      engine->GetPSeq(buffer.data(), static_cast<int>(buffer.size())) <= 0) {
    std::abort();
  }
  vtr::wtp::SegmentTable ph{}, syl{};
  (void)engine->GetSegment(&ph, &syl);
  saved_phonemes.assign(ph.items, ph.items + ph.count);
  saved_syllables.assign(syl.items, syl.items + syl.count);
  // The lent tables are a finished alignment inside the wave.
  const double wave_steps = std::ceil(static_cast<double>(speech.samples.size()) / (kRate * 0.02));
  Require(vtr::wtp::CheckSegmentTables(ph, syl).empty() &&
          ph.items[ph.count - 1].endStep <= wave_steps);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vtr::wtp::SegmentTable ph{}, syl{};
  (void)engine->GetSegment(&ph, &syl);
  std::memcpy(ph.items, saved_phonemes.data(),
              saved_phonemes.size() * sizeof(vtr::wtp::SegmentRecord));
  std::memcpy(syl.items, saved_syllables.data(),
              saved_syllables.size() * sizeof(vtr::wtp::SegmentRecord));
  if (size == 0) return 0;
  const bool own_tables = data[0] & 1;
  const int buffer_length = static_cast<int>(data[0] >> 1) * 8 - 16;
  ++data;
  --size;
  if (own_tables) {
    // Arbitrary tables of the caller's own.
    const uint32_t np = Take32(data, size) % 12, ns = Take32(data, size) % 8;
    std::vector<vtr::wtp::SegmentRecord> phonemes(np), syllables(ns);
    for (auto* table : {&phonemes, &syllables}) {
      for (auto& record : *table) {
        const size_t n = std::min(size, sizeof record);
        std::memcpy(&record, data, n);
        data += n;
        size -= n;
      }
    }
    vtr::wtp::SegmentTable a{np, phonemes.data()}, b{ns, syllables.data()};
    RefineAndRequireOrder(a, b);
  } else {
    // Edits of the lent tables: record and what, value.
    while (size >= 6) {
      const uint32_t which = Take32(data, size);
      const uint32_t value = Take32(data, size);
      const bool phoneme = which & 1;
      vtr::wtp::SegmentTable& t = phoneme ? ph : syl;
      vtr::wtp::SegmentRecord& r = t.items[(which >> 1) % t.count];
      switch ((which >> 8) % 8) {
        case 0:
          r.startStep = value % 4096;
          break;
        case 1:
          r.endStep = value % 4096;
          break;
        case 2:
          r.link = static_cast<int32_t>(value);
          break;
        case 3:
          r.firstPhoneme = static_cast<int32_t>(value);
          break;
        case 4:
          r.lastPhoneme = static_cast<int32_t>(value);
          break;
        default:
          DragBoundary(ph, syl, which >> 1, value);
          break;
      }
    }
    RefineAndRequireOrder(ph, syl);
  }
  std::vector<char> buffer(static_cast<size_t>(std::max(buffer_length, 1)));
  (void)engine->GeneratePSeq(buffer_length < 0 ? nullptr : buffer.data(), buffer_length);
  return 0;
}
