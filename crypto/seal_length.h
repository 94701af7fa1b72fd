// SealLength and UnsealLength: one 32-bit number enciphered as a single
// block of its own, with a fresh cipher each time (the carrier header stores
// its payload size and a check value this way). The block is the number,
// little-endian, followed by zeros up to the block size.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "crypto/block_cipher.h"

namespace mv {

class TagValue;

// out := the enciphered block for value. kCipherNotSupported for an id that
// is not a block cipher; otherwise the cipher's set-up or block result.
Result SealLength(uint32_t value, const String& password, CipherId id, const TagValue* vector,
                  TagValue& out);

// out := the first 4 bytes, little-endian, of the deciphered copy of in (in
// itself is left as it is). kCipherNotSupported for an id that is not a
// block cipher; kBadBlockLength when in is not a whole number of blocks or
// holds none; otherwise the cipher's set-up or block result. out is 0 after
// a failure.
Result UnsealLength(const TagValue& in, const String& password, CipherId id, const TagValue* vector,
                    uint32_t& out);

}  // namespace mv
