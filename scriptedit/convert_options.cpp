#include "scriptedit/convert_options.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "platform/text.h"
#include "scriptedit/script_encoding.h"
#include "scriptedit/script_processor.h"

namespace vtr::scriptedit {

LocalDate Today() {
  // std::localtime shares one result object; the lock keeps concurrent callers apart.
  static std::mutex mutex;
  const std::time_t now = std::time(nullptr);
  std::lock_guard<std::mutex> lock(mutex);
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) return {};
  return {local->tm_year + 1900, local->tm_mon + 1, local->tm_mday};
}

std::string OptionsTitle(std::string_view title_utf8, core::ScriptLanguage language) {
  std::string title;
  size_t end = 0;
  if (language == core::ScriptLanguage::kChinese) {
    title = std::string(title_utf8);
    // Cut before a UTF-8 character that would not fit: never before a continuation byte.
    end = std::min(title.size(), kOptionsTextMax);
    if (end < title.size()) {
      while (end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80) --end;
    }
  } else {
    const platform::Encoding encoding = ScriptEncoding(language);
    // On failure the result holds the part before the character.
    title = platform::FromUtf8(encoding, title_utf8).text;
    // Walk the characters so a double byte is never split.
    while (end < title.size()) {
      const size_t width =
          platform::IsLeadByte(encoding, static_cast<unsigned char>(title[end])) ? 2 : 1;
      if (end + width > kOptionsTextMax || end + width > title.size()) break;
      end += width;
    }
  }
  title.resize(end);
  return title;
}

void WriteOptionsTitle(unsigned char* options, std::string_view title) {
  const size_t length = std::min(title.size(), kOptionsTextMax);
  std::memcpy(options + kOptionsTitleOffset, title.data(), length);
  options[kOptionsTitleOffset + length] = 0;
}

bool BuildConvertOptions(unsigned char* options, int format_id, const std::string& script,
                         const core::MessageReporter* reporter, LocalDate date) {
  options[0] = 0;
  options[1] = 0;
  ScriptProcessor processor;
  processor.SetReporter(reporter);
  if (!processor.PrepareExportScript(static_cast<core::ScriptModeWord>(format_id), script)) {
    return false;
  }
  // Nine bytes: eight digits and the NUL (the field is far larger). Out-of-range parts are
  // clamped so the text stays eight digits.
  char digits[16];
  std::snprintf(digits, sizeof digits, "%04d%02d%02d", std::clamp(date.year, 0, 9999),
                std::clamp(date.month, 0, 99), std::clamp(date.day, 0, 99));
  std::memcpy(options + kOptionsDateOffset, digits, 9);
  return true;
}

bool BuildConvertOptions(unsigned char* options, int format_id, const std::string& script) {
  return BuildConvertOptions(options, format_id, script, nullptr, Today());
}

}  // namespace vtr::scriptedit
