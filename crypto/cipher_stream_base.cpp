#include "crypto/cipher_stream_base.h"

#include "crypto/cipher_setup.h"
#include "crypto/key_derivation.h"

namespace mv {

static_assert(kCipherEncrypt == Stream::kWriting && kCipherDecrypt == Stream::kReading,
              "a cipher stream hands its own mode to the cipher set-up");

Result CipherStreamBase::Open(Stream* inner, const String& password, const TagValue* vector,
                              CipherId id) {
  // A closed inner stream would leave this one closed too, with nothing to
  // check the password against: refused like a missing one.
  if (FilterStream::Open(inner) != kOk || GetMode() == kClosed) {
    Close();
    return kFilterModeRefused;
  }
  id_ = id;
  block_size_ = BlockCipher::BlockSize(id);
  if (!BlockCipher::IsSupported(id)) {
    Close();
    return kUnsupported;
  }
  chunk_limit_ = block_size_ * kChunkBlocks;
  Result result = CheckPassword(password);
  if (result == kOk) result = data_chain_.Init(id, GetMode(), password, vector);
  if (result != kOk) Close();
  return result;
}

Result CipherStreamBase::CheckPassword(const String& password) {
  uint16_t verifier = 0;
  Result result = ComputeVerifier(password, verifier);
  if (result != kOk) return result;
  Stream* inner = GetInner();
  uint16_t stored = verifier;
  if (IsWriting()) {
    inner->WriteU16(verifier);
  } else {
    // A file that ends early compares as if the missing bytes were zero.
    inner->ReadU16(stored);
  }
  if (stored != verifier) return kWrongPassword;
  // A short file can still match (a verifier of 0); its failure is then
  // reported here rather than by the first read.
  return inner->GetError();
}

Result CipherStreamBase::Close() {
  data_chain_.Reset();
  chunk_limit_ = 0;
  return FilterStream::Close();
}

}  // namespace mv
