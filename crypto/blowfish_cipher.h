// BlowfishCipher: Blowfish with a 128-bit key in CBC mode, the cipher of
// id 0. The key is the first 16 bytes of SHA-1(password + "_Marrowel"); the
// vector carries from call to call, so consecutive calls continue one chain
// (after a call it is the last ciphertext block). No padding: every call
// passes whole 8-byte blocks.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "crypto/crypto_backend.h"

namespace mv {

class TagValue;

class BlowfishCipher {
 public:
  static constexpr uint32_t kBlockSize = 8;

  // vector: null for 8 zero bytes, else a byte string of exactly 8 bytes
  // (kBadVector otherwise). The same set-up serves both directions.
  // kCipherFailed when the cipher library refuses. Replaces any earlier
  // set-up; on failure the cipher is not ready.
  Result Init(const String& password, const TagValue* vector);
  bool IsReady() const { return engine_.IsReady(); }
  // Forgets key and vector (wiped); the cipher is then not ready.
  void Reset() { engine_.Reset(); }

  // In place. kNotOpen before a successful Init; kBadBlockLength (buffer
  // untouched) when length is not a multiple of 8.
  Result Encrypt(uint8_t* bytes, uint32_t length) { return engine_.Encrypt(bytes, length); }
  Result Decrypt(uint8_t* bytes, uint32_t length) { return engine_.Decrypt(bytes, length); }

 private:
  CbcEngine engine_;
};

}  // namespace mv
