#include "largepages.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace win32 {

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;

// Whole pages; a buffer short of a whole number of large pages by at most a
// sixteenth of its size is given them, so that a buffer made to just fit a
// large page (a chunk of a mesh's edge lines) is backed by one.
std::size_t MappedLength(std::size_t size) {
  const std::size_t pages = (size + kPage - 1) & ~(kPage - 1);
  const std::size_t large = (size + kLargePage - 1) & ~(kLargePage - 1);
  return large >= size && large - size <= size / 16 ? large : pages;
}

bool FromHeap(std::size_t size) { return MappedLength(size) < kLargePage; }

}  // namespace

void* AllocateLarge(std::size_t size) {
  if (FromHeap(size)) {
    if (void* memory = std::calloc(size ? size : 1, 1)) return memory;
    throw std::bad_alloc();
  }
  const std::size_t length = MappedLength(size);
  if (length < size || length > static_cast<std::size_t>(-1) - kLargePage) throw std::bad_alloc();
  // Mapped a large page longer, then trimmed to start on a large page.
  void* raw = ::mmap(nullptr, length + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto first = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t start = (first + kLargePage - 1) & ~std::uintptr_t{kLargePage - 1};
  if (start > first) ::munmap(raw, start - first);
  const std::size_t after = first + length + kLargePage - (start + length);
  if (after) ::munmap(reinterpret_cast<void*>(start + length), after);
  // Advice only: without large pages the memory works all the same.
  ::madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(start);
}

void FreeLarge(void* memory, std::size_t size) noexcept {
  if (!memory) return;
  if (FromHeap(size)) {
    std::free(memory);
  } else {
    ::munmap(memory, MappedLength(size));
  }
}

}  // namespace win32
