#include "crypto/hkdf.h"

#include <algorithm>
#include <cstring>

#include "base/memory.h"

namespace mv {

Result HkdfSha256(const ByteRange& salt, const ByteRange& input_key, const ByteRange& info, uint8_t* out,
                  size_t out_length) {
  if (input_key.data == nullptr || out == nullptr || out_length == 0 || out_length > kMaxHkdfOutput) {
    return kBadArgument;
  }
  static const uint8_t kZeroSalt[kSha256DigestSize] = {};
  const ByteRange extract_key = salt.size == 0 ? ByteRange{kZeroSalt, sizeof kZeroSalt} : salt;
  WipedBytes<kSha256DigestSize> pseudo_random_key;
  Result r = HmacSha256(extract_key, &input_key, 1, pseudo_random_key.bytes);
  if (r != kOk) return r;
  const ByteRange expand_key{pseudo_random_key.bytes, sizeof pseudo_random_key.bytes};
  WipedBytes<kSha256DigestSize> block;
  size_t previous = 0;
  for (uint8_t counter = 1; out_length != 0; ++counter) {
    // T(i) = HMAC(PRK, T(i-1) | info | i), with T(0) empty.
    const ByteRange pieces[] = {{block.bytes, previous}, info, {&counter, 1}};
    r = HmacSha256(expand_key, pieces, 3, block.bytes);
    if (r != kOk) return r;
    previous = sizeof block.bytes;
    const size_t take = std::min(out_length, sizeof block.bytes);
    std::memcpy(out, block.bytes, take);
    out += take;
    out_length -= take;
  }
  return kOk;
}

}  // namespace mv
