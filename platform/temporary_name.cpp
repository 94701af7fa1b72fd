#include "platform/temporary_name.h"

#include <cstdint>
#include <mutex>

#include "platform/random.h"

namespace mv::platform {
namespace {

constexpr size_t kNamesPerFill = 512;

struct NamePool {
  std::mutex lock;
  uint64_t bits[kNamesPerFill];
  size_t next = kNamesPerFill;  // empty until first asked
};

}  // namespace

bool NextTemporaryName(char (&digits)[kTemporaryNameDigits + 1]) {
  static NamePool pool;
  uint64_t number = 0;
  {
    std::lock_guard<std::mutex> hold(pool.lock);
    if (pool.next == kNamesPerFill) {
      if (!FillRandom(pool.bits, sizeof pool.bits)) return false;
      pool.next = 0;
    }
    number = pool.bits[pool.next];
    pool.bits[pool.next++] = 0;
  }
  static const char kHex[] = "0123456789abcdef";
  for (size_t i = 0; i < kTemporaryNameDigits; ++i) digits[i] = kHex[(number >> (60 - 4 * i)) & 0xF];
  digits[kTemporaryNameDigits] = '\0';
  return true;
}

}  // namespace mv::platform
