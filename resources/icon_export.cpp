// Writes the program's icon as a PNG file for the desktop's icon theme:
//   vtr_icon_export OUTPUT.png SCALE      (SCALE 1: 32 x 32, 2: 64 x 64, ...)
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "resources/icon_png.h"

int main(int argc, char** argv) {
  const int scale = argc == 3 ? std::atoi(argv[2]) : 0;
  const std::string png =
      vtr::resources::EncodePng(vtr::resources::IconImage(scale), vtr::resources::kIconKey);
  if (png.empty()) {
    std::fprintf(stderr, "usage: %s OUTPUT.png SCALE (a whole number from 1)\n", argv[0]);
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(png.data(), static_cast<std::streamsize>(png.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
