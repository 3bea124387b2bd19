#include "platform/testing/failing_allocation.h"

#include <cstdlib>
#include <new>

namespace vtr::platform::testing {
namespace {

thread_local int failing_depth = 0;
thread_local int refused_count = 0;

void* Allocate(std::size_t size) {
  if (failing_depth > 0) {
    ++refused_count;
    throw std::bad_alloc();
  }
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
  if (failing_depth > 0) {
    ++refused_count;
    throw std::bad_alloc();
  }
  const auto align = static_cast<std::size_t>(alignment);
  const std::size_t rounded = (size + align - 1) / align * align;
  void* memory = std::aligned_alloc(align, rounded == 0 ? align : rounded);
  if (memory == nullptr) throw std::bad_alloc();
  return memory;
}

}  // namespace

ScopedFailingAllocation::ScopedFailingAllocation() {
  if (failing_depth++ == 0) refused_count = 0;
}

ScopedFailingAllocation::~ScopedFailingAllocation() { --failing_depth; }

int ScopedFailingAllocation::refused() { return refused_count; }

}  // namespace vtr::platform::testing

using vtr::platform::testing::Allocate;
using vtr::platform::testing::AllocateAligned;

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return Allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return AllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return AllocateAligned(size, alignment);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  try {
    return AllocateAligned(size, alignment);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
  try {
    return AllocateAligned(size, alignment);
  } catch (...) {
    return nullptr;
  }
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(memory);
}
void operator delete[](void* memory, std::align_val_t, const std::nothrow_t&) noexcept {
  std::free(memory);
}
