#include "engines/wtp/segment_record.h"

#include <algorithm>
#include <cstring>

namespace vtr::wtp {

SegmentRecord MakeSegmentRecord(std::string_view name) {
  SegmentRecord record{};
  const size_t length = std::min(name.size(), kSegmentNameBytes - 1);
  std::memcpy(record.name, name.data(), length);
  return record;
}

std::string CheckSegmentTables(const SegmentTable& phonemes, const SegmentTable& syllables) {
  if (phonemes.count == 0 || phonemes.items == nullptr) return "no phonemes";
  if (syllables.count == 0 || syllables.items == nullptr) return "no syllables";
  const SegmentRecord* ph = phonemes.items;
  const SegmentRecord* syl = syllables.items;
  const uint32_t np = phonemes.count;
  const uint32_t ns = syllables.count;
  if (!IsPause(ph[0]) || !IsPause(ph[np - 1])) return "phonemes do not begin and end with a pause";
  if (!IsPause(syl[0]) || !IsPause(syl[ns - 1]))
    return "syllables do not begin and end with a pause";
  for (uint32_t i = 0; i < np; ++i) {
    if (ph[i].endStep <= ph[i].startStep) return "phoneme " + std::to_string(i) + " is empty";
    if (i > 0 && ph[i].startStep != ph[i - 1].endStep) {
      return "phoneme " + std::to_string(i) + " does not start where the previous one ends";
    }
    if (ph[i].link < 0 || static_cast<uint32_t>(ph[i].link) >= ns) {
      return "phoneme " + std::to_string(i) + " links outside the syllables";
    }
    if (i > 0 && ph[i].link != ph[i - 1].link && ph[i].link != ph[i - 1].link + 1) {
      return "phoneme " + std::to_string(i) + " skips a syllable";
    }
  }
  if (ph[0].link != 0 || static_cast<uint32_t>(ph[np - 1].link) != ns - 1) {
    return "phonemes do not cover every syllable";
  }
  for (uint32_t f = 0; f < ns; ++f) {
    const SegmentRecord& s = syl[f];
    const std::string which = "syllable " + std::to_string(f);
    if (s.link != static_cast<int32_t>(f)) return which + " does not link to itself";
    if (s.firstPhoneme < 0 || s.lastPhoneme < s.firstPhoneme ||
        static_cast<uint32_t>(s.lastPhoneme) >= np) {
      return which + " has a bad phoneme range";
    }
    for (int32_t p = s.firstPhoneme; p <= s.lastPhoneme; ++p) {
      if (ph[p].link != static_cast<int32_t>(f)) return which + " covers a foreign phoneme";
    }
    if ((s.firstPhoneme > 0 && ph[s.firstPhoneme - 1].link == static_cast<int32_t>(f)) ||
        (static_cast<uint32_t>(s.lastPhoneme) + 1 < np &&
         ph[s.lastPhoneme + 1].link == static_cast<int32_t>(f))) {
      return which + " misses one of its phonemes";
    }
    if (s.startStep != ph[s.firstPhoneme].startStep || s.endStep != ph[s.lastPhoneme].endStep) {
      return which + " steps differ from its phonemes";
    }
    if (s.endStep <= s.startStep) return which + " is empty";
  }
  return {};
}

}  // namespace vtr::wtp
