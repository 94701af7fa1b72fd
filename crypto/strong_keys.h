// The keys of the strong container kind. The password (its Windows-1252
// bytes, as the classic kind hashes them) and the package's 16-byte salt go
// through Argon2id with the cost the package names; HKDF-SHA256 turns the
// 32 bytes it yields into two keys of their own: the payload key of the
// chunks (AES-256-GCM) and the key of the key check, an HMAC-SHA256 of the
// header's bytes that tells a wrong password from the right one only after
// the whole derivation has run.
//
// A package names its own cost, so a hostile one could ask for any amount
// of memory and time: CheckKdfCost bounds it before anything is derived or
// allocated.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "crypto/crypto_backend.h"

namespace mv {

inline constexpr size_t kStrongSaltSize = 16;
inline constexpr size_t kKeyCheckSize = kSha256DigestSize;

// Upper bounds of a cost a reader accepts.
inline constexpr uint32_t kMaxKdfPasses = 16;
inline constexpr uint32_t kMaxKdfMemoryKib = 2u * 1024 * 1024;  // 2 GiB
inline constexpr uint32_t kMaxKdfLanes = 16;

// The writer's profiles.
inline constexpr Argon2Cost kKdfDefault{3, 64u * 1024, 4};
inline constexpr Argon2Cost kKdfHigh{3, 256u * 1024, 4};
inline constexpr Argon2Cost kKdfMax{1, 2u * 1024 * 1024, 4};

// kOk for a cost a derivation may run with: 1 to kMaxKdfPasses passes, 1 to
// kMaxKdfLanes lanes, at least 8 KiB per lane and at most kMaxKdfMemoryKib
// nor more than available_memory bytes (0: not known, only the fixed bound
// applies). kMalformedRecord for a cost no writer makes (no pass, no lane,
// too little memory for the lanes), kKdfTooCostly for one above the bounds.
Result CheckKdfCost(const Argon2Cost& cost, uint64_t available_memory);

// The two keys; wiped when they go out of scope.
struct StrongKeys {
  StrongKeys() = default;
  StrongKeys(const StrongKeys&) = delete;
  StrongKeys& operator=(const StrongKeys&) = delete;
  ~StrongKeys();

  uint8_t payload[kGcmKeySize] = {};
  uint8_t check[kSha256DigestSize] = {};
};

// Derives both keys from password and salt with cost, which the caller has
// checked. The backend's codes (kOutOfMemory, kCipherFailed; kCancelled
// when stop, asked before each slice of Argon2id, answers true).
Result DeriveStrongKeys(const String& password, const uint8_t salt[kStrongSaltSize], const Argon2Cost& cost,
                        StrongKeys* keys, StopQuery stop = nullptr);

// The key check: HMAC-SHA256 of the header's bytes under the check key.
Result ComputeKeyCheck(const StrongKeys& keys, const ByteRange& header, uint8_t out[kKeyCheckSize]);

}  // namespace mv
