#include <string>
#include <vector>

#include "resources/resources.h"

namespace vtr::resources {
namespace {

using platform::ControlKind;
using platform::DialogTemplate;
using platform::DialogUnits;
using K = platform::ControlKind;

constexpr uint32_t kDefault = platform::kStyleDefault;
constexpr uint32_t kGroup = platform::kStyleGroup;
constexpr uint32_t kBuddy = platform::kStyleAutoBuddy | platform::kStyleBuddyInt;

// Entries "<prefix><n><suffix>" for n from `first` down to `last`, kept for the templates' views.
std::vector<std::string_view> Steps(std::vector<std::string>& store, int first, int last,
                                    std::string (*text)(int)) {
  for (int n = first; n >= last; --n) store.push_back(text(n));
  return std::vector<std::string_view>(store.begin(), store.end());
}

std::string SpeedText(int n) {
  if (n == 0) return "標準 (0)";
  if (n > 0) return std::to_string(n) + "速く (+" + std::to_string(n) + ")";
  return std::to_string(-n) + "遅く (" + std::to_string(n) + ")";
}

std::string SignedText(int n) { return n > 0 ? "+" + std::to_string(n) : std::to_string(n); }

const std::vector<std::string_view>& SpeedItems() {
  static std::vector<std::string> store;
  static const std::vector<std::string_view> items = Steps(store, 10, -10, SpeedText);
  return items;
}

const std::vector<std::string_view>& FineItems() {
  static std::vector<std::string> store;
  static const std::vector<std::string_view> items = Steps(store, 10, -10, SignedText);
  return items;
}

// The main program's skinned dialog, in pixels; OnInitDialog places and sizes everything from the
// skin and names the window.
DialogTemplate MainDialog() {
  // clang-format off
  return DialogTemplate{
      .id = 102,
      .caption = "",
      .size = {240, 195},
      .units = DialogUnits::kPixels,
      .style = platform::kStyleNoCaption | platform::kStyleSystemMenu | platform::kStyleAcceptFiles,
      .controls = {
          {1, K::kShapedButton, "Power", {214, 169, 28, 28}},
          {1003, K::kButton, "", {20, 112, 76, 83}, platform::kStyleHidden},
          {1002, K::kEdit, "", {12, 28, 216, 84}, platform::kStyleMultiLine | platform::kStyleVScroll},
          {1000, K::kButton, "", {20, 112, 76, 83}, platform::kStyleHidden},
      }};
  // clang-format on
}

// The About box, in pixels; the picture 1012 shows the program's icon.
DialogTemplate AboutDialog() {
  return DialogTemplate{.id = 100,
                        .caption = "About VTR",
                        .size = {300, 230},
                        .units = DialogUnits::kPixels,
                        .controls = {
                            {1012, K::kPicture, "", {12, 12, 32, 32}},
                            {1009, K::kStatic, "", {56, 12, 232, 18}},
                            {1021, K::kStatic, "", {56, 32, 232, 18}},
                            {1011, K::kListView, "", {12, 58, 276, 130}},
                            {1, K::kButton, "OK", {114, 198, 72, 22}, kDefault},
                        }};
}

DialogTemplate ScriptEditDialog() {
  DialogTemplate t{.id = 130,
                   .caption = "Voxtrel",
                   .size = {340, 250},
                   .units = DialogUnits::kDialog,
                   .controls = {}};
  auto& c = t.controls;
  c.push_back({2001, K::kButton, "O", {7, 7, 18, 16}});
  c.push_back({2002, K::kButton, "S", {27, 7, 18, 16}});
  c.push_back({2021, K::kButton, "Play", {50, 7, 18, 16}});
  c.push_back({2022, K::kButton, "Stop", {70, 7, 18, 16}});
  c.push_back({2063, K::kCheckBox, "Loop", {94, 10, 40, 10}});
  c.push_back({-1, K::kStatic, "MV: ", {138, 10, 16, 8}});
  c.push_back({2045, K::kTrackbar, "", {154, 7, 92, 15}});
  c.push_back({2046, K::kComboBox, "", {250, 7, 83, 120}});
  c.push_back(
      {2037, K::kEdit, "", {7, 27, 326, 88}, platform::kStyleMultiLine | platform::kStyleVScroll});
  c.push_back({2064, K::kStatic, "Kelvox Name:", {7, 119, 50, 8}});
  c.push_back({2065, K::kEdit, "", {60, 117, 100, 12}});
  // Symbol buttons with a value field and its spin under each.
  struct Column {
    int button;
    std::string_view text;
    int edit, spin;
  };
  // clang-format off
  static constexpr Column kColumns[] = {
      {2003, "'", 2047, 2048}, {2004, "^", 2049, 2050}, {2005, "_", 2051, 2052}, {2006, "$", 2053, 2054},
      {2007, "<", 2055, 2056}, {2008, ">", 2057, 2058}, {2019, "*", 2035, 2041}, {2020, "?", 2036, 2039},
  };
  // clang-format on
  int x = 7;
  for (const Column& col : kColumns) {
    c.push_back({col.button, K::kButton, col.text, {x, 134, 24, 16}});
    c.push_back({col.edit, K::kEdit, "1", {x, 152, 16, 12}, platform::kStyleNumber});
    c.push_back({col.spin, K::kSpin, "", {x + 16, 152, 8, 12}, kBuddy});
    x += 30;
  }
  c.push_back({2028, K::kButton, "Speed", {x, 134, 32, 16}});
  c.push_back({2038, K::kEdit, "50", {x, 152, 24, 12}, platform::kStyleNumber});
  c.push_back({2040, K::kSpin, "", {x + 24, 152, 8, 12}, kBuddy});
  struct Plain {
    int button;
    std::string_view text;
  };
  static constexpr Plain kPlain[] = {
      {2032, "/"}, {2033, "="}, {2034, "&"}, {2012, "@"},     {2013, "!"}, {2014, ";"}, {2015, ":"},
      {2016, "+"}, {2017, ","}, {2018, "."}, {2025, "Space"}, {2023, "-"}, {2024, "~"}};
  x = 7;
  for (const Plain& p : kPlain) {
    const int w = p.button == 2025 ? 28 : 18;
    c.push_back({p.button, K::kButton, p.text, {x, 170, w, 16}});
    x += w + 2;
  }
  c.push_back({2026, K::kButton, "Echo", {x + 4, 170, 36, 16}});
  c.push_back({32841, K::kMenuButton, "Volume", {7, 192, 60, 14}});
  c.push_back({32842, K::kMenuButton, "Pitch", {70, 192, 60, 14}});
  c.push_back({32843, K::kMenuButton, "Utterance Length", {133, 192, 70, 14}});
  c.push_back({32844, K::kMenuButton, "Feelings", {206, 192, 60, 14}});
  c.push_back({32845, K::kMenuButton, "Voice", {269, 192, 64, 14}});
  c.push_back({2059, K::kCheckBox, "absolute steps", {70, 208, 70, 10}});
  c.push_back({2062, K::kCheckBox, "Optimize Kelvox", {7, 224, 70, 10}});
  c.push_back({2060, K::kCheckBox, "Remain Linefeed", {80, 224, 70, 10}});
  c.push_back({2061, K::kCheckBox, "Insert Segment End", {153, 224, 78, 10}});
  c.push_back({1020, K::kButton, "OK", {228, 230, 50, 14}, kDefault});
  c.push_back({2, K::kButton, "Cancel", {283, 230, 50, 14}});
  return t;
}

// The intonation edit dialog, control for control as its template lists them.
DialogTemplate IntonationEditDialog() {
  // clang-format off
  return DialogTemplate{
      .id = 141,
      .caption = "Intonation Edit Dialog",
      .size = {311, 255},
      .units = DialogUnits::kDialog,
      .style = platform::kStyleAcceptFiles | platform::kStyleSystemMenu,
      .controls = {
          {130, K::kCustom, "IntnationGraphWnd", {7, 2, 286, 167}, platform::kStyleBorder},
          {177, K::kVScrollBar, "", {293, 2, 8, 167}},
          {173, K::kHScrollBar, "", {7, 169, 286, 10}},
          {-1, K::kStatic, "基本の声", {7, 184, 28, 8}},
          {143, K::kComboBox, "", {7, 194, 68, 94}, 0,
           {"おとこのひと", "おんなのひと", "おにいさん", "おねえさん", "おとこのこ", "おんなのこ", "ラジオ DJ(男の人)",
            "ラジオ DJ(女の人)", "はーどぼいるど", "魔女", "鼻づまり", "舌たらず", "水の中", "宇宙人", "ロボット", "シンセ音"}},
          {-1, K::kStatic, "スピード", {80, 184, 24, 8}},
          {164, K::kComboBox, "", {107, 182, 49, 82}, 0, SpeedItems()},
          {534, K::kStatic, "    ", {188, 181, 11, 10}, platform::kStyleCenter | platform::kStyleSunken},
          {536, K::kStatic, "高低アクセント", {200, 181, 40, 10}},
          {535, K::kStatic, "     ", {241, 181, 12, 10}, platform::kStyleCenter | platform::kStyleSunken},
          {537, K::kStatic, "強弱アクセント", {254, 182, 40, 10}},
          {162, K::kButton, "録音", {191, 193, 35, 17}},
          {150, K::kButton, "clear", {227, 193, 35, 17}},
          {151, K::kButton, "", {267, 193, 17, 18}},
          {152, K::kButton, "", {285, 193, 17, 18}},
          {132, K::kButton, "Button1", {6, 220, 26, 19}},
          {134, K::kButton, "Button1", {33, 220, 26, 19}},
          {-1, K::kStatic, "音量:", {67, 215, 16, 8}},
          {136, K::kTrackbar, "Slider1", {81, 212, 69, 15}, platform::kStyleTicks},
          {2063, K::kCheckBox, "ループ再生", {68, 232, 43, 8}},
          {1, K::kButton, "OK", {254, 214, 50, 14}, kDefault},
          {2, K::kButton, "ｷｬﾝｾﾙ", {254, 229, 50, 14}},
      }};
  // clang-format on
}

DialogTemplate WaveInputDialog() {
  return DialogTemplate{.id = 146,
                        .caption = "音声ファイルコンバート",
                        .size = {230, 122},
                        .units = DialogUnits::kDialog,
                        .style = platform::kStyleAcceptFiles,
                        // clang-format off
                        .controls = {
                            {-1, K::kGroupBox, "録音ステータス", {7, 4, 216, 46}},
                            {147, K::kButton, "", {14, 18, 24, 20}},
                            {144, K::kButton, "", {40, 18, 24, 20}},
                            {145, K::kButton, "", {66, 18, 24, 20}},
                            {148, K::kButton, "", {92, 18, 24, 20}},
                            {161, K::kEdit, "", {122, 21, 94, 14}, platform::kStyleReadOnly},
                            {-1, K::kStatic, "喋ってる言葉は？", {7, 58, 100, 8}},
                            {157, K::kEdit, "", {7, 70, 216, 14}},
                            {1, K::kButton, "OK", {118, 100, 50, 14}, kDefault},
                            {2, K::kButton, "ｷｬﾝｾﾙ", {173, 100, 50, 14}},
                        }};
  // clang-format on
}

DialogTemplate SegmentConfirmDialog() {
  // clang-format off
  return DialogTemplate{
      .id = 148,
      .caption = "セグメントの位置を確認",
      .size = {330, 240},
      .units = DialogUnits::kDialog,
      .controls = {
          {166, K::kCustom, "SegmentGraphWnd", {7, 7, 316, 118}, platform::kStyleBorder},
          {168, K::kHScrollBar, "", {7, 125, 316, 10}},
          {530, K::kButton, "+", {7, 142, 20, 16}},
          {531, K::kButton, "-", {29, 142, 20, 16}},
          {-1, K::kGroupBox, "モード切替", {58, 138, 100, 38}},
          {185, K::kRadioButton, "喋るモード", {65, 150, 80, 10}, kGroup},
          {184, K::kRadioButton, "歌うモード", {65, 162, 80, 10}},
          {-1, K::kStatic, "オクターブ修正", {166, 142, 60, 8}},
          {186, K::kComboBox, "", {166, 152, 72, 60}, 0, {"1オクターブ上げる", "デフォルト", "1オクターブ下げる"}},
          {-1, K::kStatic, "ピッチ微調整", {246, 142, 60, 8}},
          {187, K::kComboBox, "", {246, 152, 50, 120}, 0, FineItems()},
          {-1, K::kGroupBox, "WAVE再生", {7, 180, 74, 38}},
          {153, K::kButton, "", {13, 192, 26, 19}},
          {154, K::kButton, "", {45, 192, 26, 19}},
          {132, K::kButton, "", {90, 186, 26, 19}},
          {134, K::kButton, "", {119, 186, 26, 19}},
          {-1, K::kStatic, "音量:", {152, 183, 20, 8}},
          {136, K::kTrackbar, "", {172, 180, 70, 15}, platform::kStyleTicks},
          {2063, K::kCheckBox, "ループ再生", {152, 200, 60, 10}},
          {1, K::kButton, "OK", {273, 200, 50, 14}, kDefault},
          {2, K::kButton, "ｷｬﾝｾﾙ", {273, 218, 50, 14}},
      }};
  // clang-format on
}

DialogTemplate ChangeHiraganaDialog() {
  return DialogTemplate{.id = 178,
                        .caption = "ひらがなを変更",
                        .size = {150, 50},
                        .units = DialogUnits::kDialog,
                        // clang-format off
                        .controls = {
                            {179, K::kEdit, "", {7, 7, 136, 14}},
                            {1, K::kButton, "OK", {38, 29, 50, 14}, kDefault},
                            {2, K::kButton, "ｷｬﾝｾﾙ", {93, 29, 50, 14}},
                        }};
  // clang-format on
}

}  // namespace

const DialogTemplate* FindDialog(Module module, int id) {
  // Destroyed with the module: a dialog library unloaded after each use leaves nothing behind.
  static const std::vector<DialogTemplate> program{MainDialog(), AboutDialog()};
  static const std::vector<DialogTemplate> script_edit{ScriptEditDialog()};
  static const std::vector<DialogTemplate> wave_to_script{
      IntonationEditDialog(), WaveInputDialog(), SegmentConfirmDialog(), ChangeHiraganaDialog()};
  const std::vector<DialogTemplate>* set = module == Module::kProgram      ? &program
                                           : module == Module::kScriptEdit ? &script_edit
                                                                           : &wave_to_script;
  for (const DialogTemplate& t : *set) {
    if (t.id == id) return &t;
  }
  return nullptr;
}

}  // namespace vtr::resources
