// CryptStack: the enciphered, compressed body of a container as one stream.
// A CompressionStream sits on a CipherStream (classic kind) or on an
// AeadChunkStream (strong kind), which sits on the stream the stack is
// opened over:
//   caller → CryptStack → CompressionStream → CipherStream → inner
//   caller → CryptStack → CompressionStream → AeadChunkStream → inner
// Writing compresses first and then enciphers; reading runs the other way,
// so the decompressor only ever sees bytes that were deciphered (and, for
// the strong kind, authenticated).
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "crypto/aead_chunk_stream.h"
#include "crypto/block_cipher.h"
#include "crypto/cipher_stream.h"
#include "stream/compression_stream.h"
#include "stream/filter_stream.h"

namespace mv {

class TagValue;

class CryptStack : public FilterStream {
 public:
  CryptStack() = default;

  // Opens the filter, the CipherStream over inner (password check included)
  // and the CompressionStream over the CipherStream with the compression
  // setting. The first failure closes the stack and is returned:
  // kBadArgument/kFilterModeRefused, then the CipherStream's codes
  // (kWrongPassword, kUnsupported, kBadVector, ...), then the
  // CompressionStream's (kUnsupported for a setting above 2).
  Result Open(Stream* inner, const String& password, const TagValue* vector, CipherId id,
              uint32_t compression_setting);
  // The same over an AeadChunkStream opened with the payload key, nonce
  // prefix, header bytes and chunk bytes (see AeadChunkStream::Open).
  Result OpenSealed(Stream* inner, const uint8_t key[kGcmKeySize],
                    const uint8_t nonce_prefix[AeadChunkStream::kNoncePrefixSize], const ByteRange& header,
                    uint64_t chunk_bytes, uint32_t compression_setting);
  // Closes the CompressionStream (its last block goes into the cipher
  // stream), then the cipher layer (its last chunk goes to inner), then the
  // stack. Writing: the first failure of those flushes, kOk when everything
  // reached inner. The inner stream stays open.
  Result Close() override;
  // Forwarded to the CompressionStream after the filter's admission; its
  // result becomes the stack's sticky error.
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

  // Worker threads of the compression layer for the next Open (see
  // CompressionStream::SetWorkerCount).
  void SetWorkerCount(unsigned count) { compression_.SetWorkerCount(count); }

  static bool IsValidCompressionSetting(uint32_t setting) {
    return CompressionStream::IsValidCompressionSetting(setting);
  }

 private:
  CipherStream cipher_;
  AeadChunkStream sealed_;
  CompressionStream compression_;
};

}  // namespace mv
