#include "crypto/crypt_stack.h"

namespace mv {

Result CryptStack::Open(Stream* inner, const String& password, const TagValue* vector, CipherId id,
                        uint32_t compression_setting) {
  Result result = FilterStream::Open(inner);
  if (result == kOk) result = cipher_.Open(inner, password, vector, id);
  if (result == kOk) result = compression_.Open(&cipher_, compression_setting);
  if (result != kOk) Close();
  return result;
}

Result CryptStack::OpenSealed(Stream* inner, const uint8_t key[kGcmKeySize],
                              const uint8_t nonce_prefix[AeadChunkStream::kNoncePrefixSize],
                              const ByteRange& header, uint64_t chunk_bytes, uint32_t compression_setting) {
  Result result = FilterStream::Open(inner);
  if (result == kOk) result = sealed_.Open(inner, key, nonce_prefix, header, chunk_bytes);
  if (result == kOk) result = compression_.Open(&sealed_, compression_setting);
  if (result != kOk) Close();
  return result;
}

Result CryptStack::Close() {
  bool writing = IsWriting();
  Result result = compression_.Close();
  // Only one of the two cipher layers is open; closing the other is a no-op.
  Result cipher_result = cipher_.Close();
  Result sealed_result = sealed_.Close();
  if (result == kOk) result = cipher_result;
  if (result == kOk) result = sealed_result;
  if (result == kOk) result = GetError();
  FilterStream::Close();
  return writing ? result : kOk;
}

Result CryptStack::Read(void* buffer, uint32_t length) {
  if (FilterStream::Read(buffer, length) != kOk) return GetError();
  return RecordError(compression_.Read(buffer, length));
}

Result CryptStack::Write(const void* buffer, uint32_t length) {
  if (FilterStream::Write(buffer, length) != kOk) return GetError();
  return RecordError(compression_.Write(buffer, length));
}

}  // namespace mv
