#include "crypto/key_derivation.h"

#include <cstring>

#include "base/memory.h"

namespace mv {

CipherKey::~CipherKey() { SecureWipe(bytes, sizeof bytes); }

Result ComputeVerifier(const String& first, const String& second, uint16_t& verifier) {
  verifier = 0;
  const ByteRange pieces[] = {RangeOf(first), RangeOf(second)};
  WipedBytes<kSha1DigestSize> digest;
  Result result = Sha1OfRanges(pieces, 2, digest.bytes);
  if (result != kOk) return result;
  verifier = static_cast<uint16_t>(digest.bytes[0] | (digest.bytes[1] << 8));
  return kOk;
}

Result ComputeVerifier(const String& password, uint16_t& verifier) {
  return ComputeVerifier(password, String(), verifier);
}

Result DeriveCipherKey(const String& password, const char* suffix, CipherKey& key) {
  const ByteRange pieces[] = {RangeOf(password),
                              ByteRange{suffix, suffix == nullptr ? 0 : std::strlen(suffix)}};
  WipedBytes<kSha1DigestSize> digest;
  Result result = Sha1OfRanges(pieces, 2, digest.bytes);
  if (result != kOk) return result;
  std::memcpy(key.bytes, digest.bytes, kCipherKeySize);
  return kOk;
}

}  // namespace mv
