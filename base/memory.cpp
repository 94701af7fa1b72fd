#include "base/memory.h"

#include <cstdlib>
#include <cstring>

namespace mv {
namespace {
ReleaseHook g_release_hook = nullptr;
}  // namespace

void* AllocFixed(size_t n) { return n == 0 ? nullptr : std::malloc(n); }

void FreeFixed(void* p) {
  if (p == nullptr) return;
  if (g_release_hook != nullptr) g_release_hook(p, 0);
  std::free(p);
}

void WipeAndFree(void* p, size_t n) {
  if (p == nullptr) return;
  SecureWipe(p, n);
  if (g_release_hook != nullptr) g_release_hook(p, n);
  std::free(p);
}

char* DupFixed(const char* text) {
  if (text == nullptr) return nullptr;
  size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(AllocFixed(n));
  if (copy != nullptr) std::memcpy(copy, text, n);
  return copy;
}

void SecureWipe(void* p, size_t n) {
  if (p == nullptr || n == 0) return;
  std::memset(p, 0, n);
  // The empty asm statement claims to read the memory, so the stores above
  // cannot be treated as dead even when the buffer is freed next.
  __asm__ __volatile__("" : : "r"(p) : "memory");
}

void SetReleaseHookForTesting(ReleaseHook hook) { g_release_hook = hook; }

}  // namespace mv
