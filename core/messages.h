// The message table of the program and the script edit dialog library, and MessageReporter,
// which shows one message by its id and returns the button the user pressed.
//
// The table holds ids 500-520 in four language blocks (US English, Japanese, Korean, Chinese);
// id 500 is the block's language tag. The box style follows from the id alone. The box itself
// is shown by a MessagePresenter that the program or a dialog library installs (the window
// layer's message box); tests install a recording one.
//
//   // given: MessagePresenter& presenter; void* window
//   InstallMessagePresenter(&presenter);
//   MessageReporter reporter;
//   (void)reporter.SetOwner(window, "Voxtrel");
//   if (reporter.ShowMessage(kMessageReplaceFile) == kIdYes) { /* overwrite */ }
#ifndef VTR_CORE_MESSAGES_H_
#define VTR_CORE_MESSAGES_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace vtr::core {

// Button ids returned by a message box.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Box style bits (buttons and icon), as the window layer's message box takes them.
inline constexpr uint32_t kBoxOk = 0x00;
inline constexpr uint32_t kBoxYesNoCancel = 0x03;
inline constexpr uint32_t kBoxYesNo = 0x04;
inline constexpr uint32_t kBoxIconError = 0x10;
inline constexpr uint32_t kBoxIconQuestion = 0x20;
inline constexpr uint32_t kBoxIconWarning = 0x30;

// Message ids.
inline constexpr unsigned kMessageLanguageTag = 500;
inline constexpr unsigned kMessageInternalError = 501;
inline constexpr unsigned kMessageBadFormat = 502;
inline constexpr unsigned kMessageSentenceTooLong = 503;
inline constexpr unsigned kMessageNothingToPlay = 504;
inline constexpr unsigned kMessageBadExtension = 505;
inline constexpr unsigned kMessageOpenFailed = 506;
inline constexpr unsigned kMessageSaveFailed = 507;
inline constexpr unsigned kMessageReplaceFile = 508;
inline constexpr unsigned kMessageCountDiffers = 509;
inline constexpr unsigned kMessagePlaybackFailed = 510;
inline constexpr unsigned kMessageScriptTooLong = 511;
inline constexpr unsigned kMessagePlayTimeTooLong = 512;
inline constexpr unsigned kMessageWaveConvertFailed = 513;
inline constexpr unsigned kMessageScriptConvertFailed = 514;
inline constexpr unsigned kMessageVoiceInserted = 515;
inline constexpr unsigned kMessageDiscardAll = 516;
inline constexpr unsigned kMessageSaveChanges = 517;
inline constexpr unsigned kMessageReflectToMain = 518;
inline constexpr unsigned kMessageBadWaveFormat = 519;
inline constexpr unsigned kMessageCannotChange = 520;

// The language blocks of the table, in resource order.
enum class MessageLanguage : int { kEnglish, kJapanese, kKorean, kChinese };

// The block the product is built with.
inline constexpr MessageLanguage kBuildMessageLanguage = MessageLanguage::kJapanese;

// The UTF-8 text of `id` in a block; empty when the block has no text for it.
std::string_view MessageText(MessageLanguage language, unsigned id);

// The box style of `id`: yes/no questions (508, 516), warnings (509, 515), yes/no/cancel
// questions (517, 518), errors (the other ids 501-520); 0 for any other id, 500 included.
uint32_t MessageBoxStyle(unsigned id);

// Shows one box and returns the id of the pressed button. `owner` is an opaque window
// (nullptr: none).
class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual int Show(void* owner, std::string_view text_utf8, std::string_view caption_utf8,
                   uint32_t style) = 0;
};

// Installs the presenter of this module (nullptr removes it) and the application title used as
// the caption of boxes without an owner. Called once at start-up, from the UI thread.
void InstallMessagePresenter(MessagePresenter* presenter);
void SetApplicationTitle(std::string_view title_utf8);

class MessageReporter {
 public:
  explicit MessageReporter(MessageLanguage language = kBuildMessageLanguage)
      : language_(language) {}

  // Stores the owner window and the caption of the boxes shown with it; returns 0.
  int SetOwner(void* owner, std::string caption_utf8);

  // Shows message `id` (text as it stands in the table) and returns the pressed button;
  // kIdCancel without a box when the table has no text for `id` or no presenter is installed.
  // With an owner the box carries the stored caption, without one the application title.
  int ShowMessage(unsigned id) const;

  void* owner() const { return owner_; }
  const std::string& caption() const { return caption_; }

 private:
  MessageLanguage language_;
  void* owner_ = nullptr;
  std::string caption_;
};

}  // namespace vtr::core

#endif  // VTR_CORE_MESSAGES_H_
