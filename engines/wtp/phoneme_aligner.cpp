#include "engines/wtp/phoneme_aligner.h"

#include <algorithm>
#include <charconv>
#include <fstream>

#include "engines/wtp/phoneme_tables.h"
#include "platform/files.h"
#include "platform/process.h"

namespace vtr::wtp {
namespace {

constexpr double kFrameSec = 0.01;  // recogniser frame (sec)
constexpr double kStepSec = 0.02;   // segment step (sec)
constexpr double kStepRounding = 0.0001;

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// "[  14   20]  -1.5  a:" -> {14, 20}; brackets may be glued to the numbers.
bool ReadFrameLine(std::string_view line, FrameSpan& span) {
  line = Trim(line);
  if (line.empty() || line.front() != '[') return false;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  std::string_view inside = line.substr(1, close - 1);
  int values[2];
  for (int& value : values) {
    inside = Trim(inside);
    const auto [end, error] = std::from_chars(inside.data(), inside.data() + inside.size(), value);
    if (error != std::errc()) return false;
    inside.remove_prefix(static_cast<size_t>(end - inside.data()));
  }
  if (!Trim(inside).empty() || values[0] < 0 || values[1] < values[0]) return false;
  span = {values[0], values[1]};
  return true;
}

uint32_t StepOf(double seconds) {
  return static_cast<uint32_t>(seconds / kStepSec + kStepRounding);
}

bool WriteFile(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

// Reads the whole file into `text`; false when it cannot be read or holds more than `limit`
// bytes (nothing beyond limit + 1 bytes is read).
bool ReadBounded(const std::filesystem::path& file, size_t limit, std::string& text) {
  if (!platform::IsRegularFile(file)) return false;
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) return false;
  // Room for what the file holds, not for the limit: memory that is never read is not touched.
  const std::streamoff size = in.tellg();
  in.seekg(0);
  if (size < 0 || !in) return false;
  text.resize(std::min(static_cast<size_t>(size), limit) + 1);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  if (in.bad()) return false;
  text.resize(static_cast<size_t>(in.gcount()));
  return text.size() <= limit;
}

}  // namespace

bool ParseRecogniserOutput(std::string_view text, size_t phoneme_count,
                           std::vector<FrameSpan>& frames) {
  frames.clear();
  if (phoneme_count == 0 || phoneme_count > kMaxAlignedPhonemes) return false;
  bool in_section = false;
  bool section_seen = false;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (!in_section) {
      // The marker may carry a prefix ("ALIGN: " and the like) before it.
      const std::string_view trimmed = Trim(line);
      if (!section_seen && trimmed.size() >= kAlignmentMarker.size() &&
          trimmed.substr(trimmed.size() - kAlignmentMarker.size()) == kAlignmentMarker) {
        in_section = true;
        section_seen = true;
      }
      continue;
    }
    if (line.front() == 'r') break;
    FrameSpan span;
    const std::string_view content = Trim(line);
    if (!content.empty() && content.front() == '[') {
      if (!ReadFrameLine(line, span)) return false;
      if (frames.size() == phoneme_count) return false;
      frames.push_back(span);
    }
  }
  return section_seen && frames.size() == phoneme_count;
}

PhonemeAligner::PhonemeAligner(const std::filesystem::path& folder, int flags)
    : folder_(std::filesystem::absolute(folder)), flags_(flags) {}

PhonemeAligner::~PhonemeAligner() = default;

void PhonemeAligner::FreeLists() {
  phonemes_.clear();
  syllables_.clear();
  text_.clear();
}

int PhonemeAligner::SetText(std::string_view text) {
  FreeLists();
  if (flags_ != 0) return -1;
  if (text.empty()) return -2;
  bool skipped = false;
  // Filter: framed by spaces, only alphabet characters, runs of spaces collapsed.
  if (text.front() != ' ') text_.push_back(' ');
  for (char c : text) {
    if (!IsPhonemeAlphabet(c)) {
      skipped = true;
      continue;
    }
    if (c == ' ' && !text_.empty() && text_.back() == ' ') continue;
    text_.push_back(c);
  }
  // The closing space also collapses into a kept one, so a skipped last character adds no
  // second pause.
  if (text.back() != ' ' && text_.back() != ' ') text_.push_back(' ');

  std::string_view rest = text_;
  while (!rest.empty()) {
    const std::string_view symbol = MatchSyllable(rest);
    if (symbol.empty()) {
      skipped = true;
      rest.remove_prefix(1);
      continue;
    }
    rest.remove_prefix(symbol.size());
    const int32_t index = static_cast<int32_t>(syllables_.size());
    SegmentRecord syllable = MakeSegmentRecord(symbol);
    syllable.link = index;
    syllable.firstPhoneme = static_cast<int32_t>(phonemes_.size());
    std::string_view parts = symbol;
    while (!parts.empty()) {
      const std::string_view phoneme = MatchPhoneme(parts);
      parts.remove_prefix(phoneme.size());  // every syllable symbol splits into phonemes
      SegmentRecord record = MakeSegmentRecord(phoneme);
      record.link = index;
      phonemes_.push_back(record);
    }
    syllable.lastPhoneme = static_cast<int32_t>(phonemes_.size()) - 1;
    syllables_.push_back(syllable);
  }
  if (phonemes_.size() <= 2 || syllables_.size() <= 2) {
    FreeLists();
    return -5;
  }
  return skipped ? 1 : 0;
}

std::vector<std::string> PhonemeAligner::Phones() const {
  std::vector<std::string> phones;
  for (size_t i = 0; i < phonemes_.size(); ++i) {
    const bool before_a = i + 1 < phonemes_.size() && SegmentName(phonemes_[i + 1]) == "a";
    phones.emplace_back(PhoneOf(SegmentName(phonemes_[i]), before_a));
  }
  return phones;
}

// w_0 = "<s>", w_i = phone_i + (i - 1), w_(N-1) = "</s>".
std::vector<std::string> PhonemeAligner::WordNames() const {
  const std::vector<std::string> phones = Phones();
  std::vector<std::string> words;
  const size_t n = phones.size();
  for (size_t i = 0; i < n; ++i) {
    if (i == 0) {
      words.emplace_back("<s>");
    } else if (i + 1 == n) {
      words.emplace_back("</s>");
    } else {
      words.push_back(phones[i] + std::to_string(i - 1));
    }
  }
  return words;
}

std::string PhonemeAligner::DictionaryText() const {
  const std::vector<std::string> phones = Phones();
  const std::vector<std::string> words = WordNames();
  std::string out = "<s> [silB] silB\n</s> [silE] silE\n";
  for (size_t i = 1; i + 1 < words.size(); ++i) {
    out += words[i] + " [" + phones[i] + "] " + phones[i] + "\n";
  }
  return out;
}

std::string PhonemeAligner::BigramText() const {
  const std::vector<std::string> w = WordNames();
  const size_t n = w.size();
  std::string out = "\\data\\\nngram 1=" + std::to_string(n) +
                    "\nngram 2=" + std::to_string(n - 1) +
                    "\n\n\\1-grams:\n0.0 <s> -99.0\n0.0 </s> -99.0\n";
  for (size_t i = 1; i + 1 < n; ++i) out += "0.0 " + w[i] + " -99.0\n";
  out += "\n\\2-grams:\n";
  for (size_t i = 0; i + 1 < n; ++i) out += "0.0 " + w[i] + " " + w[i + 1] + "\n";
  out += "\n\\end\\\n";
  return out;
}

std::string PhonemeAligner::TrigramText() const {
  const std::vector<std::string> w = WordNames();
  const size_t n = w.size();
  std::string out = "\\data\\\nngram 1=" + std::to_string(n) +
                    "\nngram 2=" + std::to_string(n - 1) + "\nngram 3=" + std::to_string(n - 2) +
                    "\n\n\\1-grams:\n0.0 <s> -99.0\n0.0 </s> -99.0\n";
  for (size_t i = 1; i + 1 < n; ++i) out += "0.0 " + w[i] + " -99.0\n";
  out += "\n\\2-grams:\n";
  for (size_t i = n - 1; i >= 1; --i) out += "0.0 " + w[i] + " " + w[i - 1] + " -99.0\n";
  out += "\n\\3-grams:\n";
  for (size_t i = n - 2; i >= 1; --i) out += "0.0 " + w[i + 1] + " " + w[i] + " " + w[i - 1] + "\n";
  out += "\n\\end\\\n";
  return out;
}

std::vector<std::string> PhonemeAligner::RecogniserArguments() const {
  // The model stays in the recogniser folder; everything else is in the run's scratch folder,
  // where the recogniser runs.
  return {"-lv",     "1",
          "-b",      std::to_string(3 * phonemes_.size() + 100),
          "-h",      (folder_ / kAcousticModel).string(),
          "-nlr",    std::string(kTempBigram),
          "-nrl",    std::string(kTempTrigram),
          "-v",      std::string(kTempDictionary),
          "-palign", "-input",
          "rawfile", "-palign"};
}

std::string PhonemeAligner::BatchLine() const {
  return "echo " + std::string(kTempWave) + " | \"julius.exe\" -lv 1  -b " +
         std::to_string(3 * phonemes_.size() + 100) + " -h " + std::string(kAcousticModel) +
         " -nlr " + std::string(kTempBigram) + " -nrl " + std::string(kTempTrigram) + " -v " +
         std::string(kTempDictionary) + " -palign -input rawfile -palign 2>&0 > \"" +
         std::string(kTempOutput) + "\"";
}

int PhonemeAligner::ReadAlignment(std::string_view output, size_t frame_count) {
  std::vector<FrameSpan> frames;
  bool fits = ParseRecogniserOutput(output, phonemes_.size(), frames);
  // Every frame lies inside the recording (which also keeps end + 1 far from overflowing).
  for (const FrameSpan& span : frames) fits = fits && static_cast<size_t>(span.end) < frame_count;
  if (!fits) {
    FreeLists();
    return -1;
  }
  for (size_t k = 0; k < phonemes_.size(); ++k) {
    SegmentRecord& p = phonemes_[k];
    const double start_sec = frames[k].start * kFrameSec;
    const double end_sec = (static_cast<double>(frames[k].end) + 1) * kFrameSec;
    p.startSec = static_cast<float>(start_sec);
    p.endSec = static_cast<float>(end_sec);
    p.startStep = k == 0 ? StepOf(start_sec) : phonemes_[k - 1].endStep;
    p.endStep = StepOf(end_sec);
    if (p.endStep <= p.startStep) p.endStep = p.startStep + 1;
  }
  // Syllables from the runs of equal links.
  for (SegmentRecord& s : syllables_) {
    const SegmentRecord& first = phonemes_[static_cast<size_t>(s.firstPhoneme)];
    const SegmentRecord& last = phonemes_[static_cast<size_t>(s.lastPhoneme)];
    s.startSec = first.startSec;
    s.startStep = first.startStep;
    s.endSec = last.endSec;
    s.endStep = last.endStep;
  }
  return 0;
}

int PhonemeAligner::Align(WaveBuffer& wave) {
  const int prepared = Prepare(wave);
  return prepared != 0 ? prepared : RunRecogniser();
}

int PhonemeAligner::Start(const WaveBuffer& wave) {
  frame_count_ = 0;
  RemoveTempFiles();
  // A FIFO or a device under these names is never opened.
  if (!platform::IsRegularFile(folder_ / kAcousticModel)) return -7;
  if (!platform::IsRegularFile(folder_ / kRecogniserProgram)) return -6;
  if (wave.count() == 0 || text_.empty() || phonemes_.empty() || syllables_.empty() ||
      flags_ != 0) {
    return -1;
  }
  // A failure from here on is reported by Prepare, once it has settled the recording as it
  // would have without the failure.
  started_ = true;
  // The recogniser's supervisor guards the scratch folder: it stands before anything is
  // written there, and removes the folder should the process die during the run.
  scratch_ = std::make_unique<platform::ScratchFolder>(kScratchPrefix, /*guarded=*/false);
  if (!scratch_->ok()) {
    written_ = false;
    return 0;
  }
  const std::filesystem::path& scratch = scratch_->path();
  // The program runs in the scratch folder with the batch line's arguments (the model named by
  // its full path), the wave's name on its standard input once the wave is written, and its
  // standard output in "tmp.txt".
  platform::ProcessSpec spec;
  spec.program = folder_ / kRecogniserProgram;
  spec.args = RecogniserArguments();
  spec.working_folder = scratch;
  spec.stdout_file = scratch / kTempOutput;
  spec.end_leftovers = true;
  spec.max_file_bytes = kMaxRecogniserOutput + 1;  // one byte more tells an output too long
  spec.guarded_folder = scratch;
  run_ = std::make_unique<platform::StartedProcess>(spec);
  written_ = WriteFile(scratch / kTempDictionary, DictionaryText());
  written_ = WriteFile(scratch / kTempBigram, BigramText()) && written_;
  written_ = WriteFile(scratch / kTempTrigram, TrigramText()) && written_;
  written_ = WriteFile(scratch / kTempBatch, BatchLine()) && written_;
  if (written_) run_->Start();
  return 0;
}

int PhonemeAligner::Prepare(WaveBuffer& wave) {
  if (!started_) {
    const int started = Start(wave);
    if (started != 0) return started;
  }
  started_ = false;
  WaveBuffer copy;
  WaveBuffer* aligned = &wave;
  if (wave.rate() != kAlignRate) {
    if (wave.ResampleTo(copy, kAlignRate) != WaveResult::kOk) {
      RemoveTempFiles();
      return -1;
    }
    aligned = &copy;
  }
  // No sample of value 0 reaches the recogniser.
  for (int16_t& sample : aligned->mutable_samples()) {
    if (sample == 0) sample = 1;
  }
  if (!written_ || aligned->WriteWave(scratch_->path() / kTempWave) != WaveResult::kOk) {
    FreeLists();
    RemoveTempFiles();
    return -1;
  }
  // A recogniser that has gone is found out by RunRecogniser.
  (void)run_->Feed(std::string(kTempWave) + "\n");
  frame_count_ = (aligned->count() + kFrameSamples - 1) / kFrameSamples;
  return 0;
}

int PhonemeAligner::RunRecogniser() {
  if (frame_count_ == 0 || !run_) return -1;
  const size_t frame_count = frame_count_;
  frame_count_ = 0;
  const int result = Run(frame_count);
  if (result != 0) FreeLists();
  RemoveTempFiles();
  return result;
}

void PhonemeAligner::RemoveTempFiles() {
  // The recogniser ends first, and its supervisor guards the folder until it is gone.
  if (run_) (void)run_->Wait(std::chrono::milliseconds(0));
  scratch_.reset();
  run_.reset();
  started_ = false;
}

int PhonemeAligner::Run(size_t frame_count) {
  // The wait ends when the recogniser exits or at the time-out.
  if (!run_->Wait(timeout_).ok()) return -1;
  std::string output;
  if (!ReadBounded(scratch_->path() / kTempOutput, kMaxRecogniserOutput, output)) return -1;
  return ReadAlignment(output, frame_count);
}

}  // namespace vtr::wtp
