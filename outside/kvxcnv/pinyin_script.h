// Turns GB 2312 Chinese text into the body of a "KV#C" script: pinyin syllables with tone
// digits ("你好。" -> "ni3hao3.").
//
//   #include <fstream>
//   // given: std::string gb2312_text; std::ofstream file
//   std::string body = vtr::kvxcnv::PinyinScriptBody(gb2312_text);
//   file << vtr::kvxcnv::kScriptHeader << body;
//
// Text rules:
//  - a hanzi becomes its syllable and tone digit (0 for the neutral tone); one without a known
//    reading is left out;
//  - full-width ASCII (lead A3) is read as the ASCII character it stands for;
//  - sentence punctuation ends a phrase: "。" "．" "!" ";" ":" "…" become ".", "，" "、" ","
//    stay ",", "?" stays "?";
//  - ASCII pinyin passes through: letters (lower-cased, since upper-case letters are script
//    commands) and digits; a syllable after a letter that has no tone digit yet is set apart
//    by a space;
//  - runs of white space become one space (a rest); every other byte is dropped.
#ifndef VTR_OUTSIDE_KVXCNV_PINYIN_SCRIPT_H_
#define VTR_OUTSIDE_KVXCNV_PINYIN_SCRIPT_H_

#include <optional>
#include <string>
#include <string_view>

namespace vtr::kvxcnv {

inline constexpr std::string_view kScriptHeader = "KV#C";

struct HanziReading {
  std::string_view syllable;
  int tone;  // 0 neutral, 1-4
  bool operator==(const HanziReading&) const = default;
};

// The reading of the GB 2312 pair lead, trail; nullopt for a pair that is no hanzi or has no
// known reading.
[[nodiscard]] std::optional<HanziReading> ReadingOf(unsigned char lead, unsigned char trail);

[[nodiscard]] std::string PinyinScriptBody(std::string_view gb2312_text);

}  // namespace vtr::kvxcnv

#endif  // VTR_OUTSIDE_KVXCNV_PINYIN_SCRIPT_H_
