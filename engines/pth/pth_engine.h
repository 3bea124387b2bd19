// The state behind the Vtr_pth exports: one pitch sequence parsed into note records, an
// optional duration window, and the script generator run on request.
//
// Lifecycle: closed -> Initialize -> open -> SetPSeq -> parsed -> (SetDuration) -> GetKVX
// (repeatable) -> Terminate -> closed. A failing SetPSeq leaves the engine open with nothing
// parsed. SetPSeq switches the window off, so a window must be set after the stream.
//
//   // given: std::vector<unsigned char> pseq
//   PthEngine engine;
//   (void)engine.Initialize(20, 0);
//   (void)engine.SetPSeq(pseq.data(), static_cast<int>(pseq.size()), /*sing_mode=*/0);
//   std::vector<char> script(0x100000);
//   int length = engine.GetKVX(script.data(), static_cast<int>(script.size()));
//   (void)engine.Terminate();
#ifndef VTR_ENGINES_PTH_PTH_ENGINE_H_
#define VTR_ENGINES_PTH_PTH_ENGINE_H_

#include <cstdint>
#include <memory>
#include <vector>

#include "engines/pth/kvx_generator.h"
#include "engines/pth/note_record.h"
#include "engines/pth/pseq_parser.h"

namespace vtr::pth {

// Negative results of the engine's own checks (the parser and generator add theirs).
enum class EngineError : int32_t {
  kNotOpen = -1,      // Terminate, SetPSeq, GetKVX on a closed engine
  kAlreadyOpen = -1,  // Initialize on an open engine
  kBadArgument =
      -2,  // Initialize: step not 20 or flags' low byte set; bad SetPSeq/GetKVX arguments
  kNothingParsed = -6,  // GetKVX before a successful SetPSeq
};

class PthEngine {
 public:
  // 0, or -1 when already open, -2 unless step_ms is 20 and the low byte of flags is 0.
  [[nodiscard]] int Initialize(int step_ms, int flags);
  // 0, or -1 when not open.
  [[nodiscard]] int Terminate();
  // 0 or 1 (values dropped), or -1 not open, -2 bad arguments, -5 invalid stream.
  [[nodiscard]] int SetPSeq(const unsigned char* pseq, int length, int sing_mode);
  // Always 0: the window [start_step, end_step) is switched on, also on a closed engine.
  [[nodiscard]] int SetDuration(int start_step, int end_step);
  // The script length [bytes], or -1 not open, -2 no buffer or length 0, -3 too small,
  // -6 nothing parsed.
  [[nodiscard]] int GetKVX(char* buffer, int buffer_length);

  bool open() const { return open_; }
  bool window_on() const { return window_on_; }

 private:
  void Forget();

  bool open_ = false;
  int flags_ = 0;
  int step_ms_ = kStepMs;
  int sing_mode_ = 0;
  const std::vector<NoteRecord>* records_ = nullptr;
  const NoteStatistics* statistics_ = nullptr;
  std::unique_ptr<PSeqParser> parser_;
  std::unique_ptr<KvxGenerator> generator_;
  int window_start_ = 0;
  int window_end_ = 0;
  bool window_on_ = false;
};

}  // namespace vtr::pth

#endif  // VTR_ENGINES_PTH_PTH_ENGINE_H_
