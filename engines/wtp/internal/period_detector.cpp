#include "engines/wtp/internal/period_detector.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace vtr::wtp::internal {
namespace {

constexpr double kMaxPeriodSec = 0.025;    // 40 Hz
constexpr double kMinPeriodSec = 0.00125;  // 800 Hz
constexpr double kNear = 0.2;              // a candidate within 20 % of the previous estimate
constexpr double kAgree = 0.2;             // candidates within 20 % of the one before agree
constexpr double kSameDouble = 0.1;        // a double whose single period repeats within 10 %
constexpr int kAgreementsForSingle = 5;    // more agreeing doubles than this give the single period
constexpr int kSettledFrames = 2;          // tracking beyond this many frames checks octaves
constexpr int kTrustedFrames = 20;         // beyond this many frames a jump of half is held
constexpr double kLargestJump = 0.5;
constexpr int kMaxCrossingsForMiss = 51;  // a miss is bridged below this (per 10 ms)
constexpr int kMaxBridgedMisses = 5;

}  // namespace

PeriodSelector::PeriodSelector(int rate)
    : min_period_(rate * kMinPeriodSec), max_period_(rate * kMaxPeriodSec) {
  slots_.fill({-1, -1, -1, -1, -1, -1});
}

int PeriodSelector::Select(int a, int b, int x, int tracked_frames, int crossings) {
  const Slot& prev = slots_[(slot_ + kSlots - 1) % kSlots];
  const Slot& prev2 = slots_[(slot_ + kSlots - 2) % kSlots];
  Slot& slot = slots_[slot_];
  slot_ = (slot_ + 1) % kSlots;
  if (a == -1) {
    slot = {0, 0, 0, 0, 0, 0};
    return -1;
  }
  const int A = a + b;
  const int B = a + prev.b;
  const int A2 = prev.A + A;
  const int B2 = prev.B + B;
  const int A1 = prev.A, B1 = prev.B, A0 = prev2.A, B0 = prev2.B;
  slot = {a, b, A, B, A2, B2};
  auto within = [](int v, int ref, double share) { return std::abs(v - ref) < share * ref; };

  if (x == -1) {
    // No previous estimate: three consecutive candidates must agree.
    misses_ = 0;
    int result = -1;
    if (within(A, A1, kAgree) && within(A1, A0, kAgree)) {
      mode_ = Mode::kA;
      result = A;
    } else if (within(B, B1, kAgree) && within(B1, B0, kAgree)) {
      mode_ = Mode::kB;
      result = B;
    }
    return result != -1 && InBounds(result) ? result : -1;
  }

  auto near = [&](int v) { return std::abs(v - x) < kNear * x; };
  if (tracked_frames <= kSettledFrames) {
    misses_ = 0;
    int result = -1;
    if (mode_ == Mode::kB && near(B)) {
      agree_ = 0;
      result = B;
    } else if (mode_ == Mode::kA && near(A)) {
      agree_ = 0;
      result = A;
    } else if (within(A, A1, kAgree)) {
      mode_ = Mode::kA;
      result = A;
    } else if (within(B, B1, kAgree)) {
      mode_ = Mode::kB;
      result = B;
    }
    return result != -1 && InBounds(result) ? result : -1;
  }

  // Double of A: the single period once it has agreed more than five times in a row.
  auto b_case = [&] {
    mode_ = Mode::kA;
    if (within(A, A1, kSameDouble)) {
      ++agree_;
      return agree_ > kAgreementsForSingle ? A : A2;
    }
    agree_ = 0;
    return A2;
  };
  // Double of B, likewise.
  auto a_case = [&] {
    mode_ = Mode::kB;
    if (within(B, B1, kSameDouble)) {
      ++agree_;
      return agree_ > kAgreementsForSingle ? B : B2;
    }
    agree_ = 0;
    return B2;
  };
  int result = -1;
  if (mode_ == Mode::kB) {
    if (near(B)) {
      agree_ = 0;
      result = B;
    } else if (!near(A)) {
      result = near(B2) ? a_case() : near(A2) ? b_case() : -1;
    } else {
      mode_ = Mode::kA;
      agree_ = 0;
      result = A;
    }
  } else {
    if (near(A)) {
      agree_ = 0;
      result = A;
    } else if (near(B)) {
      mode_ = Mode::kB;
      agree_ = 0;
      result = B;
    } else if (near(A2)) {
      result = b_case();
    } else if (near(B2)) {
      result = a_case();
    }
  }
  if (result != -1 && tracked_frames > kTrustedFrames && std::abs(result - x) > kLargestJump * x)
    result = x;
  if (result != -1 && !InBounds(result)) result = -1;
  if (result == -1) {
    // Misses are counted first: up to five in a row are bridged while the signal is not
    // noise-like.
    ++misses_;
    return crossings < kMaxCrossingsForMiss && misses_ <= kMaxBridgedMisses ? 0 : -1;
  }
  misses_ = 0;
  return result;
}

}  // namespace vtr::wtp::internal
