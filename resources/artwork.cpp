// Our own artwork, drawn in code: the icons of the dialogs, the skin of the main window and its
// buttons. Only sizes and frame layouts are fixed by the dialogs; the look is ours.
#include <algorithm>
#include <cmath>
#include <string_view>

#include "resources/resources.h"

namespace vtr::resources {
namespace {

using platform::Color;
using platform::Image;
using platform::Rgb;

constexpr Color kInk = Rgb(0x1C, 0x2A, 0x4A);       // symbols on buttons
constexpr Color kFace = platform::colors::kButtonFace;

// A 5 x 7 pixel font for the symbols and the title; '#' marks ink.
struct Glyph {
  char ch;
  std::string_view rows[7];
};

constexpr Glyph kGlyphs[] = {
    {'_', {".....", ".....", ".....", ".....", ".....", ".....", "#####"}},
    {'\'', {"..#..", "..#..", ".#...", ".....", ".....", ".....", "....."}},
    {'^', {"..#..", ".#.#.", "#...#", ".....", ".....", ".....", "....."}},
    {'$', {"..#..", ".####", "#.#..", ".###.", "..#.#", "####.", "..#.."}},
    {'<', {"...#.", "..#..", ".#...", "#....", ".#...", "..#..", "...#."}},
    {'>', {".#...", "..#..", "...#.", "....#", "...#.", "..#..", ".#..."}},
    {'/', {"....#", "....#", "...#.", "..#..", ".#...", "#....", "#...."}},
    {'=', {".....", ".....", "#####", ".....", "#####", ".....", "....."}},
    {'&', {".##..", "#..#.", "#.#..", ".#...", "#.#.#", "#..#.", ".##.#"}},
    {'@', {".###.", "#...#", "#.###", "#.#.#", "#.###", "#....", ".###."}},
    {'!', {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."}},
    {';', {".....", "..#..", ".....", ".....", "..#..", "..#..", ".#..."}},
    {':', {".....", "..#..", "..#..", ".....", "..#..", "..#..", "....."}},
    {'+', {".....", "..#..", "..#..", "#####", "..#..", "..#..", "....."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", "....."}},
    {')', {".#...", "..#..", "...#.", "...#.", "...#.", "..#..", ".#..."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
};

void DrawGlyph(Image& image, char ch, int x0, int y0, int scale, Color color) {
  for (const Glyph& g : kGlyphs) {
    if (g.ch != ch) continue;
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 5; ++x)
        if (g.rows[y][x] == '#')
          for (int dy = 0; dy < scale; ++dy)
            for (int dx = 0; dx < scale; ++dx) image.set(x0 + x * scale + dx, y0 + y * scale + dy, color);
    return;
  }
}

void DrawText(Image& image, std::string_view text, int x, int y, int scale, Color color) {
  for (char ch : text) {
    DrawGlyph(image, ch, x, y, scale, color);
    x += 6 * scale;
  }
}

Color Mix(Color a, Color b, double t) {
  auto m = [t](int p, int q) { return static_cast<int>(std::lround(p + (q - p) * t)); };
  return Rgb(m(platform::RedOf(a), platform::RedOf(b)), m(platform::GreenOf(a), platform::GreenOf(b)),
             m(platform::BlueOf(a), platform::BlueOf(b)));
}

void FillRect(Image& image, int x0, int y0, int x1, int y1, Color color) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) image.set(x, y, color);
}

// Rounded rectangle filled with a vertical gradient and a darker rim.
void Panel(Image& image, int x0, int y0, int x1, int y1, int radius, Color top, Color bottom, Color rim) {
  for (int y = y0; y < y1; ++y) {
    const double t = y1 - y0 > 1 ? static_cast<double>(y - y0) / (y1 - y0 - 1) : 0.0;
    for (int x = x0; x < x1; ++x) {
      const int cx = std::clamp(x, x0 + radius, x1 - 1 - radius);
      const int cy = std::clamp(y, y0 + radius, y1 - 1 - radius);
      const double d = std::hypot(x - cx, y - cy);
      if (d > radius + 0.5) continue;
      const bool edge = d > radius - 0.5 || x == x0 || y == y0 || x == x1 - 1 || y == y1 - 1;
      image.set(x, y, edge ? rim : Mix(top, bottom, t));
    }
  }
}

void Disc(Image& image, double cx, double cy, double r, Color fill, Color rim) {
  for (int y = static_cast<int>(cy - r - 1); y <= cy + r + 1; ++y)
    for (int x = static_cast<int>(cx - r - 1); x <= cx + r + 1; ++x) {
      const double d = std::hypot(x - cx, y - cy);
      if (d <= r) image.set(x, y, d > r - 1.2 ? rim : fill);
    }
}

// A triangle pointing right inside the box.
void PlayMark(Image& image, int x0, int y0, int w, int h, Color color) {
  for (int y = 0; y < h; ++y) {
    const int half = std::min(y, h - 1 - y);
    const int len = w * 2 * half / std::max(1, h - 1);
    for (int x = 0; x <= len && x < w; ++x) image.set(x0 + x, y0 + y, color);
  }
}

Image SymbolIcon(char symbol) {
  Image icon(16, 16, kIconKey);
  DrawGlyph(icon, symbol, 3, 1, 2, kInk);
  return icon;
}

Image PictureIcon(int kind) {
  Image icon(16, 16, kIconKey);
  switch (kind) {
    case 0:  // play
      PlayMark(icon, 4, 2, 9, 12, Rgb(0x20, 0x90, 0x30));
      break;
    case 1:  // stop
      Panel(icon, 3, 3, 13, 13, 1, Rgb(0xD0, 0x40, 0x40), Rgb(0x90, 0x20, 0x20), Rgb(0x60, 0x10, 0x10));
      break;
    case 2:  // record
      Disc(icon, 7.5, 7.5, 5.5, Rgb(0xE0, 0x30, 0x30), Rgb(0x80, 0x10, 0x10));
      break;
    case 3:  // open: a folder
      Panel(icon, 1, 3, 8, 6, 1, Rgb(0xF0, 0xC8, 0x50), Rgb(0xE0, 0xB0, 0x40), Rgb(0x90, 0x70, 0x20));
      Panel(icon, 1, 5, 15, 14, 1, Rgb(0xFF, 0xDC, 0x70), Rgb(0xE8, 0xB0, 0x38), Rgb(0x90, 0x70, 0x20));
      break;
    case 4:  // save: a diskette
      Panel(icon, 1, 1, 15, 15, 1, Rgb(0x50, 0x78, 0xC8), Rgb(0x30, 0x50, 0x98), Rgb(0x18, 0x28, 0x58));
      FillRect(icon, 4, 2, 12, 7, Rgb(0xF4, 0xF4, 0xF4));
      FillRect(icon, 5, 10, 11, 14, Rgb(0x20, 0x30, 0x50));
      break;
    case 5:  // echo: a sound and its fading repeats
      DrawGlyph(icon, ')', 0, 1, 2, kInk);
      DrawGlyph(icon, ')', 4, 1, 2, Mix(kInk, Rgb(0xB0, 0xB8, 0xC8), 0.5));
      DrawGlyph(icon, ')', 8, 1, 2, Rgb(0xB0, 0xB8, 0xC8));
      break;
    default:
      break;
  }
  return icon;
}

// The main window's face: 240 x 195, edit area at (12, 28) 216 x 84, Play/Stop area at
// (20, 112), volume track (132, 178)-(205, 187), close button at (214, 169).
Image Skin() {
  Image skin(240, 195, 0);
  for (int y = 0; y < 195; ++y) {
    const Color row = Mix(Rgb(0x9C, 0xB8, 0xE0), Rgb(0x3A, 0x5C, 0x9C), y / 194.0);
    for (int x = 0; x < 240; ++x) skin.set(x, y, row);
  }
  // Frame: light top-left, dark bottom-right.
  for (int i = 0; i < 2; ++i) {
    FillRect(skin, i, i, 240 - i, i + 1, Rgb(0xD8, 0xE4, 0xF4));
    FillRect(skin, i, i, i + 1, 195 - i, Rgb(0xD8, 0xE4, 0xF4));
    FillRect(skin, i, 194 - i, 240 - i, 195 - i, Rgb(0x1C, 0x2C, 0x50));
    FillRect(skin, 239 - i, i, 240 - i, 195 - i, Rgb(0x1C, 0x2C, 0x50));
  }
  DrawText(skin, "VOXTREL", 13, 9, 2, Rgb(0x20, 0x30, 0x58));
  DrawText(skin, "VOXTREL", 12, 8, 2, Rgb(0xFF, 0xFF, 0xFF));
  // Edit area: white, sunk into the face.
  FillRect(skin, 10, 26, 230, 27, Rgb(0x2A, 0x40, 0x70));
  FillRect(skin, 10, 26, 11, 114, Rgb(0x2A, 0x40, 0x70));
  FillRect(skin, 10, 113, 230, 114, Rgb(0xE0, 0xEA, 0xF8));
  FillRect(skin, 229, 26, 230, 114, Rgb(0xE0, 0xEA, 0xF8));
  FillRect(skin, 12, 28, 228, 112, Rgb(0xFF, 0xFF, 0xFF));
  // Volume track: a groove with ticks, and its label.
  Panel(skin, 130, 180, 208, 186, 2, Rgb(0x20, 0x2C, 0x48), Rgb(0x50, 0x60, 0x88), Rgb(0x18, 0x20, 0x38));
  for (int x = 134; x <= 204; x += 10) FillRect(skin, x, 189, x + 1, 192, Rgb(0xC8, 0xD4, 0xEC));
  DrawText(skin, "VOL", 132, 166, 1, Rgb(0xE8, 0xF0, 0xFF));
  // A recess behind the close button.
  Disc(skin, 227.5, 182.5, 15.5, Rgb(0x34, 0x50, 0x88), Rgb(0x28, 0x3C, 0x68));
  return skin;
}

// Play (mark 0) or Stop (mark 1) button, 76 x 83, state 0 normal, 1 hover, 2 pressed; the
// corners show the button-face colour, which the program uses as its key.
Image BigButton(int mark, int state) {
  Image image(76, 83, kFace);
  const Color top = state == 1 ? Rgb(0xFF, 0xFF, 0xFF) : state == 2 ? Rgb(0xA8, 0xB8, 0xD0) : Rgb(0xEE, 0xF2, 0xFA);
  const Color bottom = state == 1 ? Rgb(0xC8, 0xD8, 0xF0) : state == 2 ? Rgb(0xD8, 0xE0, 0xEE) : Rgb(0xB4, 0xC4, 0xE0);
  const int shift = state == 2 ? 1 : 0;
  Panel(image, 2 + shift, 2 + shift, 74 + shift, 81 + shift, 12, top, bottom, Rgb(0x30, 0x44, 0x70));
  const Color ink = mark == 0 ? (state == 1 ? Rgb(0x20, 0xB0, 0x38) : Rgb(0x18, 0x90, 0x2C))
                              : (state == 1 ? Rgb(0xE0, 0x38, 0x38) : Rgb(0xB8, 0x24, 0x24));
  if (mark == 0) {
    PlayMark(image, 27 + shift, 22 + shift, 26, 38, ink);
  } else {
    Panel(image, 22 + shift, 25 + shift, 54 + shift, 57 + shift, 3, ink, Mix(ink, 0, 0.3), Mix(ink, 0, 0.5));
  }
  return image;
}

// Three 8 x 8 knob frames (normal, dragged, playing) on the key colour 0xFF00FF.
Image Knob() {
  Image knob(8, 24, 0xFF00FF);
  const Color fills[3] = {Rgb(0xE8, 0xEC, 0xF4), Rgb(0x70, 0xA8, 0xF0), Rgb(0x60, 0xD0, 0x70)};
  for (int f = 0; f < 3; ++f) Disc(knob, 3.5, 8 * f + 3.5, 3.6, fills[f], Rgb(0x20, 0x28, 0x40));
  return knob;
}

// Two 28 x 28 frames of the round close button (normal, pressed) on the key at (0, 0).
Image CloseButton() {
  Image image(28, 56, 0xFF00FF);
  for (int f = 0; f < 2; ++f) {
    const double cy = 28 * f + 13.5;
    Disc(image, 13.5, cy, 12.5, f == 0 ? Rgb(0xD8, 0x40, 0x3C) : Rgb(0x98, 0x24, 0x20), Rgb(0x50, 0x10, 0x10));
    for (int i = -5; i <= 5; ++i) {
      for (int w = 0; w < 2; ++w) {
        image.set(13 + i + w, static_cast<int>(cy) + i, Rgb(0xFF, 0xFF, 0xFF));
        image.set(13 + i + w, static_cast<int>(cy) - i, Rgb(0xFF, 0xFF, 0xFF));
      }
    }
  }
  return image;
}

Image ProgramIcon() {
  Image icon(32, 32, kIconKey);
  Panel(icon, 1, 1, 31, 31, 6, Rgb(0x7C, 0xA4, 0xE4), Rgb(0x2C, 0x4C, 0x94), Rgb(0x18, 0x28, 0x58));
  DrawGlyph(icon, 'K', 9, 6, 3, Rgb(0xFF, 0xFF, 0xFF));
  return icon;
}

}  // namespace

Image LoadImage(Module module, int id) {
  switch (module) {
    case Module::kProgram:
      switch (id) {
        case 128: return ProgramIcon();
        case 190: return Skin();
        case 191: return BigButton(0, 0);
        case 192: return BigButton(0, 1);
        case 193: return BigButton(0, 2);
        case 194: return BigButton(1, 0);
        case 195: return BigButton(1, 1);
        case 196: return BigButton(1, 2);
        case 197: return Knob();
        case 198: return CloseButton();
        default: return Image();
      }
    case Module::kScriptEdit:
      switch (id) {
        case 131: return SymbolIcon('!');
        case 132: return SymbolIcon(';');
        case 133: return SymbolIcon(':');
        case 134: return SymbolIcon('+');
        case 135: return SymbolIcon('\'');
        case 136: return SymbolIcon('^');
        case 137: return SymbolIcon('_');
        case 138: return SymbolIcon('$');
        case 139: return SymbolIcon('>');
        case 140: return SymbolIcon('&');
        case 141: return SymbolIcon('=');
        case 142: return SymbolIcon('/');
        case 143: return PictureIcon(3);
        case 144: return PictureIcon(4);
        case 145: return SymbolIcon('<');
        case 146: return SymbolIcon('@');
        case 147: return PictureIcon(0);
        case 148: return PictureIcon(1);
        case 207: return PictureIcon(5);
        default: return Image();
      }
    case Module::kWaveToScript:
      switch (id) {
        case 131: return PictureIcon(1);
        case 133: return PictureIcon(2);
        case 135: return PictureIcon(4);
        case 137: return PictureIcon(3);
        case 139: return PictureIcon(0);
        case 532: return SymbolIcon('-');
        case 533: return SymbolIcon('+');
        default: return Image();
      }
  }
  return Image();
}

}  // namespace vtr::resources
