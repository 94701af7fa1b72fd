// CipherStreamBase: what every cipher layer shares: the cipher id and its
// block size, the chunk limit, the data chain, and the password check that
// opening runs on the stream below.
//
// Password check: the 16-bit verifier of the password (container/
// key_derivation.h), two bytes low byte first, directly on the inner stream
// before any enciphered byte. Writing puts it there; reading compares it
// before any key is set up, and a mismatch closes the stream with
// kWrongPassword. About one wrong password in 65536 passes; the layers above
// then see garbage and fail with their own codes.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "crypto/block_cipher.h"
#include "stream/filter_stream.h"

namespace mv {

class TagValue;

class CipherStreamBase : public FilterStream {
 public:
  // Blocks per chunk: the chunk limit is BlockSize(id) times this.
  static constexpr uint32_t kChunkBlocks = 65536;

  CipherId GetCipherId() const { return id_; }
  uint32_t GetBlockSize() const { return block_size_; }
  // Largest plain length of one chunk; 0 while closed.
  uint32_t GetChunkLimit() const { return chunk_limit_; }

  // Forgets the keys (wiped) and the chunk limit, then closes the filter.
  Result Close() override;

 protected:
  CipherStreamBase() = default;

  // Opens over inner in its direction: kFilterModeRefused when the filter
  // cannot take inner (null, or not open for reading or writing); kUnsupported for an id that is
  // not a block cipher; then the password check (kWrongPassword, or the inner stream's error when
  // it failed to move the two bytes), then the data chain's set-up for (id, the stream's mode,
  // password, vector). Closes the stream on failure.
  Result Open(Stream* inner, const String& password, const TagValue* vector, CipherId id);

  BlockCipher& DataChain() { return data_chain_; }

 private:
  Result CheckPassword(const String& password);

  CipherId id_ = kCipherBlowfish;
  uint32_t block_size_ = 0;
  uint32_t chunk_limit_ = 0;
  BlockCipher data_chain_;
};

}  // namespace mv
