// Counts every allocator call in a scope: one source file of an executable that exports its
// symbols (ENABLE_EXPORTS) includes it, so dlopened plug-ins bind to it too. Sanitizer
// builds define QUENDRAL_NO_ALLOCATOR_HOOKS and skip.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void __libc_free(void*);

namespace quendral_test {

inline std::atomic<bool> countingAllocations{false};
inline std::atomic<int> allocatorCalls{0};

inline void noteAllocatorCall() {
  if (countingAllocations.load(std::memory_order_relaxed)) allocatorCalls.fetch_add(1);
}

// Counts from construction to destruction; count() is the calls so far.
struct CountAllocations {
  CountAllocations() {
    allocatorCalls = 0;
    countingAllocations = true;
  }
  ~CountAllocations() { countingAllocations = false; }
  int count() const { return allocatorCalls.load(); }
};

constexpr bool allocationCountingWorks() {
#if defined(QUENDRAL_NO_ALLOCATOR_HOOKS)
  return false;
#else
  return true;
#endif
}

}  // namespace quendral_test

#if !defined(QUENDRAL_NO_ALLOCATOR_HOOKS)
extern "C" {
void* malloc(std::size_t size) {
  quendral_test::noteAllocatorCall();
  return __libc_malloc(size);
}
void* calloc(std::size_t count, std::size_t size) {
  quendral_test::noteAllocatorCall();
  return __libc_calloc(count, size);
}
void* realloc(void* pointer, std::size_t size) {
  quendral_test::noteAllocatorCall();
  return __libc_realloc(pointer, size);
}
void free(void* pointer) {
  quendral_test::noteAllocatorCall();
  __libc_free(pointer);
}
}
void* operator new(std::size_t size) {
  quendral_test::noteAllocatorCall();
  if (void* pointer = __libc_malloc(size ? size : 1)) return pointer;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* pointer) noexcept {
  quendral_test::noteAllocatorCall();
  __libc_free(pointer);
}
void operator delete[](void* pointer) noexcept { operator delete(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { operator delete(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { operator delete(pointer); }
#endif
