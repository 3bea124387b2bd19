#include "wave2script/core/checker_tables.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "core/script_symbols.h"
#include "core/script_tables.h"
#include "core/testing/test_text.h"

namespace vtr::w2s {
namespace {

using core::testing::Sj;

// The checker's kana and romaji rows as the checker defines them, written out once here so
// that the test can assert that the shared tables of the script core hold the same rows.
constexpr std::string_view kSingleKana =
    "ぁ=xa あ=a ぃ=xi い=i ぅ=xu う=u ぇ=xe え=e ぉ=xo お=o か=ka が=ga き=ki ぎ=gi く=ku ぐ=gu "
    "け=ke げ=ge こ=ko ご=go さ=sa ざ=za し=si じ=zi す=su ず=zu せ=se ぜ=ze そ=so ぞ=zo た=ta "
    "だ=da ち=ti ぢ=di っ=xtu つ=tu づ=du て=te で=de と=to ど=do な=na に=ni ぬ=nu ね=ne の=no "
    "は=ha ば=ba ぱ=pa ひ=hi び=bi ぴ=pi ふ=hu ぶ=bu ぷ=pu へ=he べ=be ぺ=pe ほ=ho ぼ=bo ぽ=po "
    "ま=ma み=mi む=mu め=me も=mo ゃ=xya や=ya ゅ=xyu ゆ=yu ょ=xyo よ=yo ら=ra り=ri る=ru "
    "れ=re ろ=ro ゎ=xwa わ=wa ゐ=wi ゑ=we を=wo ん=nn";
constexpr std::string_view kKanaPairs =
    "きゃ=kya きゅ=kyu きぇ=kye きょ=kyo ぎゃ=gya ぎゅ=gyu ぎぇ=gye ぎょ=gyo しゃ=sya しゅ=syu "
    "しぇ=sye しょ=syo じゃ=zya じゅ=zyu じぇ=zye じょ=zyo ちゃ=tya ちゅ=tyu ちぇ=tye ちょ=tyo "
    "ぢゃ=dya ぢゅ=dyu ぢぇ=dye ぢょ=dyo てゃ=tha てぃ=thi てゅ=thu てぇ=the てょ=tho でゃ=dha "
    "でぃ=dhi でゅ=dhu でぇ=dhe でょ=dho にゃ=nya にゅ=nyu にぇ=nye にょ=nyo ひゃ=hya ひゅ=hyu "
    "ひぇ=hye ひょ=hyo びゃ=bya びゅ=byu びぇ=bye びょ=byo ぴゃ=pya ぴゅ=pyu ぴぇ=pye ぴょ=pyo "
    "ふぁ=fa ふぃ=fi ふぇ=fe ふぉ=fo ふゃ=fya ふゅ=fyu みゃ=mya みゅ=myu みぇ=mye みょ=myo "
    "りゃ=rya りゅ=ryu りぇ=rye りょ=ryo";
constexpr std::string_view kRomaji =
    "a=あ ba=ば bi=び bu=ぶ be=べ bo=ぼ bya=びゃ byu=びゅ bye=びぇ byo=びょ cha=ちゃ chi=ち "
    "chu=ちゅ che=ちぇ cho=ちょ cya=ちゃ cyu=ちゅ cye=ちぇ cyo=ちょ da=だ di=ぢ du=づ de=で do=ど "
    "dha=でゃ dhi=でぃ dhu=でゅ dhe=でぇ dho=でょ dya=ぢゃ dyu=ぢゅ dye=ぢぇ dyo=ぢょ e=え fa=ふぁ "
    "fi=ふぃ fu=ふ fe=ふぇ fo=ふぉ fya=ふゃ fyu=ふゅ ga=が gi=ぎ gu=ぐ ge=げ go=ご gya=ぎゃ "
    "gyu=ぎゅ "
    "gye=ぎぇ gyo=ぎょ ha=は hi=ひ hu=ふ he=へ ho=ほ hya=ひゃ hyu=ひゅ hye=ひぇ hyo=ひょ i=い "
    "ja=じゃ "
    "ji=じ ju=じゅ je=じぇ jo=じょ jya=じゃ jyu=じゅ jye=じぇ jyo=じょ ka=か ki=き ku=く ke=け "
    "ko=こ "
    "kya=きゃ kyu=きゅ kye=きぇ kyo=きょ ma=ま mi=み mu=む me=め mo=も mya=みゃ myu=みゅ mye=みぇ "
    "myo=みょ na=な ni=に nu=ぬ ne=ね no=の nn=ん nya=にゃ nyu=にゅ nye=にぇ nyo=にょ o=お pa=ぱ "
    "pi=ぴ pu=ぷ pe=ぺ po=ぽ pya=ぴゃ pyu=ぴゅ pye=ぴぇ pyo=ぴょ ra=ら ri=り ru=る re=れ ro=ろ "
    "rya=りゃ ryu=りゅ rye=りぇ ryo=りょ sa=さ si=し su=す se=せ so=そ sha=しゃ shi=し shu=しゅ "
    "she=しぇ sho=しょ sya=しゃ syu=しゅ sye=しぇ syo=しょ ta=た ti=ち tu=つ te=て to=と tha=てゃ "
    "thi=てぃ thu=てゅ the=てぇ tho=てょ tsu=つ tya=ちゃ tyu=ちゅ tye=ちぇ tyo=ちょ u=う va=ば "
    "vi=び vu=ぶ ve=べ vo=ぼ wa=わ wi=ゐ we=ゑ wo=を xa=ぁ xi=ぃ xu=ぅ xe=ぇ xo=ぉ xtu=っ xtsu=っ "
    "xya=ゃ xyu=ゅ xyo=ょ xwa=ゎ ya=や yu=ゆ yo=よ za=ざ zi=じ zu=ず ze=ぜ zo=ぞ zya=じゃ zyu=じゅ "
    "zye=じぇ zyo=じょ";

struct Pair {
  std::string left;
  std::string right;
};

std::vector<Pair> Split(std::string_view listing) {
  std::vector<Pair> pairs;
  std::istringstream in{std::string(listing)};
  std::string word;
  while (in >> word) {
    size_t eq = word.find('=');
    pairs.push_back({word.substr(0, eq), word.substr(eq + 1)});
  }
  return pairs;
}

uint8_t Trail(const std::string& sjis, size_t kana) {
  return static_cast<uint8_t>(sjis[kana * 2 + 1]);
}

TEST(CheckerTablesTest, SharedKanaRowsEqualTheCheckerRows) {
  std::vector<Pair> singles = Split(kSingleKana);
  ASSERT_EQ(singles.size(), 83u);
  ASSERT_EQ(core::KanaRomajiSingles().size(), singles.size());
  for (const Pair& p : singles) {
    std::string kana = Sj(p.left);
    EXPECT_EQ(KanaRomaji(Trail(kana, 0)), p.right) << p.left;
  }
  std::vector<Pair> pairs = Split(kKanaPairs);
  ASSERT_EQ(pairs.size(), 64u);
  ASSERT_EQ(core::KanaRomajiPairs().size(), pairs.size());
  for (const Pair& p : pairs) {
    std::string kana = Sj(p.left);
    EXPECT_TRUE(OpensKanaPair(Trail(kana, 0))) << p.left;
    EXPECT_EQ(KanaPairRomaji(Trail(kana, 0), Trail(kana, 1)), p.right) << p.left;
  }
  std::vector<Pair> romaji = Split(kRomaji);
  ASSERT_EQ(romaji.size(), 178u);
  ASSERT_EQ(core::kRomajiTable.size(), romaji.size());
  for (const Pair& p : romaji) EXPECT_EQ(RomajiKana(p.left), Sj(p.right)) << p.left;
}

TEST(CheckerTablesTest, PairOpenersAreTheFifteenKana) {
  std::string openers;
  for (int t = 0x9F; t <= 0xF1; ++t) {
    if (OpensKanaPair(static_cast<uint8_t>(t)))
      openers += std::string("\x82") + static_cast<char>(t);
  }
  EXPECT_EQ(openers, Sj("きぎしじちぢてでにひびぴふみり"));
  EXPECT_EQ(KanaPairRomaji(0xAB, 0xA0), "") << "き followed by あ is no pair";
}

TEST(CheckerTablesTest, RomajiLookupCases) {
  struct Case {
    const char* romaji;
    const char* kana;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"xtsu", "っ"}, {"xtu", "っ"}, {"shi", "し"}, {"si", "し"},
      {"va", "ば"},   {"vo", "ぼ"},  {"nn", "ん"},  {"la", ""},
      {"n", ""},      {"kyi", ""},
  };
  // clang-format on
  for (const Case& c : cases) EXPECT_EQ(RomajiKana(c.romaji), Sj(c.kana)) << c.romaji;
}

TEST(CheckerTablesTest, FullWidthTableHasNinetyTwoRows) {
  EXPECT_EQ(core::kFullWidthTable.size(), 92u);
  EXPECT_EQ(core::kFullWidthLetterRows, 52u);
}

TEST(CheckerTablesTest, FoldsFullWidthCommandForms) {
  struct Case {
    ScriptLanguage language;
    uint8_t lead, trail;
    uint8_t folded;
    const char* why;
  };
  const std::vector<Case> cases = {
      {ScriptLanguage::kKorean, 0xA3, 0xAC, ',', "KS comma"},
      {ScriptLanguage::kKorean, 0xA3, 0xAB, '+', "KS plus"},
      {ScriptLanguage::kKorean, 0xA3, 0xD3, 'S', "KS S"},
      {ScriptLanguage::kKorean, 0xA3, 0xF3, 'S', "KS lower-case s"},
      {ScriptLanguage::kJapanese, 0x82, 0x72, 'S', "full-width S"},
      {ScriptLanguage::kJapanese, 0x82, 0x93, 'S', "full-width lower-case s"},
      {ScriptLanguage::kJapanese, 0x82, 0x68, 0, "I is no command letter"},
      {ScriptLanguage::kJapanese, 0x82, 0x4F, '0', "full-width digit 0"},
      {ScriptLanguage::kJapanese, 0x82, 0x58, '9', "full-width digit 9"},
      {ScriptLanguage::kJapanese, 0x81, 0x96, '*', "full-width asterisk"},
      {ScriptLanguage::kJapanese, 0x81, 0x6E, ']', "full-width closing bracket"},
      {ScriptLanguage::kJapanese, 0x81, 0x40, 0, "the full-width space stays"},
      {ScriptLanguage::kJapanese, 0x81, 0x7C, 0, "the full-width minus stays"},
      {ScriptLanguage::kJapanese, 0x81, 0x41, 0, "、 is no symbol row of its own"},
      {ScriptLanguage::kChinese, 0x81, 0x96, 0, "C has no full-width forms"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FoldFullWidth(c.language, c.lead, c.trail), c.folded) << c.why;
  }
}

TEST(CheckerTablesTest, PinyinInventoryHasSixHundredFortyOneSyllables) {
  const std::vector<std::pair<int, size_t>> sizes = {{2, 81}, {3, 223}, {4, 241}, {5, 88}, {6, 8}};
  size_t total = 0;
  for (auto [length, count] : sizes) {
    size_t accepted = 0;
    for (const core::PinyinRow& row : core::PinyinRowsOfLength(length)) {
      accepted += IsPinyinSyllable(row.syllable) ? 1 : 0;
    }
    EXPECT_EQ(accepted, count) << length << " letters";
    total += accepted;
  }
  EXPECT_EQ(total, 641u);
}

TEST(CheckerTablesTest, PinyinSyllableCases) {
  struct Case {
    const char* letters;
    bool syllable;
    const char* why;
  };
  const std::vector<Case> cases = {
      {"a", false, "a single letter is never a syllable"},
      {"ai", true, "two letters"},
      {"ou", true, "two letters"},
      {"ba", true, "two letters"},
      {"zhong", true, "five letters"},
      {"zhuang", true, "six letters"},
      {"an", true, "the standard an, not am"},
      {"eng", true, "the standard eng, not emg"},
      {"am", false, "the slip is not in the table"},
      {"amg", false, "the slip is not in the table"},
      {"zhongrr", false, "seven letters"},
      {"xx", false, "unknown"},
      {"yo", false, "in the engine's table only"},
  };
  for (const Case& c : cases) EXPECT_EQ(IsPinyinSyllable(c.letters), c.syllable) << c.why;
}

}  // namespace
}  // namespace vtr::w2s
