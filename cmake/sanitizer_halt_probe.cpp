// A fuzz target whose every input overflows a signed integer: the fuzz preset's tests run it
// to show that undefined behaviour stops a fuzzer instead of being reported and passed over.
#include <climits>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t size) {
  // Volatile both ways: the sum is computed when the fuzzer runs and kept.
  volatile int largest = INT_MAX;
  volatile int sum = largest + static_cast<int>(size % 2 + 1);
  (void)sum;
  return 0;
}
