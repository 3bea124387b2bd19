// The recogniser's acoustic model: what every phone sounds like, how long it lasts, and what
// every frame of one recording costs as each sound.
//
// A phone is one or two states in a row (a stop is a closure and a release); each state is one
// `Sound` with a duration prior. Frame costs are soft violations of what the sound is like,
// measured against the recording's own noise floor and speech level, so that noise raises the
// floor instead of turning silence into speech. Vowels and nasals are told apart by the shape
// of their spectrum: prior shapes, made from formant targets and scaled to the speaker's vocal
// tract, are replaced step by step by the speaker's own once an alignment exists (`Adapt`).
//
//   // given: Recording recording; std::array<std::vector<int>, kShapeCount> shape_frames
//   AcousticModel model(recording, {2, 1, 0, 0, 1, 1});  // the text's a, i, u, e, o, nasals
//   double c = model.Cost(Sound::kVowelA, 10, 17);      // frames 10..16 as the vowel "a"
//   ... align ...
//   model.Adapt(shape_frames);                          // the speaker's own vowels and nasals
#ifndef VTR_OUTSIDE_RECOGNISER_ACOUSTIC_MODEL_H_
#define VTR_OUTSIDE_RECOGNISER_ACOUSTIC_MODEL_H_

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "outside/recogniser/frame_features.h"

namespace vtr::recogniser {

// What one state of a phone sounds like.
enum class Sound : int32_t {
  kSilence,           // a pause: the noise floor, or a breath
  kClosure,           // a voiceless stop's closure: quiet
  kVoiceBar,          // a voiced stop's closure: quiet, voiced or not
  kRelease,           // a stop's burst and aspiration
  kSibilant,          // s, the release of ts
  kPostalveolar,      // sh, the release of ch
  kWeakFricative,     // h, hy, f
  kVoicedFricative,   // z, j
  kNasal,             // n, m, ny, my: a quiet low murmur
  kMoraicNasal,       // N before a fricative, a glide or r: the murmur, or a nasalised vowel
  kNasalBeforeVowel,  // "N" before a vowel: the m of mo, mu, me, or the moraic nasal
  kFlap,              // r: a short weak vowel
  kGlideY,            // y: like a short i
  kGlideW,            // w: like a short u or o
  kVowelA,
  kVowelI,
  kVowelU,
  kVowelE,
  kVowelO,
};
inline constexpr int kSoundCount = 19;

// The sounds told apart by the shape of their spectrum: the five vowels a, i, u, e, o and the
// nasal murmur, in this order; then second shapes of two of them, which some speakers have
// instead: u spoken with rounded lips (close to o), and the murmur of a nasal closed at the
// lips (its second resonance lower).
inline constexpr int kShapeCount = 8;
inline constexpr int kNasalShape = 5;
inline constexpr int kRoundedUShape = 6;
inline constexpr int kLabialNasalShape = 7;
inline constexpr size_t kShapeTerms = 8;  // cepstrum terms of a spectrum shape

inline bool IsVowel(Sound s) { return s >= Sound::kVowelA; }
// The shape of a sound (0..5), or -1 for sounds without one (the first of its shapes).
inline int ShapeOf(Sound s) {
  if (s == Sound::kNasal || s == Sound::kMoraicNasal || s == Sound::kNasalBeforeVowel)
    return kNasalShape;
  return IsVowel(s) ? static_cast<int>(s) - static_cast<int>(Sound::kVowelA) : -1;
}

// One state of a phone and its duration prior: a log-normal around `typical_frames`; a state
// that `loops` (the silences) may last any number of frames at no duration cost.
struct StateModel {
  Sound sound;
  double typical_frames;  // [frames]
  double log_spread;      // spread of the log duration
  int max_frames;         // longest (frames); loops ignore it
  bool loops = false;
};

// The states of a recogniser phone ("a:", "k", "sp", "silB", ...); unknown phones are sounded
// as a weak fricative.
std::vector<StateModel> StatesOfPhone(std::string_view phone);

// What a state of `sound` sounds like before a unit that starts with `next`: the moraic nasal
// before a vowel may be the consonant of mo, mu or me; before a closure or a nasal it is the
// murmur of a nasal closed where the next sound closes, never a nasalised vowel.
Sound SoundBefore(Sound sound, Sound next);

// True for the silences: "silB", "silE", "sp".
bool IsSilencePhone(std::string_view phone);

// True for the phones that end a mora: the vowels and "N" (the moraic nasal, and "m" before
// anything but "a"). A speaker pauses after these, never between a consonant and its vowel.
bool EndsMora(std::string_view phone);

class AcousticModel {
 public:
  // `shape_counts`: how many of each vowel (a, i, u, e, o) and nasal the utterance holds; the
  // vowels set the mean shape the speaker's shapes are measured against.
  AcousticModel(const Recording& recording, const std::array<int, kShapeCount>& shape_counts);

  int frame_count() const { return static_cast<int>(frames_.size()); }

  // Sum of the frame costs of `sound` over frames [from, to).
  double Cost(Sound sound, int from, int to) const {
    const std::vector<double>& c = cumulative_[static_cast<size_t>(sound)];
    return c[static_cast<size_t>(to)] - c[static_cast<size_t>(from)];
  }
  double FrameCost(Sound sound, int frame) const { return Cost(sound, frame, frame + 1); }

  // Spectral change at the boundary before `frame`, about 0..3 (0 in silence).
  double Change(int frame) const { return change_[static_cast<size_t>(frame)]; }

  // Replaces the shapes by the mean shapes of the given frames of each vowel and of the nasals,
  // drawn towards the current shapes where a sound has few frames; recomputes the costs. The
  // frames of a sound with two shapes adapt whichever of them each lies nearer; none are given
  // for the second shapes.
  void Adapt(const std::array<std::vector<int>, kShapeCount>& shape_frames);

  // The shape (0..5) nearest to the frame's; a second shape counts as its sound's first.
  int NearestShape(int frame) const;

 private:
  using Shape = std::array<double, kShapeTerms>;
  struct Derived {
    bool digital_silence;  // the window holds one constant value: no sound at all
    double snr;            // [dB] level above the noise floor
    double rel;            // [dB] level relative to the speech level
    double voicing;
    double high;   // share of the power (above the noise) at 4 kHz and up
    double upper;  // share at 2 kHz and up
    double low;    // share below 700 Hz
    double slope;  // [dB/frame] the level's slope over the frames about it, above the noise
    Shape shape;   // spectrum shape (cepstrum of 150 Hz-4.5 kHz), less the vowels' mean
  };

  // `identities`: what the frame costs as each shape.
  double Score(Sound sound, const Derived& f,
               const std::array<double, kShapeCount>& identities) const;
  void Tabulate();

  std::vector<Derived> frames_;
  std::array<Shape, kShapeCount> shapes_{};
  std::array<std::vector<double>, kSoundCount> cumulative_;
  std::vector<double> change_;
};

}  // namespace vtr::recogniser

#endif  // VTR_OUTSIDE_RECOGNISER_ACOUSTIC_MODEL_H_
