// What both chunked cipher layers do when they are read: hand out the
// current chunk's plain bytes and fetch the next chunk whenever the caller
// asks for more than is left.
#pragma once

#include <cstdint>
#include <cstring>

#include "base/result.h"
#include "stream/tag_value.h"

namespace mv {

// Copies length bytes to out from chunk's bytes [position, chunk_length),
// calling refill() each time they are used up; refill sets chunk_length and
// position for the next chunk. Returns kOk, or the first failure of refill
// (out then holds the bytes copied before it, *copied, when given, their
// number).
template <typename Refill>
Result ReadFromChunks(uint8_t* out, uint32_t length, const TagValue& chunk, uint32_t& chunk_length,
                      uint32_t& position, Refill refill, uint32_t* copied = nullptr) {
  uint32_t done = 0;
  while (length > chunk_length - position) {
    const uint32_t rest = chunk_length - position;
    if (rest != 0) std::memcpy(out, chunk.GetBytes() + position, rest);
    out += rest;
    length -= rest;
    done += rest;
    position = chunk_length;
    const Result r = refill();
    if (r != kOk) {
      if (copied != nullptr) *copied = done;
      return r;
    }
  }
  if (length != 0) std::memcpy(out, chunk.GetBytes() + position, length);
  position += length;
  return kOk;
}

}  // namespace mv
