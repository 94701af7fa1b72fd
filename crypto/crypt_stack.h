// CryptStack: the enciphered, compressed body of a container as one stream.
// A CompressionStream sits on a CipherStream (classic kind) or on an
// AeadChunkStream (strong kind), which sits on the stream the stack is
// opened over; the strong kind's content may instead be one Zstandard
// frame (ZstdStream):
//   caller → CryptStack → CompressionStream → CipherStream → inner
//   caller → CryptStack → CompressionStream → AeadChunkStream → inner
//   caller → CryptStack → ZstdStream → AeadChunkStream → inner
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
#include "stream/zstd_stream.h"

namespace mv {

class TagValue;

// How the strong kind's content is coded before it is sealed.
struct ContentCoding {
  enum Method : uint8_t {
    kFrames = 0,  // the CompressionStream's frames with setting
    kZstd = 1,    // one Zstandard frame with zstd's level and window
    // As kZstd; the files in the content that are executables have their
    // branches converted (stream/branch_filter.h) before compression.
    kZstdFiltered = 2,
  };
  bool IsZstd() const { return method == kZstd || method == kZstdFiltered; }
  uint8_t method = kFrames;
  uint32_t setting = 0;  // kFrames
  ZstdCoding zstd;       // kZstd, kZstdFiltered
  uint64_t total = 0;    // kZstd, kZstdFiltered: the content's bytes
};

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
  // prefix, header bytes and chunk bytes (see AeadChunkStream::Open), the
  // content coded as coding says (the ZstdStream's codes for a Zstandard
  // frame).
  Result OpenSealed(Stream* inner, const uint8_t key[kGcmKeySize],
                    const uint8_t nonce_prefix[AeadChunkStream::kNoncePrefixSize], const ByteRange& header,
                    uint64_t chunk_bytes, const ContentCoding& coding);
  // Closes the CompressionStream (its last block goes into the cipher
  // stream), then the cipher layer (its last chunk goes to inner), then the
  // stack. Writing: the first failure of those flushes, kOk when everything
  // reached inner. The inner stream stays open.
  Result Close() override;
  // Forwarded to the CompressionStream after the filter's admission; its
  // result becomes the stack's sticky error.
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

  // Reading the strong kind, once the content has been read: the coding's
  // end (CompressionStream::CheckEnd, ZstdStream::CheckEnd), then the
  // chunks' (AeadChunkStream::CheckEnd). The first failure becomes the
  // stack's error.
  Result CheckEnd();

  // Worker threads of the compression layer for the next Open (see
  // CompressionStream::SetWorkerCount).
  void SetWorkerCount(unsigned count) {
    compression_.SetWorkerCount(count);
    workers_ = count;
  }

  static bool IsValidCompressionSetting(uint32_t setting) {
    return CompressionStream::IsValidCompressionSetting(setting);
  }

 private:
  CipherStream cipher_;
  AeadChunkStream sealed_;
  CompressionStream compression_;
  ZstdStream zstd_;
  unsigned workers_ = CompressionStream::DefaultWorkerCount();

  // The layer the content passes: zstd_ when open, else compression_.
  Stream& Content();
};

}  // namespace mv
