// The least common multiple of two small numbers, used to size buffers that
// must hold a whole number of both bytes and k-bit groups.
#pragma once

#include <cstdint>

namespace mv {

// The least common multiple of a and b in unsigned 32-bit arithmetic; 0 when
// either is 0. Found by stepping the smaller multiple up until both meet, so
// it is meant for small numbers: callers pass block and group sizes. A result
// that does not fit in 32 bits gives 0 rather than a wrapped value.
uint32_t LeastCommonMultiple(uint32_t a, uint32_t b);

}  // namespace mv
