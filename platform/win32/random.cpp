// Windows side of platform/random.h.
#include "platform/random.h"

#include <windows.h>
// After windows.h: declares RtlGenRandom (SystemFunction036 in advapi32).
#include <ntsecapi.h>

#include <cstdint>

namespace mv::platform {

bool FillRandom(void* buffer, size_t length) {
  if (length == 0) return true;
  if (buffer == nullptr) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  // The length parameter is a ULONG: hand large requests over in pieces.
  constexpr size_t kPiece = 1u << 30;
  while (length > 0) {
    size_t piece = length < kPiece ? length : kPiece;
    if (!RtlGenRandom(out, static_cast<ULONG>(piece))) return false;
    out += piece;
    length -= piece;
  }
  return true;
}

}  // namespace mv::platform
