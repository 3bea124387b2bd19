#include "resources/resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "platform/window/controls.h"
#include "platform/window/dialog.h"
#include "platform/window/headless.h"
#include "resources/dialog_setup.h"

namespace vtr::resources {
namespace {

TEST(StringsTest, LooksUpTheBlockOfTheLanguage) {
  struct Case {
    Module module;
    int id;
    Language language;
    std::string_view text;
  };
  // clang-format off
  const Case cases[] = {
      {Module::kProgram, 1000, Language::kJapanese, "Kelvoxを再生します！"},
      {Module::kProgram, 1004, Language::kEnglish, "Changes the volume."},
      {Module::kProgram, 1003, Language::kKorean, "Kelvox 재생을 정지합니다."},
      {Module::kProgram, 9999, Language::kJapanese, ""},  // no such string
      {Module::kScriptEdit, 2003, Language::kJapanese, "「'」を挿入します。"},
      {Module::kScriptEdit, 2025, Language::kEnglish, "Inserts space."},
      {Module::kScriptEdit, 32883, Language::kEnglish, "Normal male voice"},
      {Module::kScriptEdit, 32898, Language::kJapanese, "シンセ音"},
      {Module::kScriptEdit, 32879, Language::kJapanese, "♪"},
      {Module::kWaveToScript, 163, Language::kJapanese, "Intonation Edit Dialog"},
      {Module::kWaveToScript, 2063, Language::kJapanese, "Loop再生を行います。"},
      {Module::kWaveToScript, 2063, Language::kChinese, ""},  // the library has a Japanese block only
      {Module::kScriptEdit, 2048, Language::kEnglish, "Steps the value of the symbol '."},
      {Module::kScriptEdit, 2039, Language::kJapanese, "記号?の値を増減します。"},
      {Module::kScriptEdit, 2040, Language::kKorean, "속도 값(0~99)을 올리거나 내립니다."},
      {Module::kScriptEdit, 32842, Language::kJapanese, "音符(C1～B3)を挿入します。"},
      {Module::kScriptEdit, 32845, Language::kChinese, "插入声音符号。"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(LoadString(c.module, c.id, c.language), c.text);
  }
  EXPECT_EQ(kBuildLanguage, Language::kJapanese);
  EXPECT_EQ(LoadString(Module::kProgram, 1000), "Kelvoxを再生します！");
}

// Every block names each item of an edit's menu, with one access key.
TEST(StringsTest, EditMenuTextsInEveryBlock) {
  struct Case {
    Language language;
    std::string_view undo, select_all;
  };
  const Case cases[] = {
      {Language::kEnglish, "&Undo", "Select &All"},
      {Language::kJapanese, "元に戻す(&U)", "すべて選択(&A)"},
      {Language::kKorean, "실행 취소(&U)", "모두 선택(&A)"},
      {Language::kChinese, "撤销(&U)", "全选(&A)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.language));
    const platform::EditMenuTexts texts = LoadEditMenuTexts(c.language);
    EXPECT_EQ(texts.undo, c.undo);
    EXPECT_EQ(texts.select_all, c.select_all);
    for (const std::string& text :
         {texts.undo, texts.cut, texts.copy, texts.paste, texts.del, texts.select_all}) {
      EXPECT_EQ(std::count(text.begin(), text.end(), '&'), 1) << text;
    }
  }
  EXPECT_EQ(LoadEditMenuTexts().paste, "貼り付け(&P)");
}

// Each control of the script edit dialog that takes input shows the string of its id: the
// buttons, value fields and their spins, the options and the five menu buttons.
TEST(StringsTest, EveryScriptEditControlHasATooltipInEveryBlock) {
  const platform::DialogTemplate* t = FindDialog(Module::kScriptEdit, 130);
  ASSERT_NE(t, nullptr);
  int spins = 0, menu_buttons = 0;
  for (const platform::ControlTemplate& c : t->controls) {
    const bool tipped = (c.id >= 2001 && c.id <= 2063) || (c.id >= 32841 && c.id <= 32845);
    if (!tipped) continue;
    spins += c.kind == platform::ControlKind::kSpin;
    menu_buttons += c.kind == platform::ControlKind::kMenuButton;
    for (Language language :
         {Language::kEnglish, Language::kJapanese, Language::kKorean, Language::kChinese}) {
      EXPECT_FALSE(LoadString(Module::kScriptEdit, c.id, language).empty())
          << "control " << c.id << " in block " << static_cast<int>(language);
    }
  }
  EXPECT_EQ(spins, 9);
  EXPECT_EQ(menu_buttons, 5);
}

TEST(DialogsTest, CaptionsOfTheTemplates) {
  struct Case {
    Module module;
    int id;
    std::string_view caption;
  };
  const Case cases[] = {
      {Module::kProgram, 102, ""},  // the main window names itself when it starts
      {Module::kProgram, 100, "About VTR"},
      {Module::kScriptEdit, 130, "Voxtrel"},
      {Module::kWaveToScript, 141, "Intonation Edit Dialog"},
      {Module::kWaveToScript, 146, "音声ファイルコンバート"},
      {Module::kWaveToScript, 148, "セグメントの位置を確認"},
      {Module::kWaveToScript, 178, "ひらがなを変更"},
  };
  for (const Case& c : cases) {
    const platform::DialogTemplate* t = FindDialog(c.module, c.id);
    ASSERT_NE(t, nullptr) << c.id;
    EXPECT_EQ(t->caption, c.caption) << c.id;
  }
}

TEST(DialogsTest, TemplatesHaveUniqueIdsInsideTheirDialog) {
  const std::pair<Module, int> dialogs[] = {
      {Module::kProgram, 102},      {Module::kProgram, 100},      {Module::kScriptEdit, 130},
      {Module::kWaveToScript, 141}, {Module::kWaveToScript, 146}, {Module::kWaveToScript, 148},
      {Module::kWaveToScript, 178}};
  for (const auto& [module, id] : dialogs) {
    SCOPED_TRACE(id);
    const platform::DialogTemplate* t = FindDialog(module, id);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->id, id);
    std::set<int> ids;
    const platform::Rect area{0, 0, t->size.width, t->size.height};
    for (const platform::ControlTemplate& c : t->controls) {
      if (c.id != -1) {
        EXPECT_TRUE(ids.insert(c.id).second) << "control " << c.id << " twice";
      }
      // (A combo box's height is that of its open list, which may reach past the dialog.)
      EXPECT_TRUE(area.Contains({c.place.left, c.place.top}))
          << "control " << c.id << " outside the dialog";
    }
  }
  EXPECT_EQ(FindDialog(Module::kProgram, 141), nullptr);
}

TEST(DialogsTest, ComboEntriesOfTheIntonationAndSegmentDialogs) {
  auto items = [](Module m, int dialog, int control) {
    for (const auto& c : FindDialog(m, dialog)->controls) {
      if (c.id == control) return c.items;
    }
    return std::vector<std::string_view>{};
  };
  const auto speed = items(Module::kWaveToScript, 141, 164);
  ASSERT_EQ(speed.size(), 21u);
  EXPECT_EQ(speed[0], "10速く (+10)");
  EXPECT_EQ(speed[10], "標準 (0)");
  EXPECT_EQ(speed[20], "10遅く (-10)");
  const auto fine = items(Module::kWaveToScript, 148, 187);
  ASSERT_EQ(fine.size(), 21u);
  EXPECT_EQ(fine[0], "+10");
  EXPECT_EQ(fine[10], "0");
  EXPECT_EQ(fine[11], "-1");
  EXPECT_EQ(items(Module::kWaveToScript, 141, 143)[6], "ラジオ DJ(男の人)");
}

TEST(DialogsTest, EveryTemplateRunsOnTheHeadlessBackend) {
  const std::pair<Module, int> dialogs[] = {{Module::kProgram, 100},
                                            {Module::kScriptEdit, 130},
                                            {Module::kWaveToScript, 141},
                                            {Module::kWaveToScript, 148}};
  for (const auto& [module, id] : dialogs) {
    SCOPED_TRACE(id);
    platform::HeadlessSession session;
    platform::Dialog dialog(*FindDialog(module, id));
    session.user().Close();
    EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
    EXPECT_TRUE(session.errors().empty());
  }
}

TEST(MenusTest, CommandsOfTheMenus) {
  struct Case {
    Module module;
    int menu;
    int command;
    std::string_view text;
  };
  const Case cases[] = {
      {Module::kProgram, 129, 57601, "ファイルを開く... Ctrl+&O"},
      {Module::kProgram, 129, 32773, "おとこのひと"},
      {Module::kProgram, 129, 32788, "シンセ音"},
      {Module::kProgram, 129, 1, "終わる"},
      {Module::kProgram, 130, 57664, "About VTR..."},
      {Module::kScriptEdit, 200, 32833, "Maximum : V5"},
      {Module::kScriptEdit, 201, 32796, "-1 oct."},  // C#1
      {Module::kScriptEdit, 201, 32828, "+1 oct."},  // B3
      {Module::kScriptEdit, 202, 32835, "Sing Mode : L1"},
      {Module::kScriptEdit, 203, 32836, "more gentle : W1"},
      {Module::kScriptEdit, 204, 32846, "Normal male voice : K0"},
      {Module::kScriptEdit, 205, 32877, "Extend Voice15  : X15"},
      {Module::kWaveToScript, 180, 183, "ひらがなを変更"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    const platform::Menu popup = LoadMenu(c.module, c.menu).FirstPopup();
    const platform::MenuItem* item = popup.Find(c.command);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text, c.text);
  }
  EXPECT_EQ(LoadMenu(Module::kScriptEdit, 204).FirstPopup().Find(32862), nullptr);
  EXPECT_TRUE(LoadMenu(Module::kScriptEdit, 999).items().empty());
}

TEST(AcceleratorsTest, TablesOfTheDialogs) {
  struct Case {
    Module module;
    int table;
    int key;
    int command;
  };
  const Case cases[] = {{Module::kProgram, 131, 'E', 32790},
                        {Module::kProgram, 131, 'W', 32849},
                        {Module::kProgram, 131, 'O', 57601},
                        {Module::kWaveToScript, 149, 'S', 152},
                        {Module::kScriptEdit, 206, 'O', 2001}};
  for (const Case& c : cases) {
    int command = 0;
    for (const platform::Accelerator& a : LoadAccelerators(c.module, c.table)) {
      if (a.key == c.key && a.modifiers == platform::kModCtrl) command = a.command;
    }
    EXPECT_EQ(command, c.command);
  }
  EXPECT_TRUE(LoadAccelerators(Module::kProgram, 1).empty());
}

TEST(ArtworkTest, ImagesHaveTheSizesAndFramesTheDialogsExpect) {
  struct Case {
    Module module;
    int id;
    int width, height;
  };
  // clang-format off
  const Case cases[] = {
      {Module::kProgram, 190, 240, 195}, {Module::kProgram, 191, 76, 83}, {Module::kProgram, 196, 76, 83},
      {Module::kProgram, 197, 8, 24},    {Module::kProgram, 198, 28, 56}, {Module::kProgram, 128, 32, 32},
      {Module::kScriptEdit, 137, 16, 16}, {Module::kScriptEdit, 207, 16, 16}, {Module::kWaveToScript, 533, 16, 16},
      {Module::kWaveToScript, 139, 16, 16},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    const platform::Image image = LoadImage(c.module, c.id);
    EXPECT_EQ(image.width, c.width);
    EXPECT_EQ(image.height, c.height);
  }
  EXPECT_TRUE(LoadImage(Module::kWaveToScript, 140).empty());
  // Icons draw something on their key colour.
  const platform::Image icon = LoadImage(Module::kScriptEdit, 135);
  EXPECT_EQ(icon.at(0, 0), kIconKey);
  EXPECT_NE(std::count(icon.pixels.begin(), icon.pixels.end(), kIconKey), 256);
  // Play is green and Stop red in every state at the point the program's screen tests read
  // ((40, 150) of the window, the buttons standing at (20, 112)).
  for (int id : {191, 192, 193, 194, 195, 196}) {
    const platform::Color pixel = LoadImage(Module::kProgram, id).at(20, 38);
    const int red = platform::RedOf(pixel), green = platform::GreenOf(pixel);
    EXPECT_GT(id <= 193 ? green - red : red - green, 48) << id;
  }
  // The close button's key is at (0, 0) and its first frame is a round shape of 28 rows.
  const platform::Image close = LoadImage(Module::kProgram, 198);
  const platform::Region shape = platform::RegionFromImage(close, close.at(0, 0), {0, 0, 28, 28});
  EXPECT_FALSE(shape.Contains({0, 0}));
  EXPECT_TRUE(shape.Contains({14, 14}));
}

// Dressing dialog 141 of the wave-to-script library: icons in table order up to the first that
// the module lacks, a missing button passed over, tool tips from the module's strings.
TEST(DialogSetupTest, IconsStopAtTheFirstMissingOneAndTipsComeFromTheStrings) {
  constexpr int kNoSuchIcon = 9999;
  constexpr int kNoSuchButton = 9998;
  struct Case {
    std::vector<ButtonIcon> icons;
    bool result;
    bool play_has_icon;
    bool stop_has_icon;
  };
  const Case cases[] = {
      {{{132, 139}, {134, 131}}, true, true, true},
      {{{132, 139}, {kNoSuchButton, 131}, {134, 131}}, true, true, true},
      {{{132, 139}, {134, kNoSuchIcon}}, false, true, false},
      {{{132, kNoSuchIcon}, {134, 131}}, false, false, false},
  };
  for (const Case& c : cases) {
    platform::HeadlessSession session;
    platform::Dialog dialog(*FindDialog(Module::kWaveToScript, 141));
    session.user()
        .Do([&] {
          EXPECT_EQ(SetButtonIcons(dialog, Module::kWaveToScript, c.icons), c.result);
          EXPECT_EQ(!dialog.Item<platform::Button>(132)->image().empty(), c.play_has_icon);
          EXPECT_EQ(!dialog.Item<platform::Button>(134)->image().empty(), c.stop_has_icon);
        })
        .Close();
    (void)dialog.DoModal();
  }

  platform::HeadlessSession session;
  platform::Dialog dialog(*FindDialog(Module::kWaveToScript, 141));
  session.user()
      .Do([&] {
        EXPECT_EQ(SetToolTips(dialog, Module::kWaveToScript, [](int id) { return id == 132; }), 1);
        EXPECT_EQ(dialog.Item(132)->tooltip(), LoadString(Module::kWaveToScript, 132));
        EXPECT_TRUE(dialog.Item(134)->tooltip().empty());
        EXPECT_GT(SetToolTips(dialog, Module::kWaveToScript), 2);
        EXPECT_EQ(dialog.Item(134)->tooltip(), LoadString(Module::kWaveToScript, 134));
      })
      .Close();
  (void)dialog.DoModal();
}

}  // namespace
}  // namespace vtr::resources
