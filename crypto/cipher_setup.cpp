#include "crypto/cipher_setup.h"

#include <cstring>

#include "crypto/key_derivation.h"
#include "stream/tag_value.h"

namespace mv {

Result LoadCipherVector(const TagValue* vector, size_t size, uint8_t* out) {
  if (vector == nullptr) {
    std::memset(out, 0, size);
    return kOk;
  }
  if (vector->GetType() != kTypeBlob || vector->GetLength() != size ||
      vector->GetBytes() == nullptr) {
    return kBadVector;
  }
  std::memcpy(out, vector->GetBytes(), size);
  return kOk;
}

Result StartKeyedChain(CbcEngine& engine, CbcAlgorithm algorithm, const String& password,
                       const char* suffix, const uint8_t* vector) {
  engine.Reset();
  CipherKey key;
  if (DeriveCipherKey(password, suffix, key) != kOk) return kCipherFailed;
  return engine.Start(algorithm, key.bytes, vector) == kOk ? kOk : kCipherFailed;
}

}  // namespace mv
