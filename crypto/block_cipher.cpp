#include "crypto/block_cipher.h"

#include "stream/tag_value.h"

namespace mv {
namespace {

// A value without storage has no bytes, whatever its length field says.
uint32_t ByteCount(const TagValue& value) {
  return value.GetBytes() == nullptr ? 0 : value.GetLength();
}

}  // namespace

Result BlockCipher::Init(CipherId id, uint32_t mode, const String& password,
                         const TagValue* vector) {
  id_ = id;
  switch (id) {
    case kCipherBlowfish:
      return blowfish_.Init(password, vector);
    case kCipherAes:
      return aes_.Init(mode, password, AesCipher::kBlockSize, vector);
    case kCipherReserved:
      return kCipherNotSupported;
    default:
      return kUnknownCipher;
  }
}

void BlockCipher::Reset() {
  blowfish_.Reset();
  aes_.Reset();
}

bool BlockCipher::IsSupported(CipherId id) { return id == kCipherBlowfish || id == kCipherAes; }

uint32_t BlockCipher::BlockSize(CipherId id) {
  switch (id) {
    case kCipherBlowfish:
      return BlowfishCipher::kBlockSize;
    case kCipherReserved:
      return 1;
    case kCipherAes:
      return AesCipher::kBlockSize;
    default:
      return 0;
  }
}

Result BlockCipher::Encrypt(TagValue& value) {
  return Run(true, value.GetBytes(), ByteCount(value));
}

Result BlockCipher::Decrypt(TagValue& value) {
  return Run(false, value.GetBytes(), ByteCount(value));
}

Result BlockCipher::Encrypt(uint8_t* bytes, uint32_t length) { return Run(true, bytes, length); }

Result BlockCipher::Decrypt(uint8_t* bytes, uint32_t length) { return Run(false, bytes, length); }

Result BlockCipher::Run(bool encrypt, uint8_t* bytes, uint32_t length) {
  uint32_t block = BlockSize(id_);
  // An unknown id has no block size; refuse it before the division.
  if (block == 0) return kUnknownCipher;
  if (length % block != 0) return kBadBlockLength;
  switch (id_) {
    case kCipherBlowfish:
      return encrypt ? blowfish_.Encrypt(bytes, length) : blowfish_.Decrypt(bytes, length);
    case kCipherAes:
      return encrypt ? aes_.Encrypt(bytes, length) : aes_.Decrypt(bytes, length);
    default:
      return kCipherNotSupported;
  }
}

}  // namespace mv
