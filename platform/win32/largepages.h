// Memory for large buffers. From 2 MiB up (or a sixteenth short of a whole
// number of 2 MiB, made up to it), a buffer is mapped from the system
// on its own, starting on a 2 MiB boundary, and the system is asked to back
// it with pages of that size where it has them: filling a buffer then costs
// one page fault every 2 MiB instead of one every 4 KiB, which on a virtual
// machine is most of the time spent filling fresh memory. From 256 KiB up a
// buffer is mapped in whole pages. Mapped buffers that are freed while a
// LargeBufferReuse lives are kept (up to 64 MiB) and given out again,
// cleared, before anything is mapped anew: touched memory costs no faults.
// Pages of a mapped buffer whose bytes are spent can be given back while it
// is in use (a text file as it is parsed). Smaller buffers come from the
// heap. Either way the memory comes zero-filled.
#pragma once

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace win32 {

// The size of a large page, and the alignment of a buffer mapped as them.
inline constexpr std::size_t kLargePageSize = std::size_t{2} << 20;

// size zero-filled bytes; throws std::bad_alloc when there are none.
void* AllocateLarge(std::size_t size);
// Memory of AllocateLarge with the size it was asked for (null does nothing).
void FreeLarge(void* memory, std::size_t size) noexcept;
// For length bytes from offset from of a buffer of AllocateLarge (of size
// bytes) that are about to be filled: their pages are asked of the system in
// one call instead of a page fault each, which costs about half as much.
// Advice only; a buffer from the heap is left as it is.
void PrepareToFill(void* memory, std::size_t size, std::size_t from, std::size_t length) noexcept;
// For length bytes from offset from of a buffer of AllocateLarge (of size
// bytes) that are no longer needed: the whole pages among them go back to
// the system at once, and read as zeros until written again (bytes of a page
// partly outside the range keep their values). The buffer stays the
// caller's, to free as ever. A buffer from the heap is left as it is.
void ReleasePages(void* memory, std::size_t size, std::size_t from, std::size_t length) noexcept;
// Every page of such a buffer, which is still the caller's but whose bytes
// are all spent and which is freed next: they go back to the system but for
// the first reuse bytes (in whole pages), which are made resident when the
// buffer is to be kept once freed (a LargeBufferReuse lives and they fit):
// the buffers cut from it then find their pages there, as in a buffer
// written whole. Only those are kept; the rest is unmapped when it is freed.
// Until then, pages given back read as zeros until written.
void ReleaseAllPages(void* memory, std::size_t size, std::size_t reuse) noexcept;

// While one lives, on any thread, mapped buffers that are freed are kept for
// the buffers to come; when the last one ends, what is kept goes back to the
// system, as a freed buffer does at once while none lives. A load holds one:
// the file's buffer, freed once it is parsed, becomes the scene's arrays.
// Work that frees and allocates at its own pace (a reduction) holds none, so
// that no kept memory adds to its peak.
class LargeBufferReuse {
 public:
  LargeBufferReuse();
  ~LargeBufferReuse();
  LargeBufferReuse(const LargeBufferReuse&) = delete;
  LargeBufferReuse& operator=(const LargeBufferReuse&) = delete;
};

// A standard allocator over AllocateLarge.
template <class T>
struct LargePageAllocator {
  using value_type = T;
  LargePageAllocator() = default;
  template <class U>
  LargePageAllocator(const LargePageAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateLarge(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const LargePageAllocator<U>&) const noexcept {
    return true;
  }
};

// An allocator that leaves the elements a vector grows by uninitialised, for
// byte buffers whose every byte is written right after they grow; a large
// buffer (a whole file, a mesh's block) comes on large pages.
template <class T>
struct UninitialisedAllocator : LargePageAllocator<T> {
  template <class U>
  struct rebind {
    using other = UninitialisedAllocator<U>;
  };
  UninitialisedAllocator() = default;
  template <class U>
  UninitialisedAllocator(const UninitialisedAllocator<U>&) noexcept {}
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// A byte buffer of that allocator: the data blocks of .x files, read or
// made to be saved.
using LargeBytes = std::vector<unsigned char, UninitialisedAllocator<unsigned char>>;

}  // namespace win32
