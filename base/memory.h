// Fixed memory for text buffers and the wipe that the compiler cannot drop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace mv {

// Allocates n bytes of fixed memory; null on failure (also for n == 0).
void* AllocFixed(size_t n);
// Releases memory from AllocFixed; null is ignored.
void FreeFixed(void* p);
// Overwrites the n bytes at p with zeros, then releases them (FreeFixed).
// Every buffer that may hold a secret goes back this way.
void WipeAndFree(void* p, size_t n);
// Copies a NUL-terminated text into fixed memory; null for a null text or
// when the allocation fails.
char* DupFixed(const char* text);

// Overwrites n bytes with zeros in a way the optimiser may not remove, even
// when the memory is released right afterwards.
void SecureWipe(void* p, size_t n);

// N bytes of secret material (a digest, a key) on the stack, wiped on every
// way out of their scope.
template <size_t N>
struct WipedBytes {
  WipedBytes() = default;
  WipedBytes(const WipedBytes&) = delete;
  WipedBytes& operator=(const WipedBytes&) = delete;
  ~WipedBytes() { SecureWipe(bytes, sizeof bytes); }
  uint8_t bytes[N] = {};
};

// An allocator for standard containers that may hold secrets (the UTF-16
// form of a password, a normaliser's work buffer): every block is wiped
// before it is released, also the old one when a vector grows.
template <typename T>
struct WipingAllocator {
  using value_type = T;
  WipingAllocator() = default;
  template <typename U>
  WipingAllocator(const WipingAllocator<U>&) {}  // NOLINT: rebinding, as the containers need
  T* allocate(size_t n) {
    void* p = n > SIZE_MAX / sizeof(T) ? nullptr : AllocFixed(n * sizeof(T));
    if (p == nullptr) throw std::bad_alloc();
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t n) { WipeAndFree(p, n * sizeof(T)); }
  template <typename U>
  bool operator==(const WipingAllocator<U>&) const {
    return true;
  }
};

// Test hook: when set, called with every buffer just before it goes back to
// the platform, so a test can look at the bytes being released. n is the
// buffer's size when known (WipeAndFree), 0 otherwise.
using ReleaseHook = void (*)(const void* p, size_t n);
void SetReleaseHookForTesting(ReleaseHook hook);

}  // namespace mv
