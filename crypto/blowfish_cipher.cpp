#include "crypto/blowfish_cipher.h"

#include "crypto/cipher_setup.h"
#include "crypto/key_derivation.h"

namespace mv {

Result BlowfishCipher::Init(const String& password, const TagValue* vector) {
  engine_.Reset();
  uint8_t first_vector[kBlockSize];
  Result result = LoadCipherVector(vector, kBlockSize, first_vector);
  if (result != kOk) return result;
  return StartKeyedChain(engine_, CbcAlgorithm::kBlowfish128, password, kBlowfishKeySuffix,
                         first_vector);
}

}  // namespace mv
