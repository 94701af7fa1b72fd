// What both cipher adapters do to set up a chain: take the initial vector
// (absent means all zero bytes, otherwise a byte string of exactly the block
// size) and derive the key from the password with the cipher's suffix.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "crypto/crypto_backend.h"

namespace mv {

class TagValue;

// Directions of a cipher set-up; the same numbers as the stream modes, so a
// stream passes its own mode.
inline constexpr uint32_t kCipherEncrypt = 1;
inline constexpr uint32_t kCipherDecrypt = 2;

// Copies the vector's size bytes to out: zeros for a null vector; kBadVector
// when it is not a byte string of exactly size bytes.
Result LoadCipherVector(const TagValue* vector, size_t size, uint8_t* out);

// Derives the key from password followed by suffix and starts engine with it
// and vector; the key is wiped afterwards. kCipherFailed when the library
// refuses (the engine is then not ready).
Result StartKeyedChain(CbcEngine& engine, CbcAlgorithm algorithm, const String& password,
                       const char* suffix, const uint8_t* vector);

}  // namespace mv
