// Moving a byte string through a stream in pieces of a fixed size, for the
// round-trip oracles of the stream targets.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/result.h"
#include "stream/stream.h"

namespace mv::fuzz {

// Writes data in pieces; the first failure, or kOk.
inline Result WriteInPieces(Stream& stream, const std::vector<uint8_t>& data, uint32_t piece) {
  for (size_t at = 0; at < data.size(); at += piece) {
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(piece, data.size() - at));
    const Result r = stream.Write(data.data() + at, n);
    if (r != kOk) return r;
  }
  return kOk;
}

// True when reading in pieces gives exactly data, and reading on fails.
inline bool ReadsBackExactly(Stream& stream, const std::vector<uint8_t>& data, uint32_t piece) {
  std::vector<uint8_t> back(data.size());
  for (size_t at = 0; at < data.size(); at += piece) {
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(piece, data.size() - at));
    if (stream.Read(back.data() + at, n) != kOk) return false;
  }
  uint8_t extra = 0;
  return back == data && stream.Read(&extra, 1) != kOk;
}

// Reads pieces, dropping them, until a read fails or limit bytes were read
// (decoded input may announce far more than is worth reading).
inline void ReadUntilFailure(Stream& stream, uint32_t piece, size_t limit) {
  std::vector<uint8_t> out(piece);
  for (size_t total = 0; total < limit; total += piece) {
    if (stream.Read(out.data(), piece) != kOk) return;
  }
}

}  // namespace mv::fuzz
