// The main program's artwork, drawn by code: the skin, Play and Stop in three states, the knob
// frames, the close button frames and the icon. Only the sizes and frame layouts are fixed by the
// main window; the look is ours.
#include "resources/internal/program_art.h"

#include <algorithm>
#include <cmath>

#include "resources/resources.h"

namespace vtr::resources {
namespace {

// Key colour of the knob, the close button and the icon.
constexpr platform::Color kArtKey = kIconKey;

using platform::Color;
using platform::Image;
using platform::Rgb;

Color Mix(Color a, Color b, double t) {
  auto channel = [&](int shift) {
    const double x = ((a >> shift) & 0xFF) * (1 - t) + ((b >> shift) & 0xFF) * t;
    // NOLINTNEXTLINE(bugprone-incorrect-roundings): the art keeps its exact colours
    return static_cast<Color>(std::clamp(static_cast<int>(x + 0.5), 0, 255)) << shift;
  };
  return channel(0) | channel(8) | channel(16);
}

// Fills a rounded rectangle.
void RoundRect(Image& image, int x0, int y0, int x1, int y1, int radius, Color top, Color bottom) {
  for (int y = y0; y < y1; ++y) {
    const Color color = Mix(top, bottom, static_cast<double>(y - y0) / std::max(1, y1 - y0 - 1));
    for (int x = x0; x < x1; ++x) {
      const int dx = std::max({x0 + radius - x, 0, x - (x1 - 1 - radius)});
      const int dy = std::max({y0 + radius - y, 0, y - (y1 - 1 - radius)});
      if (dx * dx + dy * dy <= radius * radius) image.set(x, y, color);
    }
  }
}

void Disc(Image& image, double cx, double cy, double r, Color inner, Color outer) {
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      if (d <= r) image.set(x, y, Mix(inner, outer, d / r));
    }
  }
}

Image Skin() {
  Image image(240, 195, Rgb(0x2B, 0x3A, 0x67));
  RoundRect(image, 0, 0, 240, 195, 14, Rgb(0x5C, 0x8D, 0xD6), Rgb(0x2B, 0x3A, 0x67));
  // Title band with a soft highlight.
  RoundRect(image, 8, 6, 232, 22, 7, Rgb(0xF4, 0xF8, 0xFF), Rgb(0xB8, 0xCF, 0xF2));
  // Frame of the script box.
  RoundRect(image, 9, 25, 231, 115, 4, Rgb(0x1C, 0x27, 0x48), Rgb(0x1C, 0x27, 0x48));
  // Volume groove with tick marks.
  RoundRect(image, 130, 180, 207, 185, 2, Rgb(0x18, 0x20, 0x38), Rgb(0x40, 0x50, 0x80));
  for (int x = 136; x <= 201; x += 13) {
    for (int y = 188; y < 191; ++y) image.set(x, y, Rgb(0xD0, 0xDC, 0xF5));
  }
  // A small speaker beside the groove.
  for (int y = 178; y < 188; ++y) {
    const int half = y < 183 ? y - 178 : 187 - y;
    for (int x = 118; x < 124 + std::min(half, 4); ++x) image.set(x, y, Rgb(0xD0, 0xDC, 0xF5));
  }
  // Wordmark dots in the title band.
  for (int i = 0; i < 5; ++i)
    Disc(image, 20 + i * 9, 14, 3, Rgb(0xFF, 0xB3, 0x47), Rgb(0xF0, 0x6B, 0x3C));
  return image;
}

// Play (triangle) or Stop (square) on a rounded pad; state 0 normal, 1 hover, 2 pressed.
Image PadButton(bool play, int state) {
  const Color face = Rgb(0x2B, 0x3A, 0x67);  // the skin behind the pad
  Image image(76, 83, face);
  const Color top = state == 1 ? Rgb(0x9C, 0xF0, 0x9A) : Rgb(0x7B, 0xD8, 0x7E);
  const Color bottom = state == 2 ? Rgb(0x1E, 0x6B, 0x35) : Rgb(0x2E, 0x9A, 0x4C);
  const Color stop_top = state == 1 ? Rgb(0xFF, 0xA8, 0x8C) : Rgb(0xF7, 0x8A, 0x6E);
  const Color stop_bottom = state == 2 ? Rgb(0x8E, 0x26, 0x1C) : Rgb(0xC4, 0x3B, 0x2A);
  const int shift = state == 2 ? 2 : 0;
  RoundRect(image, 4, 6 + shift, 72, 78 + shift, 18, play ? (state == 2 ? bottom : top) : stop_top,
            play ? (state == 2 ? top : bottom) : stop_bottom);
  const Color mark = Rgb(0xFF, 0xFF, 0xFF);
  if (play) {
    for (int y = 26; y < 58; ++y) {
      const int reach = 28 + (y < 42 ? y - 26 : 57 - y) * 3 / 2;
      for (int x = 28; x < reach; ++x) image.set(x, y + shift, mark);
    }
  } else {
    RoundRect(image, 26, 30 + shift, 50, 54 + shift, 3, mark, mark);
  }
  return image;
}

Image Knob() {
  Image image(8, 24, kArtKey);
  const Color colours[3][2] = {{Rgb(0xFF, 0xFF, 0xFF), Rgb(0xA8, 0xB8, 0xD8)},
                               {Rgb(0xFF, 0xE0, 0x90), Rgb(0xF0, 0x9A, 0x3C)},
                               {Rgb(0xB0, 0xF0, 0xB0), Rgb(0x3C, 0xA0, 0x5C)}};
  for (int frame = 0; frame < 3; ++frame) {
    for (int y = 0; y < 8; ++y) {
      for (int x = 0; x < 8; ++x) {
        const double d = std::hypot(x + 0.5 - 4, y + 0.5 - 4);
        if (d <= 3.9)
          image.set(x, frame * 8 + y, Mix(colours[frame][0], colours[frame][1], d / 3.9));
      }
    }
  }
  return image;
}

Image CloseButton() {
  Image image(28, 56, kArtKey);
  for (int frame = 0; frame < 2; ++frame) {
    Image face(28, 28, kArtKey);
    Disc(face, 14, 14, 12, frame == 0 ? Rgb(0xFF, 0x9A, 0x8A) : Rgb(0xB0, 0x30, 0x28),
         frame == 0 ? Rgb(0xC8, 0x32, 0x28) : Rgb(0x70, 0x18, 0x14));
    // A power sign: an open ring with a bar.
    for (int y = 0; y < 28; ++y) {
      for (int x = 0; x < 28; ++x) {
        const double d = std::hypot(x + 0.5 - 14, y + 0.5 - 15);
        const bool ring = d > 5 && d < 7 && !(y < 13 && std::abs(x + 0.5 - 14) < 3.5);
        const bool bar = std::abs(x + 0.5 - 14) < 1.2 && y >= 7 && y <= 14;
        if (ring || bar) face.set(x, y, Rgb(0xFF, 0xFF, 0xFF));
      }
    }
    for (int y = 0; y < 28; ++y) {
      for (int x = 0; x < 28; ++x) image.set(x, frame * 28 + y, face.at(x, y));
    }
  }
  return image;
}

Image Icon() {
  Image image(32, 32, kArtKey);
  RoundRect(image, 1, 1, 31, 31, 7, Rgb(0x5C, 0x8D, 0xD6), Rgb(0x2B, 0x3A, 0x67));
  for (int y = 9; y < 23; ++y) {
    const int reach = 12 + (y < 16 ? y - 9 : 22 - y) * 3 / 2;
    for (int x = 12; x < reach; ++x) image.set(x, y, Rgb(0xFF, 0xFF, 0xFF));
  }
  return image;
}

}  // namespace

Image ProgramImage(int id) {
  switch (id) {
    case 190:
      return Skin();
    case 191:
      return PadButton(true, 0);
    case 192:
      return PadButton(true, 1);
    case 193:
      return PadButton(true, 2);
    case 194:
      return PadButton(false, 0);
    case 195:
      return PadButton(false, 1);
    case 196:
      return PadButton(false, 2);
    case 197:
      return Knob();
    case 198:
      return CloseButton();
    case 128:
      return Icon();
    default:
      return Image();
  }
}

}  // namespace vtr::resources
