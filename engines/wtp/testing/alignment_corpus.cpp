#include "engines/wtp/testing/alignment_corpus.h"

#include <algorithm>
#include <cmath>
#include <random>

#include "engines/wtp/phoneme_aligner.h"

namespace vtr::wtp::testing {
namespace {

bool IsVowel(const std::string& name) {
  return name.size() == 1 && std::string_view("aiMeo").find(name[0]) != std::string_view::npos;
}

}  // namespace

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

void AlignmentScore::Add(double error_sec, bool pause_edge) {
  const double error = std::abs(error_sec);
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
  boundaries += other.boundaries;
  within_20ms += other.within_20ms;
  within_40ms += other.within_40ms;
  within_80ms += other.within_80ms;
  error_sum += other.error_sum;
  pause_edges += other.pause_edges;
  pause_edges_within_40ms += other.pause_edges_within_40ms;
  vowel_onsets += other.vowel_onsets;
  vowel_onsets_within_40ms += other.vowel_onsets_within_40ms;
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
  for (const SynthPhoneme& p : speech.phonemes) {
    if (!p.in_text) {
      utterance.Add(spans[next].start_sec - p.end_sec, true);
      continue;
    }
    const AlignedSpan& span = spans[next];
    if (IsVowel(p.name)) utterance.Add(span.start_sec - p.start_sec, false);
    if (p.name == " ") {
      utterance.Add(span.start_sec - p.start_sec, true);
      utterance.Add(span.end_sec - p.end_sec, true);
    }
    ++next;
  }
  // The silence before and after the speech.
  utterance.Add(spans[1].start_sec - in_text.front()->start_sec, true);
  utterance.Add(spans[list.size() - 2].end_sec - speech.end_sec, true);

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
  for (size_t i = 0; i < sounds.size(); ++i) {
    if (IsVowel(truth_sounds[i]->name))
      utterance.Add(sounds[i]->start_sec - truth_sounds[i]->start_sec, false);
  }
  // The pauses, and the silence before and after the speech (one edge each).
  struct Gap {
    double start, end;
    bool score_start, score_end;
  };
  std::vector<Gap> gaps;
  gaps.push_back({0.0, speech.phonemes.front().start_sec, false, true});
  for (const SynthPhoneme& p : speech.phonemes) {
    if (p.name == " ") gaps.push_back({p.start_sec, p.end_sec, true, true});
  }
  gaps.push_back(
      {speech.end_sec, static_cast<double>(speech.samples.size()) / speech.rate, true, false});
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
    if (gap.score_start) utterance.Add(best ? best->start_sec - gap.start : missed, true);
    if (gap.score_end) utterance.Add(best ? best->end_sec - gap.end : missed, true);
  }
  score += utterance;
  return true;
}

}  // namespace vtr::wtp::testing
