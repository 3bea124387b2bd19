#include "outside/recogniser/forced_aligner.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>

#include "outside/recogniser/acoustic_model.h"
#include "outside/recogniser/internal/best_start.h"
#include "outside/recogniser/internal/blocks.h"

namespace vtr::recogniser {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The search.
constexpr double kScoreBeam = 50;       // state ends this far above the frame's best are dropped
constexpr double kBoundaryBonus = 1.5;  // per unit of spectral change where a state starts
constexpr size_t kUsualWidth = 32;      // states kept per boundary, a little more than usual
// An optional pause between two units: a head whose length prior disfavours pauses under
// 100 ms, then a tail that holds any longer pause at no further cost.
constexpr double kPausePenalty = 6;
constexpr double kShortPauseFrames = 10;
constexpr double kShortPauseWeight = 2;
constexpr int kPauseHeadFrames = 30;
// A geminate released early, before its consonant: taken only where it clearly fits better.
constexpr double kEarlyReleasePenalty = 6;
// Speaking rate: the median ratio of the first alignment's lengths to the priors, held to
// this range.
constexpr double kSlowest = 1.7;
constexpr double kFastest = 0.6;
// The speaker's vowels and nasals come from the inner frames of those at least this long
// (frames).
constexpr int kShapeFrames = 3;
constexpr int kPasses = 3;

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
  }
  return lines;
}

// The words of a line between white space (space, tab, line and page ends), as a stream reads
// them in the "C" locale.
std::vector<std::string> Tokens(std::string_view line) {
  constexpr std::string_view kSpace = " \t\n\v\f\r";
  std::vector<std::string> tokens;
  for (size_t at = line.find_first_not_of(kSpace); at != std::string_view::npos;) {
    const size_t end = std::min(line.size(), line.find_first_of(kSpace, at));
    tokens.emplace_back(line.substr(at, end - at));
    at = line.find_first_not_of(kSpace, end);
  }
  return tokens;
}

// The n-gram lines of one section ("\2-grams:") as token lists.
std::vector<std::vector<std::string>> Section(std::string_view text, std::string_view header) {
  std::vector<std::vector<std::string>> rows;
  bool inside = false;
  for (std::string_view line : Lines(text)) {
    if (!line.empty() && line.front() == '\\') {
      inside = line == header;
      continue;
    }
    if (inside && !line.empty()) rows.push_back(Tokens(line));
  }
  return rows;
}

// One state of the search: a state of a unit's phone, or part of the optional pause after it.
struct State {
  Sound sound = Sound::kSilence;
  int unit = 0;
  bool optional = false;       // part of a pause that may be left out
  bool loops = false;          // any length, no duration cost
  std::vector<double> length;  // cost of lasting d frames at [d], d >= 1 (not for loops)
  std::vector<int> preds;      // the states it may follow; none: the first state
  int needs_after = 0;         // frames the states after it need at least
  double typical = 0;          // prior length (frames); 0 for pauses
};

std::vector<double> LengthTable(double typical, double spread, int longest) {
  std::vector<double> table(static_cast<size_t>(longest) + 1, kInf);
  for (int d = 1; d <= longest; ++d) {
    const double r = std::log(d / typical) / spread;
    table[static_cast<size_t>(d)] = 0.5 * r * r;
  }
  return table;
}

std::vector<double> PauseHeadTable() {
  std::vector<double> table(kPauseHeadFrames + 1, kInf);
  for (int d = 1; d <= kPauseHeadFrames; ++d) {
    const double shortness = std::max(0.0, std::log(kShortPauseFrames / d));
    table[static_cast<size_t>(d)] = kPausePenalty + kShortPauseWeight * shortness * shortness;
  }
  return table;
}

// The states of all units; phone lengths scaled by `rate` (above 1: slower speech).
std::vector<State> BuildStates(std::span<const std::string> units, double rate) {
  std::vector<State> states;
  std::vector<int> ends;  // states the next unit may follow
  for (size_t u = 0; u < units.size(); ++u) {
    const int unit = static_cast<int>(u);
    const Sound next =
        u + 1 < units.size() ? StatesOfPhone(units[u + 1]).front().sound : Sound::kSilence;
    for (const StateModel& m : StatesOfPhone(units[u])) {
      State s;
      s.sound = SoundBefore(m.sound, next);
      s.unit = unit;
      s.loops = m.loops;
      if (!m.loops) {
        s.typical = m.typical_frames * rate;
        s.length = LengthTable(s.typical, m.log_spread,
                               static_cast<int>(std::ceil(m.max_frames * std::max(1.0, rate))));
      }
      s.preds = ends;
      ends = {static_cast<int>(states.size())};
      states.push_back(std::move(s));
    }
    // A pause the text holds before a voiceless consonant is the closure of a geminate (the
    // "t" of "atta"); some speakers release it before the consonant starts again: the pause
    // may end with the sound the consonant releases into.
    if (units[u] == "sp" && u + 1 < units.size()) {
      const std::vector<StateModel> next = StatesOfPhone(units[u + 1]);
      const Sound first = next.front().sound, released = next.back().sound;
      const bool voiceless = (first == Sound::kClosure || first == Sound::kSibilant ||
                              first == Sound::kPostalveolar) &&
                             (released == Sound::kRelease || released == Sound::kSibilant ||
                              released == Sound::kPostalveolar);
      if (voiceless) {
        const StateModel& m = next.back();
        State release;
        release.sound = m.sound;
        release.unit = unit;
        release.optional = true;
        release.typical = m.typical_frames * rate;
        release.length =
            LengthTable(release.typical, m.log_spread,
                        static_cast<int>(std::ceil(m.max_frames * std::max(1.0, rate))));
        for (double& c : release.length) c += kEarlyReleasePenalty;
        release.preds = ends;
        ends.push_back(static_cast<int>(states.size()));
        states.push_back(std::move(release));
      }
    }
    if (u + 1 < units.size() && EndsMora(units[u]) && !IsSilencePhone(units[u + 1])) {
      const int last = ends.front();
      State head;
      head.unit = unit;
      head.optional = true;
      head.length = PauseHeadTable();
      head.preds = {last};
      State tail;
      tail.unit = unit;
      tail.optional = true;
      tail.loops = true;
      tail.preds = {last + 1};
      states.push_back(std::move(head));
      states.push_back(std::move(tail));
      ends = {last, last + 1, last + 2};
    }
  }
  int needed = 0;
  for (size_t s = states.size(); s-- > 0;) {
    states[s].needs_after = needed;
    if (!states[s].optional) ++needed;
  }
  return states;
}

// What the search keeps of every frame boundary t, for a window of states each: the best cost
// of covering frames [0, t) with a state ending at t (and that state's length), and the best
// cost with which a state may start at t (its predecessors' best end there). The start cost
// less the running sum of the state's frame costs up to t and the bonus for a change there (its
// key) is the part of a state's cost that depends only on where it starts; the keys of the
// latest boundaries are kept per state, in rows (StartRows).
class Lattice {
 public:
  // Starts a search of `states` over the frames of `model`, in which no state lasts longer
  // than `longest` frames. The memory of the search before is kept: a fresh page costs more
  // than the search writes on it.
  void Reset(const AcousticModel& model, const std::vector<State>& states, int longest) {
    model_ = &model;
    states_ = &states;
    count_ = static_cast<int>(states.size());
    boundaries_.assign(static_cast<size_t>(model.frame_count()) + 1, Boundary{});
    ends_.clear();
    lengths_.clear();
    starts_.clear();
    // Room for the usual width of the beam, so that the arrays seldom move while they grow.
    const size_t room = boundaries_.size() * kUsualWidth;
    ends_.reserve(room);
    lengths_.reserve(room);
    starts_.reserve(room);
    keys_.Reset(count_, longest);
    // At boundary 0 only the first state starts, at no cost.
    Boundary& b = boundaries_[0];
    b.start_lo = b.start_hi = 0;
    b.start_offset = starts_.size();
    starts_.push_back(0.0);
    keys_.Begin(0);
    keys_.Set(0, 0, Key(0.0, states.front().sound, 0));
  }

  double End(int s, int t) const {
    const Boundary& b = boundaries_[static_cast<size_t>(t)];
    if (s < b.end_lo || s > b.end_hi) return kInf;
    return ends_[b.end_offset + static_cast<size_t>(s - b.end_lo)];
  }
  int Length(int s, int t) const {
    const Boundary& b = boundaries_[static_cast<size_t>(t)];
    return lengths_[b.end_offset + static_cast<size_t>(s - b.end_lo)];
  }
  double Start(int s, int t) const {
    const Boundary& b = boundaries_[static_cast<size_t>(t)];
    if (s < b.start_lo || s > b.start_hi) return kInf;
    return starts_[b.start_offset + static_cast<size_t>(s - b.start_lo)];
  }
  // The keys of state s at `count` boundaries from first on, in that order, within
  // t - most .. t - 1 (most <= longest): those between the first and the last finite key
  // there. Null when there is none.
  const double* StartKeys(int s, int t, int most, int& first, int& count) const {
    return keys_.Window(s, t, most, first, count);
  }
  int start_lo(int t) const { return boundaries_[static_cast<size_t>(t)].start_lo; }
  int start_hi(int t) const { return boundaries_[static_cast<size_t>(t)].start_hi; }
  int end_lo(int t) const { return boundaries_[static_cast<size_t>(t)].end_lo; }
  int end_hi(int t) const { return boundaries_[static_cast<size_t>(t)].end_hi; }

  // The ends of boundary t (t >= 1, in order), states lo..hi; derives the starts there.
  void Add(int t, int lo, int hi, std::span<const double> cost, std::span<const int> length) {
    Boundary& b = boundaries_[static_cast<size_t>(t)];
    b.end_lo = lo;
    b.end_hi = hi;
    b.end_offset = ends_.size();
    ends_.insert(ends_.end(), cost.begin(), cost.end());
    lengths_.insert(lengths_.end(), length.begin(), length.end());
    b.start_offset = starts_.size();
    keys_.Begin(t);
    if (hi < lo) return;
    // A state may follow states up to three before it (a unit's last state, or either part of
    // the pause after it).
    b.start_lo = lo + 1;
    b.start_hi = std::min(count_ - 1, hi + 3);
    for (int s = b.start_lo; s <= b.start_hi; ++s) {
      double best = kInf;
      const State& state = (*states_)[static_cast<size_t>(s)];
      for (int p : state.preds) best = std::min(best, End(p, t));
      starts_.push_back(best);
      keys_.Set(s, t, Key(best, state.sound, t));
    }
  }

 private:
  double Key(double start, Sound sound, int t) const {
    return start - model_->Cost(sound, 0, t) - kBoundaryBonus * model_->Change(t);
  }

  // The keys of the latest `longest` boundaries, one row per state that has a finite key among
  // them; a row is a ring of the boundaries, held twice over, so that any run of up to
  // `longest` boundaries lies in one piece. Only the states near the best path have a row at a
  // time, so the rows take little room and stay in the cache.
  class StartRows {
   public:
    void Reset(int states, int longest) {
      ring_ = std::max(1, longest);
      of_.assign(static_cast<size_t>(states), Of{});
      rowed_.clear();
      free_.clear();
      rows_.clear();
    }

    // Boundary t (each once, in order): every key of it is infinite until Set.
    void Begin(int t) {
      slot_ = static_cast<size_t>(t % ring_);
      // Rows without a finite key at the latest `ring_` boundaries are let go.
      size_t kept = 0;
      for (const int s : rowed_) {
        Of& of = of_[static_cast<size_t>(s)];
        if (of.last <= t - ring_) {
          free_.push_back(of.row);
          of.row = -1;
          continue;
        }
        double* keys = Row(of.row);
        keys[slot_] = keys[slot_ + static_cast<size_t>(ring_)] = kInf;
        rowed_[kept++] = s;
      }
      rowed_.resize(kept);
    }

    void Set(int s, int t, double key) {
      if (key == kInf) return;
      Of& of = of_[static_cast<size_t>(s)];
      int& row = of.row;
      if (row < 0) {
        if (free_.empty()) {
          free_.push_back(static_cast<int>(rows_.size() / (2 * static_cast<size_t>(ring_))));
          rows_.resize(rows_.size() + 2 * static_cast<size_t>(ring_));
        }
        row = free_.back();
        free_.pop_back();
        double* keys = Row(row);
        std::fill(keys, keys + 2 * static_cast<ptrdiff_t>(ring_), kInf);
        rowed_.push_back(s);
        of.first = t;
      }
      double* keys = Row(row);
      keys[slot_] = keys[slot_ + static_cast<size_t>(ring_)] = key;
      of.last = t;
    }

    const double* Window(int s, int t, int most, int& first, int& count) const {
      const Of& of = of_[static_cast<size_t>(s)];
      if (of.row < 0) return nullptr;
      // Before the row's first finite key, and after its last, every key is infinite.
      first = std::max(t - most, of.first);
      count = of.last - first + 1;
      if (count <= 0) return nullptr;
      return rows_.data() + static_cast<size_t>(of.row) * 2 * static_cast<size_t>(ring_) +
             static_cast<size_t>(first % ring_);
    }

   private:
    double* Row(int row) {
      return rows_.data() + static_cast<size_t>(row) * 2 * static_cast<size_t>(ring_);
    }

    int ring_ = 1;
    size_t slot_ = 0;
    // Per state: its row (-1: none), the first boundary with a finite key in it and the
    // latest one.
    struct Of {
      int row = -1, first = 0, last = 0;
    };
    std::vector<Of> of_;
    std::vector<int> rowed_;  // the states with a row
    std::vector<int> free_;   // rows to be had again
    std::vector<double> rows_;
  };

  struct Boundary {
    int end_lo = 0, end_hi = -1;
    int start_lo = 0, start_hi = -1;
    size_t end_offset = 0, start_offset = 0;
  };
  const AcousticModel* model_ = nullptr;
  const std::vector<State>* states_ = nullptr;
  int count_ = 0;
  std::vector<Boundary> boundaries_;
  std::vector<double> ends_;
  std::vector<int> lengths_;
  std::vector<double> starts_;
  StartRows keys_;
};

struct StateSpan {
  int start = -1;  // first frame; -1 when the search left the state out
  int end = -1;    // one past the last frame
};

// The best path through all states, or false when none reached the end. The search runs frame
// by frame; at every boundary it keeps only the state ends within `kScoreBeam` of the best one
// there, and at most `beam` of them, so that its cost grows with the length of the recording
// times the states within reach, not times all states.
//
// Built twice, with its states' best starts worked out W sums at a time: W = 2 for any
// processor, 4 for one with AVX2 (the same bits either way, internal/best_start.h).
template <size_t W>
[[gnu::always_inline]] inline bool SearchInLanes(const AcousticModel& model,
                                                 const std::vector<State>& states, int beam,
                                                 Lattice& lattice, std::vector<StateSpan>& spans) {
  const int frames = model.frame_count();
  const int count = static_cast<int>(states.size());
  if (count == 0 || frames < states.front().needs_after + 1) return false;
  int longest = 1;
  for (const State& s : states) longest = std::max(longest, static_cast<int>(s.length.size()) - 1);
  lattice.Reset(model, states, longest);
  // What the search reads of every state at every frame, side by side.
  struct Reads {
    const double* length;
    int longest;  // length[1 .. longest]
    int needs_after;
    Sound sound;
    bool loops;
  };
  std::vector<Reads> reads(states.size());
  for (size_t i = 0; i < states.size(); ++i) {
    const State& s = states[i];
    reads[i] = {s.length.data(), static_cast<int>(s.length.size()) - 1, s.needs_after, s.sound,
                s.loops};
  }
  std::vector<double> cost, kept;
  std::vector<int> length;
  // The boundaries within the longest length that states may start at, those with the least
  // first state and the greatest last one in front: lowest[lowest_front] is the boundary with
  // the least first state of them, and each later one has a greater first state (highest
  // alike), so that the window's least and greatest come without walking it.
  std::vector<int> lowest, highest;
  size_t lowest_front = 0, highest_front = 0;
  for (int t = 1; t <= frames; ++t) {
    // States that can end here started within the longest length, or loop on from t - 1.
    if (lattice.start_hi(t - 1) >= lattice.start_lo(t - 1)) {
      while (lowest.size() > lowest_front &&
             lattice.start_lo(lowest.back()) >= lattice.start_lo(t - 1)) {
        lowest.pop_back();
      }
      lowest.push_back(t - 1);
      while (highest.size() > highest_front &&
             lattice.start_hi(highest.back()) <= lattice.start_hi(t - 1)) {
        highest.pop_back();
      }
      highest.push_back(t - 1);
    }
    while (lowest_front < lowest.size() && lowest[lowest_front] < t - longest) ++lowest_front;
    while (highest_front < highest.size() && highest[highest_front] < t - longest) {
      ++highest_front;
    }
    int lo = lattice.end_hi(t - 1) >= lattice.end_lo(t - 1) ? lattice.end_lo(t - 1) : count;
    int hi = lattice.end_hi(t - 1) >= lattice.end_lo(t - 1) ? lattice.end_hi(t - 1) : -1;
    if (lowest_front < lowest.size()) lo = std::min(lo, lattice.start_lo(lowest[lowest_front]));
    if (highest_front < highest.size()) {
      hi = std::max(hi, lattice.start_hi(highest[highest_front]));
    }
    if (hi < lo) return false;
    cost.assign(static_cast<size_t>(hi - lo) + 1, kInf);
    length.assign(cost.size(), 0);
    double frame_best = kInf;
    for (int i = lo; i <= hi; ++i) {
      const Reads& s = reads[static_cast<size_t>(i)];
      if (frames - t < s.needs_after) continue;
      double best = kInf;
      int best_length = 0;
      if (s.loops) {
        const double enter = lattice.Start(i, t - 1) - kBoundaryBonus * model.Change(t - 1);
        const double stay = lattice.End(i, t - 1);
        if (enter <= stay && enter < kInf) {
          best = enter;
          best_length = 1;
        } else if (stay < kInf) {
          best = stay;
          best_length = lattice.Length(i, t - 1) + 1;
        }
        best += model.FrameCost(s.sound, t - 1);
      } else {
        // cost(start, t) = Start + frames' cost + length cost - bonus; the frames' cost is a
        // difference of running sums, so only the start's part (its key) changes with the
        // length.
        const int most = std::min(t, s.longest);
        int first = 0, keys_count = 0;
        if (const double* keys = lattice.StartKeys(i, t, most, first, keys_count)) {
          best = BestStartInLanes<W>(keys, s.length, keys_count, t - first, best_length);
        }
        best += model.Cost(s.sound, 0, t);
      }
      cost[static_cast<size_t>(i - lo)] = best;
      length[static_cast<size_t>(i - lo)] = best_length;
      frame_best = std::min(frame_best, best);
    }
    // Keep the ends near the best, and at most `beam` of them.
    double limit = frame_best + kScoreBeam;
    if (beam > 0 &&
        std::count_if(cost.begin(), cost.end(), [limit](double c) { return c <= limit; }) > beam) {
      kept.clear();
      for (double c : cost) {
        if (c <= limit) kept.push_back(c);
      }
      std::nth_element(kept.begin(), kept.begin() + (beam - 1), kept.end());
      limit = kept[static_cast<size_t>(beam - 1)];
    }
    int first = hi + 1, last = lo - 1;
    int left = beam > 0 ? beam : count;
    for (int i = lo; i <= hi; ++i) {
      double& c = cost[static_cast<size_t>(i - lo)];
      if (c > limit || c == kInf || left == 0) {
        c = kInf;
        continue;
      }
      --left;
      first = std::min(first, i);
      last = i;
    }
    if (first > last) {
      lattice.Add(t, 0, -1, {}, {});
      continue;
    }
    lattice.Add(t, first, last,
                std::span<const double>(cost).subspan(static_cast<size_t>(first - lo)),
                std::span<const int>(length).subspan(static_cast<size_t>(first - lo)));
  }
  if (lattice.End(count - 1, frames) == kInf) return false;
  spans.assign(static_cast<size_t>(count), {});
  int s = count - 1, t = frames;
  for (;;) {
    const int d = lattice.Length(s, t);
    spans[static_cast<size_t>(s)] = {t - d, t};
    t -= d;
    const State& state = states[static_cast<size_t>(s)];
    if (state.preds.empty()) return t == 0;
    int next = -1;
    double best = kInf;
    for (int p : state.preds) {
      const double c = lattice.End(p, t);
      if (c < best) {
        best = c;
        next = p;
      }
    }
    if (next < 0) return false;
    s = next;
  }
}

bool SearchInTwoLanes(const AcousticModel& model, const std::vector<State>& states, int beam,
                      Lattice& lattice, std::vector<StateSpan>& spans) {
  return SearchInLanes<2>(model, states, beam, lattice, spans);
}

__attribute__((target("avx2"))) bool SearchInFourLanes(const AcousticModel& model,
                                                       const std::vector<State>& states, int beam,
                                                       Lattice& lattice,
                                                       std::vector<StateSpan>& spans) {
  return SearchInLanes<4>(model, states, beam, lattice, spans);
}

bool Search(const AcousticModel& model, const std::vector<State>& states, int beam,
            Lattice& lattice, std::vector<StateSpan>& spans) {
  static const bool four_lanes = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
  }();
  return four_lanes ? SearchInFourLanes(model, states, beam, lattice, spans)
                    : SearchInTwoLanes(model, states, beam, lattice, spans);
}

// The speaking rate the states' lengths show: the median ratio of their lengths to their
// priors, times the rate those priors were scaled by.
double SpeakingRate(const std::vector<State>& states, const std::vector<StateSpan>& spans,
                    double rate) {
  std::vector<double> ratios;
  for (size_t s = 0; s < states.size(); ++s) {
    if (states[s].typical <= 0 || spans[s].start < 0) continue;
    ratios.push_back((spans[s].end - spans[s].start) / states[s].typical);
  }
  if (ratios.empty()) return rate;
  std::nth_element(ratios.begin(), ratios.begin() + static_cast<std::ptrdiff_t>(ratios.size() / 2),
                   ratios.end());
  return std::clamp(rate * ratios[ratios.size() / 2], kFastest, kSlowest);
}

}  // namespace

bool ReadGrammar(std::string_view dictionary, std::string_view bigram, std::string_view trigram,
                 std::vector<std::string>& units) {
  units.clear();
  std::map<std::string, std::string> pronunciation;
  for (std::string_view line : Lines(dictionary)) {
    const std::vector<std::string> tokens = Tokens(line);
    if (tokens.size() >= 3) pronunciation[tokens[0]] = tokens.back();
  }
  std::map<std::string, std::string> next;
  for (const auto& row : Section(bigram, "\\2-grams:")) {
    if (row.size() >= 3) next[row[1]] = row[2];
  }
  std::map<std::string, std::string> previous;
  for (const auto& row : Section(trigram, "\\2-grams:")) {
    if (row.size() >= 3) previous[row[1]] = row[2];
  }
  std::string word = "<s>";
  for (size_t guard = 0; guard <= next.size(); ++guard) {
    const auto phone = pronunciation.find(word);
    if (phone == pronunciation.end()) return false;
    units.push_back(phone->second);
    if (word == "</s>") return units.size() >= 2;
    const auto following = next.find(word);
    if (following == next.end()) return false;
    // The backward file must lead from the next word back to this one.
    if (!previous.empty()) {
      const auto back = previous.find(following->second);
      if (back == previous.end() || back->second != word) return false;
    }
    word = following->second;
  }
  return false;  // the chain loops
}

bool AlignUnits(const Recording& recording, std::span<const std::string> units, int beam,
                std::vector<UnitSpan>& spans) {
  spans.clear();
  if (units.empty() || recording.frames.empty()) return false;
  std::array<int, kShapeCount> shape_counts{};
  for (const std::string& unit : units) {
    for (const StateModel& m : StatesOfPhone(unit)) {
      if (ShapeOf(m.sound) >= 0) ++shape_counts[static_cast<size_t>(ShapeOf(m.sound))];
    }
  }
  AcousticModel model(recording, shape_counts);
  double rate = 1.0;
  std::vector<State> states = BuildStates(units, rate);
  Lattice lattice;
  std::vector<StateSpan> found;
  if (!Search(model, states, beam, lattice, found)) return false;
  // Again with the speaker's own vowels, nasals and speaking rate.
  for (int pass = 1; pass < kPasses; ++pass) {
    std::array<std::vector<int>, kShapeCount> shape_frames;
    for (size_t s = 0; s < states.size(); ++s) {
      const int shape = ShapeOf(states[s].sound);
      if (shape < 0 || found[s].end - found[s].start < kShapeFrames) continue;
      for (int f = found[s].start + 1; f < found[s].end - 1; ++f)
        shape_frames[static_cast<size_t>(shape)].push_back(f);
    }
    model.Adapt(shape_frames);
    // The last search runs on this thread alone: the helpers end meanwhile, not after it.
    if (pass + 1 == kPasses) LetHelpersGo();
    rate = SpeakingRate(states, found, rate);
    states = BuildStates(units, rate);
    if (!Search(model, states, beam, lattice, found)) return false;
  }

  spans.assign(units.size(), {-1, -1, 0});
  std::vector<double> costs(units.size(), 0.0);
  for (size_t s = 0; s < states.size(); ++s) {
    if (found[s].start < 0) continue;
    UnitSpan& span = spans[static_cast<size_t>(states[s].unit)];
    span.start = span.start < 0 ? found[s].start : std::min(span.start, found[s].start);
    span.end = std::max(span.end, found[s].end - 1);
    costs[static_cast<size_t>(states[s].unit)] +=
        model.Cost(states[s].sound, found[s].start, found[s].end);
  }
  for (size_t u = 0; u < spans.size(); ++u) {
    spans[u].score = -costs[u] / std::max(1, spans[u].end - spans[u].start + 1);
  }
  return true;
}

std::string FormatAlignment(std::span<const std::string> units, std::span<const UnitSpan> spans) {
  std::string out =
      "=== phoneme alignment begin ===\n id: from  to    n_score    unit\n"
      " ----------------------------------------\n";
  double total = 0;
  char line[128];
  for (size_t i = 0; i < units.size() && i < spans.size(); ++i) {
    std::snprintf(line, sizeof line, "[ %4d %4d]  %f  %s\n", spans[i].start, spans[i].end,
                  spans[i].score, units[i].c_str());
    out += line;
    total += spans[i].score * (spans[i].end - spans[i].start + 1);
  }
  std::snprintf(line, sizeof line, "re-computed AM score: %f\n", total);
  out += line;
  out += "=== phoneme alignment end ===\n";
  return out;
}

}  // namespace vtr::recogniser
