#include "container/random_pool.h"

#include <cstring>

#include "base/memory.h"
#include "platform/random.h"
#include "stream/tag_value.h"

namespace mv {
namespace {

// Constructed by static initialisation, before main; destroyed at exit.
RandomPool g_random_pool;

}  // namespace

RandomPool::RandomPool() { seeded_ = platform::FillRandom(state_, sizeof state_); }

RandomPool::RandomPool(const uint8_t state[kSha1DigestSize]) {
  std::memcpy(state_, state, sizeof state_);
  seeded_ = true;
}

RandomPool::~RandomPool() { SecureWipe(state_, sizeof state_); }

Result RandomPool::Generate(uint8_t* out, size_t count) {
  if (!seeded_) return kNoRandomSource;
  if (count != 0 && out == nullptr) return kBadArgument;
  while (count > 0) {
    uint32_t index = counter_.fetch_add(1);
    const uint8_t counter_bytes[4] = {static_cast<uint8_t>(index), static_cast<uint8_t>(index >> 8),
                                      static_cast<uint8_t>(index >> 16),
                                      static_cast<uint8_t>(index >> 24)};
    const ByteRange pieces[] = {{state_, sizeof state_}, {counter_bytes, sizeof counter_bytes}};
    uint8_t block[kSha1DigestSize];
    Result result = Sha1OfRanges(pieces, 2, block);
    if (result != kOk) return result;
    size_t take = count < sizeof block ? count : sizeof block;
    std::memcpy(out, block, take);
    SecureWipe(block, sizeof block);
    out += take;
    count -= take;
  }
  return kOk;
}

Result RandomPool::RandomBytes(TagValue& out, uint32_t count) {
  out.SetBlobSize(count);
  if (count != 0 && out.GetBytes() == nullptr) return kOutOfMemory;
  Result result = Generate(out.GetBytes(), count);
  if (result != kOk) out.Clear();
  return result;
}


Result RandomBytes(TagValue& out, uint32_t count) { return g_random_pool.RandomBytes(out, count); }

}  // namespace mv
