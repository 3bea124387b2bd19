#include "wave2script/dialogs/record/segment_graph_wnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/testing/test_text.h"
#include "platform/testing/fifo_trap.h"
#include "platform/window/dialog.h"
#include "platform/window/headless.h"
#include "wave2script/dialogs/record/testing/record_testing.h"

namespace vtr::w2s {
namespace {

using platform::Point;
using platform::Rect;

constexpr int kGraphId = 166;
const std::string kKa = core::testing::Sj("か");
const std::string kKi = core::testing::Sj("き");
const std::string kKu = core::testing::Sj("く");

WaveData Silence(int ms) {
  WaveData wave;
  wave.rate = 16000;
  wave.bits = 16;
  wave.duration_ms = ms;
  wave.frames = 16 * ms;
  wave.first.assign(static_cast<size_t>(wave.frames), 0.0);
  return wave;
}

std::vector<int> Times(const SegmentView& view) {
  std::vector<SegmentItem> items;
  view.GetItems(&items);
  std::vector<int> times;
  times.reserve(items.size());
  for (const SegmentItem& item : items) times.push_back(item.start);
  return times;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ReadWaveDataTest, ReadsFormatAndSamples) {
  testing::ScratchFolder folder;
  struct Case {
    int rate, channels, bits;
    std::vector<int16_t> samples;
    int frames, duration_ms;
    std::vector<double> first, second;
  };
  const std::vector<Case> cases = {
      {16000, 1, 16, {100, -200, 300, -32768}, 4, 0, {100, -200, 300, -32768}, {}},
      {8000, 2, 16, std::vector<int16_t>(16000, 7), 8000, 1000, std::vector<double>(8000, 7),
       std::vector<double>(8000, 7)},
      {16000, 1, 8, {256, -256, 0}, 3, 0, {1, -1, 0}, {}},
  };
  for (const Case& c : cases) {
    const std::string path = folder / "wave.wav";
    testing::WriteWave(path, c.samples, c.rate, c.channels, c.bits);
    WaveData wave;
    ASSERT_TRUE(ReadWaveData(path, &wave)) << c.rate;
    EXPECT_EQ(wave.rate, c.rate);
    EXPECT_EQ(wave.channels, c.channels);
    EXPECT_EQ(wave.bits, c.bits);
    EXPECT_EQ(wave.frames, c.frames);
    EXPECT_EQ(wave.duration_ms, c.duration_ms);
    EXPECT_EQ(wave.first, c.first);
    EXPECT_EQ(wave.second, c.second);
  }
}

// A RIFF image: the header, then the chunks given as raw bytes.
std::string Riff(const std::string& chunks) {
  const uint32_t size = static_cast<uint32_t>(4 + chunks.size());
  std::string out = "RIFF";
  for (int i = 0; i < 4; ++i) out += static_cast<char>(size >> (8 * i) & 0xFF);
  return out + "WAVE" + chunks;
}

const std::string kFmt16kMono16 =
    std::string("fmt \x10\0\0\0\x01\0\x01\0\x80\x3E\0\0\0\x7D\0\0\x02\0\x10\0", 24);

TEST(ReadWaveDataTest, SizesBeyondTheFileAreCut) {
  testing::ScratchFolder folder;
  const std::string path = folder / "cut.wav";
  {
    std::ofstream out(path, std::ios::binary);
    // A "data" chunk that claims 2 GiB but holds two samples.
    out << Riff(kFmt16kMono16 + std::string("data\xFF\xFF\xFF\x7F\x01\0\x02\0", 12));
  }
  WaveData wave;
  ASSERT_TRUE(ReadWaveData(path, &wave));
  EXPECT_EQ(wave.data_size, 4u);
  EXPECT_EQ(wave.first, (std::vector<double>{1, 2}));
}

// A FIFO or a device under the wave's name is not opened: the view would wait or never end.
TEST(ReadWaveDataTest, WhatIsNoRegularFileIsNotOpened) {
  testing::ScratchFolder folder;
  platform::testing::FifoTrap trap(folder / "fifo.wav");
  ASSERT_TRUE(trap.made());
  for (const std::string& path : {std::string(folder / "fifo.wav"), std::string("/dev/zero")}) {
    WaveData wave;
    EXPECT_FALSE(ReadWaveData(path, &wave)) << path;
  }
  EXPECT_FALSE(trap.opened());
}

TEST(ReadWaveDataTest, MissingOrBrokenFileKeepsTheDefaults) {
  testing::ScratchFolder folder;
  // clang-format off
  const std::vector<std::pair<std::string, std::string>> files = {
      {"junk.wav", Riff("junk")},
      {"hugefmt.wav", Riff(std::string("fmt \xFF\xFF\xFF\xFF\x01\0", 10))},
      {"nodata.wav", Riff(kFmt16kMono16)},
      {"bits24.wav", Riff(std::string(kFmt16kMono16).replace(22, 2, "\x18\0", 2) + std::string("data\0\0\0\0", 8))},
      {"text.wav", "hello"},
  };
  // clang-format on
  std::vector<std::string> paths = {folder / "missing.wav"};
  for (const auto& [name, bytes] : files) {
    std::ofstream out(folder / name, std::ios::binary);
    out << bytes;
    paths.push_back(folder / name);
  }
  for (const std::string& path : paths) {
    WaveData wave;
    EXPECT_FALSE(ReadWaveData(path, &wave)) << path;
    EXPECT_EQ(wave.rate, 11025);
    EXPECT_EQ(wave.bits, 8);
    EXPECT_EQ(wave.duration_ms, 1000);
    EXPECT_TRUE(wave.first.empty());
  }
}

// The bytes of a little-endian field.
std::string LeBytes(uint32_t value, int bytes) {
  std::string out;
  for (int i = 0; i < bytes; ++i) out += static_cast<char>(value >> (8 * i) & 0xFF);
  return out;
}

// A RIFF image with the size field and form as given.
std::string RiffAs(uint32_t size, const std::string& form, const std::string& chunks) {
  return "RIFF" + LeBytes(size, 4) + form + chunks;
}

// A chunk: id, the body's size, the body and the pad byte of an odd body.
std::string ChunkOf(const std::string& id, const std::string& body) {
  return id + LeBytes(static_cast<uint32_t>(body.size()), 4) + body +
         (body.size() % 2 != 0 ? std::string(1, '\0') : "");
}

// The fields of a format record; the defaults are 16 kHz 16-bit mono PCM.
struct Fmt {
  uint16_t tag = 1;
  uint16_t channels = 1;
  uint32_t rate = 16000;
  uint32_t byte_rate = 32000;
  uint16_t align = 2;
  uint16_t bits = 16;
};

std::string FmtBody(const Fmt& f) {
  return LeBytes(f.tag, 2) + LeBytes(f.channels, 2) + LeBytes(f.rate, 4) + LeBytes(f.byte_rate, 4) +
         LeBytes(f.align, 2) + LeBytes(f.bits, 2);
}

// Where the chunks sit, what the sizes say and which formats are taken: every case is a file
// the view either reads (with what it reads) or refuses, leaving the wave as it was.
TEST(ReadWaveDataTest, FileLayoutAndFormatCases) {
  testing::ScratchFolder folder;
  struct Read {
    uint16_t channels;
    int rate;
    uint16_t bits;
    int bytes_per_second, block_align;
    uint32_t data_size, riff_size;
    int duration_ms;
    std::vector<double> first, second;
  };
  struct Case {
    const char* what;
    std::string bytes;
    std::optional<Read> read;  // nothing: refused
  };
  const std::string fmt = ChunkOf("fmt ", FmtBody({}));
  const std::string data = ChunkOf("data", std::string("\x01\0\x02\0", 4));
  const std::string short_fmt = ChunkOf("fmt ", FmtBody({}).substr(0, 14));
  const Read plain{1, 16000, 16, 32000, 2, 4, 40, 0, {1, 2}, {}};
  // `plain` with another RIFF size field.
  const auto plain_as = [&](uint32_t riff_size) {
    Read r = plain;
    r.riff_size = riff_size;
    return r;
  };
  const auto refused = [](Fmt f) {
    return Riff(ChunkOf("fmt ", FmtBody(f)) + ChunkOf("data", std::string("\x01\0\x02\0", 4)));
  };
  const std::vector<Case> cases = {
      {"fmt then data", Riff(fmt + data), plain},
      // Where the chunks sit.
      {"fmt after data", Riff(data + fmt), std::nullopt},
      {"no fmt", Riff(data), std::nullopt},
      {"no data", Riff(fmt), std::nullopt},
      {"odd chunk before data is padded", Riff(fmt + ChunkOf("LIST", "abc") + data), plain_as(52)},
      {"odd fmt is padded", Riff(ChunkOf("fmt ", FmtBody({}) + "x") + data), plain_as(42)},
      {"the last fmt before data counts",
       Riff(fmt + ChunkOf("fmt ", FmtBody({.channels = 2, .byte_rate = 64000, .align = 4})) + data),
       Read{2, 16000, 16, 64000, 4, 4, 64, 0, {1}, {2}}},
      {"a short fmt before a whole one", Riff(short_fmt + fmt + data), std::nullopt},
      {"a short fmt after a whole one", Riff(fmt + short_fmt + data), std::nullopt},
      {"chunks after data are not looked at", Riff(fmt + data + short_fmt), plain_as(62)},
      {"the first data counts", Riff(fmt + data + ChunkOf("data", std::string("\x05\0", 2))),
       plain_as(50)},
      // What the sizes say.
      {"fmt shorter than 16 bytes", Riff(short_fmt + data), std::nullopt},
      {"fmt past the end of the file", Riff("fmt " + LeBytes(16, 4) + FmtBody({}).substr(0, 10)),
       std::nullopt},
      {"a chunk past the end hides the data", Riff(fmt + "LIST" + LeBytes(1000, 4) + "abcd" + data),
       std::nullopt},
      {"half a chunk header", Riff(fmt + "dat"), std::nullopt},
      {"data cut to the file",
       Riff(fmt + "data" + LeBytes(100, 4) + std::string("\x01\0\x02\0\x03", 5)),
       Read{1, 16000, 16, 32000, 2, 5, 41, 0, {1, 2}, {}}},
      {"data header ends the file", Riff(fmt + "data" + LeBytes(8, 4)),
       Read{1, 16000, 16, 32000, 2, 0, 36, 0, {}, {}}},
      {"RIFF size ends before data", RiffAs(28, "WAVE", fmt + data), plain_as(28)},
      {"RIFF size ends inside data", RiffAs(38, "WAVE", fmt + data), plain_as(38)},
      {"RIFF size 0", RiffAs(0, "WAVE", fmt + data), plain_as(0)},
      {"RIFF size past the file", RiffAs(0xFFFFFFFF, "WAVE", fmt + data), plain_as(0xFFFFFFFF)},
      {"another form than WAVE", RiffAs(40, "AVI ", fmt + data), plain},
      {"RIFX", "RIFX" + Riff(fmt + data).substr(4), std::nullopt},
      {"header only", RiffAs(4, "WAVE", ""), std::nullopt},
      {"shorter than the header", std::string("RIFF\x04\0\0\0WAV", 11), std::nullopt},
      // Which formats are taken.
      {"16-bit stereo",
       Riff(ChunkOf("fmt ", FmtBody({.channels = 2, .byte_rate = 64000, .align = 4})) +
            ChunkOf("data", std::string("\x01\0\x02\0\x03\0\x04\0", 8))),
       Read{2, 16000, 16, 64000, 4, 8, 44, 0, {1, 3}, {2, 4}}},
      {"8-bit stereo",
       Riff(ChunkOf("fmt ", FmtBody({.channels = 2, .rate = 1, .byte_rate = 2, .bits = 8})) +
            ChunkOf("data", std::string("\x80\x81\x7F\0", 4))),
       Read{2, 1, 8, 2, 2, 4, 40, 2000, {0, -1}, {1, -128}}},
      {"any format tag", Riff(ChunkOf("fmt ", FmtBody({.tag = 3})) + data), plain},
      {"byte rate and block align as written",
       Riff(ChunkOf("fmt ", FmtBody({.byte_rate = 1, .align = 7})) + data),
       Read{1, 16000, 16, 1, 7, 4, 40, 0, {1, 2}, {}}},
      {"no channels", refused({.channels = 0}), std::nullopt},
      {"three channels", refused({.channels = 3}), std::nullopt},
      {"rate 0", refused({.rate = 0}), std::nullopt},
      {"rate beyond an int", refused({.rate = 0x80000000}), std::nullopt},
      {"0 bits", refused({.bits = 0}), std::nullopt},
      {"24 bits", refused({.bits = 24}), std::nullopt},
      {"32 bits", refused({.bits = 32}), std::nullopt},
  };
  for (const Case& c : cases) {
    const std::string path = folder / "layout.wav";
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out << c.bytes;
    }
    WaveData wave;
    wave.rate = 1234;
    wave.first = {9};
    const bool read = ReadWaveData(path, &wave);
    EXPECT_EQ(read, c.read.has_value()) << c.what;
    if (read != c.read.has_value()) continue;
    if (!c.read) {
      EXPECT_EQ(wave.rate, 1234) << c.what;
      EXPECT_EQ(wave.first, std::vector<double>{9}) << c.what;
      continue;
    }
    const Read& r = *c.read;
    EXPECT_EQ(wave.channels, r.channels) << c.what;
    EXPECT_EQ(wave.rate, r.rate) << c.what;
    EXPECT_EQ(wave.bits, r.bits) << c.what;
    EXPECT_EQ(wave.bytes_per_second, r.bytes_per_second) << c.what;
    EXPECT_EQ(wave.block_align, r.block_align) << c.what;
    EXPECT_EQ(wave.data_size, r.data_size) << c.what;
    EXPECT_EQ(wave.riff_size, r.riff_size) << c.what;
    EXPECT_EQ(wave.bytes_per_sample, r.bits / 8) << c.what;
    EXPECT_EQ(wave.frames, static_cast<int>(r.first.size())) << c.what;
    EXPECT_EQ(wave.duration_ms, r.duration_ms) << c.what;
    EXPECT_EQ(wave.first, r.first) << c.what;
    EXPECT_EQ(wave.second, r.second) << c.what;
  }
}

TEST(SegmentViewTest, ItemsGoInAndOutWithTheMargin) {
  SegmentView view;
  view.SetViewRect({0, 0, 300, 100});
  view.SetItems({{kKa.c_str(), 100}, {"#", 240}, {kKi.c_str(), 300}});
  ASSERT_EQ(view.items().size(), 3u);
  EXPECT_EQ(view.items()[0], (GraphItem{105, 100, kKa.c_str(), 100, 0}));
  EXPECT_EQ(Times(view), (std::vector<int>{100, 240, 300}));
}

TEST(SegmentViewTest, ZoomLevelsAndScrollRange) {
  SegmentView view;
  view.SetViewRect({0, 0, 500, 100});
  view.SetWave(Silence(4000));
  struct Case {
    int level;
    double factor;
    int maximum;
  };
  // At level 0 a 4-second wave spans 2000 pixels.
  const std::vector<Case> cases = {{0, 2.0, 2000 - 500 + 10},
                                   {1, 1.0, 4000 - 500 + 10},
                                   {2, 0.8, 5000 - 500 + 10},
                                   {3, 0.6, 6666 - 500 + 10}};
  for (const Case& c : cases) {
    view.set_zoom_level(c.level);
    EXPECT_EQ(view.factor(), c.factor);
    EXPECT_EQ(view.ScrollMaximum(), c.maximum) << c.level;
  }
  EXPECT_EQ(view.ZoomIn(), 3) << "stops at 3";
  view.set_zoom_level(0);
  EXPECT_EQ(view.ZoomOut(), 0) << "stops at 0";
  view.SetWave(Silence(100));
  EXPECT_EQ(view.ScrollMaximum(1.0), 0);
}

TEST(SegmentViewTest, PaintsGridWaveBoundariesAndLabels) {
  SegmentView view;
  view.SetViewRect({0, 0, 300, 100});
  WaveData wave = Silence(1000);
  wave.first[1600] = 16384;  // 100 ms: half way up
  view.SetWave(wave);
  view.SetItems(
      {{kKa.c_str(), 100}, {"#", 200}, {" ", 240}, {kKi.c_str(), 260}, {kKu.c_str(), 400}});
  ASSERT_TRUE(view.ToggleSelection({275, 85}));
  platform::RecordingCanvas canvas({0, 0, 300, 100});
  view.Paint(canvas);
  const std::vector<std::string> lines = canvas.Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), "fill 0,0 300,100 ffffff");
  EXPECT_TRUE(Has(lines, "line 0,50 299,50 c0c0c0 w1")) << "middle line";
  EXPECT_TRUE(Has(lines, "line 20,0 20,99 c0c0c0 w1")) << "grid every 20 ms";
  EXPECT_FALSE(Has(lines, "line 30,0 30,99 c0c0c0 w1"));
  EXPECT_TRUE(Has(lines, "line 105,25 105,50 707070 w1")) << "the sample at 100 ms";
  // Boundaries: every item; label boxes only beside labels.
  for (int px : {105, 205, 245, 265}) {
    EXPECT_TRUE(
        Has(lines, "line " + std::to_string(px) + ",0 " + std::to_string(px) + ",99 d08000 w2"))
        << px;
  }
  EXPECT_TRUE(Has(lines, "fill 106,80 131,95 fff2f0"));
  EXPECT_TRUE(Has(lines, "text 106,80 131,95 \"か\" 000000"));
  EXPECT_TRUE(Has(lines, "fill 106,80 131,81 ff8f6b")) << "1-px border";
  EXPECT_TRUE(Has(lines, "fill 266,80 291,95 ffb793")) << "selected";
  EXPECT_TRUE(Has(lines, "fill 266,80 291,82 ff8f6b")) << "2-px border";
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& l) { return l.starts_with("text "); }),
            2)
      << "pauses and gaps have no label; 405 is outside the view";

  // Scrolled and zoomed: the item unit x stands at x / factor - origin.
  view.set_zoom_level(0);
  view.set_origin(20);
  platform::RecordingCanvas zoomed({0, 0, 300, 100});
  view.Paint(zoomed);
  EXPECT_TRUE(Has(zoomed.Lines(), "line 32,0 32,99 d08000 w2")) << "105 / 2 - 20";
  EXPECT_TRUE(Has(zoomed.Lines(), "line 182,0 182,99 d08000 w2")) << "405 / 2 - 20";
}

TEST(SegmentViewTest, HitTestFindsLabelsBeforeBoundaries) {
  SegmentView view;
  view.SetViewRect({0, 0, 300, 100});
  view.SetItems({{kKa.c_str(), 100}, {"#", 200}});
  struct Case {
    Point p;
    SegmentHit kind;
    int index;
  };
  const std::vector<Case> cases = {
      {{110, 85}, SegmentHit::kLabel, 0},    {{105, 10}, SegmentHit::kBoundary, 0},
      {{107, 10}, SegmentHit::kBoundary, 0}, {{108, 10}, SegmentHit::kNone, -1},
      {{205, 90}, SegmentHit::kBoundary, 1}, {{215, 85}, SegmentHit::kNone, -1},
  };
  for (const Case& c : cases) {
    const SegmentHitResult hit = view.HitTest(c.p);
    EXPECT_EQ(hit.kind, c.kind) << c.p.x << "," << c.p.y;
    EXPECT_EQ(hit.index, c.index) << c.p.x << "," << c.p.y;
  }
}

TEST(SegmentViewTest, LoopRangeFollowsTheSelectedLabels) {
  struct Case {
    std::vector<int> labels;  // pixels of the label boxes clicked with Ctrl
    int result, start, end;
  };
  // Labels at 100 (か), 260 (き) and 400 (く) ms; a gap at 200, a pause at 500.
  // clang-format off
  const std::vector<Case> cases = {
      {{}, 0, 100, 500},
      {{275}, 1, 260, 500},       // one label: from it to the last item
      {{115, 275}, 1, 100, 400},  // two: to the end of the last selected one
      {{115, 415}, 1, 100, 500},  // no label after the last selected one
      {{115, 115}, 0, 100, 500},  // selected and deselected again
  };
  // clang-format on
  for (const Case& c : cases) {
    SegmentView view;
    view.SetViewRect({0, 0, 600, 100});
    view.SetItems(
        {{kKa.c_str(), 100}, {"#", 200}, {kKi.c_str(), 260}, {kKu.c_str(), 400}, {" ", 500}});
    for (int px : c.labels) ASSERT_TRUE(view.ToggleSelection({px, 85})) << px;
    int first = -1, start = -1, end = -1;
    EXPECT_EQ(view.GetLoopRange(&first, &start, &end), c.result);
    EXPECT_EQ(first, 100);
    EXPECT_EQ(start, c.start);
    EXPECT_EQ(end, c.end);
  }
  SegmentView empty;
  int first = -1, start = -1, end = -1;
  EXPECT_EQ(empty.GetLoopRange(&first, &start, &end), 0);
  EXPECT_EQ(first, -1);
}

// A dialog holding only the graph, as dialog 148 holds it.
// clang-format off
const platform::DialogTemplate kGraphTemplate{
    .id = 1, .caption = "graph", .size = {1200, 140}, .units = platform::DialogUnits::kPixels,
    .controls = {{kGraphId, platform::ControlKind::kCustom, "", {0, 0, 1100, 100}},
                 {platform::kIdCancel, platform::ControlKind::kButton, "x", {0, 110, 40, 20}}}};
// clang-format on

class GraphDialog : public platform::Dialog {
 public:
  explicit GraphDialog(WaveData wave) : Dialog(kGraphTemplate), wave_(std::move(wave)) {}
  CSegmentGraphWnd* graph = nullptr;
  std::vector<SegmentItem> items;
  std::vector<int> origins;

 protected:
  bool OnInitDialog() override {
    graph = static_cast<CSegmentGraphWnd*>(
        ReplaceChild(kGraphId, std::make_unique<CSegmentGraphWnd>(wave_)));
    graph->on_origin_changed = [this](int origin) { origins.push_back(origin); };
    graph->SetItems(items);
    return true;
  }

 private:
  WaveData wave_;
};

class SegmentGraphDragTest : public ::testing::Test {
 protected:
  platform::HeadlessSession session_;
};

TEST_F(SegmentGraphDragTest, ReleaseSnapsToTheGridAndMovesLaterBoundaries) {
  struct Case {
    int item;     // the boundary grabbed
    int release;  // pixel where the button comes up
    int wave_ms;
    std::vector<int> times;
  };
  // Boundaries at 100, 300 and 500 ms, at pixels 105, 305 and 505.
  // clang-format off
  const std::vector<Case> cases = {
      {1, 318, 1000, {100, 320, 520}},   // 13 past the grid: forward onto the next line
      {1, 332, 1000, {100, 320, 520}},   // 7 past: back onto the line
      {1, 50, 1000, {100, 120, 320}},    // never within 20 ms after the previous boundary
      {1, 900, 1000, {100, 800, 1000}},  // the last stays at the wave's length + 5 at most
      {0, 0, 1000, {0, 200, 400}},       // the first stays at or after the view's left + 5
      {2, 1003, 1000, {100, 300, 1000}}, // forward onto the wave's end
      {2, 995, 990, {100, 300, 980}},    // forward would pass the end: the line below
  };
  // clang-format on
  for (const Case& c : cases) {
    GraphDialog dialog(Silence(c.wave_ms));
    dialog.items = {{kKa.c_str(), 100}, {kKi.c_str(), 300}, {kKu.c_str(), 500}};
    const int from = 105 + 200 * c.item;
    session_.user()
        .MouseDown(kGraphId, {from, 40})
        .MouseMove(kGraphId, {(from + c.release) / 2, 40})
        .MouseUp(kGraphId, {c.release, 40})
        .Do([&] {
          EXPECT_EQ(Times(dialog.graph->view()), c.times) << c.item << " to " << c.release;
          EXPECT_TRUE(dialog.graph->view().can_undo());
          EXPECT_EQ(platform::GetCapture(), nullptr);
          EXPECT_TRUE(dialog.graph->Undo());
          EXPECT_EQ(Times(dialog.graph->view()), (std::vector<int>{100, 300, 500}));
          EXPECT_TRUE(dialog.graph->Redo());
          EXPECT_EQ(Times(dialog.graph->view()), c.times);
        })
        .Click(platform::kIdCancel);
    EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
  }
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(SegmentGraphDragTest, EscapeRightButtonOrLostCaptureCancel) {
  enum class Way { kEscape, kRightButton, kLoseCapture };
  for (Way way : {Way::kEscape, Way::kRightButton, Way::kLoseCapture}) {
    GraphDialog dialog(Silence(1000));
    dialog.items = {{kKa.c_str(), 100}, {kKi.c_str(), 300}};
    platform::ScriptedUser& user = session_.user();
    user.MouseDown(kGraphId, {305, 40}).MouseMove(kGraphId, {400, 40}).Do([&] {
      EXPECT_EQ(Times(dialog.graph->view()), (std::vector<int>{100, 395}));
    });
    switch (way) {
      case Way::kEscape:
        user.Key(platform::kKeyEscape);
        break;
      case Way::kRightButton:
        user.MouseDown(kGraphId, {400, 40}, platform::MouseButton::kRight);
        break;
      case Way::kLoseCapture:
        user.LoseCapture();
        break;
    }
    user.Do([&] {
          EXPECT_EQ(Times(dialog.graph->view()), (std::vector<int>{100, 300}));
          EXPECT_FALSE(dialog.graph->view().can_undo());
          EXPECT_FALSE(dialog.graph->view().dragging());
        })
        .Click(platform::kIdCancel);
    EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
  }
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(SegmentGraphDragTest, DraggingPastTheRightEdgeScrolls) {
  GraphDialog dialog(Silence(3000));
  dialog.items = {{kKa.c_str(), 100}, {kKi.c_str(), 500}};
  session_.user()
      .MouseDown(kGraphId, {505, 40})
      .MouseMove(kGraphId, {1096, 40})
      .MouseMove(kGraphId, {1096, 40})
      .MouseUp(kGraphId, {1096, 40})
      .Do([&] {
        // Every step at the edge scrolls 10 pixels, the release too.
        EXPECT_EQ(dialog.origins, (std::vector<int>{10, 20, 30}));
        EXPECT_EQ(dialog.graph->origin(), 30);
        EXPECT_EQ(Times(dialog.graph->view()), (std::vector<int>{100, 1120}));
      })
      .Click(platform::kIdCancel);
  EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
  EXPECT_TRUE(session_.errors().empty());
}

TEST_F(SegmentGraphDragTest, CtrlClickTogglesLabelsAndCursorsFollowTheHit) {
  GraphDialog dialog(Silence(1000));
  dialog.items = {{kKa.c_str(), 100}, {kKi.c_str(), 300}};
  session_.user()
      .MouseDown(kGraphId, {110, 85}, platform::MouseButton::kLeft, platform::kModCtrl)
      .MouseUp(kGraphId, {110, 85})
      .Do([&] {
        EXPECT_EQ(dialog.graph->view().items()[0].selected, 1);
        EXPECT_TRUE(dialog.graph->view().selection_used());
        EXPECT_EQ(dialog.graph->OnSetCursor({110, 85}), platform::Cursor::kCross);
        EXPECT_EQ(dialog.graph->OnSetCursor({305, 10}), platform::Cursor::kSizeWE);
        EXPECT_EQ(dialog.graph->OnSetCursor({200, 10}), platform::Cursor::kArrow);
      })
      .MouseDown(kGraphId, {200, 40})
      .MouseUp(kGraphId, {200, 40})
      .Do([&] { EXPECT_EQ(dialog.graph->view().items()[0].selected, 0) << "a plain click clears"; })
      .Click(platform::kIdCancel);
  EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
  EXPECT_TRUE(session_.errors().empty());
}

}  // namespace
}  // namespace vtr::w2s
