// AeadChunkStream: the payload layer of the strong container kind. It seals
// the bytes passing through it in chunks of AES-256-GCM, each authenticated
// before any of its bytes go on.
//
// On the inner stream, chunk after chunk:
//   length  u32 little-endian: the chunk's plain length L (at most 65536)
//   data    L bytes of cipher text
//   tag     16 bytes
// Chunk i (from 0) is sealed under the nonce
//   the package's 7-byte nonce prefix | i as u32 big-endian | 1 for the
//   last chunk, else 0
// with the header's bytes, exactly as stored, as associated data. Every
// chunk but the last holds exactly 65536 bytes; the last holds fewer (none
// when the content fills whole chunks), so every stream ends with a chunk
// that carries the last-chunk flag. A changed, dropped, reordered,
// duplicated or appended chunk fails its tag (or leaves data after the
// flagged one); a stream cut at a chunk boundary lacks the flagged chunk.
//
// The reader is told how many bytes the chunks occupy and refuses, before
// handing on any of a chunk's bytes: a length above 65536, a tag that does
// not match, or data after the last chunk with kPackageDamaged; a chunk or
// length field that runs past the end with kPackageTruncated. Once the
// layer above has read what it needs, CheckEnd reads on to the flagged
// chunk (the empty one that ends a content of whole chunks) and refuses a
// missing one (kPackageTruncated) and plain bytes nobody read or bytes after
// it (kPackageDamaged). Memory stays one chunk. The number of the failing chunk goes to the context's
// failed_chunk. The chunk buffer holds plain data and is wiped when
// released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/result.h"
#include "crypto/crypto_backend.h"
#include "stream/filter_stream.h"
#include "stream/piece_source.h"
#include "stream/tag_value.h"

namespace mv {

class AeadChunkStream : public FilterStream, public PieceSource {
 public:
  static constexpr uint32_t kChunkCapacity = 65536;
  static constexpr size_t kNoncePrefixSize = 7;
  // Bytes of a chunk besides its data: the length field and the tag.
  static constexpr uint32_t kChunkOverhead = 4 + kGcmTagSize;

  AeadChunkStream() = default;
  ~AeadChunkStream() override;

  // Opens over inner in its direction with the payload key, the nonce
  // prefix and the header's bytes (copied). Reading: chunk_bytes is the
  // number of bytes from here to the end of the package. kFilterModeRefused
  // when inner is not open, the GCM engine's codes otherwise; closed on
  // failure.
  Result Open(Stream* inner, const uint8_t key[kGcmKeySize], const uint8_t nonce_prefix[kNoncePrefixSize],
              const ByteRange& header, uint64_t chunk_bytes);
  // Writing: seals and writes the last chunk; the stream's error after
  // that. Reading: drops any unread rest; kOk. The inner stream stays open.
  Result Close() override;
  // A read that runs past the end of the content fails with kShortRead.
  Result Read(void* buffer, uint32_t length) override;
  Result Write(const void* buffer, uint32_t length) override;
  // Reading: the rest of the current chunk, or of the next one.
  Result NextPiece(const uint8_t** data, uint32_t* length) override;

  // Reading, once the layer above has read the content: kOk when the
  // flagged chunk has been read, whole, with nothing after it. A read that
  // ran past the end without taking a byte (how a layer above finds the
  // end) counts as reaching it; one that took bytes first means the data
  // above was cut: kPackageDamaged.
  Result CheckEnd();

 private:
  Result EnsureBuffer();
  Result FlushChunk(bool last);
  Result Refill();
  Result Fail(Result code);
  void MakeNonce(bool last, uint8_t nonce[kGcmNonceSize]) const;

  GcmEngine engine_;
  uint8_t nonce_prefix_[kNoncePrefixSize] = {};
  std::vector<uint8_t> header_;
  TagValue chunk_;             // capacity plus tag bytes once allocated
  uint64_t remaining_ = 0;     // reading: bytes of chunks not yet read
  uint32_t chunks_ = 0;
  uint32_t chunk_length_ = 0;  // plain bytes of the current chunk (reading)
  uint32_t position_ = 0;      // next byte out (reading), bytes collected (writing)
  bool ended_ = false;         // reading: the flagged chunk has been read
  bool overran_cleanly_ = false;  // reading: a read began exactly at the end
};

}  // namespace mv
