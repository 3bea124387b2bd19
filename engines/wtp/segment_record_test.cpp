#include "engines/wtp/segment_record.h"

#include <gtest/gtest.h>

#include <vector>

namespace vtr::wtp {
namespace {

SegmentRecord Phoneme(const char* name, int32_t link, uint32_t start, uint32_t end) {
  SegmentRecord r = MakeSegmentRecord(name);
  r.link = link;
  r.startStep = start;
  r.endStep = end;
  return r;
}

SegmentRecord Syllable(const char* name, int32_t index, int32_t first, int32_t last, uint32_t start,
                       uint32_t end) {
  SegmentRecord r = Phoneme(name, index, start, end);
  r.firstPhoneme = first;
  r.lastPhoneme = last;
  return r;
}

struct Tables {
  std::vector<SegmentRecord> phonemes = {Phoneme(" ", 0, 0, 3), Phoneme("k", 1, 3, 6),
                                         Phoneme("a", 1, 6, 10), Phoneme(" ", 2, 10, 12)};
  std::vector<SegmentRecord> syllables = {
      Syllable(" ", 0, 0, 0, 0, 3), Syllable("ka", 1, 1, 2, 3, 10), Syllable(" ", 2, 3, 3, 10, 12)};
  std::string Check() {
    return CheckSegmentTables({static_cast<uint32_t>(phonemes.size()), phonemes.data()},
                              {static_cast<uint32_t>(syllables.size()), syllables.data()});
  }
};

TEST(SegmentRecordTest, NamesAreCutToNineteenBytes) {
  EXPECT_EQ(SegmentName(MakeSegmentRecord("ka")), "ka");
  EXPECT_EQ(SegmentName(MakeSegmentRecord("0123456789012345678901")), "0123456789012345678");
  EXPECT_TRUE(IsPause(MakeSegmentRecord(" ")));
  EXPECT_FALSE(IsPause(MakeSegmentRecord("a")));
}

TEST(SegmentRecordTest, CheckerFindsEveryBrokenInvariant) {
  struct Case {
    const char* name;
    void (*damage)(Tables&);
    bool ok;
  };
  // clang-format off
  const Case cases[] = {
      {"good tables", [](Tables&) {}, true},
      {"first phoneme not a pause", [](Tables& t) { t.phonemes[0] = Phoneme("a", 0, 0, 3); }, false},
      {"last syllable not a pause", [](Tables& t) { std::snprintf(t.syllables[2].name, 20, "o"); }, false},
      {"gap between phonemes", [](Tables& t) { t.phonemes[2].startStep = 7; t.syllables[1].endStep = 10; }, false},
      {"empty phoneme", [](Tables& t) { t.phonemes[1].endStep = 3; t.phonemes[2].startStep = 3; }, false},
      {"syllable range misses a phoneme", [](Tables& t) { t.syllables[1].lastPhoneme = 1; }, false},
      {"syllable range takes a foreign phoneme", [](Tables& t) { t.syllables[1].lastPhoneme = 3; }, false},
      {"link outside the table", [](Tables& t) { t.phonemes[2].link = 7; }, false},
      {"syllable steps differ", [](Tables& t) { t.syllables[1].startStep = 4; }, false},
      {"syllable not self-linked", [](Tables& t) { t.syllables[1].link = 0; }, false},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Tables t;
    c.damage(t);
    EXPECT_EQ(t.Check().empty(), c.ok) << t.Check();
  }
  EXPECT_FALSE(CheckSegmentTables({0, nullptr}, {0, nullptr}).empty());
}

}  // namespace
}  // namespace vtr::wtp
