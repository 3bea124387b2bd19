#include "playback/sound_device.h"

#include <gtest/gtest.h>

#include "platform/sound/testing/fake_sound_system.h"
#include "playback/testing/fake_sound_library.h"

namespace vtr::playback {
namespace {

PlaybackParams PlayerParams(int mode = 2) {
  PlaybackParams params;
  params.mode = mode;
  params.SetFlags(1, 1, 0, 0, 1);
  params.value_11 = 2;
  params.value_07 = 0;
  params.volume = 100;
  return params;
}

class SoundDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::InstallSoundSystem(&sound_); }
  void TearDown() override { platform::InstallSoundSystem(nullptr); }

  platform::FakeSoundSystem sound_;
  FakeSoundLibraryLoader loader_;
};

TEST(PlaybackParamsTest, PacksAndUnpacksTheFlags) {
  struct Case {
    uint8_t a, b, c, d, e;
    uint8_t packed;
  } cases[] = {
      {1, 1, 0, 0, 1, 0x49},
      {0, 0, 0, 0, 0, 0x00},
      {1, 7, 1, 1, 1, 0x7F},
      {0, 5, 1, 0, 0, 0x15},
  };
  for (const Case& c : cases) {
    PlaybackParams params;
    params.SetFlags(c.a, c.b, c.c, c.d, c.e);
    EXPECT_EQ(params.PackedFlags(), c.packed);
    PlaybackParams back;
    back.UnpackFlags(c.packed);
    EXPECT_EQ(back.PackedFlags(), c.packed);
    EXPECT_EQ(back.flag(), c.a);
    EXPECT_EQ(back.flag(0), c.b);
  }
  PlaybackParams params;
  EXPECT_FALSE(params.set_language_code(3));
  EXPECT_TRUE(params.set_language_code(2));
  EXPECT_EQ(params.language_code(), 2);
}

TEST(Unpack7BitTest, CarriesTheTopBitsOfEachGroupOfEight) {
  struct Case {
    std::vector<uint8_t> packed;
    std::vector<uint8_t> expected;
  } cases[] = {
      {{0x7F, 1, 2, 3, 4, 5, 6, 7}, {0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87}},
      {{0x40, 0x11}, {0x91}},
      {{0x00}, {}},  // a one-byte final group gives nothing
      {{0x00, 1, 2, 3, 4, 5, 6, 7, 0x20, 9, 10, 11},
       {1, 2, 3, 4, 5, 6, 7, 9, 0x8A, 11}},  // 7 x (12 / 8) + (4 - 1); bit 5: byte 1
      {{}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Unpack7Bit(c.packed), c.expected);
}

TEST_F(SoundDeviceTest, KeepsOnlyTheChipsSampleRates) {
  EmuSoundDevice device(loader_);
  struct Case {
    int rate, expected;
  } cases[] = {{48000, 48000}, {44100, 44100}, {22050, 22050}, {32000, 32000},
               {11025, 32000}, {0, 32000},     {96000, 32000}};
  for (const Case& c : cases) EXPECT_EQ(device.SetSampleRate(c.rate), c.expected) << c.rate;
  PlaybackParams mode1 = PlayerParams(1);
  mode1.sample_rate = 44100;
  device.SetParams(mode1);
  EXPECT_EQ(device.setting(), 3);
  EXPECT_EQ(device.sample_rate(), 32000);
  PlaybackParams mode2 = PlayerParams(2);
  mode2.sample_rate = 44100;
  device.SetParams(mode2);
  EXPECT_EQ(device.setting(), 129);
  EXPECT_EQ(device.sample_rate(), 44100);
}

TEST_F(SoundDeviceTest, ChoosesTheModelByModeAndType) {
  struct Case {
    int mode, type, expected;
  } cases[] = {
      {2, 9, 0},   {2, 14, 5}, {1, 12, 3}, {2, 15, 6}, {1, 16, 6},  {2, 19, 7}, {2, 17, 127},
      {2, 18, -1}, {2, 8, -1}, {3, 14, 0}, {3, 99, 0}, {4, 14, -1}, {0, 9, -1},
  };
  for (const Case& c : cases) {
    EmuSoundDevice device(loader_);
    device.SetParams(PlayerParams(c.mode));
    loader_.failing = {"QsSound_EmuInitialize"};  // the model is known before start-up fails
    (void)device.Load(c.type, "Qs5_EmuKmw5.dll", 5);
    EXPECT_EQ(device.ModelIndex(), c.expected) << "mode " << c.mode << " type " << c.type;
  }
}

TEST_F(SoundDeviceTest, StartsTheChipUpWithTheSetUpMessages) {
  {
    EmuSoundDevice device(loader_);
    device.SetParams(PlayerParams());
    ASSERT_EQ(device.Load(kDeviceTypeJapanese, "", kEmulatorGeneration5), 1);
    EXPECT_EQ(loader_.loaded_names.back(), "Qs5_EmuKmw5.dll");
    std::vector<std::string> expected = {
        "QsSound_EmuInitialize(32000,5,129)=0",
        "QsSound_Initialize()=0",
        "QsSound_DeviceControl(13,0,0,0)=0",
        "QsSound_DeviceControl(21,0,0,0)=0",
        "QsSound_DeviceControl(2,31,0,0)=0",
        "QsSound_DeviceControl(3,0,31,31)=0",
        "QsSound_DeviceControl(4,31,0,0)=0",
        "QsSound_DeviceControl(5,2,0,0)=0",
        "QsSound_DeviceControl(6,0,0,0)=0",
        "QsSound_DeviceControl(8,2,0,0)=0",
        "QsSound_DeviceControl(9,0,0,0)=0",
        "QsSound_Terminate()=0",
        "SetMidiMsg(F0 43 79 06 7F 13 49 F7)=0",
        "SetMidiMsg(F0 43 79 06 7F 11 02 F7)=0",
        "SetMidiMsg(F0 43 79 06 7F 07 00 F7)=0",
        "SetMidiMsg(F0 43 79 06 7E 09 64 F7)=0",
        "QsSound_Initialize()=0",
        "QsSound_DeviceControl(21,0,0,0)=0",
    };
    EXPECT_EQ(loader_.Trace(), expected);
    loader_.ClearTrace();
  }
  std::vector<std::string> shut_down = {
      "QsSound_Terminate()=0",
      "SetMidiMsg(F0 43 79 06 7F 13 49 F7)=0",
      "SetMidiMsg(F0 43 79 06 7F 11 02 F7)=0",
      "SetMidiMsg(F0 43 79 06 7F 07 00 F7)=0",
      "SetMidiMsg(F0 43 79 06 7E 09 64 F7)=0",
      "QsSound_EmuTerminate()=0",
  };
  EXPECT_EQ(loader_.Trace(), shut_down);
  EXPECT_EQ(FamilyLoadCount(kDeviceTypeJapanese), 0);
  EXPECT_EQ(loader_.libraries_alive(), 0);
}

TEST_F(SoundDeviceTest, ModeThreeSendsOnlyTheFirstTwoMessages) {
  EmuSoundDevice device(loader_);
  device.SetParams(PlayerParams(3));
  ASSERT_EQ(device.Load(kDeviceTypeJapanese, "", 5), 1);
  loader_.ClearTrace();
  EXPECT_EQ(device.SendSetupSysEx(), 0);
  EXPECT_EQ(loader_.Trace(), (std::vector<std::string>{"SetMidiMsg(F0 43 79 06 7F 13 49 F7)=0",
                                                       "SetMidiMsg(F0 43 79 06 7F 11 02 F7)=0"}));
}

TEST_F(SoundDeviceTest, ASecondDeviceOfTheFamilySharesTheStartUp) {
  auto first = std::make_unique<EmuSoundDevice>(loader_);
  auto second = std::make_unique<EmuSoundDevice>(loader_);
  first->SetParams(PlayerParams());
  second->SetParams(PlayerParams());
  ASSERT_EQ(first->Load(kDeviceTypeJapanese, "", 5), 1);
  loader_.ClearTrace();
  ASSERT_EQ(second->Load(kDeviceTypeKorean, "", 5), 1);
  EXPECT_TRUE(loader_.Trace().empty()) << "no second start-up";
  EXPECT_EQ(FamilyLoadCount(kDeviceTypeJapanese), 2);
  first.reset();
  EXPECT_TRUE(loader_.Trace().empty()) << "no shut-down while another device holds it";
  second.reset();
  ASSERT_FALSE(loader_.Trace().empty());
  EXPECT_EQ(loader_.Trace().back(), "QsSound_EmuTerminate()=0");
  EXPECT_EQ(FamilyLoadCount(kDeviceTypeJapanese), 0);
}

TEST_F(SoundDeviceTest, AFailedLoadOrStartUpLeavesNothingCounted) {
  struct Case {
    const char* failing;
    bool fail_load;
  } cases[] = {{"", true}, {"QsSound_EmuInitialize", false}, {"QsSound_Initialize", false}};
  for (const Case& c : cases) {
    loader_.fail_load = c.fail_load;
    loader_.failing = {c.failing};
    {
      EmuSoundDevice device(loader_);
      device.SetParams(PlayerParams());
      EXPECT_EQ(device.Load(kDeviceTypeJapanese, "", 5), 0) << c.failing;
      EXPECT_FALSE(device.loaded());
      EXPECT_EQ(FamilyLoadCount(kDeviceTypeJapanese), 0) << c.failing;
      EXPECT_EQ(loader_.libraries_alive(), 0) << c.failing;
      EXPECT_EQ(device.Create(9), -1) << "unbound";
    }
    // A fresh device still starts up afterwards.
    loader_.fail_load = false;
    loader_.failing.clear();
    EmuSoundDevice device(loader_);
    device.SetParams(PlayerParams());
    EXPECT_EQ(device.Load(kDeviceTypeJapanese, "", 5), 1);
  }
}

TEST_F(SoundDeviceTest, ForwardersAnswerMinusOneWhileUnbound) {
  EmuSoundDevice unbound(loader_);
  EXPECT_EQ(unbound.DeviceControl(13, 0, 0, 0), -1);
  EXPECT_EQ(unbound.Create(9), -1);
  EXPECT_EQ(unbound.Start(0, 1, 1, 0), -1);
  EXPECT_EQ(unbound.Generate(0, 1, nullptr, 0), -1);
  EXPECT_EQ(unbound.Control(0, -1, QS_CONTROL_STATE, nullptr, 0), 0) << "the state shortcut";
  loader_.missing = {"QsSound_Start", "QsSound_Pause"};
  EmuSoundDevice partial(loader_);
  partial.SetParams(PlayerParams());
  ASSERT_EQ(partial.Load(kDeviceTypeJapanese, "", 5), 1);
  EXPECT_EQ(partial.Start(0, 1, 1, 0), -1);
  EXPECT_EQ(partial.Pause(0, 1, 0), -1);
  EXPECT_EQ(partial.Create(9), 0);
}

TEST_F(SoundDeviceTest, BooksVoicesAndSlotsFromTheMessagesItSends) {
  EmuSoundDevice device(loader_);
  device.SetParams(PlayerParams());
  ASSERT_EQ(device.Load(kDeviceTypeJapanese, "", 5), 1);
  auto send = [&](std::vector<uint8_t> m) {
    return device.SetMidiMsg(m.data(), static_cast<int32_t>(m.size()));
  };
  // Settings are tracked.
  EXPECT_EQ(send({0xF0, 0x43, 0x79, 0x06, 0x7E, 0x09, 0x50, 0xF7}), 0);
  EXPECT_EQ(device.params().volume, 0x50);
  EXPECT_EQ(send({0xF0, 0x43, 0x79, 0x06, 0x7F, 0x13, 0x7F, 0xF7}), 0);
  EXPECT_EQ(device.params().PackedFlags(), 0x7F);
  EXPECT_EQ(send({0xF0, 0x43, 0x79, 0x06, 0x7F, 0x07, 0x06, 0xF7}), 0);
  EXPECT_EQ(device.params().value_07, 6);
  EXPECT_TRUE(device.DataFits()) << "6 x 1024 < 8193";
  // A voice with flag bit 0 clear: payload byte 2 low bits 0 -> 16 bytes.
  EXPECT_EQ(send({0xF0, 0x43, 0x79, 0x07, 0x7F, 0x01, 1, 2, 3, 4, 0, 0x00, 0, 0, 0, 0xF7}), 0);
  EXPECT_EQ(device.params().memory_counter, 16);
  EXPECT_EQ(device.voices()[0].size, 16);
  // A data slot of 3 unpacked bytes books 4.
  EXPECT_EQ(send({0xF0, 0x43, 0x79, 0x06, 0x7F, 0x03, 5, 0, 0x00, 1, 2, 3, 0xF7}), 0);
  EXPECT_EQ(device.data_slot_size(5), 4);
  EXPECT_EQ(device.params().memory_counter, 20);
  // A large slot books 2048; 8 bytes long it books nothing.
  EXPECT_EQ(send({0xF0, 0x43, 0x79, 0x06, 0x7F, 0x0C, 7, 0, 0, 0xF7}), 0);
  EXPECT_EQ(device.large_slot_size(7), 2048);
  EXPECT_FALSE(device.DataFits()) << "2068 + 6144 passes 8192";
  // Freeing.
  EXPECT_EQ(send({0xF0, 0x43, 0x79, 0x06, 0x7F, 0x0D, 7, 0xF7}), 0);
  EXPECT_EQ(send({0xF0, 0x43, 0x79, 0x06, 0x7F, 0x04, 5, 0xF7}), 0);
  EXPECT_EQ(send({0xF0, 0x43, 0x79, 0x06, 0x7F, 0x02, 1, 2, 3, 4, 0xF7}), 0);
  EXPECT_EQ(device.params().memory_counter, 0);
  EXPECT_EQ(device.voices()[0].size, 0);
}

TEST_F(SoundDeviceTest, IgnoresOutOfRangeIndexesAndShortPayloads) {
  EmuSoundDevice device(loader_);
  device.SetParams(PlayerParams());
  ASSERT_EQ(device.Load(kDeviceTypeJapanese, "", 5), 1);
  struct Case {
    const char* why;
    std::vector<uint8_t> message;
  } cases[] = {
      {"slot index 0x80", {0xF0, 0x43, 0x79, 0x06, 0x7F, 0x03, 0x80, 0, 0x00, 1, 0xF7}},
      {"large slot index 0xFF", {0xF0, 0x43, 0x79, 0x06, 0x7F, 0x0C, 0xFF, 0, 0, 0xF7}},
      {"free slot index 0x90", {0xF0, 0x43, 0x79, 0x06, 0x7F, 0x04, 0x90, 0xF7}},
      {"voice without payload", {0xF0, 0x43, 0x79, 0x07, 0x7F, 0x01, 1, 2, 3, 4, 1, 0xF7}},
      {"voice flag 1 with a short payload",
       {0xF0, 0x43, 0x79, 0x07, 0x7F, 0x01, 1, 2, 3, 4, 1, 0, 1, 2, 0xF7}},
      {"free voice too short", {0xF0, 0x43, 0x79, 0x06, 0x7F, 0x02, 1, 0xF7}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(device.SetMidiMsg(c.message.data(), static_cast<int32_t>(c.message.size())), 0);
    EXPECT_EQ(device.params().memory_counter, 0) << c.why;
  }
  // A full voice table books nothing more.
  for (int i = 0; i < EmuSoundDevice::kTableSize + 3; ++i) {
    std::vector<uint8_t> m = {
        0xF0, 0x43, 0x79, 0x07, 0x7F, 0x01, 9, 9, 9, static_cast<uint8_t>(i & 0x7F),
        0,    0x00, 0,    0,    7,    0xF7};
    ASSERT_EQ(device.SetMidiMsg(m.data(), static_cast<int32_t>(m.size())), 0);
  }
  EXPECT_EQ(device.params().memory_counter, 30 * EmuSoundDevice::kTableSize);
}

}  // namespace
}  // namespace vtr::playback

namespace vtr::playback {
namespace {

TEST(DataFitsTest, LeavesRoomUpTo8192Bytes) {
  struct Case {
    int memory_counter;
    uint8_t value_07;
    bool fits;
  } cases[] = {{0, 8, true}, {1, 8, false}, {8192, 0, true}, {8193, 0, false}, {0, 0, true}};
  for (const Case& c : cases) {
    PlaybackParams params;
    params.memory_counter = c.memory_counter;
    params.value_07 = c.value_07;
    EmuSoundDevice device;
    device.SetParams(params);
    EXPECT_EQ(device.DataFits(), c.fits) << c.memory_counter << " + " << int(c.value_07);
  }
}

}  // namespace
}  // namespace vtr::playback
