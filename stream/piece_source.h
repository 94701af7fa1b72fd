// PieceSource: a reading stream that hands out its bytes in the pieces it
// already holds in memory, without a copy, and says where it ends. A
// decoder whose input length is not known beforehand (a Zstandard frame)
// reads through it.
#pragma once

#include <cstdint>

#include "base/result.h"

namespace mv {

class PieceSource {
 public:
  // Sets *data and *length to the next bytes of the stream, at least one;
  // they stay valid until the next call or until the stream closes. At the
  // end of the stream *length is 0 and the result kOk. Otherwise the
  // stream's failure, which is also its sticky error.
  virtual Result NextPiece(const uint8_t** data, uint32_t* length) = 0;

 protected:
  ~PieceSource() = default;
};

}  // namespace mv
