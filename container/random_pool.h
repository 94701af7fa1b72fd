// RandomPool: the generator of the random vectors of newly written
// containers and carriers. A 20-byte state, seeded once from the operating
// system's generator, and a 32-bit counter: block i of output is
// SHA-1(state followed by the counter value i, 4 bytes little-endian), and
// every request takes whole blocks, the first min(20, wanted) bytes of each.
// The state never changes after seeding; only the counter advances (wrapping
// at 2^32), so blocks do not repeat within one run, and a request for 16
// bytes advances it by one, a request for 21 bytes by two.
//
// One process-wide pool exists, constructed during static initialisation
// (before the program's main flow) and wiped when destroyed at exit.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "crypto/crypto_backend.h"

namespace mv {

class TagValue;

class RandomPool {
 public:
  // Seeds the state from platform::FillRandom. Should the OS generator fail
  // here, the pool stays unseeded and refuses every request: a predictable
  // vector is worse than none.
  RandomPool();
  // A pool with a known state, for checking the output rule.
  explicit RandomPool(const uint8_t state[kSha1DigestSize]);
  RandomPool(const RandomPool&) = delete;
  RandomPool& operator=(const RandomPool&) = delete;
  ~RandomPool();

  // Writes count random bytes. kNoRandomSource when the pool could not be
  // seeded; out is then untouched.
  Result Generate(uint8_t* out, size_t count);
  // out becomes a byte string of count bytes. On failure out is cleared.
  Result RandomBytes(TagValue& out, uint32_t count);

  // The number of blocks handed out so far (mod 2^32).
  uint32_t GetCounter() const { return counter_.load(); }

 private:
  uint8_t state_[kSha1DigestSize] = {};
  // Atomic so that two threads asking at once never get the same block.
  std::atomic<uint32_t> counter_{0};
  bool seeded_ = false;
};


// RandomBytes on the process-wide pool.
Result RandomBytes(TagValue& out, uint32_t count);

}  // namespace mv
