// The script processing of the script edit dialog, without any window: header, voice, optimise
// and play-text passes over one script text, run in a fixed order and chosen by flag bits.
//
// The dialog keeps one processor for its settings (mode word, voice list selection, the
// "Remain Linefeed" and "Insert Segment End" options); an export builds one on the stack:
//
//   // given: core::MessageReporter reporter; std::string script; int kFailed
//   ScriptProcessor processor;                          // messages through `reporter`
//   processor.SetReporter(&reporter);
//   if (!processor.PrepareExportScript(0x52100000, script)) return kFailed;
//
//   std::string text = "KV#J...";
//   bool too_long = false;
//   int r = processor.ProcessScript(text, kProcessEnsureHeader | kProcessWriteVoice |
//                                             kProcessKeepVoice, true, &too_long);
#ifndef VTR_SCRIPTEDIT_SCRIPT_PROCESSOR_H_
#define VTR_SCRIPTEDIT_SCRIPT_PROCESSOR_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/messages.h"
#include "core/script_text.h"

namespace vtr::scriptedit {

// ProcessScript flag bits. The passes run in the order ensure header, write voice, optimise,
// play text, voice from script, whatever the order of the bits.
inline constexpr int kProcessEnsureHeader = 0x01;     // the text begins with its header tag
inline constexpr int kProcessOptimize = 0x02;         // parse, check and write back
inline constexpr int kProcessWriteVoice = 0x08;       // the selected voice goes into the head
inline constexpr int kProcessVoiceFromScript = 0x10;  // the selection follows the head's voice
inline constexpr int kProcessPlayText = 0x20;         // the played text
inline constexpr int kProcessQuietVoice = 0x80;       // no message 515 when a voice is inserted
inline constexpr int kProcessKeepVoice = 0x100;       // with 0x08: a voice in the head stays

// The flag sets the dialog uses.
inline constexpr int kProcessOnSetText = 0x01;
inline constexpr int kProcessOnOpenDialog = 0x11;
inline constexpr int kProcessBeforeUse = 0x129;  // play, save, OK
inline constexpr int kProcessBeforeUseOptimized = 0x12B;
inline constexpr int kProcessForPlay = 0x30;
inline constexpr int kProcessForPlayOptimized = 0x32;
inline constexpr int kProcessOnVoiceChange = 0x89;
inline constexpr int kProcessForExport = 0;

// Scripts shorter than this (header tag included) are refused after processing.
inline constexpr size_t kMinScriptBytes = 5;

class ScriptProcessor {
 public:
  ScriptProcessor() = default;

  // Messages are shown through `reporter` (not owned; nullptr: an owner-less reporter of the
  // build language).
  void SetReporter(const core::MessageReporter* reporter) { reporter_ = reporter; }

  // The mode word of every engine call (language | 0x50100000 for the dialog).
  void SetModeWord(core::ScriptModeWord mode) { mode_word_ = mode; }
  core::ScriptModeWord mode_word() const { return mode_word_; }

  // The voice list: first one entry per extended voice (their voice numbers 0-15, in list
  // order), then the sixteen standard voices. The selection is an index into that list.
  void SetExtendedVoices(std::vector<int> numbers) { extended_voices_ = std::move(numbers); }
  const std::vector<int>& extended_voices() const { return extended_voices_; }
  void SetVoiceIndex(int index) { voice_index_ = index; }
  int voice_index() const { return voice_index_; }

  // Voice number (0-15 "K0"-"K15", 16-31 "X0"-"X15") of the selected list entry: an extended
  // voice gives its number + 16, a standard voice its index less the extended count.
  int SelectedVoiceNumber() const;
  // Selects the list entry of a voice number. A number of an extended voice that is not in the
  // list, or a number outside 0-31, leaves the selection as it is.
  void SelectVoiceNumber(int number);

  void SetRemainLinefeed(bool on) { remain_linefeed_ = on; }
  bool remain_linefeed() const { return remain_linefeed_; }
  void SetInsertSegmentEnd(bool on) { insert_segment_end_ = on; }
  bool insert_segment_end() const { return insert_segment_end_; }

  // Runs the passes chosen by `flags` (kProcess* bits) over `text` with a fresh engine.
  // Results (each shows its message first):
  //   0       done; `text` holds the result
  //   -19999  504: `text` is empty
  //   -19987  511: `text`, or the result, is longer than 32000 bytes
  //   -19992  503: a sentence of the played text is over 100 bytes and `show_length_error`
  //           (without it the pass keeps the text and processing goes on)
  //   -19996  502: an engine step failed, or the result is shorter than 5 bytes
  // `*too_long` (when given) is set to true when a played sentence was over 100 bytes.
  // `text` changes only when the result is 0.
  [[nodiscard]] int ProcessScript(std::string& text, int flags, bool show_length_error,
                                  bool* too_long);

  // Stores `mode` and processes a copy of `text` with no pass selected (the length checks
  // alone); true when that returned 0.
  [[nodiscard]] bool PrepareExportScript(core::ScriptModeWord mode, const std::string& text);

 private:
  void Show(unsigned id) const;

  const core::MessageReporter* reporter_ = nullptr;
  core::ScriptModeWord mode_word_ = 0;
  std::vector<int> extended_voices_;
  int voice_index_ = 0;
  bool remain_linefeed_ = true;
  bool insert_segment_end_ = true;
};

}  // namespace vtr::scriptedit

#endif  // VTR_SCRIPTEDIT_SCRIPT_PROCESSOR_H_
