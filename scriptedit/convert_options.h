// The option block a host hands to a converter plug-in (ConvertOptions, 3344 bytes): the class
// and text-coding bytes, the file title and the date of the export.
//
//   // given: std::string script; core::MessageReporter reporter
//   unsigned char options[kConvertOptionsSize] = {};
//   WriteOptionsTitle(options, OptionsTitle("song", core::ScriptLanguage::kJapanese));
//   if (!BuildConvertOptions(options, 0x52100000, script, &reporter, Today())) { /* 507 */ }
#ifndef VTR_SCRIPTEDIT_CONVERT_OPTIONS_H_
#define VTR_SCRIPTEDIT_CONVERT_OPTIONS_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "core/messages.h"
#include "core/script_text.h"
#include "plugins/converter_api.h"

namespace vtr::scriptedit {

inline constexpr size_t kConvertOptionsSize = sizeof(ConvertOptions);         // 3344
inline constexpr size_t kOptionsTitleOffset = offsetof(ConvertOptions, st);   // 774
inline constexpr size_t kOptionsDateOffset = offsetof(ConvertOptions, date);  // 2830
inline constexpr size_t kOptionsTextMax = kVtrTextFieldSize - 1;              // 256
// Text coding byte of "KV#C" scripts: the text fields are UTF-8.
inline constexpr unsigned char kOptionsChineseCoding = kVtrTextCodingUtf8;  // 0x23

struct LocalDate {
  int year = 0;
  int month = 0;
  int day = 0;
};

// Today's date in the local time zone.
LocalDate Today();

// A file title (UTF-8, as file dialogs give it) as the text field of a script of `language`
// holds it: in the script's encoding for kana, romaji (sent as kana) and hangul scripts, UTF-8
// for pinyin scripts (their text fields are UTF-8). A character without a form in the
// encoding ends the title. At most 256 bytes, cut before a character that would not fit whole.
std::string OptionsTitle(std::string_view title_utf8, core::ScriptLanguage language);

// Copies at most 256 bytes of `title` and a NUL to the title field (offset 774).
void WriteOptionsTitle(unsigned char* options, std::string_view title);

// Sets the class and text-coding bytes to 0, checks `script` as an export
// (ScriptProcessor::PrepareExportScript with `format_id`; its messages go through `reporter`,
// nullptr: an owner-less one) and writes `date` as "YYYYMMDD" and a NUL at offset 2830.
// True when done; false when the script fails the checks (the date is then not written).
[[nodiscard]] bool BuildConvertOptions(unsigned char* options, int format_id,
                                       const std::string& script,
                                       const core::MessageReporter* reporter, LocalDate date);
[[nodiscard]] bool BuildConvertOptions(unsigned char* options, int format_id,
                                       const std::string& script);

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_CONVERT_OPTIONS_H_
