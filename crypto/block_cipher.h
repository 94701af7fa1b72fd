// BlockCipher: the cipher selected by a container's one-byte CipherId.
//
//   id  cipher                      block size  supported
//   0   Blowfish, 128-bit key       8           yes
//   1   reserved                    1           no (kCipherNotSupported)
//   2   AES-128                     16          yes
//   *   unknown                     0           no (kUnknownCipher)
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "crypto/aes_cipher.h"
#include "crypto/blowfish_cipher.h"

namespace mv {

class TagValue;

using CipherId = uint8_t;
inline constexpr CipherId kCipherBlowfish = 0;
inline constexpr CipherId kCipherReserved = 1;
inline constexpr CipherId kCipherAes = 2;

class BlockCipher {
 public:
  // Stores id and sets up the selected adapter for mode (kCipherEncrypt or
  // kCipherDecrypt) with the password and vector (null for zeros): the
  // adapter's result for ids 0 and 2, kCipherNotSupported for 1,
  // kUnknownCipher for any other id.
  Result Init(CipherId id, uint32_t mode, const String& password, const TagValue* vector);

  // True for the ids of block ciphers: 0 and 2.
  static bool IsSupported(CipherId id);
  // 8, 1, 16 for ids 0, 1, 2; 0 for any other id.
  static uint32_t BlockSize(CipherId id);

  // In place over the value's bytes (a value without bytes is empty).
  // kBadBlockLength (untouched) when the length is not a multiple of the
  // id's block size; then as Init: the adapter's result (kNotOpen before a
  // successful Init), kCipherNotSupported for 1, kUnknownCipher otherwise.
  Result Encrypt(TagValue& value);
  Result Decrypt(TagValue& value);
  // The same over length bytes at bytes.
  Result Encrypt(uint8_t* bytes, uint32_t length);
  Result Decrypt(uint8_t* bytes, uint32_t length);

  // Forgets keys and vectors of both adapters (wiped).
  void Reset();

  CipherId GetId() const { return id_; }

 private:
  Result Run(bool encrypt, uint8_t* bytes, uint32_t length);

  CipherId id_ = kCipherBlowfish;
  BlowfishCipher blowfish_;
  AesCipher aes_;
};

}  // namespace mv
