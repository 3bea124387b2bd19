#include "engines/wtp/segment_builder.h"

#include <algorithm>
#include <cstdint>

#include "engines/wtp/phoneme_tables.h"

namespace vtr::wtp {
namespace {

// Levels [dB] of the rules.
constexpr double kNoMax = -200;
constexpr double kNoMin = 0;
constexpr double kLoudPauseDb = -10;     // a pause whose quietest step is louder is merged
constexpr double kDipNeighbourDb = -30;  // the next syllable must reach this for a dip search
constexpr double kDipFinalDb = -25;      // ... and this syllable's last phoneme this
constexpr double kDipDb = -50;           // a dip is quieter than this
constexpr double kDipBelowMaxDb = 30;    // ... and this far below the two syllables' maximum
constexpr double kRefineSyllableDb = -30;
constexpr double kQuietPauseDb = -20;

class Levels {
 public:
  explicit Levels(const ContourSource& contours)
      : contours_(contours),
        // Steps after the contour all read its last frame; scans need not go further.
        limit_(static_cast<int64_t>(contours.frame_count() / 2 + 4)) {}

  double At(int64_t step) const {
    return contours_.RawPower(static_cast<double>(std::clamp<int64_t>(step, 0, limit_)) *
                              kStepSec) +
           contours_.gain_db();
  }
  // Level `fraction` of a step after `step`.
  double AtFraction(int64_t step, double fraction) const {
    return contours_.RawPower(
               (static_cast<double>(std::clamp<int64_t>(step, 0, limit_)) + fraction) * kStepSec) +
           contours_.gain_db();
  }
  double Max(int64_t start, int64_t end) const {
    double m = kNoMax;
    for (int64_t s = std::max<int64_t>(start, 0); s < std::min(end, limit_ + 1); ++s)
      m = std::max(m, At(s));
    return m;
  }
  double Min(int64_t start, int64_t end) const {
    double m = kNoMin;
    for (int64_t s = std::max<int64_t>(start, 0); s < std::min(end, limit_ + 1); ++s)
      m = std::min(m, At(s));
    return m;
  }
  double Max(const SegmentRecord& r) const { return Max(r.startStep, r.endStep); }
  double Min(const SegmentRecord& r) const { return Min(r.startStep, r.endStep); }
  int64_t limit() const { return limit_; }

 private:
  const ContourSource& contours_;
  int64_t limit_;
};

int64_t Length(const SegmentRecord& r) {
  return static_cast<int64_t>(r.endStep) - static_cast<int64_t>(r.startStep);
}

uint32_t Step(int64_t value) {
  return static_cast<uint32_t>(std::clamp<int64_t>(value, 0, UINT32_MAX));
}

bool IsVowelOrNasal(std::string_view name) { return IsBareSyllable(name); }

// The closure test: a quiet consonant before a loud final phoneme.
bool LooksLikeClosure(bool sibilant_before, double c_max, double f_max, bool long_enough) {
  return (sibilant_before && c_max < -15 && f_max > -25) || (c_max < -25 && f_max > -25) ||
         (long_enough && c_max < -10 && f_max > -15);
}

// Ends phoneme `last` at the dip `o` and starts phoneme `next_first` at o + 1 (the two sides
// of a silent dip). A phoneme pushed to zero length is moved one step: to [o - 1, o) before,
// the phoneme before it ending at o - 1; to [o + 1, o + 2) after, the phoneme after it
// starting at o + 2. False, changing nothing, when a move would empty that neighbour or
// needs one outside the syllable (before: one already written).
bool CutAtDip(std::vector<SegmentRecord>& aph, size_t last, size_t next_first, int32_t next_last,
              int64_t o) {
  SegmentRecord& before = aph[last];
  SegmentRecord& after = aph[next_first];
  const bool move_before = before.startStep >= o;
  const bool move_after = after.endStep <= o + 1;
  if (move_before && (before.link != aph[last - 1].link || aph[last - 1].startStep >= o - 1)) {
    return false;
  }
  if (move_after &&
      (static_cast<int32_t>(next_first) >= next_last || aph[next_first + 1].endStep <= o + 2)) {
    return false;
  }
  before.endStep = Step(o);
  if (move_before) {
    before.startStep = Step(o - 1);
    aph[last - 1].endStep = Step(o - 1);
  }
  after.startStep = Step(o + 1);
  if (move_after) {
    after.endStep = Step(o + 2);
    aph[next_first + 1].startStep = Step(o + 2);
  }
  return true;
}

class Builder {
 public:
  Builder(std::vector<SegmentRecord>& aph, std::vector<SegmentRecord>& asyl,
          std::vector<SegmentRecord>& ph, std::vector<SegmentRecord>& syl)
      : aph_(aph), asyl_(asyl), ph_(ph), syl_(syl) {}

  void Copy(size_t t) {
    SegmentRecord s = asyl_[t];
    const int32_t index = static_cast<int32_t>(syl_.size());
    s.link = index;
    s.firstPhoneme = static_cast<int32_t>(ph_.size());
    for (int32_t p = asyl_[t].firstPhoneme; p <= asyl_[t].lastPhoneme; ++p) {
      SegmentRecord r = aph_[static_cast<size_t>(p)];
      r.link = index;
      r.firstPhoneme = r.lastPhoneme = 0;
      ph_.push_back(r);
    }
    s.lastPhoneme = static_cast<int32_t>(ph_.size()) - 1;
    s.startStep = ph_[static_cast<size_t>(s.firstPhoneme)].startStep;
    s.endStep = ph_.back().endStep;
    syl_.push_back(s);
  }

  // A pause syllable with its one pause phoneme, steps only.
  void InsertPause(uint32_t start, uint32_t end) {
    const int32_t index = static_cast<int32_t>(syl_.size());
    SegmentRecord p = MakeSegmentRecord(kPauseName);
    p.link = index;
    p.startStep = start;
    p.endStep = end;
    ph_.push_back(p);
    SegmentRecord s = p;
    s.firstPhoneme = s.lastPhoneme = static_cast<int32_t>(ph_.size()) - 1;
    syl_.push_back(s);
  }

 private:
  std::vector<SegmentRecord>& aph_;
  std::vector<SegmentRecord>& asyl_;
  std::vector<SegmentRecord>& ph_;
  std::vector<SegmentRecord>& syl_;
};

}  // namespace

bool SegmentTablesAreUsable(const SegmentTable& phonemes, const SegmentTable& syllables) {
  if (phonemes.items == nullptr || syllables.items == nullptr || phonemes.count < 3 ||
      syllables.count < 3) {
    return false;
  }
  const int64_t np = phonemes.count, ns = syllables.count;
  for (int64_t i = 0; i < np; ++i) {
    const int32_t link = phonemes.items[i].link;
    if (link < 0 || link >= ns) return false;
  }
  for (int64_t f = 0; f < ns; ++f) {
    const SegmentRecord& s = syllables.items[f];
    if (s.firstPhoneme < 0 || s.lastPhoneme < s.firstPhoneme || s.lastPhoneme >= np) return false;
    for (int32_t p = s.firstPhoneme; p <= s.lastPhoneme; ++p) {
      if (phonemes.items[p].link != f) return false;
    }
  }
  return true;
}

bool BuildSegments(std::vector<SegmentRecord>& aph, std::vector<SegmentRecord>& asyl,
                   const ContourSource& contours, std::vector<SegmentRecord>& ph,
                   std::vector<SegmentRecord>& syl) {
  ph.clear();
  syl.clear();
  if (aph.empty() || asyl.empty() || contours.frame_count() == 0) return false;
  if (!IsPause(aph.front()) || !IsPause(aph.back()) || !IsPause(asyl.front()) ||
      !IsPause(asyl.back())) {
    return false;
  }
  if (!SegmentTablesAreUsable({static_cast<uint32_t>(aph.size()), aph.data()},
                              {static_cast<uint32_t>(asyl.size()), asyl.data()})) {
    return false;
  }
  const Levels level(contours);
  ph.reserve(2 * aph.size());
  syl.reserve(2 * asyl.size());
  Builder build(aph, asyl, ph, syl);
  build.Copy(0);
  const size_t ns = asyl.size();
  for (size_t t = 1; t + 1 < ns; ++t) {
    SegmentRecord& syllable = asyl[t];
    const size_t c = static_cast<size_t>(syllable.firstPhoneme);
    const size_t last = static_cast<size_t>(syllable.lastPhoneme);
    const double f_max = level.Max(aph[last]);
    const double c_max = level.Max(aph[c]);
    if (IsPause(syllable)) {
      if (level.Min(syllable) > kLoudPauseDb && c > 0) {
        // Not silent: the syllable before takes its time.
        const uint32_t end = syllable.endStep;
        asyl[t - 1].endStep = end;
        aph[c - 1].endStep = end;
        syl.back().endStep = end;
        ph.back().endStep = end;
      } else {
        build.Copy(t);
      }
      continue;
    }
    // "The previous" phoneme and syllable are the last ones written to the tables: where a
    // pause was just put in, that pause. So the syllable after an inserted pause gets neither
    // a closure pause nor a dip search, and one silence never gets a second pause record;
    // the refinement widens the one it has. "The next" syllable is the aligner's.
    const bool previous_phoneme_is_pause = IsPause(ph.back());
    const bool previous_is_sibilant = IsSibilant(SegmentName(ph.back()));
    const bool previous_syllable_is_pause = IsPause(syl.back());
    const bool has_consonant = !IsBareSyllable(SegmentName(syllable)) && c + 1 < aph.size();
    if (has_consonant && !previous_phoneme_is_pause) {
      const int64_t c_length = Length(aph[c]);
      const int64_t v_length = Length(aph[c + 1]);
      if (LooksLikeClosure(previous_is_sibilant, c_max, f_max, c_length >= 6 && v_length >= 4)) {
        if (!previous_syllable_is_pause && c_length > 5) {
          // A one-step pause at the start of the closure.
          const uint32_t j = aph[c].startStep;
          build.InsertPause(j, j + 1);
          aph[c].startStep = j + 1;
          syllable.startStep = j + 1;
        }
        build.Copy(t);
        continue;
      }
    }
    SegmentRecord& next = asyl[t + 1];
    if (!IsPause(next) && !previous_syllable_is_pause && level.Max(next) > kDipNeighbourDb &&
        f_max > kDipFinalDb) {
      const int64_t start = syllable.startStep, end = syllable.endStep;
      const int64_t next_start = next.startStep, next_end = next.endStep;
      const size_t next_first = static_cast<size_t>(next.firstPhoneme);
      const SegmentRecord& next_last = aph[static_cast<size_t>(next.lastPhoneme)];
      bool dipped = false;
      if (next_end - start >= 3) {
        const double m = level.Max(start, next_end);
        const int64_t from = start + (end - start) / 2;
        const int64_t to = std::min(next_start + (next_end - next_start) / 2, level.limit() + 1);
        for (int64_t o = from; o < to; ++o) {
          const double l = level.At(o);
          // Once the next syllable's final phoneme has sounded, a silence after it is not
          // between the two syllables: it lies inside that phoneme, where the recogniser
          // reports a pause the text does not hold. Cutting there would end this syllable
          // after the next one's whole sound and leave the next lying over the silence, which
          // the refinement cannot undo (a syllable over silence has no level to move by).
          if (o >= next_last.startStep && l > kDipNeighbourDb) break;
          if (l < kDipDb && l < m - kDipBelowMaxDb) {
            // The first such step is the dip. A cut that would empty a second phoneme, or
            // reach into a syllable already written, would break the tables: then no pause.
            dipped = CutAtDip(aph, last, next_first, next.lastPhoneme, o);
            if (dipped) {
              syllable.endStep = Step(o);
              next.startStep = Step(o + 1);
              build.Copy(t);
              build.InsertPause(Step(o), Step(o + 1));
            }
            break;
          }
        }
      }
      if (!dipped) build.Copy(t);
      continue;
    }
    build.Copy(t);
  }
  build.Copy(ns - 1);
  return true;
}

void RefineSegments(SegmentTable& phonemes, SegmentTable& syllables,
                    const ContourSource& contours) {
  if (!SegmentTablesAreUsable(phonemes, syllables) || contours.frame_count() == 0) return;
  const Levels level(contours);
  SegmentRecord* ph = phonemes.items;
  SegmentRecord* syl = syllables.items;
  const int64_t np = phonemes.count;
  const int64_t limit = level.limit() + 2;
  for (int64_t p = 1; p + 1 < np; ++p) {
    SegmentRecord& me = ph[p];
    if (IsPause(me)) continue;
    SegmentRecord& before = ph[p - 1];
    SegmentRecord& after = ph[p + 1];
    const SegmentRecord& own = syl[me.link];
    const SegmentRecord& first = ph[own.firstPhoneme];
    const SegmentRecord& final_phoneme = ph[own.lastPhoneme];
    const double s_max = level.Max(first.startStep, final_phoneme.endStep);
    const double f1 = level.Max(first);
    const double f2 = level.Max(final_phoneme);

    // The end before a pause.
    if (IsPause(after) && s_max > kRefineSyllableDb) {
      const int64_t e = me.endStep;
      const double at_end = level.At(e);
      int64_t new_end = e;
      if (at_end < s_max - 35 || at_end < -40) {
        // Already in silence: move back to the earliest silent step of the quiet run.
        const int64_t lo = before.link == me.link ? static_cast<int64_t>(before.startStep) + 2
                                                  : static_cast<int64_t>(me.startStep) + 1;
        for (int64_t k = std::min(e, limit); k >= lo; --k) {
          const double l = level.At(k);
          if (!(l <= s_max - 33 || l <= -38)) break;
          if (l < s_max - 35 && l < -40) new_end = k;
        }
      } else if (at_end > s_max - 20 && at_end > -30) {
        // Still sounding: move forward to the latest loud step, keeping the pause a step.
        const int64_t hi = std::min<int64_t>(static_cast<int64_t>(after.endStep) - 1, limit);
        for (int64_t k = e; k <= hi; ++k) {
          const double l = level.At(k);
          if (!(l >= s_max - 35 && l >= -40)) break;
          if (l > s_max - 22 && l > -40) new_end = k;
        }
      }
      if (new_end != e) {
        me.endStep = Step(new_end);
        after.startStep = Step(new_end);
        if (new_end <= me.startStep && new_end - 1 > before.startStep) {
          me.startStep = Step(new_end - 1);
          before.endStep = Step(new_end - 1);
        }
      }
    }

    // The start after a pause.
    if (IsPause(before)) {
      const int64_t b = me.startStep;
      const int64_t length = Length(me);
      const int64_t next_length = Length(after);
      bool may_move_earlier = true;
      if (!IsVowelOrNasal(SegmentName(me)) && length > 5 &&
          LooksLikeClosure(IsSibilant(SegmentName(me)), f1, f2, length > 5 && next_length > 3)) {
        // A closure that is silent up to near the release is not extended into the pause.
        const int64_t cut = static_cast<int64_t>(me.endStep) - (next_length <= 2 ? 5 : 3);
        if (level.Max(before.startStep, cut) <= -10) may_move_earlier = false;
      }
      const double at_start = level.AtFraction(b, 0.3);
      int64_t new_start = b;
      if (s_max > kRefineSyllableDb && (at_start < s_max - 35 || at_start < -40)) {
        const int64_t hi =
            std::min<int64_t>(after.link == me.link ? static_cast<int64_t>(after.endStep) - 3
                                                    : static_cast<int64_t>(me.endStep) - 1,
                              limit);
        for (int64_t k = b; k <= hi; ++k) {
          const double l = level.At(k);
          if (!(l <= s_max - 33 || l <= -38)) break;
          if (l < s_max - 35 && l < -40) new_start = k;
        }
      } else if (at_start > s_max - 20 && may_move_earlier) {
        const int64_t lo = static_cast<int64_t>(before.startStep) + 1;
        for (int64_t k = std::min(b - 1, limit); k >= lo; --k) {
          const double l = level.At(k);
          if (!(l >= -40 && l > s_max - 35)) break;
          if (l > s_max - 22) new_start = k;
        }
      }
      if (new_start != b) {
        me.startStep = Step(new_start);
        before.endStep = Step(new_start);
        if (me.endStep <= me.startStep) {
          me.endStep = Step(new_start + 1);
          after.startStep = Step(new_start + 1);
        }
        // A pause that stays loud shrinks to its last step; the phoneme before takes the rest.
        if (p >= 2 && level.Min(before) > kQuietPauseDb && new_start - 1 > ph[p - 2].startStep &&
            new_start - 1 >= before.startStep) {
          ph[p - 2].endStep = Step(new_start - 1);
          before.startStep = Step(new_start - 1);
        }
      }
    }
  }
  // Syllables from their phonemes.
  for (uint32_t f = 0; f < syllables.count; ++f) {
    SegmentRecord& s = syl[f];
    const SegmentRecord& first = ph[s.firstPhoneme];
    const SegmentRecord& last = ph[s.lastPhoneme];
    s.startStep = first.startStep;
    s.startSec = first.startSec;
    s.endStep = last.endStep;
    s.endSec = last.endSec;
  }
}

}  // namespace vtr::wtp
