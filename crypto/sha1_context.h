// Sha1Context: an incremental SHA-1 computation (FIPS 180-1) driven by plain
// functions, for messages that arrive in pieces. Pieces may be of any size
// and cross 64-byte block boundaries freely; the digest equals that of one
// update over the whole message. The state is wiped when the context is
// finished or destroyed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "crypto/crypto_backend.h"

namespace mv {

struct Sha1Context {
  Sha1Engine engine;
};

// Starts a new message (discarding any unfinished one). kOutOfMemory when
// the state cannot be allocated; Update then does nothing and Final fails.
Result Sha1Init(Sha1Context& context);
// Adds length bytes; a null or empty piece adds nothing.
void Sha1Update(Sha1Context& context, const void* bytes, size_t length);
// Writes the 20-byte digest and ends the message. kNotOpen without a
// successful Sha1Init since the last Final.
Result Sha1Final(uint8_t digest[kSha1DigestSize], Sha1Context& context);

}  // namespace mv
