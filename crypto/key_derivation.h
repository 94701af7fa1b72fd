// How a password becomes the container's password check and cipher keys.
// One SHA-1 pass each, no salt and no iteration count: the stored formats
// depend on exactly this. The password is hashed byte for byte as typed
// (no terminator, no conversion), so trailing blanks make another password.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "crypto/crypto_backend.h"

namespace mv {

// Appended to the password before hashing, one per cipher.
inline constexpr char kAesKeySuffix[] = "_KYT";
inline constexpr char kBlowfishKeySuffix[] = "_Marrowel";

// A derived 128-bit key; wiped when it goes out of scope.
struct CipherKey {
  CipherKey() = default;
  CipherKey(const CipherKey&) = delete;
  CipherKey& operator=(const CipherKey&) = delete;
  ~CipherKey();

  uint8_t bytes[kCipherKeySize] = {};
};

// The 16-bit verifier of SHA-1(first followed by second): digest byte 0
// plus 256 times digest byte 1, so that writing it low byte first stores the
// first two digest bytes in order. The container's password check is the
// verifier of the password with an empty second text.
Result ComputeVerifier(const String& first, const String& second, uint16_t& verifier);
Result ComputeVerifier(const String& password, uint16_t& verifier);

// key := the first 16 bytes of SHA-1(password followed by suffix).
Result DeriveCipherKey(const String& password, const char* suffix, CipherKey& key);

}  // namespace mv
