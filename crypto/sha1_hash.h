// Sha1Hash: the digest object through which the system obtains SHA-1
// digests. Built on the stack where a digest is needed, used once and
// destroyed; the digest is wiped with it, since it is often key material.
// A fresh object's digest is all zeros until a hash operation has run.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "crypto/crypto_backend.h"

namespace mv {

class TagValue;

class Sha1Hash {
 public:
  Sha1Hash() = default;
  Sha1Hash(const Sha1Hash&) = delete;
  Sha1Hash& operator=(const Sha1Hash&) = delete;
  virtual ~Sha1Hash();

  // digest := SHA-1 of exactly length bytes (none for a null buffer).
  Result HashBuffer(const void* bytes, size_t length);
  // out becomes a byte string holding the 20 digest bytes.
  Result GetDigest(TagValue& out) const;

  const uint8_t* Digest() const { return digest_; }

 private:
  uint8_t digest_[kSha1DigestSize] = {};
};


}  // namespace mv
