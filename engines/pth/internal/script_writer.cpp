#include "engines/pth/internal/script_writer.h"

#include <algorithm>

namespace vtr::pth::internal {

int SoundSteps(int length_steps, int speed) { return std::max(1, length_steps + 50 - speed); }

int RestSteps(int speed) { return std::max(1, 60 - speed); }

std::string SpeedToken(WriterState& state, int speed) {
  if (speed == state.speed) return {};
  state.speed = speed;
  return "S" + std::to_string(speed);
}

ScriptWriter::Status ScriptWriter::AppendRaw(std::string_view bytes) {
  if (bytes.size() > room()) return Status::kTooSmall;
  text_.append(bytes);
  return Status::kOk;
}

WriterState ScriptWriter::StateAfterBreak() const {
  WriterState next = state_;
  next.speed = kLineBreakSpeed;
  next.line_length = 0;
  next.pitch_offset = 0;
  next.volume_offset = 0;
  next.steps += RestSteps(kLineBreakSpeed);  // the comma rests too: one step
  return next;
}

ScriptWriter::Status ScriptWriter::WriteOnLine(
    const std::function<std::string(WriterState&)>& render) {
  WriterState same_line = state_;
  std::string piece = render(same_line);
  if (state_.line_length + static_cast<int>(piece.size()) <= kLineLimit) {
    if (piece.size() > room()) return Status::kTooSmall;
    text_ += piece;
    same_line.line_length = state_.line_length + static_cast<int>(piece.size());
    state_ = same_line;
    return Status::kOk;
  }
  WriterState fresh = StateAfterBreak();
  piece = render(fresh);
  if (static_cast<int>(piece.size()) > kLineLimit) return Status::kTooLongForALine;
  if (kLineBreak.size() + piece.size() > room()) return Status::kTooSmall;
  text_ += kLineBreak;
  text_ += piece;
  fresh.line_length = static_cast<int>(piece.size());
  state_ = fresh;
  return Status::kOk;
}

ScriptWriter::Status ScriptWriter::WriteSentenceEnds(
    const std::function<std::string(WriterState&)>& render) {
  WriterState next = state_;
  const std::string piece = render(next);
  if (piece.size() > room()) return Status::kTooSmall;
  text_ += piece;
  state_ = next;
  return Status::kOk;
}

}  // namespace vtr::pth::internal
