#include "wave2script/core/wave_io.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engines/riff/riff_walker.h"
#include "engines/riff/wave_format.h"
#include "engines/wtp/wave_buffer.h"
#include "platform/environment.h"
#include "platform/file_writer.h"
#include "platform/paths.h"
#include "platform/sound/testing/fake_sound_system.h"
#include "platform/testing/fifo_trap.h"
#include "platform/testing/other_user.h"
#include "playback/command_poster.h"
#include "wave2script/core/wave_file.h"

namespace vtr::w2s {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

// A RIFF WAVE image with the format and `data_bytes` of a rising sample ramp.
std::vector<uint8_t> WaveImage(riff::WaveFormat format, size_t data_bytes) {
  std::vector<uint8_t> data(data_bytes);
  for (size_t i = 0; i < data_bytes; ++i) data[i] = static_cast<uint8_t>(i * 7 + i / 256);
  const auto fmt = riff::EncodeWaveFormat(format);
  const riff::ChunkData chunks[] = {{"fmt ", fmt}, {"data", data}};
  return riff::BuildRiff("WAVE", chunks);
}

int16_t SampleAt(const std::vector<uint8_t>& bytes, size_t at) {
  return static_cast<int16_t>(bytes[at] | bytes[at + 1] << 8);
}

class WaveIOTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The machine's temporary folder, taken before the tests point TMPDIR elsewhere.
    static const fs::path base = fs::temp_directory_path();
    dir_ = base / ("vtr_wave_io_" +
                   std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                   "_" + std::to_string(platform::CurrentProcessId()));
    fs::create_directories(dir_);
    // The temporary recording goes to this test's own folder: the private folder made in it.
    tmpdir_.emplace("TMPDIR", dir_.string());
    runtime_.emplace("XDG_RUNTIME_DIR", std::nullopt);
    platform::InstallSoundSystem(&fake_);
    playback::InstallCommandPoster(&poster_);
    ASSERT_EQ(WaveIO_Init(), 1);
  }
  void TearDown() override {
    WaveIO_Cleanup();
    playback::InstallCommandPoster(nullptr);
    platform::InstallSoundSystem(nullptr);
    tmpdir_.reset();
    runtime_.reset();
    std::error_code ec;
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
  }

  // Feeds every command posted since the last call; returns how often `finished` was set.
  int Deliver() {
    int finishes = 0;
    const auto posts = poster_.posts();
    for (; delivered_ < posts.size(); ++delivered_) {
      EXPECT_EQ(posts[delivered_].first, window());
      int finished = 0;
      WaveIO_OnMessage(posts[delivered_].second, &finished);
      finishes += finished;
    }
    return finishes;
  }

  void* window() { return &window_; }

  fs::path dir_;
  // The user's private folder, made in this test's folder.
  static fs::path PrivateFolder() { return platform::PrivateFolder(); }

  std::optional<platform::ScopedEnvironmentVariable> tmpdir_;
  std::optional<platform::ScopedEnvironmentVariable> runtime_;
  platform::FakeSoundSystem fake_;
  playback::RecordingCommandPoster poster_;
  size_t delivered_ = 0;
  int window_ = 0;
};

TEST_F(WaveIOTest, ChecksWaveFiles) {
  struct Case {
    const char* what;
    riff::WaveFormat format;
    size_t data_bytes;
    int accepted;
    int stored_rate;  // the stored rate afterwards (it starts at 1234)
  };
  const riff::WaveFormat mono44 = riff::PcmFormat(1, 44100, 16);
  riff::WaveFormat not_pcm = mono44;
  not_pcm.tag = 3;
  // clang-format off
  const std::vector<Case> cases = {
      {"exactly 40 x rate", mono44, size_t{40} * 44100, 1, 44100},
      {"one byte more", mono44, size_t{40} * 44100 + 1, 0, 1234},
      {"no data", mono44, 0, 0, 1234},
      {"stereo", riff::PcmFormat(2, 44100, 16), 1000, 0, 1234},
      {"8-bit: the rate is kept before the bits fail", riff::PcmFormat(1, 22050, 8), 1000, 0, 22050},
      {"48000 Hz", riff::PcmFormat(1, 48000, 16), 1000, 0, 1234},
      {"11025 Hz", riff::PcmFormat(1, 11025, 16), 1000, 0, 1234},
      {"16000 Hz", riff::PcmFormat(1, 16000, 16), 1000, 1, 16000},
      {"32000 Hz", riff::PcmFormat(1, 32000, 16), 1000, 1, 32000},
      {"a format tag other than PCM, otherwise valid", not_pcm, 1000, 1, 44100},
  };
  // clang-format on
  for (const Case& c : cases) {
    const fs::path path = dir_ / "check.wav";
    WriteAll(path, WaveImage(c.format, c.data_bytes));
    int rate = 1234;
    EXPECT_EQ(CheckWaveFile(path, &rate), c.accepted) << c.what;
    EXPECT_EQ(rate, c.stored_rate) << c.what;
  }

  const fs::path odd = dir_ / "odd.wav";
  WriteAll(odd, {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
  EXPECT_EQ(WaveIO_CheckWaveFile(odd), 0) << "no chunks";
  WriteAll(odd, {'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'});
  EXPECT_EQ(WaveIO_CheckWaveFile(odd), 0) << "not RIFF";
  EXPECT_EQ(WaveIO_CheckWaveFile(""), 0);
  EXPECT_EQ(WaveIO_CheckWaveFile(dir_ / "missing.wav"), 0);
  WriteAll(odd, WaveImage(riff::PcmFormat(1, 32000, 16), 64));
  EXPECT_EQ(WaveIO_CheckWaveFile(odd), 1);
  EXPECT_EQ(WaveIO_GetRate(), 32000);
}

// The check tests the data size, the channels, the rate and the bits, read from up to 18
// bytes of the format chunk into a zeroed record, and nothing else: not the format tag, the
// block align or the byte rate. What the analysis cannot read it refuses itself, and the road
// reports that.
TEST_F(WaveIOTest, TestsOnlyTheDataSizeChannelsRateAndBits) {
  // A "fmt " chunk of `size` bytes: the record of 16-bit mono at `rate`, then zeros.
  auto fmt = [](size_t size, uint16_t tag = 1, uint16_t block_align = 2, uint32_t rate = 16000,
                uint32_t byte_rate = 32000) {
    std::vector<uint8_t> bytes;
    riff::AppendU16(bytes, tag);
    riff::AppendU16(bytes, 1);
    riff::AppendU32(bytes, rate);
    riff::AppendU32(bytes, byte_rate);
    riff::AppendU16(bytes, block_align);
    riff::AppendU16(bytes, 16);
    bytes.resize(size, 0);
    return bytes;
  };
  std::vector<uint8_t> extensible = fmt(40, 0xFFFE);
  extensible[16] = 22;  // the extension's size, then valid bits, channel mask and PCM's GUID
  extensible[18] = 16;
  extensible[24] = 1;
  struct Case {
    const char* what;
    std::vector<uint8_t> format;
    size_t data_bytes;
    int accepted;
    bool analysis_reads;  // the analysis library's reader takes it too
  };
  const std::vector<Case> cases = {
      {"1 s of 16-bit mono PCM with an 18-byte record", fmt(18), 32000, 1, true},
      {"the 16-byte record most programs write", fmt(16), 32000, 1, true},
      {"a 15-byte record: the bits field's high byte reads as 0", fmt(15), 32000, 1, false},
      {"a 14-byte record: no bits", fmt(14), 32000, 0, false},
      {"block align 0", fmt(18, 1, 0), 32000, 1, false},
      {"block align 4", fmt(18, 1, 4), 32000, 1, false},
      {"byte rate 0", fmt(18, 1, 2, 16000, 0), 32000, 1, false},
      {"byte rate of another rate", fmt(18, 1, 2, 16000, 44100), 32000, 1, false},
      {"the extensible format", extensible, 32000, 1, false},
      {"IEEE float, otherwise valid", fmt(18, 3), 32000, 1, false},
      {"a 1-byte data chunk", fmt(18), 1, 1, false},
      {"no data", fmt(18), 0, 0, false},
      {"one sample", fmt(18), 2, 1, true},
      {"48000 Hz, which the analysis reads but this library does not take",
       fmt(18, 1, 2, 48000, 96000), 96000, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> data(c.data_bytes);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 13 + i / 512);
    const riff::ChunkData chunks[] = {{"fmt ", c.format}, {"data", data}};
    const fs::path path = dir_ / "header.wav";
    WriteAll(path, riff::BuildRiff("WAVE", chunks));
    int rate = 0;
    EXPECT_EQ(CheckWaveFile(path, &rate), c.accepted);
    if (c.analysis_reads) {
      wtp::WaveBuffer analysed;
      EXPECT_EQ(analysed.ReadWave(path), wtp::WaveResult::kOk);
      EXPECT_EQ(analysed.rate(), rate);
    }
  }
}

// A FIFO or a device under a wave's name is refused by the check, the reader and the player
// without being opened: a FIFO would keep the dialog waiting for a writer.
TEST_F(WaveIOTest, NeverOpensWhatIsNoRegularFile) {
  const fs::path fifo = dir_ / "fifo.wav";
  platform::testing::FifoTrap trap(fifo);
  ASSERT_TRUE(trap.made());
  for (const fs::path& path : {fifo, fs::path("/dev/zero")}) {
    int rate = 1234;
    EXPECT_EQ(CheckWaveFile(path, &rate), 0) << path;
    EXPECT_EQ(WaveIO_CheckWaveFile(path), 0) << path;
    WaveReader reader;
    EXPECT_EQ(reader.Open(path), kWaveCannotOpen) << path;
    EXPECT_EQ(WaveIO_PlayFile(path, window()), 0) << path;
    EXPECT_FALSE(WaveIO_IsPlaying());
  }
  EXPECT_FALSE(trap.opened());
}

TEST_F(WaveIOTest, WritesTheFixedHeader) {
  const fs::path path = dir_ / "written.wav";
  WaveWriter writer;
  ASSERT_EQ(writer.Create(path, riff::PcmFormat(1, 44100, 16)), 0);
  EXPECT_EQ(writer.Create(path, riff::PcmFormat(1, 44100, 16)), kWaveAlreadyOpen);
  std::vector<uint8_t> data(1000, 0x11);
  ASSERT_TRUE(writer.Write(data));
  ASSERT_TRUE(writer.Close());
  // clang-format off
  const std::vector<uint8_t> want = {
      0x52, 0x49, 0x46, 0x46, 0x0e, 0x04, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45,
      0x66, 0x6d, 0x74, 0x20, 0x12, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00,
      0x44, 0xac, 0x00, 0x00, 0x88, 0x58, 0x01, 0x00, 0x02, 0x00, 0x10, 0x00,
      0x00, 0x00, 0x64, 0x61, 0x74, 0x61, 0xe8, 0x03, 0x00, 0x00};
  // clang-format on
  const std::vector<uint8_t> bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 1046u);
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 46), want);

  WaveWriter none;
  EXPECT_EQ(none.Create("", riff::PcmFormat(1, 44100, 16)), kWaveEmptyName);
  EXPECT_EQ(none.Create(dir_ / "no" / "such.wav", riff::PcmFormat(1, 44100, 16)), kWaveCannotOpen);

  WaveReader reader;
  ASSERT_EQ(reader.Open(path), 0);
  EXPECT_EQ(reader.Open(path), kWaveAlreadyOpen);
  EXPECT_EQ(reader.format(), riff::PcmFormat(1, 44100, 16));
  EXPECT_EQ(reader.data_size(), 1000u);
  WaveReader other;
  EXPECT_EQ(other.Open(""), kWaveEmptyName);
  EXPECT_EQ(other.Open(dir_ / "missing.wav"), kWaveCannotOpen);
}

TEST_F(WaveIOTest, NormalisesToThePeak) {
  struct Case {
    const char* what;
    std::vector<int16_t> samples;
    bool odd_byte;
    std::vector<int16_t> want;
  };
  const std::vector<Case> cases = {
      {"peak 1000", {1000, -500, 3, 0}, false, {32760, -16380, 98, 0}},
      {"-32768 counts as 32768", {-32768, 16384}, false, {-32760, 16380}},
      {"silence stays silent", {0, 0, 0}, false, {0, 0, 0}},
      {"a last odd byte is left alone", {-2000, 1000}, true, {-32760, 16380}},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes(kWaveHeaderBytes, 0xEE);
    for (int16_t s : c.samples) {
      bytes.push_back(static_cast<uint8_t>(s));
      bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
    if (c.odd_byte) bytes.push_back(0x7F);
    const fs::path path = dir_ / "peak.wav";
    WriteAll(path, bytes);
    EXPECT_EQ(NormalizePeak(path), 1) << c.what;
    const std::vector<uint8_t> out = ReadAll(path);
    ASSERT_EQ(out.size(), bytes.size()) << c.what;
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 46),
              std::vector<uint8_t>(kWaveHeaderBytes, 0xEE))
        << c.what;
    for (size_t i = 0; i < c.want.size(); ++i) {
      EXPECT_EQ(SampleAt(out, kWaveHeaderBytes + 2 * i), c.want[i]) << c.what << " " << i;
    }
    if (c.odd_byte) {
      EXPECT_EQ(out.back(), 0x7F) << c.what;
    }
  }
  const fs::path header_only = dir_ / "header.wav";
  WriteAll(header_only, std::vector<uint8_t>(kWaveHeaderBytes, 1));
  EXPECT_EQ(NormalizePeak(header_only), 0);
}

TEST_F(WaveIOTest, PlaysAFileToTheEnd) {
  const size_t data_bytes = 50000;
  const std::vector<uint8_t> image = WaveImage(riff::PcmFormat(1, 22050, 16), data_bytes);
  const fs::path path = dir_ / "play.wav";
  WriteAll(path, image);
  ASSERT_EQ(WaveIO_PlayFile(path, window()), 1);
  EXPECT_TRUE(WaveIO_IsPlaying());
  EXPECT_EQ(fake_.last_sample_rate(), 22050);
  EXPECT_EQ(WaveIO_GetRate(), 22050);
  EXPECT_EQ(WaveIO_GetPosition(), 0u) << "4 x 8092 read, all of it still queued";

  std::vector<int16_t> played;
  int finishes = 0;
  std::vector<uint32_t> positions;
  while (WaveIO_IsPlaying() && played.size() < data_bytes) {
    std::vector<int16_t> block = fake_.Pump(4046);
    played.insert(played.end(), block.begin(), block.end());
    finishes += Deliver();
    positions.push_back(WaveIO_GetPosition());
  }
  finishes += Deliver();
  EXPECT_EQ(finishes, 1);
  EXPECT_FALSE(WaveIO_IsPlaying());
  EXPECT_EQ(WaveIO_GetPosition(), 0u);
  ASSERT_GE(played.size(), data_bytes / 2);
  for (size_t i = 0; i < data_bytes / 2; ++i) {
    ASSERT_EQ(played[i], SampleAt(image, 46 + 2 * i)) << i;
  }
  // One block back: 5 x 8092 read, so the position is one block.
  ASSERT_FALSE(positions.empty());
  EXPECT_EQ(positions.front(), 8092u);
  Deliver();  // stale commands change nothing
  EXPECT_FALSE(WaveIO_IsPlaying());
}

TEST_F(WaveIOTest, PlayAndRecordExcludeEachOther) {
  const fs::path path = dir_ / "play.wav";
  WriteAll(path, WaveImage(riff::PcmFormat(1, 44100, 16), 100000));
  ASSERT_TRUE(WaveIO_RecordToTemp(window()));
  EXPECT_EQ(WaveIO_PlayFile(path, window()), 0);
  EXPECT_TRUE(WaveIO_IsRecording());
  EXPECT_FALSE(WaveIO_IsPlaying());
  EXPECT_FALSE(WaveIO_RecordToTemp(window())) << "no second recording";
  EXPECT_TRUE(WaveIO_IsRecording());
  WaveIO_StopAll();

  ASSERT_EQ(WaveIO_PlayFile(path, window()), 1);
  EXPECT_FALSE(WaveIO_RecordToTemp(window()));
  EXPECT_EQ(WaveIO_PlayFile(path, window()), 0) << "no second playback";
  EXPECT_TRUE(WaveIO_IsPlaying());
  EXPECT_FALSE(WaveIO_IsRecording());
  EXPECT_EQ(fake_.outputs_opened(), 1);
  WaveIO_StopAll();
  EXPECT_FALSE(WaveIO_IsPlaying());
}

TEST_F(WaveIOTest, RecordsUpToTheLimitAndSavesAcceptedFile) {
  ASSERT_TRUE(WaveIO_RecordToTemp(window()));
  EXPECT_EQ(WaveIO_GetRate(), 44100);
  // A sine-free test signal: a ramp whose peak is 1000.
  std::vector<int16_t> second(44100);
  for (size_t i = 0; i < second.size(); ++i)
    second[i] = static_cast<int16_t>(static_cast<int>(i % 2001) - 1000);
  int finishes = 0;
  int seconds = 0;
  uint32_t position_before_limit = 0;
  while (finishes == 0 && seconds < 30) {
    ASSERT_TRUE(fake_.Feed(second));
    finishes += Deliver();
    ++seconds;
    if (finishes == 0) position_before_limit = WaveIO_GetPosition();
  }
  EXPECT_EQ(seconds, 21) << "the block that passes 20 s comes back in the 21st second";
  EXPECT_LT(position_before_limit, 1764000u);
  EXPECT_EQ(WaveIO_GetPosition(), 1764000u) << "the last block is cut at the limit";
  ASSERT_TRUE(fake_.Feed(second));  // the recording goes on until it is stopped
  Deliver();
  EXPECT_EQ(WaveIO_GetPosition(), 1764000u);
  WaveIO_StopAll();
  EXPECT_FALSE(WaveIO_IsRecording());

  const fs::path temp = WaveIO_TempPath();
  EXPECT_EQ(temp.parent_path(), PrivateFolder());
  EXPECT_EQ(WaveIO_CheckWaveFile(temp), 1) << "a recording passes its own check";
  EXPECT_EQ(fs::file_size(temp), 46u + 1764000u);

  // Saved over a read-only file.
  const fs::path target = dir_ / "take.wav";
  WriteAll(target, {1, 2, 3});
  fs::permissions(target, fs::perms::owner_read, fs::perm_options::replace);
  ASSERT_TRUE(WaveIO_SaveRecording(target)) << WaveIO_LastError();
  EXPECT_FALSE(fs::exists(temp));
  const std::vector<uint8_t> saved = ReadAll(target);
  ASSERT_EQ(saved.size(), 46u + 1764000u);
  int peak = 0;
  for (size_t at = 46; at + 1 < saved.size(); at += 2) {
    peak = std::max(peak, std::abs(int{SampleAt(saved, at)}));
  }
  EXPECT_EQ(peak, 32760);
  EXPECT_EQ(SampleAt(saved, 46), -32760);
  EXPECT_EQ(WaveIO_CheckWaveFile(target), 1);
}

TEST_F(WaveIOTest, StopWritesTheBlocksThatCameBack) {
  ASSERT_TRUE(WaveIO_RecordToTemp(window()));
  std::vector<int16_t> samples(3000, 7);  // one full block of 2048 samples and a part
  ASSERT_TRUE(fake_.Feed(samples));
  EXPECT_EQ(WaveIO_GetPosition(), 0u) << "nothing written before the window takes it";
  WaveIO_StopAll();  // the command is still queued at the window
  Deliver();
  EXPECT_EQ(fs::file_size(WaveIO_TempPath()), 46u + 6000u);
  EXPECT_EQ(WaveIO_CheckWaveFile(WaveIO_TempPath()), 1);
}

TEST_F(WaveIOTest, FailedSaveKeepsTheRecording) {
  ASSERT_TRUE(WaveIO_RecordToTemp(window()));
  std::vector<int16_t> samples(4096, 100);
  ASSERT_TRUE(fake_.Feed(samples));
  Deliver();
  WaveIO_StopAll();
  const fs::path temp = WaveIO_TempPath();
  ASSERT_TRUE(fs::exists(temp));
  EXPECT_FALSE(WaveIO_SaveRecording(dir_ / "no" / "such" / "take.wav"));
  EXPECT_FALSE(WaveIO_LastError().empty());
  EXPECT_TRUE(fs::exists(temp)) << "the recording is not lost";
  EXPECT_EQ(WaveIO_CheckWaveFile(temp), 1);
  EXPECT_TRUE(WaveIO_SaveRecording(dir_ / "take.wav"));
  WaveIO_Cleanup();
  EXPECT_FALSE(WaveIO_SaveRecording(dir_ / "again.wav")) << "nothing left to save";
}

// Writers whose save goes wrong the ways a disk does; each notes what the target held while
// the new bytes were being written.
class FailingWriter : public platform::FileWriter {
 public:
  enum class Fault { kNone, kCannotCreate, kDiskFull };
  FailingWriter(Fault fault, fs::path target) : fault_(fault), target_(std::move(target)) {}
  std::vector<uint8_t> target_while_writing;

 protected:
  std::FILE* CreateNew(const fs::path& path, unsigned mode) override {
    return fault_ == Fault::kCannotCreate ? nullptr : FileWriter::CreateNew(path, mode);
  }
  size_t Write(std::FILE* file, std::string_view data) override {
    target_while_writing = ReadAll(target_);
    if (fault_ == Fault::kDiskFull) return FileWriter::Write(file, data.substr(0, data.size() / 3));
    return FileWriter::Write(file, data);
  }

 private:
  Fault fault_;
  fs::path target_;
};

// A save never cuts the old wave short: the new bytes go to a file beside it first, and the
// old wave stays whole until they are all there.
TEST_F(WaveIOTest, ASaveThatFailsLeavesTheOldWaveWhole) {
  struct Case {
    const char* what;
    FailingWriter::Fault fault;
    bool saved;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {"the file beside the target cannot be created", FailingWriter::Fault::kCannotCreate,
       false},
      {"the disk fills a third of the way", FailingWriter::Fault::kDiskFull, false},
      {"nothing goes wrong", FailingWriter::Fault::kNone, true},
  };
  // clang-format on
  // 3 s of speech-like sound, recorded over an older take of 2 s at 16000 Hz.
  std::vector<int16_t> speech(size_t{3} * 44100);
  for (size_t i = 0; i < speech.size(); ++i) {
    speech[i] = static_cast<int16_t>((i / 4410) % 3 == 0 ? 0 : 3000 * ((i % 200) < 100 ? 1 : -1));
  }
  const fs::path folder = dir_ / "takes";
  fs::create_directories(folder);
  const fs::path target = folder / "take.wav";
  const std::vector<uint8_t> old_take = WaveImage(riff::PcmFormat(1, 16000, 16), size_t{2} * 32000);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteAll(target, old_take);
    ASSERT_TRUE(WaveIO_RecordToTemp(window()));
    ASSERT_TRUE(fake_.Feed(speech));
    Deliver();
    WaveIO_StopAll();
    const size_t recorded = fs::file_size(WaveIO_TempPath());
    ASSERT_GT(recorded, 46u + 200000u);

    FailingWriter writer(c.fault, target);
    EXPECT_EQ(WaveIO_SaveRecording(target, writer), c.saved);
    if (c.fault != FailingWriter::Fault::kCannotCreate) {
      EXPECT_EQ(writer.target_while_writing, old_take) << "the old wave while writing";
    }
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
      names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"take.wav"}) << "nothing left beside it";
    if (c.saved) {
      EXPECT_EQ(fs::file_size(target), recorded);
      EXPECT_EQ(WaveIO_CheckWaveFile(target), 1);
      EXPECT_FALSE(fs::exists(WaveIO_TempPath()));
    } else {
      EXPECT_EQ(ReadAll(target), old_take);
      EXPECT_FALSE(WaveIO_LastError().empty());
      EXPECT_EQ(WaveIO_CheckWaveFile(WaveIO_TempPath()), 1) << "the recording waits";
      ASSERT_TRUE(WaveIO_SaveRecording(folder / "second try.wav")) << WaveIO_LastError();
      EXPECT_EQ(fs::file_size(folder / "second try.wav"), recorded);
      fs::remove(folder / "second try.wav");
    }
  }
}

TEST_F(WaveIOTest, RefusesWhatCannotStart) {
  fake_.set_has_input(false);
  EXPECT_FALSE(WaveIO_RecordToTemp(window()));
  EXPECT_FALSE(WaveIO_IsRecording());
  EXPECT_NE(WaveIO_LastError().find("no sound input device"), std::string::npos)
      << WaveIO_LastError();
  fake_.set_has_input(true);

  const fs::path path = dir_ / "play.wav";
  WriteAll(path, WaveImage(riff::PcmFormat(1, 44100, 16), 20000));
  fake_.FailNextOpen("device gone");
  EXPECT_EQ(WaveIO_PlayFile(path, window()), 0);
  EXPECT_EQ(WaveIO_LastError(), "device gone");
  EXPECT_FALSE(WaveIO_IsPlaying());

  const fs::path stereo = dir_ / "stereo.wav";
  WriteAll(stereo, WaveImage(riff::PcmFormat(2, 44100, 16), 20000));
  EXPECT_EQ(WaveIO_PlayFile(stereo, window()), 0);
  EXPECT_EQ(WaveIO_PlayFile(dir_ / "missing.wav", window()), 0);

  // The private folder cannot take the file.
  const fs::path folder = WaveIO_TempPath().parent_path();
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec, fs::perm_options::replace);
  const bool can_still_write = std::ofstream(folder / "probe").is_open();
  if (!can_still_write) {
    EXPECT_FALSE(WaveIO_RecordToTemp(window()));
    EXPECT_FALSE(WaveIO_IsRecording());
    EXPECT_NE(WaveIO_LastError().find("temporary"), std::string::npos);
  }
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add);
  fs::remove(folder / "probe");

  WaveIO_Cleanup();  // no blocks any more
  EXPECT_EQ(WaveIO_PlayFile(path, window()), 0);
  EXPECT_FALSE(WaveIO_RecordToTemp(window()));
  EXPECT_EQ(fake_.outputs_opened(), 0);
  ASSERT_EQ(WaveIO_Init(), 1);
  EXPECT_EQ(WaveIO_PlayFile(path, window()), 1);
}

// The recording lies where no other user can see or change it: in the runtime folder when
// only we control it, else in our own 0700 folder, in a file of mode 0600 made anew.
TEST_F(WaveIOTest, TheRecordingIsTheUsersAlone) {
  struct Case {
    const char* what;
    bool trusted_runtime;
    bool left_over;  // a recording of an earlier run waits under the name
  };
  const Case cases[] = {
      {"in our own folder", false, false},
      {"in the runtime folder", true, false},
      {"over one an earlier run left", false, true},
  };
  const fs::path runtime = dir_ / "runtime";
  fs::create_directories(runtime);
  fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    runtime_->Set(c.trusted_runtime ? std::optional<std::string>(runtime.string()) : std::nullopt);
    const fs::path folder = c.trusted_runtime ? runtime : PrivateFolder();
    ASSERT_EQ(WaveIO_TempPath(), folder / kWaveTempName);
    if (c.left_over) WriteAll(WaveIO_TempPath(), WaveImage(riff::PcmFormat(1, 44100, 16), 9000));
    ASSERT_TRUE(WaveIO_RecordToTemp(window())) << WaveIO_LastError();
    ASSERT_TRUE(fake_.Feed(std::vector<int16_t>(4096, 100)));
    Deliver();
    WaveIO_StopAll();
    EXPECT_EQ(fs::file_size(WaveIO_TempPath()), 46u + 8192u);
    EXPECT_EQ(fs::status(WaveIO_TempPath()).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(folder).permissions() & (fs::perms::group_all | fs::perms::others_all),
              fs::perms::none);
    WaveIO_Cleanup();
    EXPECT_FALSE(fs::exists(folder / kWaveTempName));
    ASSERT_EQ(WaveIO_Init(), 1);
  }
}

// A record start that fails, with or without an unsaved recording before it, leaves no file.
TEST_F(WaveIOTest, ARecordStartThatFailsLeavesNoFile) {
  struct Case {
    const char* what;
    bool no_microphone;
    const char* device_error;
    bool recorded_before;  // an unsaved recording waits in the temporary file
  };
  const Case cases[] = {
      {"no microphone", true, nullptr, false},
      {"the input device fails to open", false, "device gone", false},
      {"no microphone, after an unsaved recording", true, nullptr, true},
      {"the input device fails to open, after an unsaved recording", false, "device gone", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.recorded_before) {
      ASSERT_TRUE(WaveIO_RecordToTemp(window())) << WaveIO_LastError();
      ASSERT_TRUE(fake_.Feed(std::vector<int16_t>(4096, 100)));
      Deliver();
      WaveIO_StopAll();
      ASSERT_TRUE(fs::exists(WaveIO_TempPath()));
    }
    fake_.set_has_input(!c.no_microphone);
    if (c.device_error != nullptr) fake_.FailNextOpen(c.device_error);
    EXPECT_FALSE(WaveIO_RecordToTemp(window()));
    EXPECT_FALSE(WaveIO_IsRecording());
    EXPECT_FALSE(fs::exists(WaveIO_TempPath()));
    fake_.set_has_input(true);
  }
}

// Another user who can write in the temporary folder reaches neither the recording nor, through
// it, any file of ours: a link planted under its name, a file made there for everyone to read,
// or a folder or link in place of our private folder lead nowhere. Nor can they keep us from
// recording: with our folder's name taken, the recording goes to a folder made for this
// process alone.
TEST_F(WaveIOTest, AnotherUserCannotReachTheRecording) {
  VTR_SKIP_UNLESS_ROOT();
  platform::testing::ReachableFolder root;
  const fs::path victim = root.Make("home", 0700) / "precious.kvx";
  const fs::path theirs = root.Make("theirs", 0777, true);
  struct Case {
    const char* what;
    std::function<bool(const fs::path& tmp)> plant;  // run as the other user
    bool microphone;
    bool records;
  };
  // The name our private folder takes in a temporary folder.
  const fs::path own_name = PrivateFolder().filename();
  ASSERT_EQ(PrivateFolder().parent_path(), dir_);
  const auto link_to = [](const fs::path& to, const fs::path& at) {
    std::error_code error;
    fs::create_symlink(to, at, error);
    return !error;
  };
  const Case cases[] = {
      {"a link under the recording's name",
       [&](const fs::path& tmp) { return link_to(victim, tmp / kWaveTempName); }, true, true},
      {"a link under the recording's name, without a microphone",
       [&](const fs::path& tmp) { return link_to(victim, tmp / kWaveTempName); }, false, false},
      {"a file under the recording's name that everybody may read and write",
       [&](const fs::path& tmp) {
         std::ofstream(tmp / kWaveTempName) << "";
         std::error_code error;
         fs::permissions(tmp / kWaveTempName, fs::perms::all, error);
         return !error;
       },
       true, true},
      {"their folder under the name of ours",
       [&](const fs::path& tmp) {
         std::error_code error;
         fs::create_directory(tmp / own_name, error);
         fs::permissions(tmp / own_name, fs::perms::all, error);
         return !error;
       },
       true, true},
      {"a link to their folder under the name of ours",
       [&](const fs::path& tmp) { return link_to(theirs, tmp / own_name); }, true, true},
  };
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // A temporary folder everybody may write in, and with no sticky bit even remove in.
    const fs::path tmp = root.Make("tmp" + std::to_string(n++), 0777);
    tmpdir_->Set(tmp.string());
    WriteAll(victim, {'K', 'V', '#', 'J'});
    ASSERT_TRUE(platform::testing::AsOtherUser([&] { return c.plant(tmp); }));
    fake_.set_has_input(c.microphone);
    const bool recording = WaveIO_RecordToTemp(window());
    EXPECT_EQ(recording, c.records) << WaveIO_LastError();
    if (recording) {
      ASSERT_TRUE(fake_.Feed(std::vector<int16_t>(4096, 100)));
      Deliver();
      WaveIO_StopAll();
    }
    fake_.set_has_input(true);
    EXPECT_EQ(ReadAll(victim), (std::vector<uint8_t>{'K', 'V', '#', 'J'}));
    EXPECT_TRUE(fs::is_empty(theirs));
    const fs::path temp = WaveIO_TempPath();
    if (recording) {
      // The whole recording, in a folder of ours that is closed to everybody else.
      EXPECT_EQ(fs::file_size(temp), 46u + 8192u);
      const fs::path folder = temp.parent_path();
      EXPECT_TRUE(fs::is_directory(fs::symlink_status(folder))) << "a folder, not a link";
      EXPECT_EQ(fs::status(folder).permissions() & (fs::perms::group_all | fs::perms::others_all),
                fs::perms::none);
      EXPECT_FALSE(platform::testing::AsOtherUser([&] {
        return std::ofstream(folder / "theirs.wav").is_open();
      })) << "they can put a file beside the recording";
    }
    if (fs::exists(tmp / kWaveTempName) && !fs::is_symlink(tmp / kWaveTempName)) {
      EXPECT_EQ(fs::file_size(tmp / kWaveTempName), 0u) << "the recording went to their file";
    }
    if (!temp.empty() && fs::exists(temp)) {
      EXPECT_FALSE(platform::testing::AsOtherUser([&] { return std::ifstream(temp).is_open(); }))
          << "they can read the recording";
    }
    WaveIO_Cleanup();
    EXPECT_FALSE(fs::exists(fs::symlink_status(temp)));
    std::error_code error;
    EXPECT_TRUE(!fs::exists(tmp / own_name) || fs::is_empty(tmp / own_name, error))
        << "something left in their folder, or in ours";
    ASSERT_EQ(WaveIO_Init(), 1);
  }
}

// A recording saved under a name in a shared sticky folder (as /tmp) goes only where a save
// may go: another user's link there is not followed, and the read-only wave of ours it leads
// to keeps its bytes and its mode; the user's own link there leads the save to its wave.
TEST_F(WaveIOTest, ASavedRecordingFollowsOnlyTheLinksASaveMay) {
  VTR_SKIP_UNLESS_ROOT();
  platform::testing::ReachableFolder root;
  const fs::path home = root.Make("home", 0700);
  const fs::path tmp = root.Make("tmp", 01777);
  struct Case {
    const char* what;
    bool theirs;  // the link is the other user's
    bool saved;
  };
  const Case cases[] = {
      {"another user's link", true, false},
      {"the user's own link", false, true},
  };
  const std::vector<uint8_t> old_take = WaveImage(riff::PcmFormat(1, 16000, 16), 3200);
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = "take" + std::to_string(n++) + ".wav";
    const fs::path wave = home / name;
    const fs::path link = tmp / name;
    WriteAll(wave, old_take);
    fs::permissions(wave, fs::perms::owner_read, fs::perm_options::replace);
    const auto plant = [&] {
      std::error_code error;
      fs::create_symlink(wave, link, error);
      return !error;
    };
    ASSERT_TRUE(c.theirs ? platform::testing::AsOtherUser(plant) : plant());
    ASSERT_TRUE(WaveIO_RecordToTemp(window())) << WaveIO_LastError();
    ASSERT_TRUE(fake_.Feed(std::vector<int16_t>(4096, 100)));
    Deliver();
    WaveIO_StopAll();
    const uintmax_t recorded = fs::file_size(WaveIO_TempPath());

    EXPECT_EQ(WaveIO_SaveRecording(link), c.saved) << WaveIO_LastError();
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp), {}), n) << "nothing else in the folder";
    if (c.saved) {
      EXPECT_EQ(fs::file_size(wave), recorded);
    } else {
      EXPECT_EQ(ReadAll(wave), old_take);
      EXPECT_EQ(fs::status(wave).permissions(), fs::perms::owner_read)
          << "made writable through their link";
      EXPECT_TRUE(fs::exists(WaveIO_TempPath())) << "the recording waits";
    }
    WaveIO_Cleanup();
    ASSERT_EQ(WaveIO_Init(), 1);
  }
}

TEST(WavePositionTest, Arithmetic) {
  struct Case {
    uint32_t position;
    int rate;
    int hundredths;
    std::string text;
  };
  // clang-format off
  const std::vector<Case> cases = {
      {1088388, 44100, 1234, "12 : 34"}, {0, 44100, 0, "00 : 00"},
      {882, 44100, 1, "00 : 01"},        {640000, 32000, 1000, "10 : 00"},
      {1000, 0, 0, "00 : 00"},           {1000, 99, 0, "00 : 00"},
  };
  // clang-format on
  for (const Case& c : cases) {
    EXPECT_EQ(WavePositionHundredths(c.position, c.rate), c.hundredths) << c.position;
    EXPECT_EQ(WavePositionText(c.position, c.rate), c.text) << c.position;
  }
}

}  // namespace
}  // namespace vtr::w2s
