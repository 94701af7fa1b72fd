#include "crypto/aes_cipher.h"

#include "crypto/cipher_setup.h"
#include "crypto/key_derivation.h"

namespace mv {

Result AesCipher::Init(uint32_t mode, const String& password, uint32_t block_size,
                       const TagValue* vector) {
  engine_.Reset();
  if (block_size != kBlockSize) return kCipherNotSupported;
  uint8_t first_vector[kBlockSize];
  Result result = LoadCipherVector(vector, kBlockSize, first_vector);
  if (result != kOk) return result;
  // One key schedule serves both directions here; the mode is still checked
  // so that a caller's wrong mode does not pass unnoticed.
  if (mode != kCipherEncrypt && mode != kCipherDecrypt) return kBadArgument;
  return StartKeyedChain(engine_, CbcAlgorithm::kAes128, password, kAesKeySuffix, first_vector);
}

}  // namespace mv
