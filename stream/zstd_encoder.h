// ZstdEncoder: the compressing half of ZstdStream, apart so that programs
// that only read (the stubs) do not carry Zstandard's compressor. A program
// that writes the strong kind calls RegisterZstdEncoder() before it opens a
// ZstdStream for writing (WriteContainer does); until then such an open is
// refused with kUnsupported.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/result.h"
#include "stream/stream.h"
#include "stream/zstd_stream.h"

namespace mv {

class ZstdEncoder {
 public:
  virtual ~ZstdEncoder() = default;
  // Compresses length bytes and writes what is ready to out; last ends the
  // frame (after the bytes given). The first failure of out, or kFailed
  // when the library refuses.
  virtual Result Code(const uint8_t* in, size_t length, bool last, Stream& out) = 0;
};

// Makes the encoder of one frame, or null when the parameters are refused
// or memory is short.
using ZstdEncoderFactory = std::unique_ptr<ZstdEncoder> (*)(const ZstdCoding& coding, unsigned workers,
                                                           uint64_t total);

// Makes this program able to write Zstandard frames.
void RegisterZstdEncoder();

// Used by ZstdStream: the registered factory, or null.
ZstdEncoderFactory GetZstdEncoderFactory();
void SetZstdEncoderFactory(ZstdEncoderFactory factory);

}  // namespace mv
