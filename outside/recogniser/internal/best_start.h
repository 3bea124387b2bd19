// The inner step of the alignment search: where a state that ends at a frame boundary started.
//
// For a state ending at boundary t, the search holds its start keys at the boundaries before
// t (the cost of starting there, less the part that is the same for every start) and its cost
// of lasting d frames. The state's best cost is the least key[t - d] + length[d]; on a tie the
// shortest d wins, as when the lengths are tried from d = 1 up and only a smaller cost replaces
// the one found. Several sums go at once, four where the processor has AVX2, and every sum is
// the same bits as one at a time, so the result does not depend on the lanes.
//
//   // given: const double* keys; const double* length
//   // keys: at the boundaries t - 6 .. t - 2; length: d = 0 .. 6 at least
//   int d = 0;
//   const double best = vtr::recogniser::BestStart(keys, length, 5, 6, d);  // d in 2 .. 6
#ifndef VTR_OUTSIDE_RECOGNISER_INTERNAL_BEST_START_H_
#define VTR_OUTSIDE_RECOGNISER_INTERNAL_BEST_START_H_

namespace vtr::recogniser {

// The least key[j] + length[top - j] over j = 0 .. count - 1 (count <= top), and in
// `best_length` the d = top - j it is reached with, the smallest d on a tie. Infinite keys take
// no part; infinity, with d = 0, when every key is infinite or count is 0.
double BestStart(const double* key, const double* length, int count, int top, int& best_length);

// The same with two lanes, whatever the processor: for comparing the two.
double BestStartTwoLanes(const double* key, const double* length, int count, int top,
                         int& best_length);

}  // namespace vtr::recogniser

#endif  // VTR_OUTSIDE_RECOGNISER_INTERNAL_BEST_START_H_
