// HKDF with SHA-256 (extract, then expand), built on the backend's HMAC: it
// turns the output of the password's key derivation into keys of their own
// for separate purposes, one per info text.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "crypto/crypto_backend.h"

namespace mv {

// The longest output one derivation gives: 255 blocks of the hash.
inline constexpr size_t kMaxHkdfOutput = 255 * kSha256DigestSize;

// out := the first out_length bytes of HKDF-SHA256(salt, input key, info).
// An empty salt stands for 32 zero bytes. kBadArgument for a missing input
// key or output, or out_length of 0 or above kMaxHkdfOutput; the HMAC's
// codes otherwise. Intermediate values are wiped.
Result HkdfSha256(const ByteRange& salt, const ByteRange& input_key, const ByteRange& info, uint8_t* out,
                  size_t out_length);

}  // namespace mv
