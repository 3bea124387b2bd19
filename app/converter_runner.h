// Chinese text through the outside converter: a GB 2312 byte filter and the round trip through
// "tmp.txt" and "tmp.kvx" in a working folder of the runner's own.
//
//   #include "platform/paths.h"
//   // given: std::string typed_bytes
//   ConverterRunner runner(vtr::platform::ProgramFolder() / "Plugin");
//   std::string text = typed_bytes;
//   if (ConverterRunner::Filter(text, 1) == 0 && runner.Run(text) == kRunOk) {
//     const std::string& body = runner.result();   // the script body without its header tag
//   }
#ifndef VTR_APP_CONVERTER_RUNNER_H_
#define VTR_APP_CONVERTER_RUNNER_H_

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace vtr::app {

inline constexpr int kRunOk = 0;
inline constexpr int kRunNotStarted = 2;
inline constexpr int kRunNoResult = 3;

inline constexpr int kFilterOk = 0;
inline constexpr int kFilterNothingLeft = 4;

// The converter's system name inside the plug-in folder.
inline constexpr std::string_view kConverterName = "KVXCNV.exe";

// The longest result taken from the converter [bytes]: far above the longest script the
// program plays (32000 bytes), so that an over-long script still meets the workflow's own
// check and message, while a converter gone wild cannot fill the memory.
inline constexpr size_t kMaxConverterResult = size_t{1} << 20;

class ConverterRunner {
 public:
  // `plugin_folder` holds the converter; `timeout` bounds one conversion.
  explicit ConverterRunner(std::filesystem::path plugin_folder,
                           std::chrono::milliseconds timeout = std::chrono::seconds(5));
  ~ConverterRunner();
  ConverterRunner(const ConverterRunner&) = delete;
  ConverterRunner& operator=(const ConverterRunner&) = delete;

  // Converts `text` (GB 2312 bytes). The previous result is cleared first. kRunOk;
  // kRunNotStarted when the converter is missing or cannot run; kRunNoResult when it failed,
  // outlived the time-out, left no "tmp.kvx" of at least 4 bytes, or one whose result would
  // pass kMaxConverterResult bytes (no more than that is read). Each run works in a fresh
  // private folder under the temporary folder, removed afterwards with whatever the converter
  // left running.
  [[nodiscard]] int Run(std::string_view text);
  // The last result: "tmp.kvx" after its first 4 bytes, up to the end or the first zero byte.
  const std::string& result() const { return result_; }

  // Removes folder/"tmp.kvx" and folder/"tmp.txt"; false when a removal failed.
  [[nodiscard]] static bool DeleteTempFiles(const std::filesystem::path& folder);

  // Keeps the bytes of `text` the converter can read: GB 2312 pairs of the accepted rows and
  // printable ASCII but a few symbols. With `flag` 1 the exclamation marks become the
  // ideographic full stop (A1 A3) and the full-width hyphen (A3 AD) becomes "-". kFilterOk with
  // `text` replaced, or kFilterNothingLeft with `text` unchanged.
  [[nodiscard]] static int Filter(std::string& text, int flag);

 private:
  std::filesystem::path plugin_folder_;
  std::chrono::milliseconds timeout_;
  std::string result_;
};

}  // namespace vtr::app

#endif  // VTR_APP_CONVERTER_RUNNER_H_
