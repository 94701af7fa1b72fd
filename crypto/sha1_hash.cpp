#include "crypto/sha1_hash.h"

#include "base/memory.h"
#include "stream/tag_value.h"

namespace mv {

Sha1Hash::~Sha1Hash() { SecureWipe(digest_, sizeof digest_); }

Result Sha1Hash::HashBuffer(const void* bytes, size_t length) {
  const ByteRange whole{bytes, bytes == nullptr ? 0 : length};
  return Sha1OfRanges(&whole, 1, digest_);
}

Result Sha1Hash::GetDigest(TagValue& out) const {
  out.SetBlob(digest_, sizeof digest_);
  return out.GetType() == kTypeBlob ? kOk : kOutOfMemory;
}

}  // namespace mv
