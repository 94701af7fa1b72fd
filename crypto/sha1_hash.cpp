#include "crypto/sha1_hash.h"

#include "base/memory.h"
#include "stream/tag_value.h"

namespace mv {

Sha1Hash::~Sha1Hash() { SecureWipe(digest_, sizeof digest_); }

Result Sha1Hash::HashBuffer(const void* bytes, size_t length) {
  const ByteRange whole{bytes, bytes == nullptr ? 0 : length};
  return Sha1OfRanges(&whole, 1, digest_);
}

Result Sha1Hash::HashText(const String& text) {
  return HashBuffer(text.c_str(), static_cast<size_t>(text.GetLength()));
}

Result Sha1Hash::GetDigest(TagValue& out) const {
  out.SetBlob(digest_, sizeof digest_);
  return out.GetType() == TypeBlob ? kOk : kOutOfMemory;
}

Result DigestOfBuffer(const void* bytes, size_t length, TagValue& out) {
  Sha1Hash hash;
  Result result = hash.HashBuffer(bytes, length);
  if (result != kOk) return result;
  return hash.GetDigest(out);
}

}  // namespace mv
