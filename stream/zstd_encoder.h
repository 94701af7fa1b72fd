// ZstdEncoder: the compressing half of ZstdStream, apart so that programs
// that only read (the stubs) do not carry Zstandard's compressor. A program
// that writes the strong kind calls RegisterZstdEncoder() before it opens a
// ZstdStream for writing (WriteContainer does); until then such an open is
// refused with kUnsupported.
#pragma once

#include "stream/zstd_stream.h"

namespace mv {

// Makes this program able to write Zstandard frames.
void RegisterZstdEncoder();

}  // namespace mv
