// The part of a text that an edit changed, so that a view can take over just that part instead
// of the whole text. Layer internal.
//
//   const TextChange change = ChangeBetween("かきく", "かさく");
//   // bytes [3, 6) of the old text became bytes [3, 6) of the new one: "き" became "さ"
#ifndef VTR_PLATFORM_WINDOW_INTERNAL_TEXT_CHANGE_H_
#define VTR_PLATFORM_WINDOW_INTERNAL_TEXT_CHANGE_H_

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace vtr::platform::internal {

// Bytes [start, before.size() - tail) of `before` became bytes [start, after.size() - tail) of
// `after`; the rest is the same in both. Both ends lie between UTF-8 characters, and the change
// is the shortest with that property (empty for equal texts).
struct TextChange {
  size_t start = 0;
  size_t tail = 0;
  std::string_view Old(std::string_view before) const {
    return before.substr(start, before.size() - tail - start);
  }
  std::string_view New(std::string_view after) const {
    return after.substr(start, after.size() - tail - start);
  }
};

inline TextChange ChangeBetween(std::string_view before, std::string_view after) {
  const auto continues = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
  const size_t shorter = std::min(before.size(), after.size());
  // Blocks first: the texts are long and the change is a key's worth.
  constexpr size_t kBlock = 64;
  TextChange change;
  while (change.start + kBlock <= shorter &&
         before.compare(change.start, kBlock, after.substr(change.start, kBlock)) == 0) {
    change.start += kBlock;
  }
  while (change.start < shorter && before[change.start] == after[change.start]) ++change.start;
  // Both texts agree up to `start`, so a character starts there in one exactly when it does in
  // the other.
  while (change.start > 0 && change.start < before.size() && continues(before[change.start]))
    --change.start;
  while (change.start > 0 && change.start < after.size() && continues(after[change.start]))
    --change.start;
  while (change.tail + kBlock <= shorter - change.start &&
         before.compare(before.size() - change.tail - kBlock, kBlock,
                        after.substr(after.size() - change.tail - kBlock, kBlock)) == 0) {
    change.tail += kBlock;
  }
  while (change.tail < shorter - change.start &&
         before[before.size() - 1 - change.tail] == after[after.size() - 1 - change.tail]) {
    ++change.tail;
  }
  while (change.tail > 0 && continues(before[before.size() - change.tail])) --change.tail;
  return change;
}

}  // namespace vtr::platform::internal

#endif  // VTR_PLATFORM_WINDOW_INTERNAL_TEXT_CHANGE_H_
