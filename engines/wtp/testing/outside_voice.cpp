#include "engines/wtp/testing/outside_voice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string_view>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/phoneme_tables.h"
#include "engines/wtp/testing/spectral_boundary.h"
#include "platform/module.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace vtr::wtp::testing {
namespace {

// The library does not free all it allocates before it ends (a few kilobytes each time it is
// loaded), and once it is unloaded the leak checker of the sanitizer build cannot tell its
// blocks from ours: while it runs, what it allocates is left out of the check.
class LibraryAllocations {
 public:
  LibraryAllocations() {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_disable();
#endif
  }
  ~LibraryAllocations() {
#if defined(__SANITIZE_ADDRESS__)
    __lsan_enable();
#endif
  }
  LibraryAllocations(const LibraryAllocations&) = delete;
  LibraryAllocations& operator=(const LibraryAllocations&) = delete;
};

// The library's C interface, as its public header declares it (version 1.51).
constexpr int kOutputSynchronous = 2;
constexpr int kInitialisePhonemeEvents = 0x0001;
constexpr int kPositionCharacter = 1;
constexpr unsigned kCharsUtf8 = 1;
constexpr int kParameterRate = 1;
constexpr int kEventListTerminated = 0;
constexpr int kEventPhoneme = 7;

struct Event {
  int type;
  unsigned int unique_identifier;
  int text_position;
  int length;
  int audio_position;  // [ms]
  int sample;          // [samples] from the start of the output
  void* user_data;
  union {
    int number;
    const char* name;
    char string[8];  // a phoneme's name, not terminated when it fills all 8
  } id;
};
using Callback = int(short*, int, Event*);
using InitializeFunction = int(int, int, const char*, int);
using SetCallbackFunction = void(Callback*);
using SetVoiceFunction = int(const char*);
using SetParameterFunction = int(int, int, int);
using SynthFunction = int(const void*, size_t, unsigned, int, unsigned, unsigned, unsigned*, void*);
using SynchronizeFunction = int();
using TerminateFunction = int();

// A voiceless stop's closure: the quiet run before its event, louder than this below the
// output's peak ends it.
constexpr double kClosureBelowPeakDb = 40;
constexpr double kShortestClosureSec = 0.005;
constexpr double kLongestClosureSec = 0.15;
constexpr double kLeadSec = 0.25;  // digital silence before and after the speech
constexpr double kTailSec = 0.3;

struct Heard {
  std::vector<short> samples;
  std::vector<std::pair<std::string, int>> phonemes;  // name, first sample
};

// The utterance being spoken: the library's state is global, and a block of samples may come
// without an event that would carry the caller's pointer.
Heard* g_heard = nullptr;

int Collect(short* wave, int count, Event* events) {
  if (g_heard == nullptr) return 0;
  for (Event* e = events; e != nullptr && e->type != kEventListTerminated; ++e) {
    if (e->type == kEventPhoneme)
      g_heard->phonemes.emplace_back(std::string(e->id.string, strnlen(e->id.string, 8)),
                                     e->sample);
  }
  if (wave != nullptr && count > 0)
    g_heard->samples.insert(g_heard->samples.end(), wave, wave + count);
  return 0;
}

bool IsOutsidePause(std::string_view p) { return !p.empty() && p[0] == '_' && p != "_j"; }

bool IsVowelSymbol(std::string_view s) {
  return s.size() == 1 && std::string_view("aiMeo").find(s[0]) != std::string_view::npos;
}

// The sounds after which the library's vowel events lie where the vowel sounds fully, after
// the change of the spectrum: nasals, r, the glides and other vowels.
bool TurnsIntoTheVowel(std::string_view before, std::string_view vowel) {
  if (IsVowelSymbol(before)) return before != vowel;  // the same twice is one long vowel
  if (before.empty()) return false;
  return before == "N\\" || before == "j" || before == "w" ||
         std::string_view("nmNJ4").find(before[0]) != std::string_view::npos;
}

bool IsVoicelessStop(std::string_view s) {
  return s == "k" || s == "k'" || s == "t" || s == "t'" || s == "p" || s == "p'" || s == "ts" ||
         s == "tS";
}

// Whether the library's phoneme `outside` may stand for the aligner's phoneme `symbol`.
bool SoundsAlike(std::string_view outside, std::string_view symbol) {
  if (!outside.empty() && outside.back() == ':') outside.remove_suffix(1);
  if (!outside.empty() && outside.back() == '~') return symbol == "N\\";  // a nasal vowel: ん
  struct Pair {
    std::string_view outside;
    std::string_view symbols;  // space-separated
  };
  static constexpr Pair kPairs[] = {
      {"a", "a"},    {"i", "i"},          {"u", "M"},    {"e", "e"},        {"o", "o"},
      {"k", "k k'"}, {"g", "g g'"},       {"t", "t t'"}, {"d", "d d'"},     {"p", "p p'"},
      {"b", "b b'"}, {"s", "s"},          {"s\\", "S"},  {"z", "z dz"},     {"z\\", "Z dZ"},
      {"d_z", "dz"}, {"d_z\\", "dZ"},     {"t_s", "ts"}, {"t_s\\", "tS"},   {"h", "h"},
      {"C", "C"},    {"p\\", "p\\ p\\'"}, {"j", "j"},    {"w", "w"},        {"r`", "4 4'"},
      {"r", "4 4'"}, {"n", "n J N\\"},    {"J", "J"},    {"m", "m m' N\\"}, {"N", "N\\"},
  };
  for (const Pair& p : kPairs) {
    if (p.outside != outside) continue;
    std::string_view rest = p.symbols;
    while (!rest.empty()) {
      const size_t space = rest.find(' ');
      if (rest.substr(0, space) == symbol) return true;
      rest.remove_prefix(space == std::string_view::npos ? rest.size() : space + 1);
    }
  }
  return false;
}

// The geminate's pause (っ) is the first of the library's two stops or fricatives.
bool IsGeminateOf(std::string_view outside) {
  return outside == "k" || outside == "t" || outside == "p" || outside == "s" || outside == "s\\" ||
         outside == "t_s" || outside == "t_s\\";
}

}  // namespace

struct OutsideVoice::Library {
  platform::Module module;
  InitializeFunction* initialize = nullptr;
  SetCallbackFunction* set_callback = nullptr;
  SetVoiceFunction* set_voice = nullptr;
  SetParameterFunction* set_parameter = nullptr;
  SynthFunction* synth = nullptr;
  SynchronizeFunction* synchronize = nullptr;
  TerminateFunction* terminate = nullptr;
  int rate = 0;  // once started

  ~Library() {
    if (rate > 0) terminate();
  }
};

std::unique_ptr<OutsideVoice::Library> OutsideVoice::Open(std::string* error) {
  const LibraryAllocations unchecked;
  auto library = std::make_unique<Library>();
  if (!library->module.LoadFile("libespeak-ng.so.1")) {
    *error = library->module.error();
    return nullptr;
  }
  library->initialize = library->module.Find<InitializeFunction>("espeak_Initialize");
  library->set_callback = library->module.Find<SetCallbackFunction>("espeak_SetSynthCallback");
  library->set_voice = library->module.Find<SetVoiceFunction>("espeak_SetVoiceByName");
  library->set_parameter = library->module.Find<SetParameterFunction>("espeak_SetParameter");
  library->synth = library->module.Find<SynthFunction>("espeak_Synth");
  library->synchronize = library->module.Find<SynchronizeFunction>("espeak_Synchronize");
  library->terminate = library->module.Find<TerminateFunction>("espeak_Terminate");
  if (!library->initialize || !library->set_callback || !library->set_voice ||
      !library->set_parameter || !library->synth || !library->synchronize || !library->terminate) {
    *error = library->module.error();
    return nullptr;
  }
  library->rate = library->initialize(kOutputSynchronous, 100, nullptr, kInitialisePhonemeEvents);
  if (library->rate <= 0) {
    library->rate = 0;
    *error = "the speech library did not start";
    return nullptr;
  }
  library->set_callback(&Collect);
  return library;
}

std::unique_ptr<OutsideVoice> OutsideVoice::Load(std::string* error) {
  std::unique_ptr<Library> library = Open(error);
  if (!library) return nullptr;
  return std::unique_ptr<OutsideVoice>(new OutsideVoice(std::move(library)));
}

OutsideVoice::OutsideVoice(std::unique_ptr<Library> library) : library_(std::move(library)) {}

OutsideVoice::~OutsideVoice() {
  const LibraryAllocations unchecked;
  library_.reset();
}

std::optional<SynthSpeech> OutsideVoice::Speak(const SpokenSentence& sentence,
                                               const std::string& voice, int words_per_minute,
                                               std::vector<size_t>* word_starts,
                                               std::string* error) {
  std::string kana, text;
  for (const SpokenWord& w : sentence) {
    if (!kana.empty() && *w.symbols != '\0') kana += ' ';
    kana += w.kana;
    text += w.symbols;
  }
  // The library keeps state from one utterance to the next (its output depends on what it
  // spoke before, and it does not start again once ended), and its breath noise comes from
  // the C library's random numbers: loaded afresh, with those numbers started from the same
  // seed, every utterance sounds the same whatever was spoken before it.
  Heard heard;
  bool spoken = false;
  {
    const LibraryAllocations unchecked;
    library_.reset();
    library_ = Open(error);
    if (!library_) return std::nullopt;
    std::srand(1);
    if (library_->set_voice(voice.c_str()) != 0) {
      *error = "no voice " + voice;
      return std::nullopt;
    }
    library_->set_parameter(kParameterRate, words_per_minute, 0);
    g_heard = &heard;
    spoken = library_->synth(kana.c_str(), kana.size() + 1, 0, kPositionCharacter, 0, kCharsUtf8,
                             nullptr, nullptr) == 0 &&
             library_->synchronize() == 0;
    g_heard = nullptr;
  }
  if (!spoken || heard.samples.empty() || heard.phonemes.empty()) {
    *error = "the library spoke nothing of '" + kana + "'";
    return std::nullopt;
  }
  const int rate = library_->rate;
  const int total = static_cast<int>(heard.samples.size());

  // The aligner's phonemes of the text, without the pauses at both ends.
  PhonemeAligner aligner(".");
  if (aligner.SetText(text) != 0) {
    *error = "the aligner does not take '" + text + "'";
    return std::nullopt;
  }
  std::vector<std::string> symbols;
  for (size_t i = 1; i + 1 < aligner.phonemes().size(); ++i)
    symbols.emplace_back(SegmentName(aligner.phonemes()[i]));

  // Match the library's phonemes to the text's: a pause or a palatal mark of the library stands
  // for nothing, a long vowel's second half has no phoneme of the library.
  const auto& out = heard.phonemes;
  const size_t n = out.size(), m = symbols.size();
  constexpr double kNo = std::numeric_limits<double>::infinity();
  std::vector<std::vector<double>> cost(n + 1, std::vector<double>(m + 1, kNo));
  std::vector<std::vector<int>> move(n + 1, std::vector<int>(m + 1, -1));
  cost[0][0] = 0;
  for (size_t i = 0; i <= n; ++i) {
    for (size_t j = 0; j <= m; ++j) {
      const double here = cost[i][j];
      if (here == kNo) continue;
      if (i < n && j < m) {
        double c = kNo;
        if (SoundsAlike(out[i].first, symbols[j])) c = 0;
        if (symbols[j] == " " && IsGeminateOf(out[i].first)) c = 0.3;
        if (here + c < cost[i + 1][j + 1]) {
          cost[i + 1][j + 1] = here + c;
          move[i + 1][j + 1] = 0;
        }
      }
      if (i < n) {
        const double c = IsOutsidePause(out[i].first) || out[i].first == "_j" ? 0 : 3;
        if (here + c < cost[i + 1][j]) {
          cost[i + 1][j] = here + c;
          move[i + 1][j] = 1;
        }
      }
      if (j < m) {
        const bool second_half = j > 0 && IsVowelSymbol(symbols[j]) && symbols[j] == symbols[j - 1];
        const double c = second_half ? 0.5 : kNo;
        if (here + c < cost[i][j + 1]) {
          cost[i][j + 1] = here + c;
          move[i][j + 1] = 2;
        }
      }
    }
  }
  if (cost[n][m] == kNo || cost[n][m] >= 3) {
    std::string heard_names;
    for (const auto& [name, sample] : out) heard_names += name + " ";
    *error = "the phonemes heard (" + heard_names + ") are not those of '" + text + "'";
    return std::nullopt;
  }
  std::vector<int> match(n, -1);       // text phoneme of each heard one
  std::vector<bool> halved(m, false);  // text phonemes that are a long vowel's second half
  for (size_t i = n, j = m; i > 0 || j > 0;) {
    const int step = move[i][j];
    if (step == 0) {
      match[--i] = static_cast<int>(--j);
    } else if (step == 1) {
      --i;
    } else {
      halved[--j] = true;
    }
  }

  // The truth in samples of the library's output.
  struct Span {
    std::string name;
    int start, end;
    bool in_text;
    bool scored = true;
  };
  std::vector<Span> spans;
  std::vector<int> span_of_symbol(m, -1);
  for (size_t i = 0; i < n; ++i) {
    const int start = out[i].second;
    const int end = i + 1 < n ? out[i + 1].second : total;
    if (match[i] >= 0) {
      const size_t j = static_cast<size_t>(match[i]);
      spans.push_back({symbols[j], start, end, true});
      span_of_symbol[j] = static_cast<int>(spans.size()) - 1;
      // A long vowel's second half: the library's vowel split in the middle.
      if (j + 1 < m && halved[j + 1]) {
        const int middle = (start + end) / 2;
        spans.back().end = middle;
        spans.push_back({symbols[j + 1], middle, end, true, false});
        span_of_symbol[j + 1] = static_cast<int>(spans.size()) - 1;
      }
    } else if (IsOutsidePause(out[i].first)) {
      if (!spans.empty() && spans.back().name == " " && !spans.back().in_text) {
        spans.back().end = end;
      } else {
        spans.push_back({" ", start, end, false});
      }
    } else if (!spans.empty()) {
      spans.back().end = end;  // the palatal mark belongs to its consonant
    }
  }
  // Drop the library's silence at the end; give the silent closure of a voiceless stop to it.
  while (!spans.empty() && spans.back().name == " " && !spans.back().in_text) spans.pop_back();
  if (spans.empty() || spans.front().name == " ") {
    *error = "no speech in '" + kana + "'";
    return std::nullopt;
  }
  int peak = 1;
  for (short s : heard.samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
  const int quiet = static_cast<int>(peak * std::pow(10.0, -kClosureBelowPeakDb / 20));
  for (size_t k = 1; k < spans.size(); ++k) {
    if (!IsVoicelessStop(spans[k].name) && !(spans[k].name == " " && spans[k].in_text)) continue;
    const int lowest = std::max(spans[k - 1].start + 1,
                                spans[k].start - static_cast<int>(kLongestClosureSec * rate));
    int s = spans[k].start;
    while (s - 1 >= lowest &&
           std::abs(static_cast<int>(heard.samples[static_cast<size_t>(s - 1)])) <= quiet)
      --s;
    if (spans[k].start - s >= static_cast<int>(kShortestClosureSec * rate)) {
      spans[k].start = s;
      spans[k - 1].end = s;
    }
  }
  // A pause of the library, and the end of the speech, start where the sound before them
  // stops: a phoneme that fades before the pause's event ends at its last sample above the
  // quiet level. The recording keeps all the library spoke up to its final pause.
  const int output_end = spans.back().end;
  for (size_t k = 0; k < spans.size(); ++k) {
    const bool before_pause =
        k + 1 == spans.size() || (spans[k + 1].name == " " && !spans[k + 1].in_text);
    if (!before_pause || spans[k].name == " ") continue;
    int end = spans[k].end;
    while (end - 1 > spans[k].start &&
           std::abs(static_cast<int>(heard.samples[static_cast<size_t>(end - 1)])) <= quiet)
      --end;
    if (spans[k].end - end < static_cast<int>(kShortestClosureSec * rate)) continue;
    spans[k].end = end;
    if (k + 1 < spans.size()) spans[k + 1].start = end;
  }

  // A vowel after a voiced sound starts where the spectrum changes.
  for (size_t k = 1; k < spans.size(); ++k) {
    Span& before = spans[k - 1];
    Span& vowel = spans[k];
    if (!vowel.in_text || !vowel.scored || !before.in_text || !IsVowelSymbol(vowel.name) ||
        !TurnsIntoTheVowel(before.name, vowel.name)) {
      continue;
    }
    const double change = SpectralBoundary(
        heard.samples, rate, static_cast<double>(before.start) / rate,
        static_cast<double>(vowel.start) / rate, static_cast<double>(vowel.end) / rate);
    const int at = static_cast<int>(std::lround(change * rate));
    if (at > before.start && at < vowel.end) before.end = vowel.start = at;
  }

  SynthSpeech speech;
  speech.rate = rate;
  speech.text = text;
  const int lead = static_cast<int>(kLeadSec * rate);
  speech.samples.assign(static_cast<size_t>(lead), 0);
  speech.samples.insert(speech.samples.end(), heard.samples.begin(),
                        heard.samples.begin() + output_end);
  speech.samples.resize(speech.samples.size() + static_cast<size_t>(kTailSec * rate), 0);
  auto seconds = [&](int sample) { return static_cast<double>(sample + lead) / rate; };
  for (const Span& s : spans) {
    SynthPhoneme p{s.name, seconds(s.start), seconds(s.end), s.in_text};
    p.scored = s.scored;
    speech.phonemes.push_back(p);
    speech.phoneme_starts.push_back(p.start_sec);
  }
  speech.end_sec = seconds(spans.back().end);
  // Where every word after the first starts in the truth.
  if (word_starts != nullptr) {
    word_starts->clear();
    size_t symbol = 0;
    for (size_t w = 0; w < sentence.size(); ++w) {
      size_t count = 0;
      for (std::string_view rest = sentence[w].symbols; !rest.empty(); ++count)
        rest.remove_prefix(MatchPhoneme(rest).size());
      if (w > 0 && count > 0 && symbol < m && span_of_symbol[symbol] >= 0)
        word_starts->push_back(static_cast<size_t>(span_of_symbol[symbol]));
      symbol += count;
    }
  }
  return speech;
}

}  // namespace vtr::wtp::testing
