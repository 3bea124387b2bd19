#include "engines/pth/kvx_generator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "engines/pth/kana_labels.h"
#include "engines/pth/testing/script_reading.h"

namespace vtr::pth {
namespace {

constexpr const char* kKa = "\x82\xa9";     // ka, 160 ms
constexpr const char* kSpace = "\x81\x40";  // full-width space
constexpr const char* kLong = "\x81\x5b";   // long mark
constexpr const char* kA = "\x82\xa0";      // a, 160 ms
// Speech mode gives a flat note the narrowest bend range, W1.
constexpr const char* kFlat = "W1";

// A flat, evenly loud note as the parser gives it (bends 0..16383, volume 96 = its own level).
NoteRecord Note(const char* syllable, int delta, int duration, int note = 60, int bend_range = 60) {
  NoteRecord record;
  record.kind = RecordKind::kNote;
  record.delta = delta;
  record.value = static_cast<uint8_t>(note);
  record.velocity = 89;
  record.duration = static_cast<uint32_t>(duration);
  record.syllable = static_cast<int16_t>(FindKanaLabel(syllable));
  record.bend_range = static_cast<uint8_t>(bend_range);
  record.pitch_points[0] = {0, 8192};
  record.pitch_points[1] = {127, 8192};
  record.pitch_count = 2;
  record.volume_points[0] = {0, 96};
  record.volume_points[1] = {127, 96};
  record.volume_count = 2;
  return record;
}

NoteRecord Event(RecordKind kind, int value, int delta = 0) {
  NoteRecord record;
  record.kind = kind;
  record.value = static_cast<uint8_t>(value);
  record.delta = delta;
  return record;
}

NoteStatistics StatisticsOf(const std::vector<NoteRecord>& records) {
  NoteStatistics s;
  int sum = 0, count = 0;
  for (const NoteRecord& r : records) {
    if (r.kind != RecordKind::kNote || r.value > 127) continue;
    s.highest = std::max<int>(s.highest, r.value);
    s.lowest = std::min<int>(s.lowest, r.value);
    sum += r.value;
    ++count;
  }
  if (count > 0) s.average = static_cast<int>(std::lround(static_cast<double>(sum) / count));
  return s;
}

struct Output {
  int result = 0;
  std::string text;
};

Output Generate(const std::vector<NoteRecord>& records, int sing_mode = 0, int window_on = 0,
                int start = 0, int end = 0, int buffer_length = 4096) {
  std::vector<char> buffer(static_cast<size_t>(buffer_length), '\x7f');
  const NoteStatistics statistics = StatisticsOf(records);
  Output out;
  out.result = KvxGenerator().Generate(buffer.data(), buffer_length, records, &statistics,
                                       sing_mode, window_on, start, end);
  if (out.result > 0) out.text.assign(buffer.data(), static_cast<size_t>(out.result));
  return out;
}

TEST(KvxGeneratorRulesTest, LevelTokensFollowTheBendRange) {
  struct Case {
    int bend_range;
    int range;
    int digit;
  } cases[] = {{0, 2, 1},   {3, 2, 1},   {4, 6, 2},   {9, 6, 2},   {10, 12, 3}, {17, 12, 3},
               {18, 24, 4}, {41, 24, 4}, {42, 60, 5}, {60, 60, 5}, {61, -1, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(LevelRange(c.bend_range), c.range) << c.bend_range;
    if (c.range > 0) {
      EXPECT_EQ(LevelDigit(c.range), c.digit) << c.bend_range;
    }
  }
}

TEST(KvxGeneratorRulesTest, VolumeLevelsFollowTheVelocity) {
  struct Case {
    int velocity;
    int level;
  } cases[] = {{0, 1},  {38, 1},  {39, 2},  {54, 2},  {55, 3}, {76, 3},
               {77, 4}, {107, 4}, {108, 5}, {127, 5}, {128, 0}};
  for (const Case& c : cases) EXPECT_EQ(VolumeLevel(c.velocity), c.level) << c.velocity;
}

TEST(KvxGeneratorRulesTest, OctaveShiftBringsTheNotesIntoThreeOctaves) {
  struct Case {
    NoteStatistics statistics;  // average, highest, lowest
    int shift;
  } cases[] = {
      {{255, 0, 255, 12}, 0},   // no pitched note
      {{60, 60, 60, 12}, -48},  // average 60: C of the middle octave
      {{60, 84, 60, 12}, -60},  // high notes pull one octave further down
      {{60, 84, 50, 12}, -48},  // unless low notes would leave the lowest octave
      {{30, 30, 10, 12}, 0},    // low notes pull one octave back up
      {{5, 5, 5, 12}, 12},      // below 12: one octave up
      {{15, 15, 15, 12}, 0},   {{15, 20, -5, 12}, 12},  // low and not high: one more octave up
  };
  for (const Case& c : cases) EXPECT_EQ(OctaveShift(c.statistics), c.shift) << c.statistics.average;
}

TEST(KvxGeneratorRulesTest, NotesAreNamedWithinThreeOctaves) {
  struct Case {
    int note;
    int shift;
    const char* name;
    int octave;
  } cases[] = {
      {60, -48, "C", 2},  {61, -48, "C#", 2}, {71, -48, "B", 2}, {48, -48, "C", 1},
      {83, -48, "B", 3},  {40, -48, "E", 1},  // below the lowest octave: folded into it
      {90, -48, "F#", 3},                     // above the highest: folded into it
  };
  for (const Case& c : cases) {
    const NoteName name = NameOfNote(c.note, c.shift);
    EXPECT_EQ(NoteNameText(name.index), c.name) << c.note;
    EXPECT_EQ(name.octave, c.octave) << c.note;
  }
}

TEST(KvxGeneratorTest, WritesAFlatSyllableWithTheSpeedThatGivesItsLength) {
  struct Case {
    int duration;
    std::string text;
  } cases[] = {
      {8, kKa},                                                // 160 ms at speed 50
      {20, std::string("S38") + kKa},                          // 8 + 50 - 38 = 20 steps
      {1, std::string("S57") + kKa},                           // the shortest piece
      {58, std::string("S0") + kKa},                           // the longest single piece
      {59, std::string("S28") + kKa + "S29" + kLong},          // two pieces of 30 and 29
      {200, std::string("S8") + kKa + kLong + kLong + kLong},  // four pieces of 50 at one speed
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Generate({Note("ka", 0, c.duration)}).text, std::string("KV#J") + kFlat + c.text)
        << c.duration;
  }
}

TEST(KvxGeneratorTest, WritesAGapBeforeANoteAsFullWidthSpaces) {
  struct Case {
    int delta;
    std::string pause;
  } cases[] = {
      {10, std::string(kSpace)},
      {60, std::string("S0") + kSpace},
      {70, std::string("S0") + kSpace + "S50" + kSpace},
      {120, std::string("S0") + kSpace + kSpace},
      {1, std::string("S59") + kSpace},
  };
  for (const Case& c : cases) {
    const Output out = Generate({Note("ka", c.delta, 8)});
    ASSERT_GT(out.result, 0) << c.delta;
    EXPECT_EQ(out.text.substr(0, 4 + c.pause.size()), "KV#J" + c.pause) << c.delta;
  }
}

TEST(KvxGeneratorTest, WritesVoiceAndUTokensAndRefusesValuesWithoutOne) {
  struct Case {
    RecordKind kind;
    int value;
    int result;
    const char* token;
  } cases[] = {
      {RecordKind::kVoice, 5, 0, "K5"},    {RecordKind::kVoice, 99, 0, "K99"},
      {RecordKind::kVoice, 130, 0, "X2"},  {RecordKind::kVoice, 227, 0, "X99"},
      {RecordKind::kVoice, 100, -1, ""},   {RecordKind::kVoice, 228, -1, ""},
      {RecordKind::kControlU, 3, 0, "U3"}, {RecordKind::kControlU, 10, -1, ""},
      {RecordKind::kBendRange, 24, 0, ""},
  };
  for (const Case& c : cases) {
    const Output out = Generate({Event(c.kind, c.value), Note("ka", 0, 8)});
    if (c.result < 0) {
      EXPECT_EQ(out.result, c.result) << c.value;
    } else {
      EXPECT_EQ(out.text, std::string("KV#J") + c.token + kFlat + kKa) << c.value;
    }
  }
}

TEST(KvxGeneratorTest, WritesTheLevelOfTheNotesBendRangeInSingMode) {
  struct Case {
    int bend_range;
    const char* level;
  } cases[] = {{18, "W4"}, {41, "W4"}, {42, "W5"}, {12, ""}, {2, "W1"}};
  for (const Case& c : cases) {
    const Output out = Generate({Note("ka", 0, 8, 60, c.bend_range)}, /*sing_mode=*/1);
    EXPECT_EQ(out.text, std::string("KV#J") + c.level + "C" + kKa) << c.bend_range;
  }
}

TEST(KvxGeneratorTest, NamesNotesInSingModeOnlyWhenTheyChange) {
  const std::vector<NoteRecord> records = {Note("ka", 0, 8, 60, 12), Note("ka", 8, 8, 60, 12),
                                           Note("ka", 8, 8, 62, 12), Note("ka", 8, 8, 74, 12),
                                           Note("ka", 8, 8, 62, 12)};
  // Average 64: shift -48, so 60 is C of octave 2.
  EXPECT_EQ(Generate(records, 1).text,
            std::string("KV#JC") + kKa + kKa + "D" + kKa + "D3" + kKa + "D2" + kKa);
  // Speech mode names no note.
  EXPECT_EQ(Generate({Note("ka", 0, 8, 60, 12)}, 0).text, std::string("KV#J") + kFlat + kKa);
}

TEST(KvxGeneratorTest, WritesGapsBeforeEndEventsAsRestMarks) {
  struct Case {
    int gap;
    const char* rest;
  } cases[] = {{7, "S53,"},  {8, "S56."},     {1, "S59,"}, {2, "S59."},
               {120, "S0."}, {61, "S0,S59,"}, {0, ""}};
  for (const Case& c : cases) {
    const Output out = Generate({Note("ka", 0, 8), Event(RecordKind::kEnd, 0, 8 + c.gap)});
    EXPECT_EQ(out.text, std::string("KV#J") + kFlat + kKa + c.rest) << c.gap;
  }
}

TEST(KvxGeneratorTest, KeepsOnlyTheRecordsInsideTheWindow) {
  const std::vector<NoteRecord> records = {Note("ka", 0, 8), Note("a", 8, 8), Note("ka", 8, 8)};
  struct Case {
    int window_on;
    int start;
    int end;
    std::string text;
  } cases[] = {
      {0, 0, 0, std::string("KV#J") + kFlat + kKa + kA + kKa},
      {1, 8, 16, std::string("KV#J") + kFlat + kA},
      {1, 4, 16,
       std::string("KV#J") + "S56" + kSpace + kFlat + "S50" + kA},  // from the window's start
      {1, 30, 40, "KV#J"},
      {2, 0, 100, "KV#J"},  // an unknown window flag keeps nothing
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Generate(records, 0, c.window_on, c.start, c.end).text, c.text)
        << c.window_on << " " << c.start;
  }
}

TEST(KvxGeneratorTest, ChecksItsArgumentsAndKeepsRoomForTheTerminatingNul) {
  const std::vector<NoteRecord> records = {Note("ka", 0, 8)};
  const NoteStatistics statistics = StatisticsOf(records);
  char buffer[16];
  KvxGenerator generator;
  EXPECT_EQ(generator.Generate(nullptr, 16, records, &statistics, 0, 0, 0, 0), -2);
  EXPECT_EQ(generator.Generate(buffer, 0, records, &statistics, 0, 0, 0, 0), -2);
  EXPECT_EQ(generator.Generate(buffer, 16, records, &statistics, 2, 0, 0, 0), -2);
  EXPECT_EQ(generator.Generate(buffer, 4, records, &statistics, 0, 0, 0, 0), -3);
  EXPECT_EQ(generator.Generate(buffer, 16, {}, &statistics, 0, 0, 0, 0), -6);
  EXPECT_EQ(generator.Generate(buffer, 16, records, nullptr, 0, 0, 0, 0), -6);
  EXPECT_EQ(KvxGenerator(20, 1).Generate(buffer, 16, records, &statistics, 0, 0, 0, 0), -1);

  // "KV#J", "W1" and one kana are 8 bytes: they need a buffer of 9.
  EXPECT_EQ(Generate(records, 0, 0, 0, 0, 8).result, -3);
  std::vector<char> exact(9, '\x7f');
  ASSERT_EQ(generator.Generate(exact.data(), 9, records, &statistics, 0, 0, 0, 0), 8);
  EXPECT_EQ(exact[8], '\0');
}

TEST(KvxGeneratorTest, KeepsEverySentenceWithinOneHundredBytes) {
  std::vector<NoteRecord> records;
  for (int i = 0; i < 300; ++i) {
    NoteRecord note = Note(i % 3 == 0 ? "tSa" : "ka", i % 7 == 0 ? 30 : 12, 11, 55 + i % 12, 60);
    // A contour that rises and falls inside the syllable asks for many pieces.
    for (int p = 0; p < 11; ++p) {
      note.pitch_points[p] = {static_cast<uint8_t>(p * 127 / 10),
                              static_cast<int16_t>(8192 + ((p * 37 + i) % 9 - 4) * 400)};
    }
    note.pitch_count = 11;
    records.push_back(note);
  }
  for (int sing_mode : {0, 1}) {
    const Output out = Generate(records, sing_mode, 0, 0, 0, 1 << 20);
    ASSERT_GT(out.result, 0);
    size_t sentence = 0;
    for (size_t i = 4; i < out.text.size(); ++i) {
      const auto c = static_cast<unsigned char>(out.text[i]);
      const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xEF);
      sentence += lead ? 2 : 1;
      if (lead) ++i;
      if (c == ',' || c == '.') {
        EXPECT_LE(sentence, 100u);
        sentence = 0;
      }
    }
    EXPECT_LE(sentence, 100u);
  }
}

TEST(KvxGeneratorTest, ARisingContourGivesRisingMarks) {
  struct Case {
    const char* what;
    int sing_mode;
    int semitones_per_note;
    int glide;       // bend units at range 60 from each syllable's start to its end
    bool continued;  // each syllable starts where the one before ended
    int duration;
  } cases[] = {
      {"speech, rising notes and glides", 0, 1, 68, false, 30},
      {"speech, one glide over level notes", 0, 0, 120, true, 40},
      {"speech, rising notes without glides", 0, 2, 0, false, 12},
      {"sing, long notes gliding up", 1, 0, 1638, false, 80},
  };
  for (const Case& c : cases) {
    std::vector<NoteRecord> records;
    for (int i = 0; i < 5; ++i) {
      NoteRecord note =
          Note("a", i == 0 ? 0 : c.duration, c.duration, 60 + i * c.semitones_per_note, 60);
      const int base = c.continued ? i * c.glide : 0;
      for (int p = 0; p <= 10; ++p) {
        note.pitch_points[p] = {static_cast<uint8_t>(p * 127 / 10),
                                static_cast<int16_t>(8192 + base + c.glide * p / 10)};
      }
      note.pitch_count = 11;
      records.push_back(note);
    }
    const std::string text = Generate(records, c.sing_mode).text;
    if (c.sing_mode == 0) {
      // One mark of rounding (at most 700 / 8192 of the range in force) is allowed.
      const std::vector<double> pitch = testing::PitchAtSounds(text);
      ASSERT_FALSE(pitch.empty()) << c.what;
      for (size_t i = 1; i < pitch.size(); ++i)
        EXPECT_GE(pitch[i], pitch[i - 1] - 0.1) << c.what << ": " << text;
      EXPECT_GT(pitch.back(), pitch.front() + 1) << c.what << ": " << text;
    } else {
      // Sing mode carries each note's glide on its long marks, around the note's own pitch.
      EXPECT_NE(text.find('^'), std::string::npos) << c.what << ": " << text;
      EXPECT_EQ(text.find('$'), std::string::npos) << c.what << ": " << text;
    }
  }
}

TEST(KvxGeneratorTest, MarksMeasureBendsAtTheRangeOfTheWrittenLevel) {
  // In sing mode a note keeps its bend range, and a range between the five levels is written
  // as the next wider one (18 as W4, 24 semitones): the same glide stored at range 18 and at
  // range 24 must sound alike, so marks count the bends at the written range. Each note glides
  // up 9 semitones.
  {
    const int sing_mode = 1;
    std::vector<std::vector<double>> pitches;
    for (const int range : {18, 24}) {
      NoteRecord note = Note("a", 0, 40, 60, range);
      for (int p = 0; p <= 10; ++p) {
        note.pitch_points[p] = {static_cast<uint8_t>(p * 127 / 10),
                                static_cast<int16_t>(8192 + 9 * 8192 * p / 10 / range)};
      }
      note.pitch_count = 11;
      const std::string text = Generate({note}, sing_mode).text;
      EXPECT_NE(text.find("W4"), std::string::npos) << text;
      pitches.push_back(testing::PitchAtSounds(text));
    }
    ASSERT_EQ(pitches[0].size(), pitches[1].size());
    // One mark at 24 semitones (700 / 8192 x 24 = 2.05) of rounding apart at most.
    for (size_t i = 0; i < pitches[0].size(); ++i)
      EXPECT_NEAR(pitches[0][i], pitches[1][i], 2.1) << i;
    EXPECT_NEAR(pitches[0].back() - pitches[0].front(), pitches[1].back() - pitches[1].front(),
                2.1);
  }
}

}  // namespace
}  // namespace vtr::pth
