// The settings record handed to an emulator sound device when it is created.
#ifndef VTR_PLAYBACK_PLAYBACK_PARAMS_H_
#define VTR_PLAYBACK_PLAYBACK_PARAMS_H_

#include <cstdint>

namespace vtr::playback {

// Emulator generations and their default library names.
inline constexpr int kEmulatorGeneration5 = 5;
inline constexpr int kEmulatorGeneration6 = 6;
inline constexpr char kEmulatorLibrary5[] = "Qs5_EmuKmw5.dll";
inline constexpr char kEmulatorLibrary6[] = "Qs6_EmuKmw6.dll";

// Language codes of the chip: Japanese (and US English), Korean, Chinese.
inline constexpr int kLanguageCodeJapanese = 0;
inline constexpr int kLanguageCodeKorean = 1;
inline constexpr int kLanguageCodeChinese = 2;

class PlaybackParams {
 public:
  virtual ~PlaybackParams() = default;

  // SetFlags(a, b, c, d, e): a is the first flag, b..e the four flags after the generation.
  void SetFlags(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint8_t e) {
    flag_ = a;
    flags_[0] = b;
    flags_[1] = c;
    flags_[2] = d;
    flags_[3] = e;
  }
  // The flags packed for system-exclusive command 0x13: bits 0-2 the second value, bit 3 the
  // first, bits 4, 5 and 6 the third, fourth and fifth.
  [[nodiscard]] uint8_t PackedFlags() const {
    return static_cast<uint8_t>((flags_[0] & 7) | (flag_ & 1) << 3 | (flags_[1] & 1) << 4 |
                                (flags_[2] & 1) << 5 | (flags_[3] & 1) << 6);
  }
  // The reverse of PackedFlags.
  void UnpackFlags(uint8_t packed) {
    SetFlags((packed >> 3) & 1, packed & 7, (packed >> 4) & 1, (packed >> 5) & 1,
             (packed >> 6) & 1);
  }
  // Codes outside 0..2 are refused (false) and leave the code as it was.
  bool set_language_code(int code) {
    if (code < kLanguageCodeJapanese || code > kLanguageCodeChinese) return false;
    language_code_ = code;
    return true;
  }

  int mode = 2;  // 1 and 2: the two emulator set-ups; 3: a reduced one
  uint8_t generation = kEmulatorGeneration5;
  uint8_t value_11 = 0;     // sent with system-exclusive command 0x11
  uint8_t value_07 = 0;     // sent with command 0x07; times 1024 it is memory in use
  int volume = 100;         // the value of command 0x09
  int memory_counter = 0;   // [bytes] in use by voices and data slots
  int sample_rate = 32000;  // [Hz]

  uint8_t flag() const { return flag_; }
  uint8_t flag(int index) const { return flags_[index]; }  // index 0..3: the four flags
  int language_code() const { return language_code_; }

 private:
  uint8_t flag_ = 0;
  uint8_t flags_[4] = {0, 0, 0, 0};
  int language_code_ = kLanguageCodeJapanese;
};

}  // namespace vtr::playback

#endif  // VTR_PLAYBACK_PLAYBACK_PARAMS_H_
