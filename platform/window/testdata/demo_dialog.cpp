#include "platform/window/testdata/demo_dialog.h"

#include "platform/window/window_system.h"

namespace vtr::platform::demo {
namespace {

constexpr int kShowTimer = 1;

DialogTemplate DemoTemplate() {
  auto at = [](const Rect& r) { return Rect{r.left, r.top, r.width(), r.height()}; };
  // clang-format off
  return DialogTemplate{
      .id = 950,
      .caption = "ウィンドウ層のデモ",
      .size = {480, 420},
      .controls = {
          {kGraphId, ControlKind::kCustom, "", at(kGraphRect)},
          {kSwatchId, ControlKind::kStatic, "", at(kSwatchRect), kStyleSunken},
          {kGlyphA, ControlKind::kStatic, "あ", at(kGlyphARect)},
          {kGlyphB, ControlKind::kStatic, "い", at(kGlyphBRect)},
          {-1, ControlKind::kGroupBox, "モード切替", {320, 60, 150, 70}},
          {185, ControlKind::kRadioButton, "喋るモード", {330, 78, 130, 20}, kStyleGroup},
          {184, ControlKind::kRadioButton, "歌うモード", {330, 100, 130, 20}},
          {2063, ControlKind::kCheckBox, "ループ再生", {320, 135, 150, 20}},
          {2037, ControlKind::kEdit, "", {10, 170, 300, 60}, kStyleMultiLine},
          {2065, ControlKind::kEdit, "", {320, 160, 110, 22}},
          {2048, ControlKind::kSpin, "", {430, 160, 16, 22}, kStyleAutoBuddy | kStyleBuddyInt},
          {143, ControlKind::kComboBox, "", {320, 190, 150, 24}, 0, {"おとこのひと", "おんなのひと", "ロボット"}},
          {136, ControlKind::kTrackbar, "", {10, 240, 150, 24}, kStyleTicks},
          {173, ControlKind::kHScrollBar, "", {10, 160 - 0 + 0, 300, 10}},
          {177, ControlKind::kVScrollBar, "", {310, 10, 10, 150}},
          {1011, ControlKind::kListView, "", {170, 240, 300, 90}},
          {kMenuButtonId, ControlKind::kMenuButton, "Volume:V4", {10, 275, 150, 24}},
          {1000, ControlKind::kImageButton, "", {10, 310, 40, 40}},
          {1, ControlKind::kShapedButton, "", {60, 310, 28, 28}},
          {2021, ControlKind::kButton, "", {100, 310, 30, 24}},
          {kIdCancel, ControlKind::kButton, "ｷｬﾝｾﾙ", {390, 380, 80, 26}, kStyleDefault},
      }};
  // clang-format on
}

// A round face of `size` pixels in `fill` on a magenta key, for the image and shaped buttons.
Image Disc(int size, Color fill, Color key) {
  Image image(size, size, key);
  const double c = (size - 1) / 2.0;
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      if ((x - c) * (x - c) + (y - c) * (y - c) <= c * c) image.set(x, y, fill);
  return image;
}

class Graph : public CustomWindow {
 public:
  void OnPaint(Canvas& canvas) override {
    const Rect r = client_rect();
    canvas.FillRect(r, colors::kWhite);
    for (int y = 0; y < r.bottom; y += 10) canvas.Line({0, y}, {r.right - 1, y}, 0xC0C0C0, 1);
    const Point line_at{kGraphLineAt.x - kGraphRect.left, kGraphLineAt.y - kGraphRect.top};
    canvas.Line({line_at.x, 0}, {line_at.x, r.bottom - 1}, kLineColor, 2);
    canvas.Line({-2000000, 120}, {2000000, 20}, 0x6666FF, 2);  // far ends clipped by the layer
    canvas.FillRect(Rect::FromSize(150, 40, 7, 7), 0x6666FF);
    const Rect label{150, r.bottom - 20, 175, r.bottom - 5};
    canvas.FillRect(label, 0xFFF2F0);
    canvas.FrameRect(label, 0xFF8F6B, 1);
    canvas.Text(label, "か", Font{"MS ゴシック", 8.5}, colors::kBlack,
                kTextCenter | kTextVCenter | kTextSingleLine);
  }
  bool OnMouse(const MouseEvent& event) override {
    if (event.kind == MouseEvent::Kind::kDown && event.button == MouseButton::kRight) {
      Menu menu({MenuItem::Command(181, "ひらがなを追加"), MenuItem::Command(183, "ひらがなを変更"),
                 MenuItem::Separator(), MenuItem::Command(182, "ひらがなを削除")});
      menu.SetGrayed(181, true);
      (void)TrackPopupMenu(this, menu, event.screen);
      return true;
    }
    return false;
  }
};

}  // namespace

DemoDialog::DemoDialog() : Dialog(DemoTemplate()) {}

bool DemoDialog::OnInitDialog() {
  ReplaceChild(kGraphId, std::make_unique<Graph>());
  Item<Static>(kSwatchId)->SetColors(kSwatchColor);
  for (int id : {kGlyphA, kGlyphB}) {
    Item<Static>(id)->SetColors(colors::kWhite);
    Item(id)->SetFont(Font{"MS UI Gothic", 24});
  }
  Item<Button>(185)->SetCheck(1);
  (void)Item<Edit>(2037)->SetScriptText(Encoding::kShiftJis, "KV#J\x82\xa9\x82\xc8'3\x82\xa0");
  Item<Edit>(2065)->SetText("1");
  Item<Spin>(2048)->SetRange(1, 99);
  Item<ComboBox>(143)->SetCurSel(0);
  Item<Trackbar>(136)->SetRange(0, 127);
  Item<Trackbar>(136)->SetPos(100);
  Item<ScrollBar>(173)->SetRange(0, 2097135);
  Item<ScrollBar>(173)->SetPos(600000);
  Item<ScrollBar>(177)->SetRange(0, 10200);
  Item<ScrollBar>(177)->SetPos(5100);
  auto* list = Item<ListView>(1011);
  list->InsertColumn(0, "File Name", 135);
  list->InsertColumn(1, "Version", 60);
  list->SetItemText(list->InsertItem(0, "Vtr_KvxDlg.so"), 1, "1, 0, 2");
  list->SetItemText(list->InsertItem(1, "Plugin/Vtr_wtp.so"), 1, "1, 0, 0");
  ImageButton::Images images;
  images.normal = Disc(40, Rgb(0x30, 0xA0, 0x30), 0xFF00FF);
  images.hover = Disc(40, Rgb(0x50, 0xD0, 0x50), 0xFF00FF);
  images.pressed = Disc(40, Rgb(0x20, 0x70, 0x20), 0xFF00FF);
  images.key = 0xFF00FF;
  Item<ImageButton>(1000)->SetImages(images);
  Image frames(28, 56, 0xFF00FF);
  const Image up = Disc(28, Rgb(0xC0, 0x30, 0x30), 0xFF00FF),
              down = Disc(28, Rgb(0x80, 0x20, 0x20), 0xFF00FF);
  for (int y = 0; y < 28; ++y)
    for (int x = 0; x < 28; ++x) {
      frames.set(x, y, up.at(x, y));
      frames.set(x, y + 28, down.at(x, y));
    }
  (void)Item<ShapedButton>(1)->SetShapeImage(frames, 2);
  Item<Button>(2021)->SetImage(Disc(16, Rgb(0x30, 0x60, 0xD0), 0xFF00FF), 0xFF00FF);
  Item(2021)->SetTooltip("再生します！");
  AddTooltipRect(Rect::FromSize(10, 240, 150, 24), "ボリュームを変更します。");
  SetTimer(kShowTimer, delay_ms);
  return true;
}

void DemoDialog::OnTimer(int id) {
  if (id != kShowTimer || !on_shown) return;
  KillTimer(kShowTimer);
  EndDialog(on_shown());
}

void DemoDialog::OnCommand(int id, Notice notice) {
  if (id == kMenuButtonId && notice == Notice::kDropDown) {
    Menu menu({MenuItem::Command(32829, "Minimum : V1"), MenuItem::Command(32833, "Maximum : V5")});
    const Rect r = Item(id)->ScreenRect();
    const int chosen = TrackPopupMenu(this, menu, Point{r.left, r.bottom});
    if (chosen != 0) Item(id)->SetText(chosen == 32829 ? "Volume:V1" : "Volume:V5");
    return;
  }
  Dialog::OnCommand(id, notice);
}

}  // namespace vtr::platform::demo
