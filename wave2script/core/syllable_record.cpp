#include "wave2script/core/syllable_record.h"

#include <algorithm>
#include <utility>

namespace vtr::w2s {

namespace {
constexpr size_t kMinGrowStep = 4;
constexpr size_t kMaxGrowStep = 1024;
}  // namespace

SyllableArray::SyllableArray(const SyllableArray& other) { *this = other; }

SyllableArray& SyllableArray::operator=(const SyllableArray& other) {
  if (this == &other) return *this;
  SetSize(0);
  grow_step_ = other.grow_step_;
  SetSize(other.size_);
  std::copy(other.begin(), other.end(), begin());
  return *this;
}

void SyllableArray::SetSize(size_t size, int grow_step) {
  if (grow_step >= 0) grow_step_ = static_cast<size_t>(grow_step);
  if (size == 0) {
    data_.reset();
    size_ = capacity_ = 0;
    return;
  }
  if (size <= capacity_) {
    // Records beyond the size are kept empty, whether they are new or dropped.
    const size_t first = std::min(size, size_);
    const size_t last = std::max(size, size_);
    for (size_t i = first; i < last; ++i) data_[i] = SyllableRecord();
    size_ = size;
    return;
  }
  size_t step = grow_step_;
  if (step == 0) step = std::clamp(size_ / 8, kMinGrowStep, kMaxGrowStep);
  const size_t capacity = std::max(capacity_ + step, size);
  auto data = std::make_unique<SyllableRecord[]>(capacity);
  std::move(begin(), end(), data.get());
  data_ = std::move(data);
  size_ = size;
  capacity_ = capacity;
}

void SyllableArray::Add(const SyllableRecord& record) {
  SyllableRecord copy = record;  // `record` may live in this array
  SetSize(size_ + 1);
  data_[size_ - 1] = std::move(copy);
}

}  // namespace vtr::w2s
