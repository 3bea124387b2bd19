#include "core/messages.h"

#include <array>

namespace vtr::core {
namespace {

constexpr unsigned kFirstId = 500;
constexpr unsigned kLastId = 520;
using Block = std::array<std::string_view, kLastId - kFirstId + 1>;

// Texts of ids 500-520 per language block, in UTF-8; an empty entry has no text.
constexpr std::array<Block, 4> kMessages = {{
    {{
        "US",
        "Internal error occured.",
        "Invalid format of Kelvox.",
        "Exceed 100byte in a sentence.",
        "There is no avairable character in Kelvox.",
        "Extension is not 'kvx' or file path is too long.",
        "Failed to open file.",
        "Failed to save file.",
        "This file already exists.\nReplace existing file?",
        "Cannot assure playing Kelvox.\nThe number of characters is different from the one in "
        "Kelvox.",
        "Failed to playback data.",
        "Exceed maximum byte of Kelvox.",
        "Exceed maximum playback time of Kelvox.",
        "Failed to convert wav file.",
        "Failed to convert to Kelvox.",
        "Insert 'Voice Quality' since there is no symbol of 'Voice Quality' in the head of "
        "Kelvox.",
        "Destroy all data in this dialog?",
        "Kelvox was changed.\nSave changes?",
        "Reflect data to Main Dialog?",
        "Invalid format of the wav file.",
        "Cannot change.",
    }},
    {{
        "JP",
        "内部エラーが発生しました。",
        "Kelvoxの書式が正しくありません。",
        "1つの文が100バイトを超えています。",
        "Kelvoxに有効な文字がありません。",
        "拡張子が「kvx」ではないか、ファイルのパスが長すぎます。",
        "ファイルを開けませんでした。",
        "ファイルを保存できませんでした。",
        "このファイルは既に存在します。\n上書きしますか？",
        "Kelvoxを正しく再生できない可能性があります。\n文字数がKelvoxの文字数と異なります。",
        "データを再生できませんでした。",
        "Kelvoxの最大バイト数を超えています。",
        "Kelvoxの最大再生時間を超えています。",
        "WAVファイルを変換できませんでした。",
        "Kelvoxに変換できませんでした。",
        "Kelvoxの先頭に「声質」の記号がないため、「声質」の記号を挿入します。",
        "このダイアログのデータをすべて破棄しますか？",
        "Kelvoxが変更されています。\n変更を保存しますか？",
        "メインダイアログにデータを反映しますか？",
        "WAVファイルの形式が正しくありません。",
        "変更できません。",
    }},
    {{
        "KR",
        "내부 오류가 발생했습니다.",
        "Kelvox 형식이 올바르지 않습니다.",
        "한 문장이 100바이트를 초과합니다.",
        "Kelvox에 사용할 수 있는 문자가 없습니다.",
        "확장자가 'kvx'가 아니거나 파일 경로가 너무 깁니다.",
        "파일을 열 수 없습니다.",
        "파일을 저장할 수 없습니다.",
        "이 파일이 이미 있습니다.\n기존 파일을 바꾸시겠습니까?",
        "Kelvox 재생을 보장할 수 없습니다.\n문자 수가 Kelvox의 문자 수와 다릅니다.",
        "데이터를 재생하지 못했습니다.",
        "Kelvox의 최대 바이트 수를 초과했습니다.",
        "Kelvox의 최대 재생 시간을 초과했습니다.",
        "WAV 파일을 변환하지 못했습니다.",
        "Kelvox로 변환하지 못했습니다.",
        "Kelvox 앞부분에 '음색' 기호가 없으므로 '음색' 기호를 삽입합니다.",
        "이 대화 상자의 모든 데이터를 삭제하시겠습니까?",
        "Kelvox가 변경되었습니다.\n변경 내용을 저장하시겠습니까?",
        "메인 대화 상자에 데이터를 반영하시겠습니까?",
        "WAV 파일 형식이 올바르지 않습니다.",
        "변경할 수 없습니다.",
    }},
    {{
        "CN",
        "发生内部错误。",
        "Kelvox 格式无效。",
        "一个句子超过了 100 字节。",
        "Kelvox 中没有可用的字符。",
        "扩展名不是“kvx”，或文件路径过长。",
        "无法打开文件。",
        "无法保存文件。",
        "该文件已存在。\n要替换现有文件吗？",
        "无法保证 Kelvox 正常播放。\n字符数与 Kelvox 中的字符数不一致。",
        "数据播放失败。",
        "超过了 Kelvox 的最大字节数。",
        "超过了 Kelvox 的最长播放时间。",
        "WAV 文件转换失败。",
        "转换为 Kelvox 失败。",
        "Kelvox 开头没有“音色”符号，将插入“音色”符号。",
        "要清除此对话框中的所有数据吗？",
        "Kelvox 已更改。\n要保存更改吗？",
        "要将数据应用到主对话框吗？",
        "",  // the Chinese block has no texts for 519 and 520
        "",
    }},
}};

MessagePresenter* g_presenter = nullptr;
std::string& ApplicationTitle() {
  static std::string title;
  return title;
}

}  // namespace

std::string_view MessageText(MessageLanguage language, unsigned id) {
  const int block = static_cast<int>(language);
  if (block < 0 || block >= static_cast<int>(kMessages.size())) return {};
  if (id < kFirstId || id > kLastId) return {};
  return kMessages[block][id - kFirstId];
}

uint32_t MessageBoxStyle(unsigned id) {
  switch (id) {
    case kMessageReplaceFile:
    case kMessageDiscardAll:
      return kBoxYesNo | kBoxIconQuestion;
    case kMessageCountDiffers:
    case kMessageVoiceInserted:
      return kBoxOk | kBoxIconWarning;
    case kMessageSaveChanges:
    case kMessageReflectToMain:
      return kBoxYesNoCancel | kBoxIconQuestion;
    default:
      return id > kFirstId && id <= kLastId ? kBoxOk | kBoxIconError : kBoxOk;
  }
}

void InstallMessagePresenter(MessagePresenter* presenter) { g_presenter = presenter; }

void SetApplicationTitle(std::string_view title_utf8) { ApplicationTitle().assign(title_utf8); }

int MessageReporter::SetOwner(void* owner, std::string caption_utf8) {
  owner_ = owner;
  caption_ = std::move(caption_utf8);
  return 0;
}

int MessageReporter::ShowMessage(unsigned id) const {
  const std::string_view text = MessageText(language_, id);
  if (text.empty() || g_presenter == nullptr) return kIdCancel;
  // The text is shown as it stands: no text of the table is a format string.
  const std::string_view caption = owner_ ? std::string_view(caption_) : ApplicationTitle();
  return g_presenter->Show(owner_, text, caption, MessageBoxStyle(id));
}

}  // namespace vtr::core
