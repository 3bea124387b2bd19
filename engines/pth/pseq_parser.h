// The pitch-sequence parser: reads a voice event stream (a pitch sequence) into note records
// and note statistics for the script generator.
//
// The event coding itself is read by engines/events; this parser adds what the generator
// needs: every note's text must name a row of the kana label table (the row becomes the
// record's syllable), and the pitched notes give the statistics (average, highest, lowest).
// Out-of-range control and program values are dropped and reported with result 1; the time
// of a dropped event is kept (added to the next record's delta), so later records stay on time.
//
//   // given: std::vector<unsigned char> bytes
//   // given: void Use(const std::vector<NoteRecord>&, const NoteStatistics&)
//   PSeqParser parser;
//   int result = parser.Parse(bytes.data(), static_cast<int>(bytes.size()), /*sing_mode=*/0);
//   if (result >= 0) Use(parser.records(), parser.statistics());
#ifndef VTR_ENGINES_PTH_PSEQ_PARSER_H_
#define VTR_ENGINES_PTH_PSEQ_PARSER_H_

#include <cstdint>
#include <vector>

#include "engines/pth/note_record.h"

namespace vtr::pth {

enum class ParseResult : int32_t {
  kOk = 0,
  kClipped = 1,       // values out of range were dropped
  kBadArgument = -2,  // no stream, length 0 or less, or mode above 1
  kInvalid = -5,      // the stream is invalid or yields no record
};

class PSeqParser {
 public:
  explicit PSeqParser(int flags = 0) : flags_(flags) {}

  // Parses `length` bytes at `stream`. Only the low byte of `sing_mode` is looked at (0 or 1).
  // Returns a ParseResult as int; on failure no records are kept.
  [[nodiscard]] int Parse(const unsigned char* stream, int length, int sing_mode);

  bool parsed() const { return parsed_; }
  int flags() const { return flags_; }
  const std::vector<NoteRecord>& records() const { return records_; }
  const NoteStatistics& statistics() const { return statistics_; }

 private:
  int flags_;
  bool parsed_ = false;
  std::vector<NoteRecord> records_;
  NoteStatistics statistics_;
};

}  // namespace vtr::pth

#endif  // VTR_ENGINES_PTH_PSEQ_PARSER_H_
