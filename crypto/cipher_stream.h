// CipherStream: enciphers the bytes passing through it in chunks.
//
// After the password check, the inner stream holds a sequence of chunks:
//   length block  B bytes (B = block size): the chunk's plain length L,
//                 u32 little-endian, then zeros; enciphered with the
//                 length chain
//   data          L rounded up to a multiple of B bytes: the plain bytes
//                 followed by zero padding, enciphered with the data chain
// Both chains use the same key and vector and run on across chunks, so two
// identical chunks do not repeat ciphertext. A chunk holds at most the chunk
// limit, B × 65536 bytes (1 MiB for AES, 512 KiB for Blowfish); the writer
// fills every chunk to the limit before starting the next, and writes the
// last partial one at Close (a stream that received nothing writes none).
//
// The reader refuses a length block announcing more than the chunk limit
// with kCipherFailed before reading further, so input cannot make it
// allocate more than one chunk. Reading past the last chunk fails with the
// inner stream's error (kShortRead for data that has ended). The chunk
// buffer holds plain data and is wiped when released.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "crypto/block_cipher.h"
#include "crypto/cipher_stream_base.h"
#include "stream/tag_value.h"

namespace mv {

class CipherStream : public CipherStreamBase {
 public:
  CipherStream() = default;
  ~CipherStream() override;

  // Opens over inner in its direction with the cipher id (kCipherBlowfish or
  // kCipherAes), the password and the vector (null for zeros): the checks
  // and the password check of CipherStreamBase::Open, then the data chain
  // and the length chain are set up. Closes the stream on failure.
  Result Open(Stream* inner, const String& password, const TagValue* vector, CipherId id);
  // Writing: enciphers and writes the last partial chunk; returns the
  // stream's error as it stood after that (kOk when every chunk reached the
  // inner stream). Reading: drops any unread rest; kOk. The inner stream
  // stays open either way.
  Result Close() override;
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;

  // Chunks written or read since Open.
  uint32_t GetChunkCount() const { return chunks_; }

 private:
  // Makes the chunk buffer hold at least length bytes (at most the chunk
  // limit), keeping the bytes collected so far: it starts at 64 KiB and
  // doubles, so a small package never pays for a whole chunk.
  Result ReserveChunk(uint32_t length);
  Result FlushChunk();
  Result Refill();
  uint32_t PaddedLength(uint32_t length) const;

  TagValue chunk_;  // the chunk's bytes; grows up to the chunk limit
  BlockCipher length_chain_;
  uint32_t chunks_ = 0;
  uint32_t chunk_length_ = 0;  // plain bytes of the current chunk (reading)
  uint32_t position_ = 0;      // next byte out (reading), bytes collected (writing)
};

}  // namespace mv
