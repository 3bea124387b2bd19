#include "engines/pth/pseq_parser.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string_view>

#include "engines/events/stream_reader.h"
#include "engines/pth/kana_labels.h"

namespace vtr::pth {
namespace {

std::string_view AsText(std::span<const uint8_t> bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

}  // namespace

int PSeqParser::Parse(const unsigned char* stream, int length, int sing_mode) {
  if (stream == nullptr || length <= 0 || (sing_mode & 0xFF) > 1)
    return static_cast<int>(ParseResult::kBadArgument);
  records_.clear();
  statistics_ = NoteStatistics{};
  parsed_ = false;

  const events::StreamReadResult read = events::ReadStream(
      std::span<const uint8_t>(stream, static_cast<size_t>(length)),
      [](std::span<const uint8_t> text) { return FindKanaLabel(AsText(text)) >= 0; });
  if (!read.ok()) return static_cast<int>(ParseResult::kInvalid);

  long long note_sum = 0;
  int note_count = 0;
  records_.reserve(read.records.size());
  for (const events::EventRecord& event : read.records) {
    NoteRecord record;
    record.kind = static_cast<RecordKind>(event.kind);
    record.delta = static_cast<int32_t>(event.delta + event.skipped_delta);
    record.value = event.value;
    if (event.kind == events::RecordKind::kControlBendRange) statistics_.bend_range = event.value;
    if (event.kind == events::RecordKind::kNote) {
      record.velocity = event.velocity;
      record.duration = event.duration;
      record.gate = event.gate;
      record.syllable = static_cast<int16_t>(FindKanaLabel(AsText(event.text)));
      record.pitch_count =
          static_cast<uint8_t>(std::min<size_t>(event.pitch.size(), kMaxPoints - 1));
      for (int i = 0; i < record.pitch_count; ++i) {
        record.pitch_points[i] = {event.pitch[i].position,
                                  static_cast<int16_t>(event.pitch[i].bend)};
      }
      record.volume_count =
          static_cast<uint8_t>(std::min<size_t>(event.volume.size(), kMaxPoints - 1));
      for (int i = 0; i < record.volume_count; ++i) {
        record.volume_points[i] = {event.volume[i].position, event.volume[i].value};
      }
      record.extra_count =
          static_cast<uint8_t>(std::min<size_t>(event.extra.size(), kMaxPoints - 1));
      std::copy_n(event.extra.begin(), record.extra_count, record.extra.begin());
      record.bend_range = event.bend_range;
      if (event.value != events::kUnpitchedNote) {
        const int note = event.value & 0x7F;
        statistics_.highest = std::max(statistics_.highest, note);
        statistics_.lowest = std::min(statistics_.lowest, note);
        note_sum += note;
        ++note_count;
      }
    }
    records_.push_back(record);
  }
  if (records_.empty()) return static_cast<int>(ParseResult::kInvalid);
  parsed_ = true;
  if (note_count > 0) {
    const int average = static_cast<int>(std::lround(static_cast<double>(note_sum) / note_count));
    if (average < NoteStatistics::kNoAverage) statistics_.average = average;
  }
  return static_cast<int>(read.clipped ? ParseResult::kClipped : ParseResult::kOk);
}

}  // namespace vtr::pth
