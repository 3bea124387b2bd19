#include "engines/wtp/phoneme_aligner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "engines/wtp/phoneme_tables.h"
#include "platform/environment.h"
#include "platform/process.h"

namespace vtr::wtp {
namespace {

std::vector<std::string> Names(const std::vector<SegmentRecord>& records) {
  std::vector<std::string> out;
  out.reserve(records.size());
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
  // clang-format off
  const Case cases[] = {
      {"m", false, "N"}, {"m", true, "m"},   {"k'", true, "ky"}, {"k'", false, "k"},
      {"J", true, "ny"}, {"a", false, "a:"}, {"M", false, "u:"}, {" ", false, "sp"},
      {"tS", true, "ch"}, {"p\\'", true, "f"}, {"dZ", false, "j"}, {"4'", true, "ry"},
  };
  // clang-format on
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
  // clang-format off
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
  // clang-format on
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
  const Case cases[] = {{"mo", "N0 [N] N\n"},
                        {"mM", "N0 [N] N\n"},
                        {"ma", "m0 [m] m\n"},
                        {"k'a", "ky0 [ky] ky\n"},
                        {"k'o", "k0 [k] k\n"}};
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
  EXPECT_EQ(
      aligner.BatchLine(),
      "echo tmp.wav | \"julius.exe\" -lv 1  -b 112 -h hmmdefs -nlr tmp.2gram -nrl tmp.3gram.rev "
      "-v tmp.dict -palign -input rawfile -palign 2>&0 > \"tmp.txt\"");
  EXPECT_EQ(aligner.RecogniserArguments()[3], "112");
}

std::string Section(const std::vector<std::string>& frame_lines, const char* eol = "\n") {
  std::string out = std::string("header noise") + eol + "=== phoneme alignment begin ===" + eol +
                    " id: from  to    n_score    unit" + eol + " ----------------------------" +
                    eol;
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
  // clang-format off
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
  // clang-format on
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

// A recogniser folder of its own for each test, with a fake recogniser that prints a file. The
// fake runs in the run's scratch folder; its fixtures lie beside it, and what it notes for the
// test goes to a records folder outside both ($records).
class FakeRecogniser {
 public:
  explicit FakeRecogniser(const std::string& name, bool model = true, bool program = true)
      : folder_(std::filesystem::path(VTR_TEST_BIN_DIR) / ("fake_recogniser_" + name)),
        records_(std::filesystem::path(VTR_TEST_BIN_DIR) / ("fake_recogniser_records_" + name)) {
    for (const auto* folder : {&folder_, &records_}) {
      std::filesystem::remove_all(*folder);
      std::filesystem::create_directories(*folder);
    }
    if (model) Write("hmmdefs", "model\n");
    if (program) {
      Write("julius", "#!/bin/sh\nhere=$(dirname \"$0\")\nrecords='" + records_.string() +
                          "'\nread name\ntest -f \"$name\" || exit 3\n"
                          "test -f \"$here/fixture.sh\" && . \"$here/fixture.sh\"\n"
                          "cat \"$here/fixture.txt\"\n");
      std::filesystem::permissions(folder_ / "julius", std::filesystem::perms::owner_all);
    }
  }
  ~FakeRecogniser() {
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(folder_);
    std::filesystem::remove_all(records_);
  }
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
  // A note the fake left in the records folder (its first line), or "" when there is none.
  std::string Record(const std::string& name) const {
    std::ifstream in(records_ / name);
    std::string line;
    std::getline(in, line);
    return line;
  }
  const std::filesystem::path& folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
  std::filesystem::path records_;
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
    std::string fixture;  // printed by the fake
    std::string script;   // run before printing
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
  fake.Write("fixture.sh", "cp tmp.wav \"$here/seen.wav\"\n");
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

// Prepare leaves the recording as the recogniser's run will not change it any more: a 16 kHz one
// without zero samples, any other untouched (its copy is the recogniser's). RunRecogniser runs
// on what Prepare made, once.
TEST(PhonemeAlignerTest, PrepareSettlesTheRecordingBeforeTheRun) {
  FakeRecogniser fake("prepare");
  fake.Write("fixture.sh", "cp tmp.wav \"$here/seen.wav\"\n");
  fake.Write("fixture.txt", Section({"[    0   13]  -1.0  silB", "[   14   20]  -1.0  k",
                                     "[   21   40]  -1.0  a:", "[   41   49]  -1.0  silE"}));
  struct Case {
    int rate;
    int16_t after_prepare;  // every sample of the recording
  };
  for (const Case c : {Case{16000, 1}, Case{22050, 0}, Case{44100, 0}}) {
    SCOPED_TRACE(std::to_string(c.rate) + " Hz");
    PhonemeAligner aligner(fake.folder());
    ASSERT_EQ(aligner.SetText("ka"), 0);
    EXPECT_EQ(aligner.RunRecogniser(), -1) << "nothing was prepared";
    // The last case's copy goes before Prepare, which hands the recogniser its wave: from then on
    // the recogniser may be copying it already.
    std::filesystem::remove(fake.folder() / "seen.wav");
    WaveBuffer wave(std::vector<int16_t>(static_cast<size_t>(c.rate / 2), 0), c.rate);
    ASSERT_EQ(aligner.Prepare(wave), 0);
    for (int16_t s : wave.samples()) ASSERT_EQ(s, c.after_prepare);
    EXPECT_EQ(aligner.RunRecogniser(), 0);
    WaveBuffer seen;
    ASSERT_EQ(seen.ReadWave(fake.folder() / "seen.wav"), WaveResult::kOk);
    EXPECT_EQ(seen.rate(), 16000);
    for (int16_t s : seen.samples()) ASSERT_NE(s, 0);
    EXPECT_EQ(aligner.RunRecogniser(), -1) << "the prepared samples went with the run";
  }
}

// True while `pid` runs; a zombie waiting for a parent that may never reap it counts as ended.
// A process that is being ended gets a few seconds to go.
bool Running(int pid) {
  for (int tries = 0; tries < 500; ++tries) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return false;
    const size_t close = line.rfind(')');
    if (close == std::string::npos || close + 2 >= line.size()) return false;
    const char state = line[close + 2];
    if (state == 'Z' || state == 'X') return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// A temporary folder of the test's own as the process's $TMPDIR, where the runs' scratch
// folders go.
class ScopedTempFolder {
 public:
  explicit ScopedTempFolder(const std::string& name)
      : folder_(std::filesystem::path(VTR_TEST_BIN_DIR) / ("aligner_tmp_" + name)),
        tmpdir_("TMPDIR", (std::filesystem::remove_all(folder_),
                           std::filesystem::create_directories(folder_), folder_.string())) {}
  ~ScopedTempFolder() { std::filesystem::remove_all(folder_); }
  const std::filesystem::path& path() const { return folder_; }
  std::vector<std::string> Files() const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      out.push_back(entry.path().filename().string());
    }
    return out;
  }

 private:
  std::filesystem::path folder_;
  platform::ScopedEnvironmentVariable tmpdir_;
};

// What the recogniser hands back is read only as far as it fits the phonemes, the recording and
// a sane size, and only from a run that ended well.
TEST(PhonemeAlignerTest, RecogniserOutputIsTrustedOnlyAsFarAsItFits) {
  auto four = [](const std::string& last) {
    return Section(
        {"[    0   13]  -1.0  silB", "[   14   20]  -1.0  k", "[   21   40]  -1.0  a:", last});
  };
  // A preamble of `bytes` bytes before the section, as a chatty recogniser prints.
  auto preamble = [](size_t bytes) {
    return "head -c " + std::to_string(bytes - 1) + " /dev/zero | tr '\\0' '#'; echo\n";
  };
  struct Case {
    const char* name;
    std::string fixture;
    std::string script;  // run before the fixture is printed
    int result;
  };
  // clang-format off
  const Case cases[] = {
      {"ends on the recording's last frame", four("[ 41 99] -1.0 silE"), "", 0},
      {"ends one frame after the recording", four("[ 41 100] -1.0 silE"), "", -1},
      {"a segment ending at 50 s of a 1 s recording", four("[ 41 4999] -1.0 silE"), "", -1},
      {"an end frame at the largest int", four("[ 41 2147483647] -1.0 silE"), "", -1},
      {"a start frame at the largest int", four("[ 2147483647 2147483647] -1.0 silE"), "", -1},
      {"good output, then exit status 1", four("[ 41 99] -1.0 silE"),
       "cat \"$here/fixture.txt\"; exit 1\n", -1},
      {"good output, then killed", four("[ 41 99] -1.0 silE"), "cat \"$here/fixture.txt\"; kill -9 $$\n", -1},
      {"good output after a long preamble within the bound", four("[ 41 99] -1.0 silE"),
       preamble(kMaxRecogniserOutput - 1000), 0},
      {"good output after a preamble beyond the bound", four("[ 41 99] -1.0 silE"),
       preamble(kMaxRecogniserOutput + 1), -1},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeRecogniser fake("trust");
    fake.Write("fixture.txt", c.fixture);
    fake.Write("fixture.sh", c.script);
    PhonemeAligner aligner(fake.folder());
    ASSERT_EQ(aligner.SetText("ka"), 0);
    WaveBuffer wave = Tone(16000, 1.0);  // 100 frames of 10 ms
    EXPECT_EQ(aligner.Align(wave), c.result);
    if (c.result == 0) {
      ASSERT_EQ(aligner.phonemes().size(), 4u);
      EXPECT_FLOAT_EQ(aligner.phonemes().back().endSec, 1.0f);
      EXPECT_EQ(aligner.syllables().back().endStep, 50u);
    } else {
      EXPECT_TRUE(aligner.phonemes().empty());
      EXPECT_TRUE(aligner.syllables().empty());
    }
  }
}

// Whatever the recogniser starts ends with the alignment, even a grandchild that moved to a
// session of its own and whose parent ended first.
TEST(PhonemeAlignerTest, NothingTheRecogniserStartsOutlivesIt) {
  struct Case {
    const char* what;
    const char* starts;  // starts the process and notes its id in $records/child.pid
  };
  // clang-format off
  const Case cases[] = {
      {"a child in its group", "sleep 30 &\necho $! > \"$records/child.pid\"\n"},
      {"a grandchild in a session of its own",
       "(setsid sh -c \"sleep 30 & echo \\$! > '$records/child.pid'\" &)\n"
       "while [ ! -s \"$records/child.pid\" ]; do sleep 0.01; done\n"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeRecogniser fake("leftovers");
    fake.Write("fixture.txt",
               Section({"[ 0 13] -1 silB", "[ 14 20] -1 k", "[ 21 40] -1 a:", "[ 41 49] -1 silE"}));
    fake.Write("fixture.sh", c.starts);
    PhonemeAligner aligner(fake.folder());
    ASSERT_EQ(aligner.SetText("ka"), 0);
    WaveBuffer wave = Tone(16000, 0.5);
    EXPECT_EQ(aligner.Align(wave), 0);
    ASSERT_FALSE(fake.Record("child.pid").empty());
    EXPECT_FALSE(Running(std::stoi(fake.Record("child.pid")))) << "it outlived the recogniser";
  }
}

// A runaway recogniser fills neither the disk nor the memory: no file it writes, its output
// included, grows beyond one byte more than the output the aligner reads.
TEST(PhonemeAlignerTest, NoFileTheRecogniserWritesGrowsBeyondWhatIsRead) {
  const std::string runaway =
      "head -c " + std::to_string(4 * kMaxRecogniserOutput) + " /dev/zero | tr '\\0' '#'";
  FakeRecogniser fake("runaway");
  fake.Write("fixture.txt",
             Section({"[ 0 13] -1 silB", "[ 14 20] -1 k", "[ 21 40] -1 a:", "[ 41 49] -1 silE"}));
  fake.Write("fixture.sh", runaway + "\nstat -c %s tmp.txt > \"$records/output\"\n" + runaway +
                               " > big.bin\nstat -c %s big.bin > \"$records/file\"\n");
  PhonemeAligner aligner(fake.folder());
  ASSERT_EQ(aligner.SetText("ka"), 0);
  WaveBuffer wave = Tone(16000, 0.5);
  EXPECT_EQ(aligner.Align(wave), -1);
  EXPECT_TRUE(aligner.phonemes().empty());
  for (const char* written : {"output", "file"}) {
    ASSERT_FALSE(fake.Record(written).empty()) << written;
    EXPECT_LE(std::stoull(fake.Record(written)), kMaxRecogniserOutput + 1) << written;
  }
}

// Each run writes the protocol's files into a private folder of its own under the temporary
// folder and removes it afterwards; the recogniser folder is only read, so files of the same
// names there (a user's) stay as they are.
TEST(PhonemeAlignerTest, RunsInAPrivateScratchFolderAndOnlyReadsTheRecogniserFolder) {
  ScopedTempFolder tmp("scratch");
  FakeRecogniser fake("scratch");
  fake.Write("fixture.txt",
             Section({"[ 0 13] -1 silB", "[ 14 20] -1 k", "[ 21 40] -1 a:", "[ 41 49] -1 silE"}));
  fake.Write("fixture.sh",
             "pwd > \"$records/folder\"\nstat -c %a . > \"$records/mode\"\n"
             "ls | tr '\\n' ' ' > \"$records/files\"\n");
  fake.Write("tmp.wav", "the user's own");
  fake.Write("tmp.txt", "the user's notes");
  const std::vector<std::string> before = fake.Files();
  PhonemeAligner aligner(fake.folder());
  ASSERT_EQ(aligner.SetText("ka"), 0);
  WaveBuffer wave = Tone(44100, 0.5);
  ASSERT_EQ(aligner.Align(wave), 0);

  const std::filesystem::path scratch = fake.Record("folder");
  EXPECT_EQ(scratch.parent_path(), std::filesystem::canonical(tmp.path()));
  EXPECT_EQ(scratch.filename().string().rfind(std::string(kScratchPrefix) + "-", 0), 0u) << scratch;
  EXPECT_EQ(fake.Record("mode"), "700");
  // The wave's name comes through a pipe, as from the batch line's echo: no file holds it.
  EXPECT_EQ(fake.Record("files"), "tmp.2gram tmp.3gram.rev tmp.bat tmp.dict tmp.txt tmp.wav ");
  EXPECT_FALSE(std::filesystem::exists(scratch)) << "the scratch folder outlived the run";
  EXPECT_TRUE(tmp.Files().empty());
  EXPECT_EQ(fake.Files(), before);
  std::ifstream wav(fake.folder() / "tmp.wav");
  std::string text;
  std::getline(wav, text);
  EXPECT_EQ(text, "the user's own");
}

TEST(PhonemeAlignerTest, WorksFromARecogniserFolderTheUserCannotWrite) {
  FakeRecogniser fake("read_only");
  fake.Write("fixture.txt",
             Section({"[ 0 13] -1 silB", "[ 14 20] -1 k", "[ 21 40] -1 a:", "[ 41 49] -1 silE"}));
  std::filesystem::permissions(
      fake.folder(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  if (std::ofstream(fake.folder() / "probe")) {
    std::filesystem::remove(fake.folder() / "probe");
    GTEST_SKIP() << "this user writes into read-only folders (root); "
                    "RunsInAPrivateScratchFolderAndOnlyReadsTheRecogniserFolder covers the road";
  }
  PhonemeAligner aligner(fake.folder());
  ASSERT_EQ(aligner.SetText("ka"), 0);
  WaveBuffer wave = Tone(16000, 0.5);
  EXPECT_EQ(aligner.Align(wave), 0);
}

// Two analyses at once through one recogniser folder: each run must see only its own files. The
// fake answers with one frame line per dictionary line of its run, after a pause that makes the
// runs overlap.
TEST(PhonemeAlignerTest, TwoAlignmentsAtOnceKeepToTheirOwnFiles) {
  FakeRecogniser fake("together");
  fake.Write("fixture.txt", "");
  fake.Write(
      "fixture.sh",
      "sleep 0.5\nn=$(wc -l < tmp.dict)\n"
      "echo '=== phoneme alignment begin ==='; echo ' id: from to'; echo ' ---'\n"
      "i=0; while [ $i -lt $n ]; do echo \"[ $((i*5)) $((i*5+4))] -1.0 x\"; i=$((i+1)); done\n"
      "echo 're-computed AM score'\n");
  struct Run {
    const char* text;
    int result = -100;
  };
  Run runs[] = {{"ka"}, {"sakM4a"}};
  std::vector<std::thread> threads;
  for (Run& run : runs) {
    threads.emplace_back([&fake, &run] {
      PhonemeAligner aligner(fake.folder());
      if (aligner.SetText(run.text) != 0) return;
      const size_t phonemes = aligner.phonemes().size();
      WaveBuffer wave = Tone(16000, 2.0);
      run.result = aligner.Align(wave);
      if (run.result == 0 && aligner.phonemes().size() != phonemes) run.result = -99;
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const Run& run : runs) EXPECT_EQ(run.result, 0) << run.text;
  EXPECT_EQ(fake.Files(),
            (std::vector<std::string>{"fixture.sh", "fixture.txt", "hmmdefs", "julius"}));
}

// The process that aligns is killed while the recogniser runs (a crash, the out-of-memory
// killer, a user): the recogniser, what it started and the run's scratch folder all go with it.
TEST(PhonemeAlignerTest, AHostKilledDuringAlignmentLeavesNoOrphanAndNoScratchFolder) {
  ScopedTempFolder tmp("host_killed");
  FakeRecogniser fake("host_killed");
  fake.Write("fixture.txt", "");
  fake.Write("fixture.sh",
             "pwd > \"$records/folder\"\nsleep 60 &\necho $! > \"$records/child.pid\"\n"
             "echo $$ > \"$records/recogniser.pid\"\nwait\n");
  platform::ProcessSpec host;
  host.program = std::filesystem::path(VTR_TEST_BIN_DIR) / "vtr_wtp_alignment_host";
  host.args = {fake.folder().string()};
  // The time-out kills the host with SIGKILL: it gets no chance to clean up.
  const platform::ProcessResult run = platform::RunProcess(host, std::chrono::seconds(3));
  EXPECT_EQ(run.outcome, platform::ProcessOutcome::kTimedOut) << run.error << " " << run.exit_code;
  ASSERT_FALSE(fake.Record("recogniser.pid").empty()) << "the recogniser never ran";
  EXPECT_FALSE(Running(std::stoi(fake.Record("recogniser.pid"))))
      << "the recogniser runs on as an orphan";
  EXPECT_FALSE(Running(std::stoi(fake.Record("child.pid")))) << "the recogniser's child runs on";
  bool gone = false;
  for (int tries = 0; tries < 500 && !gone; ++tries) {
    gone = !std::filesystem::exists(fake.Record("folder"));
    if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(gone) << fake.Record("folder");
  EXPECT_TRUE(tmp.Files().empty());
}

}  // namespace
}  // namespace vtr::wtp
