#include "plugins/qrl/qrl_plugin.h"

#include <cstring>
#include <string>
#include <vector>

#include "plugins/qrl/koru_writer.h"

namespace vtr::qrl {
namespace {

constexpr char kDescription[] = "KORU Files";
constexpr char kExtension[] = "qrl";
// The control sequence ends this long after the voice [ms]: two ticks.
constexpr int32_t kSequenceTailMs = 40;

struct StatusGroup {
  uint32_t class_nibble;
  int first_slot;
};
constexpr StatusGroup kStatusGroups[] = {{1, 0}, {2, 10}, {3, 20}};

}  // namespace

void PutStatusWord(int32_t* slots, int32_t word) {
  uint32_t nibble = (static_cast<uint32_t>(word) >> 24) & 0x0F;
  for (const StatusGroup& group : kStatusGroups) {
    if (group.class_nibble != nibble) continue;
    for (int slot = group.first_slot; slot < group.first_slot + kVtrStatusGroupSize; ++slot) {
      if (slots[slot] == 0) {
        slots[slot] = word;
        return;
      }
    }
  }
}

int QrlPlugin::GetInfo(int format_id, ConverterInfo* info) const {
  if (FindScriptLanguage(format_id) == nullptr) return kVtrCnvBadFormat;
  if (info == nullptr) return kVtrCnvBadInput;
  // Only the two texts and their NULs: the caller's other bytes stay as they are.
  std::memcpy(info->description, kDescription, sizeof kDescription);
  std::memcpy(info->extension, kExtension, sizeof kExtension);
  return kVtrCnvOk;
}

int QrlPlugin::Convert(const char* script, int length, int format_id, const unsigned char* options,
                       unsigned char* out, unsigned out_length, int* status) {
  if (script == nullptr || length == 0) return kVtrCnvBadInput;
  const ScriptLanguage* language = FindScriptLanguage(format_id);
  if (language == nullptr) return kVtrCnvBadFormat;
  if (options == nullptr) return kVtrCnvBadOptions;
  const uint8_t text_coding = options[offsetof(ConvertOptions, text_coding)];
  if (text_coding > kVtrTextCodingMax && text_coding != kVtrTextCodingUtf8) {
    return kVtrCnvBadOptions;
  }

  // The copies live for this call only. A length the file could not be counted in is copied
  // as nothing and answered once the output arguments have been checked.
  const bool length_ok = length > 0 && length <= kMaxScriptBytes;
  const std::string copy = length_ok ? std::string(script, static_cast<size_t>(length)) : "";
  ConvertOptions block;
  std::memcpy(&block, options, sizeof block);
  KoruWriter writer;
  writer.Prepare(copy, *language, block);

  if (out == nullptr || out_length == 0) return kVtrCnvBadOutput;
  if (status == nullptr) return kVtrCnvNoStatus;

  if (!length_ok) {
    PutStatusWord(status, kVtrStatusBadLength);
    return kVtrCnvMeasureFailed;
  }
  int32_t play_ms = 0;
  uint32_t code = meter_.Measure(format_id, copy, &play_ms);
  if (code == kMeasureOk && play_ms > kMaxPlayMs) code = kMeasureTooLong;
  if (code != kMeasureOk || play_ms < 0) {
    PutStatusWord(status, code == kMeasureTooLong ? kVtrStatusTooLong : kVtrStatusNotMeasured);
    return kVtrCnvMeasureFailed;
  }
  writer.SetTimes(0, play_ms, play_ms + kSequenceTailMs);

  const std::vector<uint8_t> file = writer.Build();
  if (file.size() > out_length) return kVtrCnvOutputTooSmall;
  std::memcpy(out, file.data(), file.size());
  return static_cast<int>(file.size());
}

}  // namespace vtr::qrl
