// The text side of the script generator: the "KV#J" text being built, the settings that the
// text has put in force so far, the 96-byte line rule and the play time written.
//
// A piece of text is rendered from a copy of the state (so that tokens equal to the value in
// force are left out) and then committed. When a piece does not fit behind the current line,
// the line is closed with "S59," first: that comma is a sentence end, after which a player
// starts the pitch and volume offsets from 0 again and plays on at speed 59, so the piece is
// rendered again from that state.
//
// Play time follows the script language: a syllable or long mark of default length L steps
// lasts L + 50 - S steps at speed S, a space 60 - S, "," 60 - S and "." twice that, each at
// least one step.
#ifndef VTR_ENGINES_PTH_INTERNAL_SCRIPT_WRITER_H_
#define VTR_ENGINES_PTH_INTERNAL_SCRIPT_WRITER_H_

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace vtr::pth::internal {

// A sentence is at most 100 bytes; the line break token takes the last 4 of them.
inline constexpr int kLineLimit = 96;
inline constexpr std::string_view kLineBreak = "S59,";
inline constexpr int kLineBreakSpeed = 59;
inline constexpr int kStartSpeed = 50;
inline constexpr int kStartLevel = 12;  // pitch-bend range of "W3" [semitones]
inline constexpr int kStartVolume = 4;  // "V4"
inline constexpr int kStartOctave = 2;

// Shift-JIS texts of the sounds the generator writes.
inline constexpr std::string_view kFullWidthSpace = "\x81\x40";
inline constexpr std::string_view kLongMark = "\x81\x5b";

struct WriterState {
  int speed = kStartSpeed;    // value of the last speed token
  int level = kStartLevel;    // range of the last W token [semitones]
  int volume = kStartVolume;  // level of the last V token (1..5)
  int line_length = 0;        // bytes since the last sentence end
  int pitch_offset = 0;       // running pitch marks since the last sentence end [marks]
  int volume_offset = 0;      // running volume marks since the last sentence end [marks]
  int name = -1;              // index of the last note name (0..11), -1 before the first
  int octave = kStartOctave;  // digit of the last note name
  long long steps = 0;        // play time written so far [steps]
};

// Duration of a sound of default length `length_steps` at `speed` [steps].
[[nodiscard]] int SoundSteps(int length_steps, int speed);
// Duration of a space or a "," at `speed` [steps] ("." lasts twice as long).
[[nodiscard]] int RestSteps(int speed);
// "S" and the speed when it differs from the state's; the state takes it over.
[[nodiscard]] std::string SpeedToken(WriterState& state, int speed);

class ScriptWriter {
 public:
  enum class Status { kOk, kTooSmall, kTooLongForALine };

  // `capacity`: bytes of text the caller's buffer can take [bytes].
  explicit ScriptWriter(size_t capacity) : capacity_(capacity) {}

  const WriterState& state() const { return state_; }
  const std::string& text() const { return text_; }
  size_t room() const { return capacity_ - text_.size(); }

  // Appends bytes that belong to no line (the header). kTooSmall when they do not fit.
  [[nodiscard]] Status AppendRaw(std::string_view bytes);

  // Renders a piece from a copy of the state and appends it to the current line; when it would
  // make the line longer than kLineLimit, closes the line with "S59," and renders it again.
  // kTooLongForALine (nothing written) when the piece exceeds a line even on a fresh one.
  [[nodiscard]] Status WriteOnLine(const std::function<std::string(WriterState&)>& render);

  // Appends a piece that ends sentences itself (rest marks); no line rule. The renderer keeps
  // the line length and offsets of the state right.
  [[nodiscard]] Status WriteSentenceEnds(const std::function<std::string(WriterState&)>& render);

  // The state a fresh line would start from after a line break now.
  [[nodiscard]] WriterState StateAfterBreak() const;

 private:
  size_t capacity_;
  std::string text_;
  WriterState state_;
};

}  // namespace vtr::pth::internal

#endif  // VTR_ENGINES_PTH_INTERNAL_SCRIPT_WRITER_H_
