#include "resources/icon_png.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "platform/process.h"

namespace vtr::resources {
namespace {

namespace fs = std::filesystem;

struct Pam {
  int width = 0, height = 0, depth = 0;
  std::string samples;  // RGBA, row by row
};

// The PNG as libpng reads it, through netpbm's pngtopam; depth 0 when it was not read.
Pam Decode(const std::string& png, const fs::path& folder) {
  fs::create_directories(folder);
  std::ofstream(folder / "icon.png", std::ios::binary) << png;
  platform::ProcessSpec spec;
  spec.program = "pngtopam";
  spec.args = {"-alphapam"};
  spec.stdin_file = folder / "icon.png";
  spec.stdout_file = folder / "icon.pam";
  spec.stderr_file = folder / "pngtopam.log";
  Pam pam;
  if (!platform::RunProcess(spec, std::chrono::seconds(20)).ok()) return pam;
  std::ifstream in(folder / "icon.pam", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t end = all.find("ENDHDR\n");
  if (end == std::string::npos) return pam;
  std::istringstream header(all.substr(0, end));
  for (std::string word; header >> word;) {
    if (word == "WIDTH") header >> pam.width;
    if (word == "HEIGHT") header >> pam.height;
    if (word == "DEPTH") header >> pam.depth;
  }
  pam.samples = all.substr(end + 7);
  return pam;
}

bool HavePngToPam() {
  platform::ProcessSpec spec;
  spec.program = "/bin/sh";
  spec.args = {"-c", "command -v pngtopam"};
  return platform::RunProcess(spec, std::chrono::seconds(5)).ok();
}

// Every pixel of `image` reads back with its colour and full alpha, the key's pixels as
// transparent black.
void ExpectSamePixels(const platform::Image& image, platform::Color key, const Pam& pam) {
  ASSERT_EQ(pam.depth, 4) << "not read as RGBA";
  ASSERT_EQ(pam.width, image.width);
  ASSERT_EQ(pam.height, image.height);
  ASSERT_EQ(pam.samples.size(), 4u * image.width * image.height);
  int wrong = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const platform::Color c = image.at(x, y);
      const bool opaque = c != key;
      const size_t at = 4 * (static_cast<size_t>(y) * image.width + x);
      const auto sample = [&](size_t k) { return static_cast<uint8_t>(pam.samples[at + k]); };
      const bool same = sample(0) == (opaque ? platform::RedOf(c) : 0) &&
                        sample(1) == (opaque ? platform::GreenOf(c) : 0) &&
                        sample(2) == (opaque ? platform::BlueOf(c) : 0) &&
                        sample(3) == (opaque ? 255 : 0);
      if (!same && ++wrong <= 3) ADD_FAILURE() << "pixel " << x << "," << y << " differs";
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(IconPngTest, ImagesReadBackPixelForPixel) {
  if (!HavePngToPam()) GTEST_SKIP() << "pngtopam (netpbm) is not installed";
  platform::Image stripes(3, 2, 0);
  stripes.set(0, 0, platform::Rgb(0x12, 0x34, 0x56));
  stripes.set(1, 0, kIconKey);
  stripes.set(2, 1, platform::Rgb(0xFF, 0xFF, 0xFF));
  // 257 x 64 RGBA rows are 65,856 bytes: two stored blocks.
  platform::Image wide(257, 64, platform::Rgb(0x80, 0x40, 0x20));
  for (int x = 0; x < wide.width; x += 3) wide.set(x, x % 64, kIconKey);
  struct Case {
    const char* name;
    platform::Image image;
  };
  const Case cases[] = {
      {"three colours and a transparent pixel", stripes},
      {"more than one stored block", wide},
      {"the icon at its own size", IconImage(1)},
      {"the icon four times as large (more than one stored block)", IconImage(4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string png = EncodePng(c.image, kIconKey);
    ASSERT_FALSE(png.empty());
    ExpectSamePixels(c.image, kIconKey, Decode(png, fs::path(VTR_TEST_BIN_DIR) / "icon_png_test"));
  }
  fs::remove_all(fs::path(VTR_TEST_BIN_DIR) / "icon_png_test");
}

TEST(IconPngTest, IconScalesByWholePixels) {
  const platform::Image icon = LoadImage(Module::kProgram, kProgramIcon);
  ASSERT_FALSE(icon.empty());
  for (int scale : {1, 2, 4}) {
    SCOPED_TRACE(scale);
    const platform::Image scaled = IconImage(scale);
    ASSERT_EQ(scaled.width, icon.width * scale);
    ASSERT_EQ(scaled.height, icon.height * scale);
    for (int y = 0; y < scaled.height; ++y) {
      for (int x = 0; x < scaled.width; ++x) {
        ASSERT_EQ(scaled.at(x, y), icon.at(x / scale, y / scale)) << x << "," << y;
      }
    }
  }
}

TEST(IconPngTest, NothingForNoImage) {
  EXPECT_TRUE(IconImage(0).empty());
  EXPECT_TRUE(EncodePng(platform::Image(), kIconKey).empty());
}

}  // namespace
}  // namespace vtr::resources
