// Edits the engine's lent segment tables arbitrarily, as a caller may, then refines them and
// writes a pitch sequence from them; also hands arbitrary tables of its own to the refinement.
// The engine aligns one synthetic utterance once, through the built recogniser folder (only
// read); the utterance's wave lies in a scratch folder that goes at once.
#include <cstring>
#include <filesystem>
#include <vector>

#include "engines/wtp/testing/speech_synth.h"
#include "engines/wtp/wtp_engine.h"
#include "platform/scratch_folder.h"

namespace {

vtr::wtp::WtpEngine* engine = nullptr;
std::vector<vtr::wtp::SegmentRecord> saved_phonemes, saved_syllables;

uint32_t Take32(const uint8_t*& data, size_t& size) {
  uint32_t v = 0;
  const size_t n = std::min<size_t>(4, size);
  std::memcpy(&v, data, n);
  data += n;
  size -= n;
  return v;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const vtr::platform::ScratchFolder scratch("vtr-segment-edit-fuzzer");
  const auto script = vtr::wtp::testing::RandomScript(6, 3, 9);
  const auto speech = vtr::wtp::testing::Synthesize(script, 22050, 180, 9);
  const std::string wave = (scratch.path() / "utterance.wav").string();
  if (vtr::wtp::WaveBuffer(speech.samples, 22050).WriteWave(wave) != vtr::wtp::WaveResult::kOk) std::abort();
  engine = new vtr::wtp::WtpEngine(std::filesystem::path(VTR_DIST_DIR) / "Plugin" / "Julius");
  std::vector<char> buffer(0x100000);
  if (engine->Initialize(20, 0) != 0 || engine->SetWav(wave.c_str(), static_cast<int>(wave.size())) != 0 ||
      engine->SetText(speech.text.data(), static_cast<int>(speech.text.size())) < 0 ||
      engine->GetPSeq(buffer.data(), static_cast<int>(buffer.size())) <= 0) {
    std::abort();
  }
  vtr::wtp::SegmentTable ph{}, syl{};
  (void)engine->GetSegment(&ph, &syl);
  saved_phonemes.assign(ph.items, ph.items + ph.count);
  saved_syllables.assign(syl.items, syl.items + syl.count);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vtr::wtp::SegmentTable ph{}, syl{};
  (void)engine->GetSegment(&ph, &syl);
  std::memcpy(ph.items, saved_phonemes.data(), saved_phonemes.size() * sizeof(vtr::wtp::SegmentRecord));
  std::memcpy(syl.items, saved_syllables.data(), saved_syllables.size() * sizeof(vtr::wtp::SegmentRecord));
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
    (void)engine->SetSegment(&a, &b);
  } else {
    // Field edits of the lent tables: record, field, value.
    while (size >= 6) {
      const uint32_t which = Take32(data, size);
      const uint32_t value = Take32(data, size);
      const bool phoneme = which & 1;
      vtr::wtp::SegmentTable& t = phoneme ? ph : syl;
      vtr::wtp::SegmentRecord& r = t.items[(which >> 1) % t.count];
      switch ((which >> 8) % 5) {
        case 0: r.startStep = value % 4096; break;
        case 1: r.endStep = value % 4096; break;
        case 2: r.link = static_cast<int32_t>(value); break;
        case 3: r.firstPhoneme = static_cast<int32_t>(value); break;
        default: r.lastPhoneme = static_cast<int32_t>(value); break;
      }
    }
    (void)engine->SetSegment(&ph, &syl);
  }
  std::vector<char> buffer(static_cast<size_t>(std::max(buffer_length, 1)));
  (void)engine->GeneratePSeq(buffer_length < 0 ? nullptr : buffer.data(), buffer_length);
  return 0;
}
