#include "engines/wtp/testing/alignment_corpus.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "engines/wtp/phoneme_aligner.h"
#include "engines/wtp/phoneme_tables.h"

namespace vtr::wtp::testing {
namespace {

bool IsVowel(const std::string& name) {
  return name.size() == 1 && std::string_view("aiMeo").find(name[0]) != std::string_view::npos;
}

bool IsPauseEdge(BoundaryKind kind) { return kind >= BoundaryKind::kSilenceEndBeforeVowel; }

// The kind of the onset of a vowel after `before` (null: nothing before it).
BoundaryKind OnsetKind(const SynthPhoneme* before) {
  if (before == nullptr || before->name == " ") return BoundaryKind::kVowelAfterPause;
  const std::string& n = before->name;
  if (IsVowel(n)) return BoundaryKind::kVowelAfterVowel;
  if (n == "N\\" || n[0] == 'n' || n[0] == 'm' || n[0] == 'N' || n[0] == 'J')
    return BoundaryKind::kVowelAfterNasal;
  if (n[0] == '4' || n == "j" || n == "w") return BoundaryKind::kVowelAfterGlide;
  if (n[0] == 'g' || n[0] == 'd' || n[0] == 'b' || n[0] == 'z' || n[0] == 'Z')
    return BoundaryKind::kVowelAfterVoiced;
  return BoundaryKind::kVowelAfterVoiceless;
}

// The kind of the end of `pause`, `after` following it (null: the end of the speech).
BoundaryKind PauseEndKind(const SynthPhoneme& pause, const SynthPhoneme* after) {
  if (pause.in_text) return BoundaryKind::kMarkedPauseEdge;
  if (after == nullptr || !IsVowel(after->name)) return BoundaryKind::kPauseEndBeforeConsonant;
  return pause.source == PauseSource::kInsertedSilence ? BoundaryKind::kSilenceEndBeforeVowel
                                                       : BoundaryKind::kPauseEndBeforeVowel;
}

BoundaryKind PauseStartKind(const SynthPhoneme& pause) {
  if (pause.in_text) return BoundaryKind::kMarkedPauseEdge;
  return pause.source == PauseSource::kSpeaker ? BoundaryKind::kSpeakerPauseStart
                                               : BoundaryKind::kInsertedPauseStart;
}

// The sentences of the second corpus: words as hiragana and aligner symbols, with words that
// start with a vowel, nasals, geminates and long vowels.
const std::vector<SpokenSentence>& VoiceSentences() {
  static const std::vector<SpokenSentence> kSentences = {
      {{"あさって", "asa te"}, {"がっこうに", "ga koMJi"}, {"いきます", "ik'imasM"}, {"。", ""}},
      {{"わたしも", "wataSimo"},
       {"まいにち", "maiJitSi"},
       {"えきまで", "ek'imade"},
       {"あるいて", "a4Mite"},
       {"いきます", "ik'imasM"},
       {"。", ""}},
      {{"おおきな", "ook'ina"},
       {"うみの", "Mm'ino"},
       {"うえに", "MeJi"},
       {"、", ""},
       {"あおい", "aoi"},
       {"そらが", "so4aga"},
       {"ひろがって", "Ci4oga te"},
       {"いました", "imaSita"},
       {"。", ""}},
      {{"きのう", "k'inoM"},
       {"、", ""},
       {"ともだちと", "tomodatSito"},
       {"こうえんで", "koMeN\\de"},
       {"おちゃを", "otSao"},
       {"のみました", "nom'imaSita"},
       {"。", ""}},
      {{"ちょっと", "tSo to"}, {"まって", "ma te"}, {"ください", "kMdasai"}, {"。", ""}},
      {{"あめが", "amega"},
       {"ふって", "p\\M te"},
       {"いたので", "itanode"},
       {"、", ""},
       {"いえで", "iede"},
       {"ほんを", "hoN\\o"},
       {"よみました", "jom'imaSita"},
       {"。", ""}},
      {{"えいがの", "eigano"},
       {"あとで", "atode"},
       {"、", ""},
       {"おいしい", "oiSii"},
       {"うどんを", "MdoN\\o"},
       {"たべました", "tabemaSita"},
       {"。", ""}},
      {{"やまの", "jamano"},
       {"うえから", "Meka4a"},
       {"、", ""},
       {"まちの", "matSino"},
       {"あかりが", "aka4'iga"},
       {"みえます", "m'iemasM"},
       {"。", ""}},
      {{"りんごを", "4'iN\\goo"},
       {"みっつ", "m'i tsM"},
       {"かって", "ka te"},
       {"、", ""},
       {"あにに", "aJiJi"},
       {"あげました", "agemaSita"},
       {"。", ""}},
      {{"おかあさんと", "okaasaN\\to"},
       {"いっしょに", "i SoJi"},
       {"、", ""},
       {"えんそくに", "eN\\sokMJi"},
       {"いきたいです", "ik'itaidesM"},
       {"。", ""}},
      {{"なにも", "naJimo"},
       {"いわないで", "iwanaide"},
       {"、", ""},
       {"ただ", "tada"},
       {"そとを", "sotoo"},
       {"みて", "m'ite"},
       {"いました", "imaSita"},
       {"。", ""}},
      {{"あしたの", "aSitano"},
       {"あさ", "asa"},
       {"、", ""},
       {"はやく", "hajakM"},
       {"おきて", "ok'ite"},
       {"、", ""},
       {"うみに", "Mm'iJi"},
       {"いこう", "ikoM"},
       {"。", ""}},
      {{"ながい", "nagai"},
       {"あいだ", "aida"},
       {"、", ""},
       {"まって", "ma te"},
       {"いた", "ita"},
       {"ひとが", "Citoga"},
       {"、", ""},
       {"やっと", "ja to"},
       {"あらわれました", "a4awa4emaSita"},
       {"。", ""}},
      {{"むかし", "mMkaSi"},
       {"むかし", "mMkaSi"},
       {"、", ""},
       {"ある", "a4M"},
       {"ところに", "toko4oJi"},
       {"、", ""},
       {"おじいさんと", "odZiisaN\\to"},
       {"おばあさんが", "obaasaN\\ga"},
       {"すんで", "sMN\\de"},
       {"いました", "imaSita"},
       {"。", ""},
       {"おじいさんは", "odZiisaN\\ha"},
       {"やまへ", "jamahe"},
       {"、", ""},
       {"おばあさんは", "obaasaN\\ha"},
       {"かわへ", "kawahe"},
       {"いきました", "ik'imaSita"},
       {"。", ""}},
  };
  return kSentences;
}

// The five outside voices: a man's, two women's, another man's and one of the library's other
// synthesiser.
constexpr const char* kOutsideVoices[] = {"ja", "ja+f2", "ja+m3", "ja+f4", "ja+klatt3"};

}  // namespace

const char* BoundaryKindName(BoundaryKind kind) {
  static constexpr const char* kNames[kBoundaryKinds] = {
      "vowel after voiceless", "vowel after voiced",     "vowel after r/j/w",
      "vowel after vowel",     "vowel after nasal",      "vowel after pause",
      "silence end, vowel",    "other pause end, vowel", "pause end, consonant",
      "put-in pause start",    "speaker's pause start",  "marked pause edge",
      "speech start/end",
  };
  return kNames[static_cast<size_t>(kind)];
}

std::vector<VoiceCondition> VoiceConditions() {
  std::vector<VoiceCondition> conditions;
  auto add = [&](std::string name, auto&& set) {
    VoiceCondition c;
    c.name = std::move(name);
    set(c);
    conditions.push_back(c);
  };
  add("voices, no pauses put in", [](VoiceCondition& c) { c.pauses = false; });
  add("voices, pauses put in", [](VoiceCondition&) {});
  for (const NoiseKind kind : {NoiseKind::kWhite, NoiseKind::kBabble}) {
    for (const double snr : {30.0, 20.0, 10.0}) {
      add(std::string("voices, pauses, ") + (kind == NoiseKind::kWhite ? "white " : "babble ") +
              std::to_string(static_cast<int>(snr)) + " dB",
          [&](VoiceCondition& c) {
            c.noise = kind;
            c.snr_db = snr;
          });
    }
  }
  add("voices, pauses, reverberation", [](VoiceCondition& c) { c.reverberation = true; });
  add("voices, pauses, -30 dBFS peak", [](VoiceCondition& c) { c.low_level = true; });
  add("voices, pauses, clipped", [](VoiceCondition& c) { c.clipped = true; });
  add("our voices, no pauses put in", [](VoiceCondition& c) {
    c.outside = false;
    c.pauses = false;
  });
  add("our voices, pauses put in", [](VoiceCondition& c) { c.outside = false; });
  return conditions;
}

std::optional<SynthSpeech> VoiceUtterance(const VoiceCondition& condition, int index,
                                          OutsideVoice* voice, std::string* error) {
  const SpokenSentence& sentence =
      VoiceSentences()[static_cast<size_t>(index) % VoiceSentences().size()];
  const uint32_t seed = 501 + 13 * static_cast<uint32_t>(index);
  std::mt19937 random(seed);
  auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random);
  };
  std::optional<SynthSpeech> speech;
  std::vector<size_t> word_starts;  // truth index of the first phoneme of words after the first
  if (condition.outside) {
    if (voice == nullptr) {
      *error = "no outside voice";
      return std::nullopt;
    }
    const int words_per_minute = 140 + (index * 37) % 81;
    speech = voice->Speak(sentence, kOutsideVoices[static_cast<size_t>(index) % 5],
                          words_per_minute, &word_starts, error);
    if (!speech) return std::nullopt;
  } else {
    std::vector<std::string> words;
    for (const SpokenWord& w : sentence) words.emplace_back(w.symbols);
    std::vector<size_t> syllables;
    const SynthScript script = ScriptOfWords(words, uniform(0.8, 1.3), seed, &syllables);
    SynthVoice v;
    const bool woman = index % 2 == 1;
    v.f0_hz = woman ? uniform(190, 240) : uniform(100, 135);
    v.formant_scale = woman ? uniform(1.1, 1.25) : uniform(0.92, 1.02);
    v.pitch_range = uniform(0.6, 1.6);
    v.breathiness = uniform(0.25, 0.45);
    v.vowel_spread = 0.1;
    v.devoicing = 0.3;
    speech = Synthesize(script, 16000, v, seed, 0.3, 0.3);
    // The truth's phoneme index of every syllable.
    std::vector<size_t> first(script.size() + 1, 0);
    for (size_t k = 0; k < script.size(); ++k) {
      const std::string& symbol = script[k].symbol;
      const size_t count = symbol == " " || IsBareSyllable(symbol) ? 1 : 2;
      first[k + 1] = first[k] + count;
    }
    for (size_t w = 1; w < syllables.size(); ++w) {
      if (!words[w].empty() && syllables[w] < script.size())
        word_starts.push_back(first[syllables[w]]);
    }
  }
  if (condition.pauses) {
    // Before words, more often before one that starts with a vowel; from the last word on, so
    // that the indexes before stay valid.
    int put_in = 0;
    for (size_t k = word_starts.size(); k-- > 0;) {
      const size_t at = word_starts[k];
      const bool after_pause = at > 0 && speech->phonemes[at - 1].name == " ";
      const bool vowel = IsVowel(speech->phonemes[at].name);
      if (after_pause || uniform(0, 1) > (vowel ? 0.9 : 0.6)) continue;
      const PauseSource source =
          put_in++ % 2 == index % 2 ? PauseSource::kInsertedSilence : PauseSource::kInsertedBreath;
      InsertPause(*speech, at, uniform(0.2, 0.8), source, seed + static_cast<uint32_t>(k));
    }
  }
  if (condition.reverberation) AddReverberation(*speech, uniform(0.3, 0.6), uniform(-12, -6));
  if (condition.noise) AddNoise(*speech, *condition.noise, condition.snr_db, seed + 5000);
  if (condition.low_level) ScaleToPeak(*speech, -30);
  if (condition.clipped) ScaleToPeak(*speech, 6);
  return speech;
}

std::vector<CorpusCondition> ReportConditions() {
  auto unmarked = [](std::string name) {
    CorpusCondition c;
    c.name = std::move(name);
    return c;
  };
  std::vector<CorpusCondition> conditions;
  CorpusCondition marked = unmarked("pauses marked");
  marked.style.pauses_in_text = true;
  conditions.push_back(marked);
  conditions.push_back(unmarked("pauses unmarked"));
  CorpusCondition none = unmarked("no pauses");
  none.style.phrase_sec = 0;
  conditions.push_back(none);
  for (const NoiseKind kind : {NoiseKind::kWhite, NoiseKind::kBabble}) {
    for (const double snr : {30.0, 20.0, 10.0}) {
      CorpusCondition c = unmarked(std::string(kind == NoiseKind::kWhite ? "white" : "babble") +
                                   " noise " + std::to_string(static_cast<int>(snr)) + " dB");
      c.noise = kind;
      c.snr_db = snr;
      conditions.push_back(c);
    }
  }
  for (const double rate : {0.75, 1.3}) {
    CorpusCondition c = unmarked(rate < 1 ? "slow speech (x0.75)" : "fast speech (x1.3)");
    c.style.rate = rate;
    conditions.push_back(c);
  }
  CorpusCondition low = unmarked("low voice (90 Hz)");
  low.f0_hz = 90;
  conditions.push_back(low);
  CorpusCondition high = unmarked("high voice (260 Hz)");
  high.f0_hz = 260;
  conditions.push_back(high);
  CorpusCondition flat = unmarked("flat pitch (range x0.3)");
  flat.pitch_range = 0.3;
  conditions.push_back(flat);
  CorpusCondition lively = unmarked("lively pitch (range x2.5)");
  lively.pitch_range = 2.5;
  conditions.push_back(lively);
  return conditions;
}

SynthSpeech CorpusUtterance(const CorpusCondition& condition, int index, int rate) {
  const uint32_t seed = 101 + 7 * static_cast<uint32_t>(index);
  std::mt19937 random(seed);
  auto uniform = [&](double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(random);
  };
  SynthVoice voice;
  // Men and women by turns, unless the condition fixes the pitch.
  const bool woman = condition.f0_hz ? *condition.f0_hz > 180 : index % 2 == 1;
  voice.f0_hz = condition.f0_hz ? *condition.f0_hz : woman ? uniform(180, 250) : uniform(95, 140);
  voice.formant_scale = woman ? uniform(1.12, 1.22) : uniform(0.95, 1.05);
  voice.pitch_range = condition.pitch_range * uniform(0.8, 1.2);
  voice.breathiness = uniform(0.1, 0.3);
  voice.vowel_spread = 0.06;
  voice.devoicing = 0.4;
  voice.breath_chance = 0.4;
  const SynthScript script = RandomUtterance(condition.style, seed);
  SynthSpeech speech =
      Synthesize(script, rate, voice, seed, uniform(0.25, 0.6), uniform(0.25, 0.6));
  // Rooms from nearly dry to a small living room.
  AddReverberation(speech, uniform(0.1, 0.45), uniform(-22, -10));
  if (condition.noise) AddNoise(speech, *condition.noise, condition.snr_db, seed + 5000);
  return speech;
}

SynthSpeech SpeechOfLength(double seconds, int rate, uint32_t seed) {
  constexpr double kLeadSec = 0.3;
  UtteranceStyle style;
  style.seconds = std::max(0.1, seconds - 2 * kLeadSec);
  SynthVoice voice;
  voice.f0_hz = 130;
  voice.devoicing = 0.3;
  voice.breath_chance = 0.3;
  SynthSpeech speech =
      Synthesize(RandomUtterance(style, seed), rate, voice, seed, kLeadSec, kLeadSec);
  AddReverberation(speech, 0.3, -16);
  speech.samples.resize(static_cast<size_t>(seconds * rate), 1);
  return speech;
}

void AlignmentScore::Add(double error_sec, BoundaryKind kind) {
  const bool pause_edge = IsPauseEdge(kind);
  const double error = std::abs(error_sec);
  Kind& k = kinds[static_cast<size_t>(kind)];
  ++k.count;
  if (error <= 0.04) ++k.within_40ms;
  k.errors.push_back(error_sec);
  ++boundaries;
  if (error <= 0.02) ++within_20ms;
  if (error <= 0.04) ++within_40ms;
  if (error <= 0.08) ++within_80ms;
  error_sum += error;
  if (pause_edge) {
    ++pause_edges;
    if (error <= 0.04) ++pause_edges_within_40ms;
  } else {
    ++vowel_onsets;
    if (error <= 0.04) ++vowel_onsets_within_40ms;
  }
}

AlignmentScore& AlignmentScore::operator+=(const AlignmentScore& other) {
  utterances += other.utterances;
  failures += other.failures;
  split_pauses += other.split_pauses;
  boundaries += other.boundaries;
  within_20ms += other.within_20ms;
  within_40ms += other.within_40ms;
  within_80ms += other.within_80ms;
  error_sum += other.error_sum;
  pause_edges += other.pause_edges;
  pause_edges_within_40ms += other.pause_edges_within_40ms;
  vowel_onsets += other.vowel_onsets;
  vowel_onsets_within_40ms += other.vowel_onsets_within_40ms;
  for (size_t k = 0; k < kBoundaryKinds; ++k) {
    kinds[k].count += other.kinds[k].count;
    kinds[k].within_40ms += other.kinds[k].within_40ms;
    kinds[k].errors.insert(kinds[k].errors.end(), other.kinds[k].errors.begin(),
                           other.kinds[k].errors.end());
  }
  return *this;
}

bool ScoreAlignment(const SynthSpeech& speech, std::span<const AlignedSpan> spans,
                    AlignmentScore& score) {
  PhonemeAligner aligner(".");
  if (aligner.SetText(speech.text) < 0) return false;
  const std::vector<SegmentRecord>& list = aligner.phonemes();
  if (spans.size() != list.size()) return false;
  // The text's phonemes are the truth's phonemes without the pauses the text does not hold.
  std::vector<const SynthPhoneme*> in_text;
  for (const SynthPhoneme& p : speech.phonemes) {
    if (p.in_text) in_text.push_back(&p);
  }
  if (in_text.size() + 2 != list.size()) return false;
  for (size_t i = 0; i < in_text.size(); ++i) {
    if (SegmentName(list[i + 1]) != in_text[i]->name) return false;
  }
  AlignmentScore utterance;
  utterance.utterances = 1;
  size_t next = 1;  // the aligner's phoneme of the next phoneme of the text
  const std::vector<SynthPhoneme>& truth = speech.phonemes;
  for (size_t k = 0; k < truth.size(); ++k) {
    const SynthPhoneme& p = truth[k];
    const SynthPhoneme* before = k > 0 ? &truth[k - 1] : nullptr;
    const SynthPhoneme* after = k + 1 < truth.size() ? &truth[k + 1] : nullptr;
    if (!p.in_text) {
      utterance.Add(spans[next].start_sec - p.end_sec, PauseEndKind(p, after));
      continue;
    }
    const AlignedSpan& span = spans[next];
    if (IsVowel(p.name) && p.scored) utterance.Add(span.start_sec - p.start_sec, OnsetKind(before));
    if (p.name == " ") {
      utterance.Add(span.start_sec - p.start_sec, BoundaryKind::kMarkedPauseEdge);
      utterance.Add(span.end_sec - p.end_sec, BoundaryKind::kMarkedPauseEdge);
    }
    ++next;
  }
  // The silence before and after the speech.
  utterance.Add(spans[1].start_sec - in_text.front()->start_sec, BoundaryKind::kOuterSilence);
  utterance.Add(spans[list.size() - 2].end_sec - speech.end_sec, BoundaryKind::kOuterSilence);

  score += utterance;
  return true;
}

bool ScoreSegments(const SynthSpeech& speech, std::span<const AlignedSegment> segments,
                   AlignmentScore& score) {
  std::vector<const AlignedSegment*> sounds, pauses;
  for (const AlignedSegment& s : segments) (s.name == " " ? pauses : sounds).push_back(&s);
  std::vector<const SynthPhoneme*> truth_sounds;
  for (const SynthPhoneme& p : speech.phonemes) {
    if (p.name != " ") truth_sounds.push_back(&p);
  }
  if (sounds.size() != truth_sounds.size()) return false;
  for (size_t i = 0; i < sounds.size(); ++i) {
    if (sounds[i]->name != truth_sounds[i]->name) return false;
  }
  AlignmentScore utterance;
  utterance.utterances = 1;
  for (size_t i = 1; i < segments.size(); ++i) {
    if (segments[i].name == " " && segments[i - 1].name == " ") ++utterance.split_pauses;
  }
  const std::vector<SynthPhoneme>& truth = speech.phonemes;
  for (size_t i = 0; i < sounds.size(); ++i) {
    const SynthPhoneme& p = *truth_sounds[i];
    if (!IsVowel(p.name) || !p.scored) continue;
    const SynthPhoneme* before = &p == &truth.front() ? nullptr : &p - 1;
    utterance.Add(sounds[i]->start_sec - p.start_sec, OnsetKind(before));
  }
  // The pauses, and the silence before and after the speech (one edge each).
  struct Gap {
    double start, end;
    std::optional<BoundaryKind> start_kind, end_kind;  // none: not scored
  };
  std::vector<Gap> gaps;
  gaps.push_back({0.0, truth.front().start_sec, std::nullopt, BoundaryKind::kOuterSilence});
  for (size_t k = 0; k < truth.size(); ++k) {
    const SynthPhoneme& p = truth[k];
    if (p.name != " ") continue;
    gaps.push_back({p.start_sec, p.end_sec, PauseStartKind(p),
                    PauseEndKind(p, k + 1 < truth.size() ? &truth[k + 1] : nullptr)});
  }
  gaps.push_back({speech.end_sec, static_cast<double>(speech.samples.size()) / speech.rate,
                  BoundaryKind::kOuterSilence, std::nullopt});
  for (const Gap& gap : gaps) {
    const AlignedSegment* best = nullptr;
    double best_overlap = 0;
    for (const AlignedSegment* p : pauses) {
      const double overlap = std::min(p->end_sec, gap.end) - std::max(p->start_sec, gap.start);
      if (overlap > best_overlap) {
        best_overlap = overlap;
        best = p;
      }
    }
    const double missed = gap.end - gap.start;
    if (gap.start_kind) utterance.Add(best ? best->start_sec - gap.start : missed, *gap.start_kind);
    if (gap.end_kind) utterance.Add(best ? best->end_sec - gap.end : missed, *gap.end_kind);
  }
  score += utterance;
  return true;
}

}  // namespace vtr::wtp::testing
