#include "AllocationCounter.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <pthread.h>

namespace {

#ifdef RUZOZ_COUNT_MALLOC
constexpr bool countsMalloc = true;
#else
constexpr bool countsMalloc = false;
#endif

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};
std::atomic<bool> oneThread{false};
std::atomic<pthread_t> countedThread;

void NoteAllocation() {
  if (counting.load(std::memory_order_acquire) &&
      (!oneThread || pthread_equal(pthread_self(), countedThread)))
    allocations.fetch_add(1, std::memory_order_relaxed);
}

// operator new takes its memory from the C allocations, so it counts
// itself only where those are not counted.
void *Allocate(std::size_t size, std::size_t align = alignof(std::max_align_t)) noexcept {
  if (!countsMalloc)
    NoteAllocation();
  void *block = nullptr;
  // posix_memalign for every alignment: one free() for all, as ASan expects.
  return posix_memalign(&block, std::max(sizeof(void *), align), size == 0 ? 1 : size) == 0
             ? block
             : nullptr;
}

void *AllocateOrThrow(std::size_t size, std::size_t align = alignof(std::max_align_t)) {
  if (void *block = Allocate(size, align))
    return block;
  throw std::bad_alloc();
}

} // namespace

namespace ruzoz::bench {

void StartCountingAllocations(bool thisThreadOnly) {
  counting = false;
  allocations = 0;
  oneThread = thisThreadOnly;
  countedThread = pthread_self();
  counting = true;
}

void StopCountingAllocations() { counting = false; }
long CountedAllocations() { return allocations.load(); }
bool CountsMalloc() { return countsMalloc; }

} // namespace ruzoz::bench

void *operator new(std::size_t size) { return AllocateOrThrow(size); }
void *operator new[](std::size_t size) { return AllocateOrThrow(size); }
void *operator new(std::size_t size, std::align_val_t align) {
  return AllocateOrThrow(size, std::size_t(align));
}
void *operator new[](std::size_t size, std::align_val_t align) {
  return AllocateOrThrow(size, std::size_t(align));
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return Allocate(size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return Allocate(size); }
void *operator new(std::size_t size, std::align_val_t align, const std::nothrow_t &) noexcept {
  return Allocate(size, std::size_t(align));
}
void *operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t &) noexcept {
  return Allocate(size, std::size_t(align));
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void *p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void *p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete(void *p, std::align_val_t, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, std::align_val_t, const std::nothrow_t &) noexcept { std::free(p); }

#ifdef RUZOZ_COUNT_MALLOC
// Everyone's C allocations come here, SDL's included, and go on to the C
// library's own.
extern "C" {
void *__libc_malloc(std::size_t);
void *__libc_calloc(std::size_t, std::size_t);
void *__libc_realloc(void *, std::size_t);
void *__libc_memalign(std::size_t, std::size_t);
void __libc_free(void *);

void *malloc(std::size_t size) {
  NoteAllocation();
  return __libc_malloc(size);
}
void *calloc(std::size_t count, std::size_t size) {
  NoteAllocation();
  return __libc_calloc(count, size);
}
void *realloc(void *block, std::size_t size) {
  NoteAllocation();
  return __libc_realloc(block, size);
}
void *memalign(std::size_t alignment, std::size_t size) {
  NoteAllocation();
  return __libc_memalign(alignment, size);
}
void *aligned_alloc(std::size_t alignment, std::size_t size) {
  NoteAllocation();
  return __libc_memalign(alignment, size);
}
int posix_memalign(void **out, std::size_t alignment, std::size_t size) {
  NoteAllocation();
  void *block = __libc_memalign(alignment, size);
  if (block == nullptr)
    return 12; // ENOMEM
  *out = block;
  return 0;
}
void free(void *block) { __libc_free(block); }
}
#endif
