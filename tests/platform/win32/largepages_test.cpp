// Memory for large buffers: small and large sizes zero-filled, alignment of
// large ones, and vectors that grow across the size where large pages begin.
#include <gtest/gtest.h>
#include <largepages.h>

#include <cstdint>
#include <cstring>
#include <vector>

TEST(LargePages, BuffersOfAnySizeComeZeroFilledAndLargeOnesStartOnALargePage) {
  constexpr std::size_t kLargePage = std::size_t{2} << 20;
  for (std::size_t size : {std::size_t{0}, std::size_t{100}, kLargePage - 1, kLargePage, 5 * kLargePage + 3}) {
    auto* memory = static_cast<unsigned char*>(win32::AllocateLarge(size));
    ASSERT_NE(memory, nullptr) << size;
    if (size >= kLargePage) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % kLargePage, 0u) << size;
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
