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
                              const ByteRange& header, uint64_t chunk_bytes, const ContentCoding& coding) {
  Result result = FilterStream::Open(inner);
  if (result == kOk) result = sealed_.Open(inner, key, nonce_prefix, header, chunk_bytes);
  if (result == kOk) {
    if (!coding.IsZstd()) {
      result = compression_.Open(&sealed_, coding.setting);
    } else if (IsWriting()) {
      result = zstd_.OpenWriting(&sealed_, coding.zstd, workers_, coding.total);
    } else {
      result = zstd_.OpenReading(&sealed_, &sealed_, coding.zstd.window_log, coding.total);
    }
  }
  if (result != kOk) Close();
  return result;
}

Stream& CryptStack::Content() {
  if (zstd_.GetMode() != kClosed) return zstd_;
  return compression_;
}

Result CryptStack::CheckEnd() {
  if (GetError() != kOk) return GetError();
  Result r = zstd_.GetMode() != kClosed ? zstd_.CheckEnd() : compression_.CheckEnd();
  if (r == kOk) r = sealed_.CheckEnd();
  return RecordError(r);
}

Result CryptStack::Close() {
  bool writing = IsWriting();
  Result result = compression_.Close();
  Result zstd_result = zstd_.Close();
  if (result == kOk) result = zstd_result;
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
  return RecordError(Content().Read(buffer, length));
}

Result CryptStack::Write(const void* buffer, uint32_t length) {
  if (FilterStream::Write(buffer, length) != kOk) return GetError();
  return RecordError(Content().Write(buffer, length));
}

}  // namespace mv
