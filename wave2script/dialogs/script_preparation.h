// Script preparation of the intonation edit dialog: the header tag of a KV#J script and the
// checker runs that every command of the dialog puts a script through before it is shown,
// played, saved or handed back.
//
// Scripts are Shift-JIS bytes. The dialog keeps its script without the tag "KV#J"; the checker
// and the syllable list want it, so the tag comes and goes at these edges:
//
//   std::string text = "\x82\xA9\x82\xA0";                   // かあ, no tag
//   (void)AddHeaderTag(text);                                // "KV#J" in front
//   int voice = 3;
//   bool too_long = false;
//   if (PreprocessScript(&text, kPrepareForSave, true, &too_long, &voice) == 0) {
//     (void)StripHeaderTag(text);                            // back as the dialog keeps it
//   }
#ifndef VTR_WAVE2SCRIPT_DIALOGS_SCRIPT_PREPARATION_H_
#define VTR_WAVE2SCRIPT_DIALOGS_SCRIPT_PREPARATION_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vtr::w2s {

// Bits of the options of PreprocessScript.
inline constexpr uint32_t kPrepareHeader = 0x01;      // tag rewrite (first check)
inline constexpr uint32_t kPrepareBody = 0x02;        // second check: width and body pass
inline constexpr uint32_t kPrepareVoice = 0x08;       // write the voice token; phrase limit
inline constexpr uint32_t kPrepareReadVoice = 0x10;   // read the voice token back
inline constexpr uint32_t kPrepareBreaks = 0x20;      // the body pass keeps line breaks and
                                                      // inserts phrase breaks (with 0x02)
inline constexpr uint32_t kPrepareKeepVoice = 0x100;  // an existing voice token stays (0x08)

// The option sets the dialog and the segment confirm dialog use.
inline constexpr uint32_t kPrepareForGraph = 0x03;
inline constexpr uint32_t kPrepareForOpen = 0x32;
inline constexpr uint32_t kPrepareForSave = 0x12B;  // also OK and the segment confirm dialog
inline constexpr uint32_t kPrepareApplyVoice = 0xAB;
inline constexpr uint32_t kPrepareNormalize = 0x01;
inline constexpr uint32_t kPrepareForPlay = 0x101;
inline constexpr uint32_t kPrepareAfterPlay = 0x11;

// The tag every prepared script begins with.
inline constexpr std::string_view kKanaTag = "KV#J";
// Largest prepared script [bytes].
inline constexpr size_t kMaxPreparedScript = 32000;
// Longest phrase a prepared script may hold [bytes as played].
inline constexpr unsigned kPhraseLimit = 100;

// Results of PreprocessScript (each after its message, where one is shown).
inline constexpr int kPrepareDone = 0;
inline constexpr int kPrepareNoText = -19999;         // message 504
inline constexpr int kPrepareBadScript = -19996;      // message 502
inline constexpr int kPreparePhraseTooLong = -19992;  // message 503 (errors shown)
inline constexpr int kPrepareNoResult = -19988;       // message 502: no syllable left
inline constexpr int kPrepareTooLong = -19987;        // message 511

// Removes a leading "KV#J": true when there was one.
bool StripHeaderTag(std::string& text);

// Gives `text` the tag through the checker (tag rewrite) when it lacks one. True when the text
// was replaced by the checker's; false when it already had the tag or the checker failed (the
// text is then unchanged). An empty text becomes the bare tag.
bool AddHeaderTag(std::string& text);

// Runs the checker steps that `options` choose on `*text`:
//   tag rewrite (0x01); voice token "K<voice>" (0x08; with 0x100 an existing token is kept,
//   and `*voice` becomes its value); body pass (0x02, with 0x20 keeping line breaks and
//   inserting phrase breaks); phrase limit of 100 bytes (0x08); voice read back (0x10).
// On 0 `*text` is the checker's text, tag first, at most 32000 bytes, holding a syllable
// (a text without one, such as "KV#JS60", fails with kPrepareNoResult). A phrase over the limit
// sets `*too_long`; it fails the run only with `show_errors` (message 503). Every other failure
// shows its message whatever `show_errors` says and leaves `*text` unchanged.
[[nodiscard]] int PreprocessScript(std::string* text, uint32_t options, bool show_errors,
                                   bool* too_long, int* voice);

}  // namespace vtr::w2s

#endif  // VTR_WAVE2SCRIPT_DIALOGS_SCRIPT_PREPARATION_H_
