// The strong container kind's own parts around the header record.
//
// Header record: the classic entries (mark, compression, total) with tag 20
// = kCipherStrong and no vector, plus tag 40, a blob:
//   offset  size  field
//   0       1     version: 1 (37 bytes) or 2 (38 bytes, written now)
//   1       1     key derivation, 1 = Argon2id
//   2       4     passes t            (u32 little-endian)
//   6       4     memory m in KiB     (u32 little-endian)
//   10      4     lanes p             (u32 little-endian)
//   14      16    salt
//   30      7     nonce prefix of the chunks
//   37      1     version 2: the password's form, 1 = its UTF-8 in Unicode
//                 normal form C (container/password_form.h); version 1 has
//                 no such byte and hashes the password's Windows-1252 bytes
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

#include "base/password.h"
#include "base/result.h"
#include "base/string.h"
#include "container/password_form.h"
#include "crypto/aead_chunk_stream.h"
#include "crypto/strong_keys.h"
#include "stream/tag_record.h"

namespace mv {

// The first version; its password is hashed as Windows-1252.
inline constexpr uint8_t kStrongVersion1 = 1;
inline constexpr uint32_t kStrongEntrySize1 = 37;
// The version written now.
inline constexpr uint8_t kStrongVersion = 2;
inline constexpr uint32_t kStrongEntrySize = 38;
inline constexpr uint8_t kKdfArgon2id = 1;
inline constexpr size_t kMaxStrongHeaderSize = 4096;
inline constexpr size_t kHeaderDigestSize = 16;
inline constexpr size_t kCheckRegionSize = kKeyCheckSize + kHeaderDigestSize;

struct StrongParameters {
  uint8_t version = kStrongVersion;
  PasswordForm password_form = PasswordForm::kUtf8Nfc;
  Argon2Cost cost;
  uint8_t salt[kStrongSaltSize] = {};
  uint8_t nonce_prefix[AeadChunkStream::kNoncePrefixSize] = {};
};

// Writing: draws a fresh salt and nonce prefix from the system's generator
// and sets tags 20 and 40 of header for cost. kNoRandomSource when the
// generator fails, kOutOfMemory when the entries cannot be stored.
Result PrepareStrongHeader(const Argon2Cost& cost, TagRecord* header, StrongParameters* parameters);

// Reads tag 40 of header. kMalformedRecord when it is missing, not a blob
// of exactly the size of the version it names, names an unknown version,
// key derivation or password form. The cost is not judged here
// (CheckKdfCost).
Result ParseStrongParameters(const TagRecord& header, StrongParameters* parameters);

// The form in which the package of header hashes its password: the strong
// kind's own (tag 40), Windows-1252 for every other kind and for a tag 40
// that does not parse (a read refuses that package anyway).
PasswordForm PasswordFormOf(const TagRecord& header);

// Writing: derives the keys for the header's bytes and fills the check
// region. kBadArgument for a password the parameters' form cannot hold
// (PasswordBytes), else the derivation's codes.
Result SealStrongHeader(const std::vector<uint8_t>& header_bytes, const StrongParameters& parameters,
                        const Password& password, StrongKeys* keys, uint8_t region[kCheckRegionSize]);

// Reading: checks the region against the header's bytes: kPackageDamaged
// when the digest does not match (nothing is derived then); otherwise
// derives the keys and gives kWrongPassword when the key check does not
// match, kBadArgument for a password the form cannot hold (a first-version
// package: it could never have been made with it), or the derivation's
// codes. The cost must have been checked.
Result OpenStrongHeader(const std::vector<uint8_t>& header_bytes, const StrongParameters& parameters,
                        const uint8_t region[kCheckRegionSize], const Password& password, StrongKeys* keys);

}  // namespace mv
