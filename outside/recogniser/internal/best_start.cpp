#include "outside/recogniser/internal/best_start.h"

namespace vtr::recogniser {
namespace {

__attribute__((target("avx2"))) double BestStartFourLanes(const double* key, const double* length,
                                                          int count, int top, int& best_length) {
  return BestStartInLanes<4>(key, length, count, top, best_length);
}

}  // namespace

double BestStartTwoLanes(const double* key, const double* length, int count, int top,
                         int& best_length) {
  return BestStartInLanes<2>(key, length, count, top, best_length);
}

double BestStart(const double* key, const double* length, int count, int top, int& best_length) {
  static const bool four_lanes = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
  }();
  return four_lanes ? BestStartFourLanes(key, length, count, top, best_length)
                    : BestStartTwoLanes(key, length, count, top, best_length);
}

}  // namespace vtr::recogniser
