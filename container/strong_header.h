// The strong container kind's own parts around the header record.
//
// Header record: the classic entries (mark, compression, total) with tag 20
// = kCipherStrong and no vector, plus tag 40, a blob of kStrongEntrySize
// bytes (version 2, written) or kStrongEntrySize1 (version 1, read):
//   offset  size  field
//   0       1     version: 2 (41 bytes, written now) or 1 (the first 37 bytes)
//   1       1     key derivation, 1 = Argon2id
//   2       4     passes t            (u32 little-endian)
//   6       4     memory m in KiB     (u32 little-endian)
//   10      4     lanes p             (u32 little-endian)
//   14      16    salt
//   30      7     nonce prefix of the chunks
//   37      1     version 2: the password's form, 1 = its UTF-8 in Unicode
//                 normal form C (container/password_form.h); version 1 has
//                 no such byte and hashes the password's Windows-1252 bytes
//   38      1     version 2: content coding, 0 = the compression frames of
//                 tag 21's setting (version 1 always), 1 = one Zstandard frame,
//                 2 = one Zstandard frame over the content whose executables
//                 have their branches converted (stream/branch_filter.h);
//                 written now for settings 1 and 2
//   39      1     version 2: Zstandard level, 1 to 22 (0 with frames): what
//                 list tells; a reader does not need it
//   40      1     version 2: Zstandard window log, 10 to 27 (0 with frames):
//                 the frame's window is at most 2^log bytes. A reader refuses
//                 more than 2^27 (128 MiB) with kWindowTooLarge before it
//                 allocates
// With a Zstandard frame, tag 21 holds the writer's setting (1 or 2) and
// tag 30, which must be there, the content's size, which the frame repeats.
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
#include "crypto/crypt_stack.h"
#include "crypto/strong_keys.h"
#include "stream/tag_record.h"

namespace mv {

// The first version; its password is hashed as Windows-1252, its content
// always in frames.
inline constexpr uint8_t kStrongVersion1 = 1;
inline constexpr uint32_t kStrongEntrySize1 = 37;
// The version written now.
inline constexpr uint8_t kStrongVersion = 2;
inline constexpr uint32_t kStrongEntrySize = 41;
inline constexpr uint8_t kKdfArgon2id = 1;

// The writer's Zstandard codings of compression settings 1 (best, with
// long-distance matching over the whole window) and 2 (fast); setting 0
// stores the content in frames.
inline constexpr ZstdCoding kZstdBest{18, 27};
inline constexpr ZstdCoding kZstdFast{3, 23};
inline constexpr size_t kMaxStrongHeaderSize = 4096;
inline constexpr size_t kHeaderDigestSize = 16;
inline constexpr size_t kCheckRegionSize = kKeyCheckSize + kHeaderDigestSize;

struct StrongParameters {
  uint8_t version = kStrongVersion;
  PasswordForm password_form = PasswordForm::kUtf8Nfc;
  Argon2Cost cost;
  uint8_t salt[kStrongSaltSize] = {};
  uint8_t nonce_prefix[AeadChunkStream::kNoncePrefixSize] = {};
  // How the content is coded; its total comes from tag 30.
  ContentCoding coding;
};

// Writing: draws a fresh salt and nonce prefix from the system's generator
// and sets tags 20 and 40 of header (version 2) for cost and the coding of
// compression setting (0, 1 or 2); the content's size must be in tag 30.
// kNoRandomSource when the generator fails, kOutOfMemory when the entries
// cannot be stored.
Result PrepareStrongHeader(const Argon2Cost& cost, uint32_t compression, TagRecord* header,
                           StrongParameters* parameters);

// Reads tag 40 of header, with tags 21 and 30 for the content's coding.
// kMalformedRecord when it is missing, not a blob of its version's size,
// names an unknown version, key derivation or password form, or a coding
// no writer makes (see above); kWindowTooLarge for a window above 2^27.
// The cost is not judged here (CheckKdfCost).
Result ParseStrongParameters(const TagRecord& header, StrongParameters* parameters);

// The form in which the package of header hashes its password: the strong
// kind's own (tag 40), Windows-1252 for every other kind and for a tag 40
// that does not parse (a read refuses that package anyway).
PasswordForm PasswordFormOf(const TagRecord& header);

// Writing: derives the keys for the header's bytes and fills the check
// region. kBadArgument for a password the parameters' form cannot hold
// (PasswordBytes), else the derivation's codes (kCancelled once stop says
// so, see DeriveStrongKeys).
Result SealStrongHeader(const std::vector<uint8_t>& header_bytes, const StrongParameters& parameters,
                        const Password& password, StrongKeys* keys, uint8_t region[kCheckRegionSize],
                        StopQuery stop = nullptr);

// Reading: checks the region against the header's bytes: kPackageDamaged
// when the digest does not match (nothing is derived then); otherwise
// derives the keys and gives kWrongPassword when the key check does not
// match, kBadArgument for a password the form cannot hold (a first-version
// package: it could never have been made with it), or the derivation's
// codes (kCancelled once stop says so). The cost must have been checked.
Result OpenStrongHeader(const std::vector<uint8_t>& header_bytes, const StrongParameters& parameters,
                        const uint8_t region[kCheckRegionSize], const Password& password, StrongKeys* keys,
                        StopQuery stop = nullptr);

}  // namespace mv
