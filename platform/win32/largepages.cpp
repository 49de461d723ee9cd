#include "largepages.h"

#include <sys/mman.h>

#include <cstdlib>

namespace win32 {

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;

}  // namespace

void* AllocateLarge(std::size_t size) {
  if (size < kLargePage) {
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
  }
  // aligned_alloc wants a multiple of the alignment; the pages past size are
  // never touched, so they cost no memory.
  const std::size_t rounded = (size + kLargePage - 1) & ~(kLargePage - 1);
  if (rounded < size) throw std::bad_alloc();
  void* memory = std::aligned_alloc(kLargePage, rounded);
  if (!memory) throw std::bad_alloc();
  // Advice only: without large pages the memory works all the same.
  ::madvise(memory, rounded, MADV_HUGEPAGE);
  return memory;
}

void FreeLarge(void* memory) noexcept { std::free(memory); }

}  // namespace win32
