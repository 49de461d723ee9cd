// Memory for large buffers: small and large sizes zero-filled, alignment of
// large ones, vectors that grow across the size where large pages begin,
// and freed buffers given out again.
#include <gtest/gtest.h>
#include <largepages.h>

#include <sys/mman.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

using win32::kLargePageSize;

TEST(LargePages, BuffersOfAnySizeComeZeroFilledAndLargeOnesStartOnALargePage) {
  for (std::size_t size : {std::size_t{0}, std::size_t{100}, kLargePageSize - 1, kLargePageSize, 5 * kLargePageSize + 3}) {
    auto* memory = static_cast<unsigned char*>(win32::AllocateLarge(size));
    ASSERT_NE(memory, nullptr) << size;
    if (size >= kLargePageSize) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % kLargePageSize, 0u) << size;
    }
    for (std::size_t at = 0; at < size; at += 4093) ASSERT_EQ(memory[at], 0) << size;
    std::memset(memory, 0xA5, size);
    if (size) {
      EXPECT_EQ(memory[size - 1], 0xA5) << size;
    }
    win32::FreeLarge(memory, size);
  }
  win32::FreeLarge(nullptr, 0);
}

TEST(LargePages, AVectorKeepsItsValuesAsItGrowsOntoLargePages) {
  std::vector<std::uint32_t, win32::LargePageAllocator<std::uint32_t>> values;
  for (std::uint32_t i = 0; i < 3u << 20; ++i) values.push_back(i * 7);
  for (std::uint32_t i = 0; i < values.size(); i += 4099) ASSERT_EQ(values[i], i * 7);
}

// Freed buffers are kept and given out again while a reuse lives (and not
// when none does): whatever was written in them, a buffer comes zero-filled,
// a large one on a large page, and buffers in use at once never share a
// byte. Filling after PrepareToFill (whole, part, past the end, heap
// buffers) is the same as without.
TEST(LargePages, ReusedMemoryComesZeroFilledAlignedAndUnshared) {
  std::optional<win32::LargeBufferReuse> reuse;
  const std::size_t sizes[] = {6 * kLargePageSize + 5, 300 << 10, kLargePageSize + 7, 100, (1 << 20) + 3, 3 * kLargePageSize};
  for (int round = 0; round < 4; ++round) {
    if (round == 1) reuse.emplace();
    if (round == 3) reuse.reset();
    std::vector<std::pair<unsigned char*, std::size_t>> live;
    for (std::size_t size : sizes) {
      auto* memory = static_cast<unsigned char*>(win32::AllocateLarge(size));
      ASSERT_NE(memory, nullptr) << size;
      if (size >= kLargePageSize) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % kLargePageSize, 0u) << size;
      }
      win32::PrepareToFill(memory, size, size / 3, size);
      for (std::size_t at = 0; at < size; at += 4093) ASSERT_EQ(memory[at], 0) << size << " round " << round;
      ASSERT_EQ(memory[size - 1], 0) << size;
      for (const auto& [other, otherSize] : live)
        EXPECT_TRUE(memory + size <= other || other + otherSize <= memory) << size << " and " << otherSize;
      std::memset(memory, 0x5A, size);
      live.emplace_back(memory, size);
      // Every other buffer goes at once, so that later ones fit in the gaps.
      if (live.size() % 2 == 0) {
        win32::FreeLarge(live.front().first, live.front().second);
        live.erase(live.begin());
      }
    }
    for (const auto& [memory, size] : live) {
      EXPECT_EQ(memory[size - 1], 0x5A) << size;
      win32::FreeLarge(memory, size);
    }
  }
  win32::PrepareToFill(nullptr, 0, 0, 0);
}

// A freed buffer stays mapped for reuse only while a reuse lives; when the
// last one ends, what was kept goes back to the system.
TEST(LargePages, FreedBuffersGoBackUnlessAReuseLives) {
  constexpr std::size_t kSize = std::size_t{8} << 20;
  auto mapped = [](void* memory) {
    unsigned char pages[kSize / 4096];
    return ::mincore(memory, kSize, pages) == 0 || errno != ENOMEM;
  };
  void* alone = win32::AllocateLarge(kSize);
  std::memset(alone, 1, kSize);
  win32::FreeLarge(alone, kSize);
  EXPECT_FALSE(mapped(alone));
  void* kept = nullptr;
  {
    win32::LargeBufferReuse reuse;
    kept = win32::AllocateLarge(kSize);
    std::memset(kept, 1, kSize);
    win32::FreeLarge(kept, kSize);
    EXPECT_TRUE(mapped(kept));
  }
  EXPECT_FALSE(mapped(kept));
}

// A buffer whose bytes are all spent: its pages go back to the system but
// for the part to reuse, which stays resident, and only when a reuse lives.
// What was given back reads as zeros and can be written again. Freed, the
// buffer is kept for that part alone (the rest unmapped), or not at all with
// no reuse; the next buffer freed at that place is kept whole again.
TEST(LargePages, ASpentBufferIsKeptOnlyForThePartToReuse) {
  constexpr std::size_t kSize = 4 * kLargePageSize;
  auto pages = [](void* memory, std::size_t length, bool resident) {
    std::vector<unsigned char> state(length / 4096);
    if (::mincore(memory, length, state.data()) != 0) return !resident && errno == ENOMEM;
    return std::all_of(state.begin(), state.end(), [&](unsigned char page) { return (page & 1) == resident; });
  };
  for (const bool reusing : {false, true}) {
    std::optional<win32::LargeBufferReuse> reuse;
    if (reusing) reuse.emplace();
    auto* spent = static_cast<unsigned char*>(win32::AllocateLarge(kSize));
    std::memset(spent, 1, kSize);
    // A large page and a byte to reuse: two large pages stay.
    win32::ReleaseAllPages(spent, kSize, kLargePageSize + 1);
    const std::size_t kept = reusing ? 2 * kLargePageSize : 0;
    if (kept) {
      EXPECT_TRUE(pages(spent, kept, true));
    }
    EXPECT_TRUE(pages(spent + kept, kSize - kept, false)) << reusing;
    std::size_t zeros = kept;
    while (zeros < kSize && spent[zeros] == 0) ++zeros;
    EXPECT_EQ(zeros, kSize) << reusing;
    spent[kSize - 1] = 2;
    EXPECT_EQ(spent[kSize - 1], 2);
    win32::FreeLarge(spent, kSize);
    std::vector<unsigned char> state(kSize / 4096);
    EXPECT_EQ(::mincore(spent + kept, kSize - kept, state.data()), -1) << "unmapped, " << reusing;
    if (kept) {
      EXPECT_EQ(::mincore(spent, kept, state.data()), 0) << "kept";
    }
    void* next = win32::AllocateLarge(kSize);
    std::memset(next, 1, kSize);
    win32::FreeLarge(next, kSize);
    EXPECT_EQ(::mincore(next, kSize, state.data()) == 0, reusing);
  }
  auto* heap = static_cast<unsigned char*>(win32::AllocateLarge(100));
  heap[0] = 3;
  win32::ReleaseAllPages(heap, 100, 0);
  EXPECT_EQ(heap[0], 3);
  win32::FreeLarge(heap, 100);
  win32::ReleaseAllPages(nullptr, 0, 0);
}

// Pages given back while a buffer lives: the whole pages of the range read
// as zeros (and are no longer resident), every other byte keeps its value,
// the pages can be written again, and the buffer, freed and given out again
// by a reuse, comes zero-filled. A heap buffer is left as it is.
TEST(LargePages, ReleasedPagesReadAsZerosAndTheRestKeepsItsBytes) {
  constexpr std::size_t kPage = 4096;
  struct Case {
    std::size_t size, from, length;
  };
  const Case cases[] = {
      {3 * kLargePageSize + 5, kPage + 10, 2 * kLargePageSize},       // partial pages at both ends
      {3 * kLargePageSize + 5, kLargePageSize, kLargePageSize},           // one whole large page
      {3 * kLargePageSize + 5, kLargePageSize + 1, ~std::size_t{0}},  // to the end (its partial page stays)
      {300 << 10, 0, 100 << 10},                              // small pages
      {300 << 10, 10, 100},                                   // less than a page: nothing
      {100, 0, 100},                                          // the heap
  };
  win32::LargeBufferReuse reuse;
  for (const Case& c : cases) {
    auto* memory = static_cast<unsigned char*>(win32::AllocateLarge(c.size));
    std::memset(memory, 0x5A, c.size);
    win32::ReleasePages(memory, c.size, c.from, c.length);
    const bool heap = c.size < (256 << 10);
    const std::size_t first = (c.from + kPage - 1) / kPage * kPage;
    const std::size_t end = std::min(c.size, c.from + std::min(c.length, c.size)) / kPage * kPage;
    // Residence first: reading a page given back maps it again.
    if (!heap && end >= first + kLargePageSize) {
      unsigned char resident[kLargePageSize / kPage];
      ASSERT_EQ(::mincore(memory + first, kLargePageSize, resident), 0);
      for (unsigned char page : resident) EXPECT_EQ(page & 1, 0) << c.size << " from " << c.from;
    }
    std::size_t wrong = 0;
    while (wrong < c.size && memory[wrong] == (!heap && wrong >= first && wrong < end ? 0 : 0x5A)) ++wrong;
    EXPECT_EQ(wrong, c.size) << c.size << " from " << c.from << ": the first byte not as expected";
    std::memset(memory, 0xA5, c.size);
    EXPECT_EQ(memory[c.size - 1], 0xA5);
    win32::FreeLarge(memory, c.size);
    memory = static_cast<unsigned char*>(win32::AllocateLarge(c.size));
    for (std::size_t at = 0; at < c.size; at += 509) ASSERT_EQ(memory[at], 0) << c.size << " at " << at;
    win32::FreeLarge(memory, c.size);
  }
  win32::ReleasePages(nullptr, 0, 0, 0);
}
