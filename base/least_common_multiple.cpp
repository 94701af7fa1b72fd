#include "base/least_common_multiple.h"

namespace mv {

uint32_t LeastCommonMultiple(uint32_t a, uint32_t b) {
  if (a == 0 || b == 0) return 0;
  if (a == b) return a;
  // 64-bit steps: a wrapped multiple could meet the other one by accident
  // (or never), so leaving the 32-bit range ends the search instead.
  uint64_t x = a;
  uint64_t y = b;
  while (x != y) {
    if (x < y) {
      x += a;
    } else {
      y += b;
    }
    if (x > UINT32_MAX || y > UINT32_MAX) return 0;
  }
  return static_cast<uint32_t>(x);
}

}  // namespace mv
