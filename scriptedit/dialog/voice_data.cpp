#include "scriptedit/dialog/voice_data.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "scriptedit/dialog/menu_button.h"

namespace vtr::scriptedit {
namespace {

constexpr int32_t kMarkSearchStart = 16;  // [bytes]
constexpr int32_t kMarkSearchStep = 48;   // [bytes]
constexpr int32_t kRecordsAfterMark = 8;  // [bytes] from the mark to the first record
constexpr int32_t kRecordsWithoutMark = 8;
constexpr int32_t kRecordSize = 17;  // number + name
constexpr int32_t kNameSize = 16;
constexpr uint8_t kLastVoiceNumber = 15;
constexpr char kMark[] = {'K', 'V', 'N'};
constexpr const char* kUnnamed = "Extended Voice";

}  // namespace

std::vector<playback::ExtendedVoice> ReadExtendedVoices(const uint8_t* data, int32_t size) {
  std::vector<playback::ExtendedVoice> voices;
  if (data == nullptr || size < kRecordsWithoutMark) return voices;
  int32_t at = kRecordsWithoutMark;
  for (int32_t p = kMarkSearchStart; p + static_cast<int32_t>(sizeof(kMark)) <= size;
       p += kMarkSearchStep) {
    if (std::memcmp(data + p, kMark, sizeof(kMark)) == 0) {
      at = p + kRecordsAfterMark;
      break;
    }
  }
  for (; at <= size - kRecordSize && data[at] <= kLastVoiceNumber; at += kRecordSize) {
    const int number = data[at];
    const char* name = reinterpret_cast<const char*>(data + at + 1);
    std::string text(name, strnlen(name, kNameSize));
    if (text.empty()) text = kUnnamed;
    text += " : X" + std::to_string(number);
    playback::ExtendedVoice voice;
    voice.command_id = static_cast<uint32_t>(kFirstExtendedVoiceCommand + number);
    // 16 name bytes and " : X15" fit the 24-byte field with its NUL.
    std::copy_n(text.begin(), std::min(text.size(), voice.text.size() - 1), voice.text.begin());
    voices.push_back(voice);
  }
  return voices;
}

int ExtendedVoiceNumber(const playback::ExtendedVoice& voice) {
  return static_cast<int>(voice.command_id) - kFirstExtendedVoiceCommand;
}

}  // namespace vtr::scriptedit
