#include "largepages.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <mutex>

namespace win32 {

namespace {

constexpr std::size_t kPage = 4096;
// Buffers from this size on are mapped (or taken from the freed ones).
constexpr std::size_t kMappedFrom = std::size_t{256} << 10;
// The most freed memory kept for reuse.
constexpr std::size_t kMostKept = std::size_t{64} << 20;

// Whole pages; a buffer short of a whole number of large pages by at most a
// sixteenth of its size is given them, so that a buffer made to just fit a
// large page (a chunk of a mesh's edge lines) is backed by one.
std::size_t MappedLength(std::size_t size) {
  const std::size_t pages = (size + kPage - 1) & ~(kPage - 1);
  const std::size_t large = (size + kLargePageSize - 1) & ~(kLargePageSize - 1);
  return large >= size && large - size <= size / 16 ? large : pages;
}

bool FromHeap(std::size_t size) { return size < kMappedFrom; }

std::uintptr_t AlignUp(std::uintptr_t at, std::size_t alignment) { return (at + alignment - 1) & ~(alignment - 1); }
std::uintptr_t AlignDown(std::uintptr_t at, std::size_t alignment) { return at & ~(alignment - 1); }

// The pages a mapping of length bytes is made of, and aligned to.
std::size_t PageOf(std::size_t length) { return length >= kLargePageSize ? kLargePageSize : kPage; }

// Mapped memory that was freed, kept mapped for the next buffers: its pages
// have been touched, so a buffer made there costs no page faults, only its
// clearing. Ranges are whole pages, adjacent ones merged. A buffer that fits
// none of them gets a fresh mapping, and the kept ranges are given back
// first: the memory in use plus what is kept never exceeds what was once in
// use.
class CFreedRanges {
 public:
  // A range of length bytes starting on a multiple of alignment, or null.
  void* Take(std::size_t length, std::size_t alignment) {
    std::lock_guard lock(m_mutex);
    auto best = m_ranges.end();
    std::uintptr_t bestStart = 0;
    for (auto it = m_ranges.begin(); it != m_ranges.end(); ++it) {
      const std::uintptr_t start = AlignUp(it->first, alignment);
      if (start < it->first || start - it->first > it->second || it->second - (start - it->first) < length) continue;
      if (best == m_ranges.end() || it->second < best->second) {
        best = it;
        bestStart = start;
      }
    }
    if (best == m_ranges.end()) {
      ReleaseAll();
      return nullptr;
    }
    const std::uintptr_t first = best->first;
    const std::uintptr_t end = first + best->second;
    m_ranges.erase(best);
    if (bestStart > first) m_ranges.emplace(first, bestStart - first);
    if (bestStart + length < end) m_ranges.emplace(bestStart + length, end - (bestStart + length));
    m_kept -= length;
    return reinterpret_cast<void*>(bestStart);
  }

  // Keeps [memory, memory + length) for reuse, or unmaps it when no
  // LargeBufferReuse lives or the kept memory would exceed kMostKept.
  void Give(void* memory, std::size_t length) {
    std::lock_guard lock(m_mutex);
    const auto spent = m_spent.find(reinterpret_cast<std::uintptr_t>(memory));
    if (spent != m_spent.end()) {
      const std::size_t keep = std::min(spent->second, length);
      m_spent.erase(spent);
      if (keep < length) ::munmap(static_cast<char*>(memory) + keep, length - keep);
      length = keep;
      if (length == 0) return;
    }
    if (m_reusers == 0 || length > kMostKept - m_kept) {
      ::munmap(memory, length);
      return;
    }
    std::uintptr_t start = reinterpret_cast<std::uintptr_t>(memory);
    std::size_t size = length;
    auto next = m_ranges.lower_bound(start);
    if (next != m_ranges.end() && next->first == start + size) {
      size += next->second;
      next = m_ranges.erase(next);
    }
    if (next != m_ranges.begin()) {
      auto before = std::prev(next);
      if (before->first + before->second == start) {
        start = before->first;
        size += before->second;
        m_ranges.erase(before);
      }
    }
    m_ranges.emplace(start, size);
    m_kept += length;
  }

  // Of the buffer at memory, whose pages are given back, at most the first
  // keep bytes are kept when it is freed, the rest unmapped: kept, pages
  // given back would save no faults, and large pages faulted in anew past
  // the end of a smaller buffer cut from them would only add memory. The
  // bytes that will be kept, none when no reuse lives or they would not fit.
  std::size_t Spend(void* memory, std::size_t keep) noexcept {
    std::lock_guard lock(m_mutex);
    if (m_reusers == 0 || keep > kMostKept - m_kept) keep = 0;
    try {
      m_spent[reinterpret_cast<std::uintptr_t>(memory)] = keep;
    } catch (const std::bad_alloc&) {
      // Then it is kept whole, as any other: it works all the same.
    }
    return keep;
  }

  void BeginReuse() {
    std::lock_guard lock(m_mutex);
    ++m_reusers;
  }
  void EndReuse() {
    std::lock_guard lock(m_mutex);
    if (--m_reusers == 0) ReleaseAll();
  }

 private:
  void ReleaseAll() {
    for (const auto& [start, size] : m_ranges) ::munmap(reinterpret_cast<void*>(start), size);
    m_ranges.clear();
    m_kept = 0;
  }

  std::mutex m_mutex;
  std::map<std::uintptr_t, std::size_t> m_ranges;  // start, length
  std::size_t m_kept = 0;
  std::size_t m_reusers = 0;                      // the LargeBufferReuse objects alive
  std::map<std::uintptr_t, std::size_t> m_spent;  // spent buffers in use: the bytes to keep
};

CFreedRanges& Freed() {
  // Never destroyed: buffers may be freed while the process ends.
  static auto* ranges = new CFreedRanges;
  return *ranges;
}

}  // namespace

LargeBufferReuse::LargeBufferReuse() { Freed().BeginReuse(); }

LargeBufferReuse::~LargeBufferReuse() { Freed().EndReuse(); }

void* AllocateLarge(std::size_t size) {
  if (FromHeap(size)) {
    if (void* memory = std::calloc(size ? size : 1, 1)) return memory;
    throw std::bad_alloc();
  }
  const std::size_t length = MappedLength(size);
  if (length < size || length > static_cast<std::size_t>(-1) - kLargePageSize) throw std::bad_alloc();
  if (void* reused = Freed().Take(length, PageOf(length))) {
    std::memset(reused, 0, size);
    return reused;
  }
  // Mapped a large page longer, then trimmed to start on a large page.
  void* raw = ::mmap(nullptr, length + kLargePageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  const auto first = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t start = AlignUp(first, kLargePageSize);
  if (start > first) ::munmap(raw, start - first);
  const std::size_t after = first + length + kLargePageSize - (start + length);
  if (after) ::munmap(reinterpret_cast<void*>(start + length), after);
  // Advice only: without large pages the memory works all the same.
  if (PageOf(length) == kLargePageSize) ::madvise(reinterpret_cast<void*>(start), length, MADV_HUGEPAGE);
  return reinterpret_cast<void*>(start);
}

void FreeLarge(void* memory, std::size_t size) noexcept {
  if (!memory) return;
  if (FromHeap(size)) {
    std::free(memory);
  } else {
    Freed().Give(memory, MappedLength(size));
  }
}

void PrepareToFill(void* memory, std::size_t size, std::size_t from, std::size_t length) noexcept {
  if (!memory || FromHeap(size) || from >= size) return;
  const std::size_t first = AlignDown(from, kPage);
  const std::size_t end = AlignUp(std::min(size - from, length) + from, kPage);
  // Systems before Linux 5.14 refuse the advice; the pages then come a fault each.
  ::madvise(static_cast<char*>(memory) + first, end - first, MADV_POPULATE_WRITE);
}

void ReleaseAllPages(void* memory, std::size_t size, std::size_t reuse) noexcept {
  if (!memory || FromHeap(size)) return;
  const std::size_t length = MappedLength(size);
  const std::size_t keep =
      Freed().Spend(memory, std::min<std::size_t>(length, AlignUp(reuse, PageOf(length))));
  if (keep < length) ::madvise(static_cast<char*>(memory) + keep, length - keep, MADV_DONTNEED);
  // In one call, on large pages where the system has them.
  if (keep) ::madvise(memory, keep, MADV_POPULATE_WRITE);
}

void ReleasePages(void* memory, std::size_t size, std::size_t from, std::size_t length) noexcept {
  if (!memory || FromHeap(size) || from >= size) return;
  const std::size_t first = AlignUp(from, kPage);
  const std::size_t end = AlignDown(std::min(size - from, length) + from, kPage);
  // Private anonymous pages given up this way come back zero-filled; a kept
  // range cut from this buffer later is cleared all the same.
  if (end > first) ::madvise(static_cast<char*>(memory) + first, end - first, MADV_DONTNEED);
}

}  // namespace win32
