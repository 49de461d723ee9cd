#include "largepages.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace win32 {

namespace {

constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;

std::size_t MappedLength(std::size_t size) { return (size + kPage - 1) & ~(kPage - 1); }

}  // namespace

void* AllocateLarge(std::size_t size) {
  if (size < kLargePage) {
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
  if (size < kLargePage) {
    std::free(memory);
  } else {
    ::munmap(memory, MappedLength(size));
  }
}

}  // namespace win32
