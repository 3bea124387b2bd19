#include "engines/convert/kvj_converter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engines/convert/testing/converter_test_util.h"
#include "engines/events/stream_reader.h"

namespace vtr::convert {
namespace {

// Shift-JIS forms used below.
#define A "\x82\xA0"   // あ
#define I "\x82\xA2"   // い
#define KA "\x82\xA9"  // か
#define KI "\x82\xAB"  // き
#define SMALL_YA "\x82\xE1"
#define TSU_SMALL "\x82\xC1"  // っ
#define PA "\x82\xCF"         // ぱ
#define CHI "\x82\xBF"        // ち
#define U "\x82\xA4"          // う
#define VOICED "\x81\x4A"     // ゛
#define SMALL_A "\x82\x9F"
#define SMALL_I "\x82\xA1"
#define LONG "\x81\x5B"   // ー
#define STOP "\x81\x42"   // 。
#define COMMA "\x81\x41"  // 、

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

using testing::Bytes;
using testing::Joined;

std::vector<Bytes> Events(const std::string& script) {
  return testing::Events<KvjConverter>(script);
}
int PlayMs(const std::string& script) { return testing::PlayMs<KvjConverter>(script); }

TEST(KvjConverterTest, HeaderOnlyGivesNoEvent) { EXPECT_TRUE(Events("KV#J").empty()); }

TEST(KvjConverterTest, OneKanaIsOneNoteEventThenTheEnd) {
  const auto events = Events("KV#J" A);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], (Bytes{0x00, 0x90, 0x80, 0x59, 0x08, 0x10, 0x00, 0x01, 0x61, 0x02, 0x00,
                              0x00, 0x40, 0x7F, 0x00, 0x40, 0x02, 0x00, 0x60, 0x7F, 0x60, 0x00}));
  EXPECT_EQ(events[1], (Bytes{0x08, 0xFF, 0x00}));
}

struct TimeCase {
  const char* what;
  std::string script;
  int ms;
};

TEST(KvjConverterTest, PlayTimeIsTheSumOfTheRecordDurations) {
  const TimeCase cases[] = {
      {"one kana", "KV#J" A, 160},
      {"kana and full stop rest twice", "KV#J" A STOP, 560},
      {"geminate lengthens the next delta", "KV#J" KA TSU_SMALL PA, 460},
      {"prolongation takes the kana's length", "KV#J" A LONG, 320},
      {"small kana joins its syllable", "KV#J" KI SMALL_YA, 200},
      {"length mode 1 gives 160", "KV#JL1" KI, 160},
      {"length mode 0 gives the table length", "KV#JL1L0" KI, 140},
      {"fastest speed holds 20 ms", "KV#JS99" A, 20},
      {"slowest speed adds 1000 ms", "KV#JS0" A, 1160},
      {"lower-case speed command", "KV#Js10" A, 960},
      {"full-width speed command and digits", "KV#J\x82\x72\x82\x58\x82\x58" A, 20},
      {"space rests 200 ms", "KV#J" A " ", 360},
      {"comma rests once", "KV#J" A COMMA A, 520},
      {"question and star rest twice", "KV#J" A "?" A "*", 1120},
      {"star with a count", "KV#J" A "*3", 560},
      {"geminate alone", "KV#J" TSU_SMALL, 120},
      {"geminate then prolongation", "KV#J" TSU_SMALL LONG A, 400},
      {"prolongation before any kana", "KV#J" LONG A, 320},
      {"rest before a prolongation is absorbed", "KV#J" A " " LONG, 520},
      {"voice command inside an event", "KV#J" A "K05" LONG, 320},
      {"two controls inside an event", "KV#J" A "U1" LONG "W2" LONG A, 640},
      {"prolongation after a prolongation", "KV#JS40" A LONG LONG, 3 * 360},
      {"tilde prolongation", "KV#J" CHI SMALL_YA "~-", 3 * 260},
      {"prolongation with lengths off", "KV#JL1" CHI SMALL_YA LONG, 320},
      {"voiced u with small a", "KV#J" U VOICED SMALL_A, 180},
      {"voiced u alone", "KV#J" U VOICED, 200},
      {"u with small i", "KV#J" U SMALL_I, 180},
      {"bracket text is skipped", "KV#J[abc S0 ]" A, 160},
      {"full-width brackets", "KV#J\x81\x6D" A "\x81\x6E" I, 140},
      {"unknown double-byte character is skipped", "KV#J" A "\x88\x9F" A, 320},
      {"trailing lead byte", "KV#J" A "\x82", 160},
      {"truncated voiced u", "KV#J" U "\x81", 140},
      {"phrase byte counter splits long phrases", "KV#J" + Repeat(A, 60), 9600},
      {"record limit splits long phrases", "KV#J" + Repeat(" ", 150), 30000},
      {"bracket skip longer than a phrase", "KV#J[" + Repeat(A, 80) + "]" A, 160},
      {"sentence mode and accents take no time", "KV#J!'^_$<>/=&" A, 160},
      {"missing speed digits are ignored", "KV#JS" A, 160},
      {"velocity and notes take no time", "KV#JV5C#3D" A, 160},
  };
  for (const auto& c : cases) EXPECT_EQ(PlayMs(c.script), c.ms) << c.what;
}

struct NoteCase {
  const char* what;
  std::string script;
  uint8_t note_byte;
};

TEST(KvjConverterTest, NoteCommandsSetTheNoteByte) {
  const NoteCase cases[] = {
      {"unpitched by default", "KV#J" A, 0x80},
      {"C in the default octave", "KV#JC" A, 0x80 | 60},
      {"C sharp", "KV#JC#" A, 0x80 | 61},
      {"E sharp stays E", "KV#JE#" A, 0x80 | 64},
      {"B sharp in octave 3 stays B", "KV#JB#3" A, 0x80 | 83},
      {"octave digit 1", "KV#JA1" A, 0x80 | 57},
      {"lower-case note letter", "KV#Jc" A, 0x80 | 60},
      {"full-width note and sharp", "KV#J\x82\x62\x81\x94" A, 0x80 | 61},
      {"octave carries over", "KV#JC3D" A, 0x80 | 74},
      {"digit 4 is not an octave", "KV#JC4" A, 0x80 | 60},
  };
  for (const auto& c : cases) {
    const auto events = Events(c.script);
    ASSERT_GE(events.size(), 1u) << c.what;
    EXPECT_EQ(events[0][2], c.note_byte) << c.what;
  }
}

struct StreamCase {
  const char* what;
  std::string script;
  Bytes stream;
};

TEST(KvjConverterTest, ControlAndVoiceCommandsWriteTheirEvents) {
  const StreamCase cases[] = {
      {"K and X voices", "KV#JK05X05", {0x00, 0xC0, 0x05, 0x00, 0xC0, 0x85, 0x00, 0xFF, 0x00}},
      {"voice clamps", "KV#JK99X99", {0x00, 0xC0, 0x63, 0x00, 0xC0, 0xE3, 0x00, 0xFF, 0x00}},
      {"W0 and W6 are ignored, W1 gives 2",
       "KV#JW0W6W1",
       {0x00, 0xB0, 0x14, 0x02, 0x00, 0xFF, 0x00}},
      {"W5 gives 60", "KV#Jw5", {0x00, 0xB0, 0x14, 0x3C, 0x00, 0xFF, 0x00}},
      {"U9", "KV#JU9", {0x00, 0xB0, 0x16, 0x09, 0x00, 0xFF, 0x00}},
      {"rest before a control is its delta", "KV#J U0", {0x0A, 0xB0, 0x16, 0x00, 0x00, 0xFF, 0x00}},
      {"phrase end closes a phrase", "KV#J, ", {0x0A, 0xFF, 0x00, 0x0A, 0xFF, 0x00}},
      {"a lone geminate ends after its time", "KV#J" TSU_SMALL, {0x06, 0xFF, 0x00}},
  };
  for (const auto& c : cases) EXPECT_EQ(Joined(Events(c.script)), c.stream) << c.what;
}

TEST(KvjConverterTest, SpeedAndGeminateShapeTheDeltas) {
  auto events = Events("KV#JS99" A);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0][4], 0x01);  // 20 ms
  events = Events("KV#J" TSU_SMALL A);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0][0], 0x06);  // 120 ms before the syllable
}

TEST(KvjConverterTest, ControlInsideAnEventIsTimedFromTheEventStart) {
  // あ (160) K05 ー (160): the event lasts 16 ticks; the voice sits 8 ticks into it.
  const auto events = Events("KV#J" A "K05" LONG);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0][4], 16);
  EXPECT_EQ(events[1], (Bytes{0x08, 0xC0, 0x05}));
  EXPECT_EQ(events[2], (Bytes{0x08, 0xFF, 0x00}));
}

TEST(KvjConverterTest, BareVowelNameFollowsTheSyllable) {
  const auto events = Events("KV#J" KA A);
  ASSERT_EQ(events.size(), 3u);
  auto read = events::ReadStream(events[0]);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read.records[0].text, (Bytes{'k', 'a', 'a'}));
}

TEST(KvjConverterTest, AccentMarksShapeThePitchAndVolume) {
  const auto events = Events("KV#J'<" A);
  auto read = events::ReadStream(events[0]);
  ASSERT_TRUE(read.ok());
  const auto& r = read.records[0];
  EXPECT_EQ(r.pitch, (std::vector<events::PitchPoint>{{0, 8192}, {20, 8892}, {127, 8892}}));
  EXPECT_EQ(r.volume, (std::vector<events::VolumePoint>{{0, 96}, {64, 97}, {127, 97}}));
}

TEST(KvjConverterTest, TildeStretchesAreMarkedInTheExtraBytes) {
  // い (140) ～ (140) ー (140): the "~" starts at 1/3, the "-" after it at 2/3.
  const auto events = Events("KV#J" I "~" LONG);
  auto read = events::ReadStream(events[0]);
  ASSERT_TRUE(read.ok());
  EXPECT_EQ(read.records[0].extra, (Bytes{42, 84}));
}

struct CodeCase {
  const char* what;
  int result;
  int expected;
};

TEST(KvjConverterTest, OperationsReportTheirErrors) {
  const uint8_t good[] = {'K', 'V', '#', 'J', 0x82, 0xA0};
  const uint8_t other[] = {'K', 'V', '#', 'K', 0xB0, 0xA1};
  uint8_t buf[64];
  KvjConverter fresh, twice, opened, closed;
  (void)twice.Init(20);
  (void)opened.Init(20);
  (void)closed.Init(20);
  (void)closed.Term();
  const CodeCase cases[] = {
      {"Open before Init", fresh.Open(good, 6), kConverterNotReady},
      {"Convert before Init", fresh.Convert(buf, 64), kConverterNotReady},
      {"Term before Init", fresh.Term(), kConverterNotReady},
      {"Init with timebase 10", fresh.Init(10), kConverterBadArgument},
      {"Init twice", twice.Init(20), kConverterNotReady},
      {"Open a null text", opened.Open(nullptr, 6), kConverterBadArgument},
      {"Open size 0", opened.Open(good, 0), kConverterBadArgument},
      {"Open a negative size", opened.Open(good, -1), kConverterBadArgument},
      {"Open a text shorter than the tag", opened.Open(good, 3), kConverterBadHeader},
      {"Open another language", opened.Open(other, 6), kConverterBadHeader},
      {"Convert with no text open", opened.Convert(buf, 64), 0},
      {"Convert into a null buffer", opened.Convert(nullptr, 64), kConverterBadArgument},
      {"Convert into length 0", opened.Convert(buf, 0), kConverterBadArgument},
      {"Convert after Term", closed.Convert(buf, 64), kConverterNotReady},
      {"Term twice", closed.Term(), kConverterNotReady},
  };
  for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
}

struct BufferCase {
  const char* what;
  std::string script;
  int too_small;  // the largest length refused for the first event
};

TEST(KvjConverterTest, TooSmallBufferIsRefusedWithoutConsumingTheEvent) {
  const BufferCase cases[] = {
      {"note event needs more than body + 15", "KV#J" A, 30},  // body 15
      {"control event needs 6", "KV#JU1", 5},
      {"voice event needs 6", "KV#JK01", 5},
      {"end event needs 5", "KV#J ", 4},
  };
  for (const auto& c : cases) {
    KvjConverter converter;
    ASSERT_EQ(converter.Init(20), 0);
    ASSERT_EQ(converter.Open(reinterpret_cast<const uint8_t*>(c.script.data()),
                             static_cast<int32_t>(c.script.size())),
              0);
    uint8_t buf[kCounterBufferSize];
    EXPECT_EQ(converter.Convert(buf, c.too_small), kConverterBufferTooSmall) << c.what;
    const int n = converter.Convert(buf, c.too_small + 1);
    EXPECT_GT(n, 0) << c.what;
    // The refused event is the one handed out afterwards, and the stream reads back.
    EXPECT_EQ(Joined(Events(c.script)).front(), buf[0]) << c.what;
  }
  KvjConverter converter;
  ASSERT_EQ(converter.Init(20), 0);
  const std::string script = "KV#J" A;
  ASSERT_EQ(converter.Open(reinterpret_cast<const uint8_t*>(script.data()), 6), 0);
  uint8_t buf[kCounterBufferSize];
  ASSERT_GT(converter.Convert(buf, sizeof buf), 0);
  EXPECT_EQ(converter.Convert(buf, 4), kConverterBufferTooSmall);
  EXPECT_EQ(converter.Convert(buf, 5), 3);
}

TEST(KvjConverterTest, OpenAgainRestartsWithTheInitialSettings) {
  KvjConverter converter;
  ASSERT_EQ(converter.Init(20), 0);
  const std::string first = "KV#JS99C3" A A;
  const std::string second = "KV#J" A;
  ASSERT_EQ(converter.Open(reinterpret_cast<const uint8_t*>(first.data()), 13), 0);
  uint8_t buf[kCounterBufferSize];
  ASSERT_GT(converter.Convert(buf, sizeof buf), 0);
  ASSERT_EQ(converter.Open(reinterpret_cast<const uint8_t*>(second.data()), 6), 0);
  const int n = converter.Convert(buf, sizeof buf);
  ASSERT_GT(n, 4);
  EXPECT_EQ(buf[0], 0x00);
  EXPECT_EQ(buf[2], 0x80);  // unpitched again
  EXPECT_EQ(buf[4], 0x08);  // 160 ms again
}

TEST(KvjConverterTest, EveryStreamReadsBack) {
  const std::string scripts[] = {
      // Each script is its header and syllables pasted together.
      // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): pasted on purpose
      "KV#J" A,
      "KV#J@'3" A "^" KA "_2" I "$" A LONG "~" LONG "*5",
      "KV#J+" A KA I A KA I A "?2",
      "KV#J;<<" A ">" I "=" KA "&" A "/" LONG,
      "KV#J:" A " " LONG "U3" LONG "K10" A ".",
      "KV#J" TSU_SMALL "'" LONG A "W3X02" + Repeat(A "'" LONG, 40),
  };
  for (const auto& script : scripts) {
    const Bytes stream = Joined(Events(script));
    EXPECT_TRUE(events::ReadStream(stream).ok()) << script;
  }
}

}  // namespace
}  // namespace vtr::convert
