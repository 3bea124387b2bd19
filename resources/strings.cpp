#include <map>
#include <string>
#include <utility>
#include <vector>

#include "resources/internal/voices.h"
#include "resources/resources.h"

namespace vtr::resources {
namespace {

// One string in the four language blocks (an empty text: the block has none).
struct Entry {
  int id;
  std::string_view english, japanese, korean, chinese;
};

// The main program: tooltips of its skinned dialog, and its own messages.
// clang-format off
constexpr Entry kProgramStrings[] = {
    {1000, "Plays the Kelvox script!", "Kelvoxを再生します！", "Kelvox를 재생합니다!", "播放Kelvox！"},
    {1003, "Stops playing the Kelvox script.", "Kelvox再生を停止します。", "Kelvox 재생을 정지합니다.", "停止播放Kelvox。"},
    {1004, "Changes the volume.", "ボリュームを変更します。", "볼륨을 변경합니다.", "更改音量。"},
    {1100, "No browser could be found to open the page.", "ページを開くブラウザが見つかりませんでした。",
     "페이지를 열 브라우저를 찾지 못했습니다.", "找不到可以打开该页面的浏览器。"},
};
// clang-format on

// The script edit dialog library: tooltips by control id (the menu buttons' too), menu button
// labels, voice names.
// clang-format off
constexpr Entry kScriptEditStrings[] = {
    {2001, "Opens a Kelvox file.", "Kelvoxファイルを開きます。", "Kelvox 파일을 엽니다.", "打开Kelvox文件。"},
    {2002, "Saves the Kelvox script.", "Kelvoxを保存します。", "Kelvox를 저장합니다.", "保存Kelvox。"},
    {2021, "Plays the Kelvox script!", "Kelvoxを再生します！", "Kelvox를 재생합니다!", "播放Kelvox！"},
    {2022, "Stops playing.", "再生を停止します。", "재생을 정지합니다.", "停止播放。"},
    {2026, "Turns the selection into an echo.", "選択した部分をエコーにします。", "선택한 부분을 에코로 만듭니다.", "将所选部分变为回声。"},
    {2028, "Inserts the speed symbol S with its value.", "スピード記号Sを値と一緒に挿入します。", "속도 기호 S를 값과 함께 삽입합니다.", "插入速度符号S及其数值。"},
    {2035, "Value of the symbol *.", "記号*の値です。", "기호 *의 값입니다.", "符号*的数值。"},
    {2036, "Value of the symbol ?.", "記号?の値です。", "기호 ?의 값입니다.", "符号?的数值。"},
    {2037, "The Kelvox script.", "Kelvoxスクリプトです。", "Kelvox 스크립트입니다.", "Kelvox脚本。"},
    {2038, "Speed value (0-99).", "スピードの値(0～99)です。", "속도 값(0~99)입니다.", "速度值(0～99)。"},
    {2040, "Steps the speed value (0-99).", "スピードの値(0～99)を増減します。", "속도 값(0~99)을 올리거나 내립니다.", "增减速度值(0～99)。"},
    {2045, "Changes the volume.", "ボリュームを変更します。", "볼륨을 변경합니다.", "更改音量。"},
    {2046, "Chooses the voice.", "声を選んでね。", "목소리를 고르세요.", "选择声音。"},
    {2047, "Value of the symbol '.", "記号'の値です。", "기호 '의 값입니다.", "符号'的数值。"},
    {2049, "Value of the symbol ^.", "記号^の値です。", "기호 ^의 값입니다.", "符号^的数值。"},
    {2051, "Value of the symbol _.", "記号_の値です。", "기호 _의 값입니다.", "符号_的数值。"},
    {2053, "Value of the symbol $.", "記号$の値です。", "기호 $의 값입니다.", "符号$的数值。"},
    {2055, "Value of the symbol <.", "記号<の値です。", "기호 <의 값입니다.", "符号<的数值。"},
    {2057, "Value of the symbol >.", "記号>の値です。", "기호 >의 값입니다.", "符号>的数值。"},
    {2059, "Inserts notes as absolute steps.", "音符を絶対指定で挿入します。", "음표를 절대 지정으로 삽입합니다.", "以绝对音阶插入音符。"},
    {2060, "Keeps the line feeds.", "改行を残します。", "줄바꿈을 남깁니다.", "保留换行。"},
    {2061, "Inserts segment ends.", "区切りを挿入します。", "구분을 삽입합니다.", "插入段落结束。"},
    {2062, "Optimizes the Kelvox script.", "Kelvoxを最適化します。", "Kelvox를 최적화합니다.", "优化Kelvox。"},
    {2063, "Plays in a loop.", "Loop再生を行います。", "반복 재생합니다.", "循环播放。"},
    {2065, "Name of the Kelvox script.", "Kelvoxの名前です。", "Kelvox의 이름입니다.", "Kelvox的名称。"},
    {32841, "Inserts a volume symbol (V1-V5).", "音量の記号(V1～V5)を挿入します。", "음량 기호(V1~V5)를 삽입합니다.", "插入音量符号(V1～V5)。"},
    {32842, "Inserts a note (C1-B3).", "音符(C1～B3)を挿入します。", "음표(C1~B3)를 삽입합니다.", "插入音符(C1～B3)。"},
    {32843, "Inserts talk or sing mode (L0, L1).", "喋るモードか歌うモード(L0、L1)を挿入します。", "말하기 또는 노래하기 모드(L0, L1)를 삽입합니다.", "插入说话或唱歌模式(L0、L1)。"},
    {32844, "Inserts a feeling symbol (W1-W5).", "感情の記号(W1～W5)を挿入します。", "감정 기호(W1~W5)를 삽입합니다.", "插入感情符号(W1～W5)。"},
    {32845, "Inserts a voice symbol.", "声の記号を挿入します。", "목소리 기호를 삽입합니다.", "插入声音符号。"},
    {32878, "Volume", "Volume", "Volume", "Volume"},
    {32879, "Pitch", "♪", "♪", "Pitch"},
    {32880, "Utterance Length", "Utterance Length", "Utterance Length", "Utterance Length"},
    {32881, "Feelings", "Feelings", "Feelings", "Feelings"},
    {32882, "Voice", "Voice", "Voice", "Voice"},
};
// clang-format on

// The symbol buttons of the script edit dialog, whose tooltips all say "inserts <symbol>".
// clang-format off
constexpr std::pair<int, std::string_view> kSymbolButtons[] = {
    {2003, "'"}, {2004, "^"}, {2005, "_"}, {2006, "$"}, {2007, "<"}, {2008, ">"}, {2012, "@"},
    {2013, "!"}, {2014, ";"}, {2015, ":"}, {2016, "+"}, {2017, ","}, {2018, "."}, {2019, "*"},
    {2020, "?"}, {2023, "-"}, {2024, "~"}, {2025, "space"}, {2032, "/"}, {2033, "="}, {2034, "&"},
};
// clang-format on

// The wave-to-script library: window title and tooltips of its three dialogs.
// clang-format off
constexpr Entry kWaveToScriptStrings[] = {
    {132, "", "再生します！", "", ""},
    {134, "", "停止します。", "", ""},
    {136, "", "ボリュームを変更します。", "", ""},
    {143, "", "声を選んでね。", "", ""},
    {144, "", "wavデータを再生します。", "", ""},
    {145, "", "wavデータの再生または録音を停止します。", "", ""},
    {147, "", "wavデータを録音します。", "", ""},
    {148, "", "wavファイルを開きます。", "", ""},
    {150, "", "音声データをクリアします。", "", ""},
    {151, "", "wavまたはKelvoxファイルを開きます。", "", ""},
    {152, "", "Kelvoxを保存します。", "", ""},
    {153, "", "音声データを再生します！", "", ""},
    {154, "", "停止します。", "", ""},
    {162, "", "録音用ダイアログを開きます。", "", ""},
    {163, "", "Intonation Edit Dialog", "", ""},
    {164, "", "スピードを選んでね。", "", ""},
    {530, "", "グラフの横軸を拡大します。", "", ""},
    {531, "", "グラフの横軸を縮小します。", "", ""},
    {2063, "", "Loop再生を行います。", "", ""},
};
// clang-format on

// The items of every edit's own menu, by command.
using platform::Edit;
constexpr Entry kEditMenuStrings[] = {
    {Edit::kMenuUndo, "&Undo", "元に戻す(&U)", "실행 취소(&U)", "撤销(&U)"},
    {Edit::kMenuCut, "Cu&t", "切り取り(&T)", "잘라내기(&T)", "剪切(&T)"},
    {Edit::kMenuCopy, "&Copy", "コピー(&C)", "복사(&C)", "复制(&C)"},
    {Edit::kMenuPaste, "&Paste", "貼り付け(&P)", "붙여넣기(&P)", "粘贴(&P)"},
    {Edit::kMenuDelete, "&Delete", "削除(&D)", "삭제(&D)", "删除(&D)"},
    {Edit::kMenuSelectAll, "Select &All", "すべて選択(&A)", "모두 선택(&A)", "全选(&A)"},
};

std::string_view Pick(const Entry& e, Language language) {
  switch (language) {
    case Language::kEnglish:
      return e.english;
    case Language::kJapanese:
      return e.japanese;
    case Language::kKorean:
      return e.korean;
    case Language::kChinese:
      return e.chinese;
  }
  return {};
}

// The spins beside the symbols' value fields, whose tooltips all say "steps the value of <symbol>".
// clang-format off
constexpr std::pair<int, std::string_view> kValueSpins[] = {
    {2048, "'"}, {2050, "^"}, {2052, "_"}, {2054, "$"}, {2056, "<"}, {2058, ">"}, {2041, "*"}, {2039, "?"},
};
// clang-format on

// The symbol button and value spin tooltips, written out once per language on first use.
const std::map<std::pair<int, Language>, std::string>& SymbolTips() {
  // Destroyed with the module, like the dialog templates.
  static const std::map<std::pair<int, Language>, std::string> tips = [] {
    std::map<std::pair<int, Language>, std::string> map;
    for (const auto& [id, symbol] : kSymbolButtons) {
      const std::string s(symbol);
      map[{id, Language::kEnglish}] = "Inserts " + s + ".";
      map[{id, Language::kJapanese}] = "「" + s + "」を挿入します。";
      map[{id, Language::kKorean}] = "「" + s + "」를 삽입합니다.";
      map[{id, Language::kChinese}] = "插入“" + s + "”。";
    }
    for (const auto& [id, symbol] : kValueSpins) {
      const std::string s(symbol);
      map[{id, Language::kEnglish}] = "Steps the value of the symbol " + s + ".";
      map[{id, Language::kJapanese}] = "記号" + s + "の値を増減します。";
      map[{id, Language::kKorean}] = "기호 " + s + "의 값을 올리거나 내립니다.";
      map[{id, Language::kChinese}] = "增减符号" + s + "的数值。";
    }
    return map;
  }();
  return tips;
}

template <size_t N>
std::string_view Find(const Entry (&table)[N], int id, Language language) {
  for (const Entry& e : table) {
    if (e.id == id) return Pick(e, language);
  }
  return {};
}

}  // namespace

platform::EditMenuTexts LoadEditMenuTexts(Language language) {
  auto text = [&](int command) { return std::string(Find(kEditMenuStrings, command, language)); };
  return {text(Edit::kMenuUndo),  text(Edit::kMenuCut),    text(Edit::kMenuCopy),
          text(Edit::kMenuPaste), text(Edit::kMenuDelete), text(Edit::kMenuSelectAll)};
}

std::string_view LoadString(Module module, int id, Language language) {
  switch (module) {
    case Module::kProgram:
      return Find(kProgramStrings, id, language);
    case Module::kScriptEdit: {
      // Strings 32883-32898 name the sixteen voices.
      if (id >= kFirstVoiceString && id < kFirstVoiceString + kVoiceCount) {
        const VoiceName& v = kVoiceNames[id - kFirstVoiceString];
        return Pick(Entry{id, v.english, v.japanese, v.korean, v.chinese}, language);
      }
      const auto& tips = SymbolTips();
      if (auto it = tips.find({id, language}); it != tips.end()) return it->second;
      return Find(kScriptEditStrings, id, language);
    }
    case Module::kWaveToScript:
      return Find(kWaveToScriptStrings, id, language);
  }
  return {};
}

}  // namespace vtr::resources
