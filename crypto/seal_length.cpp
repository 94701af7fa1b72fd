#include "crypto/seal_length.h"

#include "base/little_endian.h"
#include "stream/tag_value.h"

namespace mv {

Result SealLength(uint32_t value, const String& password, CipherId id, const TagValue* vector,
                  TagValue& out) {
  if (!BlockCipher::IsSupported(id)) return kCipherNotSupported;
  uint32_t block = BlockCipher::BlockSize(id);
  out.SetBlobSize(block);
  if (out.GetBytes() == nullptr) return kOutOfMemory;
  for (int i = 0; i < 4; ++i) out.GetBytes()[i] = static_cast<uint8_t>(value >> (8 * i));
  BlockCipher cipher;
  Result result = cipher.Init(id, kCipherEncrypt, password, vector);
  if (result == kOk) result = cipher.Encrypt(out);
  return result;
}

Result UnsealLength(const TagValue& in, const String& password, CipherId id, const TagValue* vector,
                    uint32_t& out) {
  out = 0;
  if (!BlockCipher::IsSupported(id)) return kCipherNotSupported;
  // At least one whole block, so that the 4 bytes read below exist.
  if (in.GetBytes() == nullptr || in.GetLength() < BlockCipher::BlockSize(id)) {
    return kBadBlockLength;
  }
  TagValue copy(in);
  if (copy.GetBytes() == nullptr) return kOutOfMemory;
  BlockCipher cipher;
  Result result = cipher.Init(id, kCipherDecrypt, password, vector);
  if (result == kOk) result = cipher.Decrypt(copy);
  if (result != kOk) return result;
  const uint8_t* bytes = copy.GetBytes();
  out = LoadU32Le(bytes);
  return kOk;
}

}  // namespace mv
