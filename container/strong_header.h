// The strong container kind's own parts around the header record.
//
// Header record: the classic entries (mark, compression, total) with tag 20
// = kCipherStrong and no vector, plus tag 40, a 37-byte blob:
//   offset  size  field
//   0       1     version, 1
//   1       1     key derivation, 1 = Argon2id
//   2       4     passes t            (u32 little-endian)
//   6       4     memory m in KiB     (u32 little-endian)
//   10      4     lanes p             (u32 little-endian)
//   14      16    salt
//   30      7     nonce prefix of the chunks
// The header as stored may take at most kMaxStrongHeaderSize bytes.
//
// Check region, right after the header:
//   key check  32 bytes: HMAC-SHA256 of the header's bytes under the check
//              key (crypto/strong_keys.h); only the full derivation tells a
//              wrong password
//   digest     16 bytes: the first 16 of SHA-256(header bytes | key check),
//              keyed by nothing, so that a package damaged on its way is
//              told from a wrong password before anything is derived
// Then the authenticated chunks (crypto/aead_chunk_stream.h) to the end of
// the file, with the header's bytes as associated data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/result.h"
#include "base/string.h"
#include "crypto/aead_chunk_stream.h"
#include "crypto/strong_keys.h"
#include "stream/tag_record.h"

namespace mv {

inline constexpr uint8_t kStrongVersion = 1;
inline constexpr uint8_t kKdfArgon2id = 1;
inline constexpr uint32_t kStrongEntrySize = 37;
inline constexpr size_t kMaxStrongHeaderSize = 4096;
inline constexpr size_t kHeaderDigestSize = 16;
inline constexpr size_t kCheckRegionSize = kKeyCheckSize + kHeaderDigestSize;

struct StrongParameters {
  Argon2Cost cost;
  uint8_t salt[kStrongSaltSize] = {};
  uint8_t nonce_prefix[AeadChunkStream::kNoncePrefixSize] = {};
};

// Writing: draws a fresh salt and nonce prefix from the system's generator
// and sets tags 20 and 40 of header for cost. kNoRandomSource when the
// generator fails, kOutOfMemory when the entries cannot be stored.
Result PrepareStrongHeader(const Argon2Cost& cost, TagRecord* header, StrongParameters* parameters);

// Reads tag 40 of header. kMalformedRecord when it is missing, not a blob
// of exactly kStrongEntrySize bytes, or names another version or key
// derivation. The cost is not judged here (CheckKdfCost).
Result ParseStrongParameters(const TagRecord& header, StrongParameters* parameters);

// Writing: derives the keys for the header's bytes and fills the check
// region. The derivation's codes.
Result SealStrongHeader(const std::vector<uint8_t>& header_bytes, const StrongParameters& parameters,
                        const String& password, StrongKeys* keys, uint8_t region[kCheckRegionSize]);

// Reading: checks the region against the header's bytes: kPackageDamaged
// when the digest does not match (nothing is derived then); otherwise
// derives the keys and gives kWrongPassword when the key check does not
// match, or the derivation's codes. The cost must have been checked.
Result OpenStrongHeader(const std::vector<uint8_t>& header_bytes, const StrongParameters& parameters,
                        const uint8_t region[kCheckRegionSize], const String& password, StrongKeys* keys);

}  // namespace mv
