#include "engines/wtp/phoneme_aligner.h"

#include <fstream>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

#include "engines/wtp/phoneme_tables.h"

namespace vtr::wtp {
namespace {

std::vector<std::string> Names(const std::vector<SegmentRecord>& records) {
  std::vector<std::string> out;
  for (const SegmentRecord& r : records) out.emplace_back(SegmentName(r));
  return out;
}

TEST(PhonemeTablesTest, EverySyllableSplitsIntoKnownPhonemes) {
  std::set<std::string_view> seen;
  for (std::string_view s : SyllableSymbols()) {
    SCOPED_TRACE(std::string(s));
    EXPECT_TRUE(seen.insert(s).second) << "listed twice";
    EXPECT_EQ(MatchSyllable(s), s);
    std::string_view rest = s;
    int parts = 0;
    while (!rest.empty()) {
      const std::string_view p = MatchPhoneme(rest);
      ASSERT_FALSE(p.empty());
      EXPECT_FALSE(PhoneOf(p, false).empty());
      rest.remove_prefix(p.size());
      ++parts;
    }
    EXPECT_LE(parts, 2);
    for (char c : s) EXPECT_TRUE(IsPhonemeAlphabet(c));
  }
  EXPECT_EQ(SyllableSymbols().size(), 150u);
  EXPECT_EQ(PhonemeSymbols().size(), 42u);
  EXPECT_FALSE(IsPhonemeAlphabet('x'));
  EXPECT_FALSE(IsPhonemeAlphabet('\0'));
  EXPECT_TRUE(PhoneOf("h\\", false).empty());
}

TEST(PhonemeTablesTest, PhonesFollowTheNextPhoneme) {
  struct Case {
    const char* phoneme;
    bool before_a;
    const char* phone;
  };
  const Case cases[] = {
      {"m", false, "N"}, {"m", true, "m"},   {"k'", true, "ky"}, {"k'", false, "k"},
      {"J", true, "ny"}, {"a", false, "a:"}, {"M", false, "u:"}, {" ", false, "sp"},
      {"tS", true, "ch"}, {"p\\'", true, "f"}, {"dZ", false, "j"}, {"4'", true, "ry"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.phoneme);
    EXPECT_EQ(PhoneOf(c.phoneme, c.before_a), c.phone);
  }
}

TEST(PhonemeAlignerTest, SetTextFiltersAndSplits) {
  struct Case {
    const char* name;
    std::string text;
    int result;
    const char* filtered;
    std::vector<std::string> syllables;
    std::vector<std::string> phonemes;
  };
  const Case cases[] = {
      {"ka", "ka", 0, " ka ", {" ", "ka", " "}, {" ", "k", "a", " "}},
      {"skipped x between spaces", "a  x i", 1, " a i ", {" ", "a", " ", "i", " "},
       {" ", "a", " ", "i", " "}},
      {"b is no syllable", "a b", 1, " a b ", {" ", "a", " ", " "}, {" ", "a", " ", " "}},
      {"k'a", "k'a", 0, " k'a ", {" ", "k'a", " "}, {" ", "k'", "a", " "}},
      {"four-character syllable", "p\\'i", 0, " p\\'i ", {" ", "p\\'i", " "}, {" ", "p\\'", "i", " "}},
      {"moraic nasal then vowel", "N\\a", 0, " N\\a ", {" ", "N\\", "a", " "}, {" ", "N\\", "a", " "}},
      {"skipped last character adds no second pause", "ka x", 1, " ka ", {" ", "ka", " "},
       {" ", "k", "a", " "}},
      {"leading and trailing spaces kept once", " ka ", 0, " ka ", {" ", "ka", " "}, {" ", "k", "a", " "}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PhonemeAligner aligner(VTR_TEST_BIN_DIR);
    EXPECT_EQ(aligner.SetText(c.text), c.result);
    EXPECT_EQ(aligner.filtered_text(), c.filtered);
    EXPECT_EQ(Names(aligner.syllables()), c.syllables);
    EXPECT_EQ(Names(aligner.phonemes()), c.phonemes);
    for (size_t i = 0; i < aligner.syllables().size(); ++i) {
      const SegmentRecord& s = aligner.syllables()[i];
      EXPECT_EQ(s.link, static_cast<int32_t>(i));
      for (int32_t p = s.firstPhoneme; p <= s.lastPhoneme; ++p) {
        EXPECT_EQ(aligner.phonemes()[static_cast<size_t>(p)].link, static_cast<int32_t>(i));
      }
    }
  }
}

TEST(PhonemeAlignerTest, SetTextRefusals) {
  struct Case {
    const char* name;
    std::string text;
    int flags;
    int result;
  };
  const Case cases[] = {
      {"spaces only", "   ", 0, -5},
      {"nothing usable", "xyz", 0, -5},
      {"empty", "", 0, -2},
      {"flags refuse", "ka", 1, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PhonemeAligner aligner(VTR_TEST_BIN_DIR, c.flags);
    EXPECT_EQ(aligner.SetText(c.text), c.result);
    EXPECT_TRUE(aligner.phonemes().empty());
    EXPECT_TRUE(aligner.syllables().empty());
  }
}

TEST(PhonemeAlignerTest, WordsUseTheBeforeAColumn) {
  struct Case {
    const char* text;
    const char* dictionary_word_line;
  };
  const Case cases[] = {{"mo", "N0 [N] N\n"}, {"mM", "N0 [N] N\n"}, {"ma", "m0 [m] m\n"},
                        {"k'a", "ky0 [ky] ky\n"}, {"k'o", "k0 [k] k\n"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    PhonemeAligner aligner(VTR_TEST_BIN_DIR);
    ASSERT_EQ(aligner.SetText(c.text), 0);
    EXPECT_NE(aligner.DictionaryText().find(c.dictionary_word_line), std::string::npos)
        << aligner.DictionaryText();
  }
}

TEST(PhonemeAlignerTest, GrammarFilesForKaAreExact) {
  PhonemeAligner aligner(VTR_TEST_BIN_DIR);
  ASSERT_EQ(aligner.SetText("ka"), 0);
  EXPECT_EQ(aligner.DictionaryText(), "<s> [silB] silB\n</s> [silE] silE\nk0 [k] k\na:1 [a:] a:\n");
  EXPECT_EQ(aligner.BigramText(),
            "\\data\\\nngram 1=4\nngram 2=3\n\n\\1-grams:\n0.0 <s> -99.0\n0.0 </s> -99.0\n"
            "0.0 k0 -99.0\n0.0 a:1 -99.0\n\n\\2-grams:\n0.0 <s> k0\n0.0 k0 a:1\n0.0 a:1 </s>\n\n"
            "\\end\\\n");
  EXPECT_EQ(aligner.TrigramText(),
            "\\data\\\nngram 1=4\nngram 2=3\nngram 3=2\n\n\\1-grams:\n0.0 <s> -99.0\n"
            "0.0 </s> -99.0\n0.0 k0 -99.0\n0.0 a:1 -99.0\n\n\\2-grams:\n0.0 </s> a:1 -99.0\n"
            "0.0 a:1 k0 -99.0\n0.0 k0 <s> -99.0\n\n\\3-grams:\n0.0 </s> a:1 k0\n0.0 a:1 k0 <s>\n\n"
            "\\end\\\n");
  EXPECT_EQ(aligner.BatchLine(),
            "echo tmp.wav | \"julius.exe\" -lv 1  -b 112 -h hmmdefs -nlr tmp.2gram -nrl tmp.3gram.rev "
            "-v tmp.dict -palign -input rawfile -palign 2>&0 > \"tmp.txt\"");
  EXPECT_EQ(aligner.RecogniserArguments()[3], "112");
}

std::string Section(const std::vector<std::string>& frame_lines, const char* eol = "\n") {
  std::string out = std::string("header noise") + eol + "=== phoneme alignment begin ===" + eol +
                    " id: from  to    n_score    unit" + eol + " ----------------------------" + eol;
  for (const std::string& line : frame_lines) out += line + eol;
  out += std::string("re-computed AM score: -100.0") + eol + "=== phoneme alignment end ===" + eol;
  return out;
}

TEST(RecogniserOutputTest, ParserTable) {
  const std::vector<std::string> four = {"[    0   13]  -1.0  silB", "[   14   20]  -1.0  k",
                                         "[   21   40]  -1.0  a:", "[   41   50]  -1.0  silE"};
  struct Case {
    const char* name;
    std::string text;
    bool ok;
    int last_end;
  };
  const Case cases[] = {
      {"exact N lines", Section(four), true, 50},
      {"CRLF line ends", Section(four, "\r\n"), true, 50},
      {"empty lines between", [&] {
         std::string s = Section(four);
         for (size_t at = s.find("\n["); at != std::string::npos; at = s.find("\n[", at + 3)) s.insert(at, "\n");
         return s;
       }(), true, 50},
      {"four-digit frames glued to brackets",
       Section({"[   0  999]  -1 silB", "[1000 1013]  -1 k", "[1014 2000] -1 a:", "[2001 2100] -1 silE"}),
       true, 2100},
      {"marker with a prefix and extra headers",
       "ALIGN: === phoneme alignment begin ===\nsentence1: x\n-- phoneme alignment --\n" +
           Section(four).substr(Section(four).find(" id:")),
       true, 50},
      {"blank header lines of spaces", Section({"   ", four[0], four[1], " \t", four[2], four[3]}), true, 50},
      {"N-1 lines", Section({four[0], four[1], four[2]}), false, 0},
      {"N+1 lines", Section({four[0], four[1], four[2], four[3], "[ 51 60] -1 x"}), false, 0},
      {"empty output", "", false, 0},
      {"no marker", "[ 0 13] -1 silB\n[ 14 20] -1 k\n[ 21 40] -1 a:\n[ 41 50] -1 silE\n", false, 0},
      {"unreadable frame line", Section({four[0], "[ x 20] -1 k", four[2], four[3]}), false, 0},
      {"negative frame", Section({four[0], "[ -3 20] -1 k", four[2], four[3]}), false, 0},
      {"end before start", Section({four[0], "[ 30 20] -1 k", four[2], four[3]}), false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<FrameSpan> frames;
    EXPECT_EQ(ParseRecogniserOutput(c.text, 4, frames), c.ok);
    if (c.ok) {
      ASSERT_EQ(frames.size(), 4u);
      EXPECT_EQ(frames.back().end, c.last_end);
    }
  }
  std::vector<FrameSpan> frames;
  EXPECT_FALSE(ParseRecogniserOutput(Section(four), kMaxAlignedPhonemes + 1, frames));
}

// A recogniser folder of its own for each test, with a fake recogniser that prints a file.
class FakeRecogniser {
 public:
  explicit FakeRecogniser(const std::string& name, bool model = true, bool program = true)
      : folder_(std::filesystem::path(VTR_TEST_BIN_DIR) / ("fake_recogniser_" + name)) {
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    if (model) Write("hmmdefs", "model\n");
    if (program) {
      Write("julius", "#!/bin/sh\nread name\ntest -f \"$name\" || exit 3\n"
                      "test -f fixture.sh && . ./fixture.sh\ncat fixture.txt\n");
      std::filesystem::permissions(folder_ / "julius", std::filesystem::perms::owner_all);
    }
  }
  ~FakeRecogniser() { std::filesystem::remove_all(folder_); }
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(folder_ / name, std::ios::binary) << text;
  }
  std::vector<std::string> Files() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      out.push_back(entry.path().filename().string());
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

WaveBuffer Tone(int rate, double seconds) {
  std::vector<int16_t> samples(static_cast<size_t>(rate * seconds));
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<int16_t>((i % 50) * 100);
  return WaveBuffer(samples, rate);
}

TEST(PhonemeAlignerTest, AlignsWithAFakeRecogniserAndCleansUp) {
  FakeRecogniser fake("align");
  fake.Write("fixture.txt", Section({"[    0   13]  -1.0  silB", "[   14   20]  -1.0  k",
                                     "[   21   40]  -1.0  a:", "[   41   50]  -1.0  silE"}));
  // A file of a protocol name that the aligner did not write survives.
  const std::filesystem::path user_folder = fake.folder() / "user";
  std::filesystem::create_directories(user_folder);
  std::ofstream(user_folder / "tmp.wav") << "mine";
  PhonemeAligner aligner(fake.folder());
  ASSERT_EQ(aligner.SetText("ka"), 0);
  WaveBuffer wave = Tone(44100, 0.6);
  ASSERT_EQ(aligner.Align(wave), 0);
  const auto& ph = aligner.phonemes();
  ASSERT_EQ(ph.size(), 4u);
  const uint32_t starts[] = {0, 7, 10, 20};
  const uint32_t ends[] = {7, 10, 20, 25};
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(ph[k].startStep, starts[k]) << k;
    EXPECT_EQ(ph[k].endStep, ends[k]) << k;
  }
  EXPECT_FLOAT_EQ(ph[1].startSec, 0.14f);
  EXPECT_FLOAT_EQ(ph[1].endSec, 0.21f);
  const auto& syl = aligner.syllables();
  ASSERT_EQ(syl.size(), 3u);
  EXPECT_EQ(syl[1].startStep, 7u);
  EXPECT_EQ(syl[1].endStep, 20u);
  SegmentTable pt{4, const_cast<SegmentRecord*>(ph.data())};
  SegmentTable st{3, const_cast<SegmentRecord*>(syl.data())};
  EXPECT_EQ(CheckSegmentTables(pt, st), "");
  EXPECT_EQ(fake.Files(), (std::vector<std::string>{"fixture.txt", "hmmdefs", "julius", "user"}));
  EXPECT_TRUE(std::filesystem::exists(user_folder / "tmp.wav"));
}

TEST(PhonemeAlignerTest, FailuresOfTheRecogniserRun) {
  struct Case {
    const char* name;
    std::string fixture;      // printed by the fake
    std::string script;       // run before printing
    bool model;
    bool program;
    int result;
  };
  const std::vector<std::string> three = {"[ 0 13] -1 silB", "[ 14 20] -1 k", "[ 21 40] -1 a:"};
  const Case cases[] = {
      {"model file missing", "", "", false, true, -7},
      {"program missing", "", "", true, false, -6},
      {"both missing gives the model first", "", "", false, false, -7},
      {"too few lines", Section(three), "", true, true, -1},
      {"empty output", "", "", true, true, -1},
      {"no section and an error exit", "error\n", "cat fixture.txt; exit 1\n", true, true, -1},
      {"outlives the time-out", Section(three), "sleep 5\n", true, true, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeRecogniser fake("failure", c.model, c.program);
    fake.Write("fixture.txt", c.fixture);
    if (!c.script.empty()) fake.Write("fixture.sh", c.script);
    PhonemeAligner aligner(fake.folder());
    aligner.set_timeout(std::chrono::milliseconds(300));
    ASSERT_EQ(aligner.SetText("ka"), 0);
    WaveBuffer wave = Tone(16000, 0.5);
    EXPECT_EQ(aligner.Align(wave), c.result);
    if (c.result == -1) {
      EXPECT_TRUE(aligner.phonemes().empty());
      EXPECT_TRUE(aligner.syllables().empty());
    }
    for (const std::string& file : fake.Files()) EXPECT_NE(file.rfind("tmp.", 0), 0u) << file;
  }
}

TEST(PhonemeAlignerTest, SixteenKilohertzRecordingHasNoZeroSamples) {
  FakeRecogniser fake("zeros");
  fake.Write("fixture.sh", "cp tmp.wav seen.wav\n");
  fake.Write("fixture.txt", "");
  PhonemeAligner aligner(fake.folder());
  ASSERT_EQ(aligner.SetText("ka"), 0);
  WaveBuffer wave(std::vector<int16_t>(1600, 0), 16000);
  EXPECT_EQ(aligner.Align(wave), -1);
  for (int16_t s : wave.samples()) ASSERT_EQ(s, 1);
  WaveBuffer seen;
  ASSERT_EQ(seen.ReadWave(fake.folder() / "seen.wav"), WaveResult::kOk);
  EXPECT_EQ(seen.rate(), 16000);
  EXPECT_EQ(seen.count(), 1600u);
}

}  // namespace
}  // namespace vtr::wtp
