// Our own artwork, drawn in code: the icons of the dialogs (the main window's skin and buttons
// are in program_art.cpp). Only sizes and frame layouts are fixed by the dialogs; the look is ours.
#include <algorithm>
#include <cmath>
#include <string_view>

#include "resources/internal/program_art.h"
#include "resources/resources.h"

namespace vtr::resources {
namespace {

using platform::Color;
using platform::Image;
using platform::Rgb;

constexpr Color kInk = Rgb(0x1C, 0x2A, 0x4A);  // symbols on buttons

// A 5 x 7 pixel font for the symbols; '#' marks ink.
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
};

void DrawGlyph(Image& image, char ch, int x0, int y0, int scale, Color color) {
  for (const Glyph& g : kGlyphs) {
    if (g.ch != ch) continue;
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 5; ++x)
        if (g.rows[y][x] == '#')
          for (int dy = 0; dy < scale; ++dy)
            for (int dx = 0; dx < scale; ++dx)
              image.set(x0 + x * scale + dx, y0 + y * scale + dy, color);
    return;
  }
}

Color Mix(Color a, Color b, double t) {
  auto m = [t](int p, int q) { return static_cast<int>(std::lround(p + (q - p) * t)); };
  return Rgb(m(platform::RedOf(a), platform::RedOf(b)),
             m(platform::GreenOf(a), platform::GreenOf(b)),
             m(platform::BlueOf(a), platform::BlueOf(b)));
}

void FillRect(Image& image, int x0, int y0, int x1, int y1, Color color) {
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) image.set(x, y, color);
}

// Rounded rectangle filled with a vertical gradient and a darker rim.
void Panel(Image& image, int x0, int y0, int x1, int y1, int radius, Color top, Color bottom,
           Color rim) {
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
      Panel(icon, 3, 3, 13, 13, 1, Rgb(0xD0, 0x40, 0x40), Rgb(0x90, 0x20, 0x20),
            Rgb(0x60, 0x10, 0x10));
      break;
    case 2:  // record
      Disc(icon, 7.5, 7.5, 5.5, Rgb(0xE0, 0x30, 0x30), Rgb(0x80, 0x10, 0x10));
      break;
    case 3:  // open: a folder
      Panel(icon, 1, 3, 8, 6, 1, Rgb(0xF0, 0xC8, 0x50), Rgb(0xE0, 0xB0, 0x40),
            Rgb(0x90, 0x70, 0x20));
      Panel(icon, 1, 5, 15, 14, 1, Rgb(0xFF, 0xDC, 0x70), Rgb(0xE8, 0xB0, 0x38),
            Rgb(0x90, 0x70, 0x20));
      break;
    case 4:  // save: a diskette
      Panel(icon, 1, 1, 15, 15, 1, Rgb(0x50, 0x78, 0xC8), Rgb(0x30, 0x50, 0x98),
            Rgb(0x18, 0x28, 0x58));
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

}  // namespace

Image LoadImage(Module module, int id) {
  switch (module) {
    case Module::kProgram:
      return ProgramImage(id);
    case Module::kScriptEdit:
      switch (id) {
        case 131:
          return SymbolIcon('!');
        case 132:
          return SymbolIcon(';');
        case 133:
          return SymbolIcon(':');
        case 134:
          return SymbolIcon('+');
        case 135:
          return SymbolIcon('\'');
        case 136:
          return SymbolIcon('^');
        case 137:
          return SymbolIcon('_');
        case 138:
          return SymbolIcon('$');
        case 139:
          return SymbolIcon('>');
        case 140:
          return SymbolIcon('&');
        case 141:
          return SymbolIcon('=');
        case 142:
          return SymbolIcon('/');
        case 143:
          return PictureIcon(3);
        case 144:
          return PictureIcon(4);
        case 145:
          return SymbolIcon('<');
        case 146:
          return SymbolIcon('@');
        case 147:
          return PictureIcon(0);
        case 148:
          return PictureIcon(1);
        case 207:
          return PictureIcon(5);
        default:
          return Image();
      }
    case Module::kWaveToScript:
      switch (id) {
        case 131:
          return PictureIcon(1);
        case 133:
          return PictureIcon(2);
        case 135:
          return PictureIcon(4);
        case 137:
          return PictureIcon(3);
        case 139:
          return PictureIcon(0);
        case 532:
          return SymbolIcon('-');
        case 533:
          return SymbolIcon('+');
        default:
          return Image();
      }
  }
  return Image();
}

}  // namespace vtr::resources
