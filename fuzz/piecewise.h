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

// Pieces smaller than 4 KiB are used over the first this many bytes only,
// then pieces of 4 KiB: the paths small pieces take are the same all
// along, and tens of thousands of tiny calls per input would take most of
// a target's time.
inline constexpr size_t kSmallPieceSpan = 1024;

// The size of the piece that starts at byte at.
inline size_t PieceAt(size_t at, uint32_t piece) {
  return at < kSmallPieceSpan ? piece : std::max<size_t>(piece, 4 * kSmallPieceSpan);
}

// Writes data in pieces; the first failure, or kOk.
inline Result WriteInPieces(Stream& stream, const std::vector<uint8_t>& data, uint32_t piece) {
  for (size_t at = 0, n = 0; at < data.size(); at += n) {
    n = std::min(PieceAt(at, piece), data.size() - at);
    const Result r = stream.Write(data.data() + at, static_cast<uint32_t>(n));
    if (r != kOk) return r;
  }
  return kOk;
}

// True when reading in pieces gives exactly data, and reading on fails.
inline bool ReadsBackExactly(Stream& stream, const std::vector<uint8_t>& data, uint32_t piece) {
  std::vector<uint8_t> back(data.size());
  for (size_t at = 0, n = 0; at < data.size(); at += n) {
    n = std::min(PieceAt(at, piece), data.size() - at);
    if (stream.Read(back.data() + at, static_cast<uint32_t>(n)) != kOk) return false;
  }
  uint8_t extra = 0;
  return back == data && stream.Read(&extra, 1) != kOk;
}

// Reads pieces, dropping them, until a read fails or limit bytes were read
// (decoded input may announce far more than is worth reading).
inline void ReadUntilFailure(Stream& stream, uint32_t piece, size_t limit) {
  std::vector<uint8_t> out(std::max<size_t>(piece, 4 * kSmallPieceSpan));
  for (size_t total = 0, n = 0; total < limit; total += n) {
    n = PieceAt(total, piece);
    if (stream.Read(out.data(), static_cast<uint32_t>(n)) != kOk) return;
  }
}

}  // namespace mv::fuzz
