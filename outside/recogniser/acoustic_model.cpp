#include "outside/recogniser/acoustic_model.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numbers>
#include <string>
#include <utility>

#include "outside/recogniser/internal/blocks.h"

namespace vtr::recogniser {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

double Hinge(double x) { return x > 0 ? x : 0; }

// The frames' own work goes to a few threads in blocks of this many frames, four blocks and
// more a thread.
constexpr size_t kFramesPerBlock = 64;
constexpr size_t kBlocksPerThread = 4;

size_t Threads(size_t frames) { return ThreadsFor(frames / kFramesPerBlock, kBlocksPerThread); }

// Runs work(frame, thread) for every frame in [0, frames), thread < Threads(frames).
template <typename Work>
void ForEachFrame(size_t frames, const Work& work) {
  RunBlocks((frames + kFramesPerBlock - 1) / kFramesPerBlock, Threads(frames),
            [&](size_t block, size_t thread) {
              const size_t end = std::min(frames, (block + 1) * kFramesPerBlock);
              for (size_t t = block * kFramesPerBlock; t < end; ++t) work(t, thread);
            });
}

// Spectrum shape: the cepstrum of the bands between these frequencies.
constexpr double kShapeLowHz = 150;
constexpr double kShapeHighHz = 4500;
// Shares of the power above the noise.
constexpr double kHighHz = 4000;
constexpr double kUpperHz = 2000;
constexpr double kLowHz = 700;
// Band power left where the noise is subtracted, as a share of the noise.
constexpr double kNoiseRemainder = 0.1;

// Shapes: frames whose voicing and level mark them as vowels set the mean shape; a sound's cost
// is the frame's distance from its shape beyond the distance from the nearest shape, capped.
constexpr double kVowelLikeVoicing = 0.6;
constexpr double kVowelLikeRelDb = -20;
constexpr double kShapeSpreadDb = 4;   // within-sound spread of a shape term (dB)
constexpr double kShapeWeight = 0.25;  // cost per unit of squared distance
constexpr double kShapeCap = 16;       // most a frame's distance can count
constexpr double kAdaptFrames = 10;    // prior weight of a shape when adapting (frames)

// The shapes of the model (a, i, u, e, o, the nasal murmur): formants of a man's voice and
// their bandwidths [Hz]. The murmur is a low resonance with weak, broad ones above it.
struct ShapeFormants {
  double f[5];
  double b[5];
};
constexpr ShapeFormants kShapeFormants[kShapeCount] = {
    {{760, 1250, 2600, 3500, 4500}, {80, 100, 150, 250, 300}},
    {{300, 2200, 3000, 3500, 4500}, {60, 100, 150, 250, 300}},
    {{340, 1400, 2400, 3500, 4500}, {70, 100, 150, 250, 300}},
    {{480, 1850, 2550, 3500, 4500}, {70, 100, 150, 250, 300}},
    {{480, 880, 2600, 3500, 4500}, {80, 100, 150, 250, 300}},
    {{260, 1800, 2600, 3400, 4400}, {80, 400, 400, 400, 400}},
    {{300, 800, 2500, 3400, 4400}, {60, 90, 150, 250, 300}},
    {{250, 1100, 2300, 3400, 4400}, {80, 300, 400, 400, 400}},
};
// The sounds with a second shape: {first, second}.
constexpr std::pair<size_t, size_t> kSecondShapes[] = {
    {static_cast<size_t>(Sound::kVowelU) - static_cast<size_t>(Sound::kVowelA), kRoundedUShape},
    {kNasalShape, kLabialNasalShape},
};
// Vocal tract scales tried for the speaker.
constexpr double kScales[] = {0.85, 0.9, 0.95, 1.0, 1.05, 1.1, 1.15, 1.2, 1.25, 1.3, 1.35};

// Power [dB] of a formant envelope (second-order resonances) with a falling source at `hz`.
double EnvelopeDb(const ShapeFormants& s, double scale, double hz) {
  auto resonance_db = [&](double centre, double bandwidth) {
    const double x = hz / centre;
    const double re = 1 - x * x;
    const double im = hz * bandwidth / (centre * centre);
    return 10 * std::log10(re * re + im * im);
  };
  double db = -10 * std::log10(1 + (hz / 200) * (hz / 200));
  for (size_t k = 0; k < 5; ++k) db -= resonance_db(s.f[k] * scale, s.b[k]);
  return db;
}

// The cosine transform of `bands` log band powers, terms 1..kShapeTerms: its table.
std::vector<double> CosineTable(size_t bands) {
  std::vector<double> table(kShapeTerms * bands);
  const double n = static_cast<double>(bands);
  for (size_t k = 0; k < kShapeTerms; ++k) {
    for (size_t b = 0; b < bands; ++b) {
      table[k * bands + b] =
          std::sqrt(2 / n) * std::cos(std::numbers::pi * static_cast<double>(k + 1) *
                                      (static_cast<double>(b) + 0.5) / n);
    }
  }
  return table;
}

// The cepstrum of log band powers [dB].
std::array<double, kShapeTerms> Cepstrum(const std::vector<double>& db,
                                         const std::vector<double>& cosines) {
  std::array<double, kShapeTerms> c{};
  for (size_t k = 0; k < kShapeTerms; ++k) {
    double sum = 0;
    for (size_t b = 0; b < db.size(); ++b) sum += db[b] * cosines[k * db.size() + b];
    c[k] = sum;
  }
  return c;
}

// What a frame costs as each shape: how much farther it lies from that shape than from the
// nearest one, capped.
std::array<double, kShapeCount> Identities(const std::array<double, kShapeCount>& distance) {
  double nearest = distance[0];
  for (double d : distance) nearest = std::min(nearest, d);
  std::array<double, kShapeCount> identity{};
  for (size_t v = 0; v < kShapeCount; ++v)
    identity[v] = kShapeWeight * std::min(kShapeCap, distance[v] - nearest);
  return identity;
}

// What a sound is like in one frame. Every bound the frame breaks costs in proportion to how
// far it lies beyond it; a sound with two profiles costs the cheaper one.
struct Profile {
  double base = 0;               // cost of the profile itself
  double min_snr = -kInfinity;   // [dB] level above the noise floor, at least
  double min_rel = -kInfinity;   // [dB] level relative to the speech level, at least ...
  double max_rel = kInfinity;    // ... and at most
  double quiet_snr = kInfinity;  // [dB] quiet: at most this far above the floor, or ...
  double quiet_rel = kInfinity;  // ... at least this far under the speech level
  double min_voicing = -kInfinity, max_voicing = kInfinity;
  double min_high = -kInfinity, max_high = kInfinity;    // share at 4 kHz and up
  double min_upper = -kInfinity, max_upper = kInfinity;  // share at 2 kHz and up
  double min_low = -kInfinity;                           // share under 700 Hz
  double min_slope = -kInfinity;                         // [dB/frame] level falling at most ...
  double max_slope = kInfinity;                          // ... and at least so fast
  int shape = -1;  // the shape it has (the nearer of two), or none
  int other_shape = -1;
  double shape_weight = 1;
};

constexpr double kLevelCost = 0.4;               // per dB
constexpr double kNasalisedBeforeVowelCost = 3;  // per frame
// Every frame of digital silence costs this much as any sound that is heard (no closure, no
// pause): a vowel never starts, nor lasts, where the recording holds no sound at all.
constexpr double kSoundInDigitalSilence = 1000;
constexpr double kQuietCost = 0.5;  // per dB
constexpr double kVoicingCost = 8;  // per unit of voicing
constexpr double kShareCost = 6;    // per unit of a band's share
constexpr double kSlopeCost = 2;    // per dB a frame
// The level's slope is fitted over this many frames either side of a frame (10 ms frames).
constexpr int kSlopeReach = 2;
constexpr double kSlopeFloorUnderSpeechDb = 50;  // levels under the speech by more count as this

const std::vector<Profile>& ProfilesOf(Sound sound) {
  static const std::array<std::vector<Profile>, kSoundCount> kProfiles = [] {
    std::array<std::vector<Profile>, kSoundCount> t;
    auto set = [&t](Sound s, std::vector<Profile> p) { t[static_cast<size_t>(s)] = std::move(p); };
    // A pause: the floor (or far under the speech), or a breath.
    // In a room a pause also holds the fading tail of the sound before it: well under the
    // speech, falling about as slowly as a room lets a sound die away (a speaker's own offsets
    // fall faster), whatever its voicing and shape.
    set(Sound::kSilence, {{.quiet_snr = 5, .quiet_rel = 40},
                          {.base = 1, .max_rel = -30, .max_voicing = 0.5},
                          {.base = 2, .max_rel = -15, .min_slope = -4, .max_slope = -1.5}});
    set(Sound::kClosure, {{.quiet_snr = 5, .quiet_rel = 40}});
    // Quiet voicing, or a silent closure at a little more.
    set(Sound::kVoiceBar, {{.base = 1.2, .quiet_snr = 5, .quiet_rel = 35},
                           {.base = 0.2, .max_rel = -12, .min_voicing = 0.4, .max_upper = 0.15}});
    // Burst and aspiration: well above the floor, under the vowels.
    set(Sound::kRelease, {{.min_snr = 8, .min_rel = -30, .max_rel = -2, .max_voicing = 0.6}});
    set(Sound::kSibilant, {{.min_snr = 6, .min_rel = -35, .max_voicing = 0.5, .min_high = 0.35}});
    set(Sound::kPostalveolar,
        {{.min_snr = 6, .min_rel = -35, .max_voicing = 0.5, .min_upper = 0.45}});
    set(Sound::kWeakFricative,
        {{.min_snr = 4, .min_rel = -45, .max_rel = -8, .max_voicing = 0.55}});
    // Frication, voiced or not, under the vowels.
    set(Sound::kVoicedFricative,
        {{.base = 0.3, .min_snr = 6, .min_rel = -35, .max_rel = -6, .min_upper = 0.25}});
    // A low murmur under the vowels, the shape of one closed behind the teeth or at the lips.
    // Both are held to the same levels: a lip-closed murmur held 8 dB further under the vowels
    // put more nasal onsets in noise, where the floor lifts a murmur, 40-150 ms wrong than it
    // put right.
    const Profile murmur{.min_rel = -32,
                         .max_rel = -3,
                         .min_voicing = 0.45,
                         .max_upper = 0.15,
                         .min_low = 0.6,
                         .shape = kNasalShape,
                         .other_shape = kLabialNasalShape};
    set(Sound::kNasal, {murmur});
    // The moraic nasal is the murmur, or a nasalised vowel: voiced, under the vowels, with
    // little above 4 kHz and no shape of its own.
    const Profile nasalised{
        .base = 1.5, .min_rel = -28, .max_rel = -4, .min_voicing = 0.5, .max_high = 0.15};
    set(Sound::kMoraicNasal, {murmur, nasalised});
    // Before a vowel "N" is as often the consonant of mo, mu or me, whose vowel a nasalised
    // vowel of little cost would take: there that costs more.
    Profile nasalised_at_a_cost = nasalised;
    nasalised_at_a_cost.base = kNasalisedBeforeVowelCost;
    set(Sound::kNasalBeforeVowel, {murmur, nasalised_at_a_cost});
    // A voiced dip between vowels.
    set(Sound::kFlap,
        {{.base = 0.3, .min_rel = -30, .max_rel = -8, .min_voicing = 0.4, .max_upper = 0.25}});
    set(Sound::kGlideY,
        {{.min_rel = -25, .min_voicing = 0.5, .max_high = 0.15, .shape = 1, .shape_weight = 0.5}});
    set(Sound::kGlideW, {{.min_rel = -25,
                          .min_voicing = 0.5,
                          .max_high = 0.15,
                          .shape = 2,
                          .other_shape = 4,
                          .shape_weight = 0.5}});
    // Vowels: voiced and loud, with their shape; i and u may also have lost their voice
    // between voiceless consonants.
    const Profile devoiced{
        .base = 2.5, .min_snr = 4, .min_rel = -45, .max_rel = -10, .max_voicing = 0.6};
    for (int v = 0; v < kNasalShape; ++v) {
      const Sound sound = static_cast<Sound>(static_cast<int>(Sound::kVowelA) + v);
      std::vector<Profile> p = {{.min_rel = -22,
                                 .min_voicing = 0.5,
                                 .max_high = 0.15,
                                 .shape = v,
                                 .other_shape = sound == Sound::kVowelU ? kRoundedUShape : -1}};
      if (sound == Sound::kVowelI || sound == Sound::kVowelU) p.push_back(devoiced);
      set(sound, p);
    }
    return t;
  }();
  return kProfiles[static_cast<size_t>(sound)];
}

}  // namespace

Sound SoundBefore(Sound sound, Sound next) {
  if (sound != Sound::kMoraicNasal) return sound;
  if (IsVowel(next)) return Sound::kNasalBeforeVowel;
  if (next == Sound::kClosure || next == Sound::kVoiceBar || next == Sound::kNasal)
    return Sound::kNasal;
  return sound;
}

bool IsSilencePhone(std::string_view phone) {
  return phone == "silB" || phone == "silE" || phone == "sp";
}

bool EndsMora(std::string_view phone) {
  const std::vector<StateModel> states = StatesOfPhone(phone);
  return phone == "N" || IsVowel(states.back().sound);
}

std::vector<StateModel> StatesOfPhone(std::string_view phone) {
  // Lengths at an ordinary rate (10 ms frames): {sound, typical, spread of the log, longest}.
  static const std::map<std::string_view, std::vector<StateModel>, std::less<>> kPhones = [] {
    std::map<std::string_view, std::vector<StateModel>, std::less<>> t;
    auto add = [&t](std::initializer_list<std::string_view> phones,
                    const std::vector<StateModel>& states) {
      for (std::string_view phone : phones) t[phone] = states;
    };
    add({"silB", "silE", "sp"}, {{Sound::kSilence, 1, 1, 1, true}});
    const std::pair<std::string_view, Sound> vowels[] = {
        {"a", Sound::kVowelA},  {"i", Sound::kVowelI},  {"u", Sound::kVowelU},
        {"e", Sound::kVowelE},  {"o", Sound::kVowelO},  {"a:", Sound::kVowelA},
        {"i:", Sound::kVowelI}, {"u:", Sound::kVowelU}, {"e:", Sound::kVowelE},
        {"o:", Sound::kVowelO},
    };
    for (const auto& [name, sound] : vowels) add({name}, {{sound, 7, 0.5, 60}});
    add({"N"}, {{Sound::kMoraicNasal, 6, 0.5, 40}});
    add({"n", "m", "ny", "my"}, {{Sound::kNasal, 5, 0.45, 30}});
    add({"y"}, {{Sound::kGlideY, 4, 0.5, 25}});
    add({"w"}, {{Sound::kGlideW, 4, 0.5, 25}});
    add({"r", "ry"}, {{Sound::kFlap, 2, 0.6, 15}});
    add({"k", "ky"}, {{Sound::kClosure, 4, 0.5, 30}, {Sound::kRelease, 3.5, 0.4, 8}});
    add({"t", "p", "py"}, {{Sound::kClosure, 4.5, 0.5, 30}, {Sound::kRelease, 2, 0.4, 6}});
    add({"b", "d", "g", "by", "gy"},
        {{Sound::kVoiceBar, 3.5, 0.5, 25}, {Sound::kRelease, 1, 0.5, 5}});
    add({"ts"}, {{Sound::kClosure, 3, 0.5, 25}, {Sound::kSibilant, 4.5, 0.45, 20}});
    add({"ch"}, {{Sound::kClosure, 3, 0.5, 25}, {Sound::kPostalveolar, 4.5, 0.45, 20}});
    add({"z", "j"}, {{Sound::kVoicedFricative, 6, 0.5, 25}});
    add({"s"}, {{Sound::kSibilant, 7, 0.4, 30}});
    add({"sh"}, {{Sound::kPostalveolar, 7, 0.4, 30}});
    add({"h", "hy", "f"}, {{Sound::kWeakFricative, 5, 0.5, 25}});
    return t;
  }();
  const auto found = kPhones.find(phone);
  return found != kPhones.end() ? found->second : kPhones.find("h")->second;
}

AcousticModel::AcousticModel(const Recording& recording,
                             const std::array<int, kShapeCount>& shape_counts) {
  const size_t count = recording.frames.size();
  frames_.resize(count);
  change_.assign(count + 1, 0.0);
  std::vector<size_t> shape_bands;
  for (size_t b = 0; b < kMelBands; ++b) {
    if (recording.band_hz[b] >= kShapeLowHz && recording.band_hz[b] <= kShapeHighHz)
      shape_bands.push_back(b);
  }
  std::array<double, kMelBands> noise{};
  for (size_t b = 0; b < kMelBands; ++b) noise[b] = std::pow(10.0, recording.noise_bands[b] / 10);
  std::vector<std::array<double, kMelBands>> floored(count);  // [dB] bands, floored near the noise
  std::vector<double> db(shape_bands.size());
  const std::vector<double> cosines = CosineTable(shape_bands.size());
  // Every frame from its own features, in blocks on a few threads (the same bits on any).
  std::vector<std::vector<double>> thread_db(Threads(count), db);
  ForEachFrame(count, [&](size_t t, size_t thread) {
    std::vector<double>& db = thread_db[thread];
    const FrameFeatures& in = recording.frames[t];
    Derived& f = frames_[t];
    f.digital_silence = in.level_db <= kDigitalSilenceDb;
    f.snr = in.level_db - recording.noise_db;
    f.rel = in.level_db - recording.speech_db;
    f.voicing = in.voicing;
    double total = 0, high = 0, upper = 0, low = 0;
    std::array<double, kMelBands> clean{};
    for (size_t b = 0; b < kMelBands; ++b) {
      const double power = std::pow(10.0, in.bands[b] / 10);
      clean[b] = std::max(power - noise[b], kNoiseRemainder * noise[b]);
      total += clean[b];
      if (recording.band_hz[b] >= kHighHz) high += clean[b];
      if (recording.band_hz[b] >= kUpperHz) upper += clean[b];
      if (recording.band_hz[b] < kLowHz) low += clean[b];
      floored[t][b] = 10 * std::log10(std::max(power, 2 * noise[b]) + 1e-30);
    }
    f.high = total > 0 ? high / total : 0;
    f.upper = total > 0 ? upper / total : 0;
    f.low = total > 0 ? low / total : 0;
    for (size_t i = 0; i < shape_bands.size(); ++i)
      db[i] = 10 * std::log10(clean[shape_bands[i]] + 1e-30);
    f.shape = Cepstrum(db, cosines);
  });

  // The level's slope: a least-squares line through the frames within reach, each level
  // floored at the noise and not far under the speech, so that a fall into digital silence
  // is no slow fade.
  const double slope_floor =
      std::max(recording.noise_db, recording.speech_db - kSlopeFloorUnderSpeechDb);
  ForEachFrame(count, [&](size_t t, size_t) {
    double sum = 0, weight = 0;
    for (int k = -kSlopeReach; k <= kSlopeReach; ++k) {
      const size_t u = static_cast<size_t>(std::clamp<ptrdiff_t>(
          static_cast<ptrdiff_t>(t) + k, 0, static_cast<ptrdiff_t>(count) - 1));
      const double x = k;
      sum += x * std::max<double>(recording.frames[u].level_db, slope_floor);
      weight += x * x;
    }
    frames_[t].slope = sum / weight;
  });

  // Spectral change: the two frames from t against the two before, in 10 dB units, weighed
  // down near the noise floor.
  ForEachFrame(count, [&](size_t t, size_t) {
    if (t == 0) return;
    const size_t before2 = t >= 2 ? t - 2 : t - 1, after2 = t + 1 < count ? t + 1 : t;
    double sum = 0;
    for (size_t b = 0; b < kMelBands; ++b) {
      const double d =
          (floored[t][b] + floored[after2][b] - floored[t - 1][b] - floored[before2][b]) / 2;
      sum += d * d;
    }
    const double above = std::max(frames_[t].snr, frames_[t - 1].snr);
    change_[t] = std::sqrt(sum / kMelBands) / 10 * std::clamp((above - 6) / 20, 0.0, 1.0);
  });

  // Shapes relative to the mean of the vowel-like frames; the model's vowels relative to their
  // mean weighted by the text's vowels, at the vocal tract scale that fits the frames best.
  Shape mean{};
  std::vector<size_t> vowel_like;
  for (size_t t = 0; t < count; ++t) {
    if (frames_[t].voicing >= kVowelLikeVoicing && frames_[t].rel >= kVowelLikeRelDb)
      vowel_like.push_back(t);
  }
  for (size_t t : vowel_like) {
    for (size_t k = 0; k < kShapeTerms; ++k) mean[k] += frames_[t].shape[k];
  }
  for (double& m : mean) m /= std::max<double>(1, static_cast<double>(vowel_like.size()));
  for (Derived& f : frames_) {
    for (size_t k = 0; k < kShapeTerms; ++k) f.shape[k] -= mean[k];
  }
  int total_vowels = 0;
  for (size_t v = 0; v < kNasalShape; ++v) total_vowels += shape_counts[v];
  double best_fit = std::numeric_limits<double>::infinity();
  for (const double scale : kScales) {
    std::array<Shape, kShapeCount> shapes{};
    Shape model_mean{};
    for (size_t v = 0; v < kShapeCount; ++v) {
      for (size_t i = 0; i < shape_bands.size(); ++i) {
        db[i] = EnvelopeDb(kShapeFormants[v], scale, recording.band_hz[shape_bands[i]]);
      }
      shapes[v] = Cepstrum(db, cosines);
      if (v >= kNasalShape) continue;
      const double weight =
          total_vowels > 0 ? static_cast<double>(shape_counts[v]) / total_vowels : 0.2;
      for (size_t k = 0; k < kShapeTerms; ++k) model_mean[k] += weight * shapes[v][k];
    }
    for (Shape& s : shapes) {
      for (size_t k = 0; k < kShapeTerms; ++k) s[k] -= model_mean[k];
    }
    double fit = 0;
    for (size_t t : vowel_like) {
      double nearest = kShapeCap;
      for (const Shape& s : shapes) {
        double d = 0;
        for (size_t k = 0; k < kShapeTerms; ++k) {
          const double x = (frames_[t].shape[k] - s[k]) / kShapeSpreadDb;
          d += x * x;
        }
        nearest = std::min(nearest, d);
      }
      fit += nearest;
    }
    if (fit < best_fit) {
      best_fit = fit;
      shapes_ = shapes;
    }
  }
  Tabulate();
}

double AcousticModel::Score(Sound sound, const Derived& f,
                            const std::array<double, kShapeCount>& identities) const {
  if (f.digital_silence && sound != Sound::kSilence && sound != Sound::kClosure &&
      sound != Sound::kVoiceBar) {
    return kSoundInDigitalSilence;
  }
  double best = kInfinity;
  for (const Profile& p : ProfilesOf(sound)) {
    double cost = p.base;
    cost += kLevelCost *
            (Hinge(p.min_snr - f.snr) + Hinge(p.min_rel - f.rel) + Hinge(f.rel - p.max_rel));
    cost += kQuietCost * Hinge(std::min(f.snr - p.quiet_snr, f.rel + p.quiet_rel));
    cost += kVoicingCost * (Hinge(p.min_voicing - f.voicing) + Hinge(f.voicing - p.max_voicing));
    cost += kSlopeCost * (Hinge(p.min_slope - f.slope) + Hinge(f.slope - p.max_slope));
    cost += kShareCost * (Hinge(p.min_high - f.high) + Hinge(f.high - p.max_high) +
                          Hinge(p.min_upper - f.upper) + Hinge(f.upper - p.max_upper) +
                          Hinge(p.min_low - f.low));
    if (p.shape >= 0) {
      double identity = identities[static_cast<size_t>(p.shape)];
      if (p.other_shape >= 0)
        identity = std::min(identity, identities[static_cast<size_t>(p.other_shape)]);
      cost += p.shape_weight * identity;
    }
    best = std::min(best, cost);
  }
  return best;
}

void AcousticModel::Tabulate() {
  const size_t count = frames_.size();
  for (std::vector<double>& c : cumulative_) c.assign(count + 1, 0.0);
  // Every frame's costs, in blocks on a few threads, each at its place in the running sums;
  // then the sums, in frame order.
  ForEachFrame(count, [&](size_t t, size_t) {
    std::array<double, kShapeCount> distance{};
    const Derived& f = frames_[t];
    for (size_t v = 0; v < kShapeCount; ++v) {
      double d = 0;
      for (size_t k = 0; k < kShapeTerms; ++k) {
        const double x = (f.shape[k] - shapes_[v][k]) / kShapeSpreadDb;
        d += x * x;
      }
      distance[v] = d;
    }
    const std::array<double, kShapeCount> identities = Identities(distance);
    for (size_t s = 0; s < kSoundCount; ++s) {
      cumulative_[s][t + 1] = Score(static_cast<Sound>(s), f, identities);
    }
  });
  for (std::vector<double>& c : cumulative_) {
    for (size_t t = 0; t < count; ++t) c[t + 1] = c[t] + c[t + 1];
  }
}

void AcousticModel::Adapt(const std::array<std::vector<int>, kShapeCount>& shape_frames) {
  auto distance = [&](int frame, size_t shape) {
    double d = 0;
    for (size_t k = 0; k < kShapeTerms; ++k) {
      const double x = frames_[static_cast<size_t>(frame)].shape[k] - shapes_[shape][k];
      d += x * x;
    }
    return d;
  };
  std::array<std::vector<int>, kShapeCount> frames = shape_frames;
  for (const auto& [first, second] : kSecondShapes) {
    frames[first].clear();
    frames[second].clear();
    for (int t : shape_frames[first])
      frames[distance(t, second) < distance(t, first) ? second : first].push_back(t);
  }
  for (size_t v = 0; v < kShapeCount; ++v) {
    Shape sum{};
    for (int t : frames[v]) {
      for (size_t k = 0; k < kShapeTerms; ++k) sum[k] += frames_[static_cast<size_t>(t)].shape[k];
    }
    const double n = static_cast<double>(frames[v].size());
    for (size_t k = 0; k < kShapeTerms; ++k) {
      shapes_[v][k] = (kAdaptFrames * shapes_[v][k] + sum[k]) / (kAdaptFrames + n);
    }
  }
  Tabulate();
}

int AcousticModel::NearestShape(int frame) const {
  const Derived& f = frames_[static_cast<size_t>(frame)];
  int best = 0;
  double best_d = std::numeric_limits<double>::infinity();
  for (size_t v = 0; v < kShapeCount; ++v) {
    double d = 0;
    for (size_t k = 0; k < kShapeTerms; ++k) {
      const double x = f.shape[k] - shapes_[v][k];
      d += x * x;
    }
    if (d < best_d) {
      best_d = d;
      best = static_cast<int>(v);
    }
  }
  for (const auto& [first, second] : kSecondShapes) {
    if (static_cast<size_t>(best) == second) return static_cast<int>(first);
  }
  return best;
}

}  // namespace vtr::recogniser
