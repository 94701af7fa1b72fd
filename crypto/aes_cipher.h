// AesCipher: AES-128 in CBC mode, the cipher of id 2. The key is the first
// 16 bytes of SHA-1(password + "_KYT"); the vector carries from call to
// call, so consecutive calls continue one chain (after a call it is the last
// ciphertext block). No padding: every call passes whole 16-byte blocks.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "crypto/cipher_setup.h"
#include "crypto/crypto_backend.h"

namespace mv {

class TagValue;

class AesCipher {
 public:
  static constexpr uint32_t kBlockSize = 16;

  // Checks in this order: block_size not 16 → kCipherNotSupported; vector
  // (null for 16 zero bytes) not a byte string of exactly 16 bytes →
  // kBadVector; mode not kCipherEncrypt or kCipherDecrypt → kBadArgument;
  // the cipher library refuses → kCipherFailed. Replaces any earlier
  // set-up; on failure the cipher is not ready.
  Result Init(uint32_t mode, const String& password, uint32_t block_size, const TagValue* vector);
  bool IsReady() const { return engine_.IsReady(); }
  // Forgets key and vector (wiped); the cipher is then not ready.
  void Reset() { engine_.Reset(); }
  // kBlockSize after a successful Init, else 0.
  uint32_t GetBlockSize() const { return IsReady() ? kBlockSize : 0; }

  // In place. kNotOpen before a successful Init; kBadBlockLength (buffer
  // untouched) when length is not a multiple of 16; kCipherFailed when the
  // library does not process all blocks.
  Result Encrypt(uint8_t* bytes, uint32_t length) { return engine_.Encrypt(bytes, length); }
  Result Decrypt(uint8_t* bytes, uint32_t length) { return engine_.Decrypt(bytes, length); }

 private:
  CbcEngine engine_;
};

}  // namespace mv
