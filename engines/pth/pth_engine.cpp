#include "engines/pth/pth_engine.h"

namespace vtr::pth {

void PthEngine::Forget() {
  records_ = nullptr;
  statistics_ = nullptr;
  parser_.reset();
  generator_.reset();
}

int PthEngine::Initialize(int step_ms, int flags) {
  if (open_) return static_cast<int>(EngineError::kAlreadyOpen);
  if (step_ms != kStepMs || (flags & 0xFF) != 0) return static_cast<int>(EngineError::kBadArgument);
  step_ms_ = kStepMs;
  flags_ = 0;
  Forget();
  open_ = true;
  return 0;
}

int PthEngine::Terminate() {
  if (!open_) return static_cast<int>(EngineError::kNotOpen);
  Forget();
  open_ = false;
  return 0;
}

int PthEngine::SetPSeq(const unsigned char* pseq, int length, int sing_mode) {
  window_on_ = false;
  window_start_ = 0;
  window_end_ = 0;
  if (!open_) return static_cast<int>(EngineError::kNotOpen);
  if (pseq == nullptr || length <= 0 || (sing_mode & 0xFF) > 1)
    return static_cast<int>(EngineError::kBadArgument);
  sing_mode_ = sing_mode & 0xFF;
  records_ = nullptr;
  statistics_ = nullptr;
  parser_ = std::make_unique<PSeqParser>(flags_);
  const int result = parser_->Parse(pseq, length, sing_mode_);
  if (result < 0) return result;
  if (!parser_->parsed() || parser_->records().empty())
    return static_cast<int>(ParseResult::kInvalid);
  records_ = &parser_->records();
  statistics_ = &parser_->statistics();
  return result;
}

int PthEngine::SetDuration(int start_step, int end_step) {
  window_start_ = start_step;
  window_end_ = end_step;
  window_on_ = true;
  return 0;
}

int PthEngine::GetKVX(char* buffer, int buffer_length) {
  if (!open_) return static_cast<int>(EngineError::kNotOpen);
  if (buffer == nullptr || buffer_length <= 0) return static_cast<int>(EngineError::kBadArgument);
  if (parser_ == nullptr || parser_->records().empty())
    return static_cast<int>(EngineError::kNothingParsed);
  generator_ = std::make_unique<KvxGenerator>(step_ms_, flags_);
  if (records_ == nullptr || statistics_ == nullptr)
    return static_cast<int>(EngineError::kNothingParsed);
  return generator_->Generate(buffer, buffer_length, *records_, statistics_, sing_mode_,
                              window_on_ ? 1 : 0, window_start_, window_end_);
}

}  // namespace vtr::pth
