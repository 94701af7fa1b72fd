// POSIX side of platform/random.h.
#include "platform/random.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdint>

namespace mv::platform {

bool FillRandom(void* buffer, size_t length) {
  if (length == 0) return true;
  if (buffer == nullptr) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  // getrandom may return fewer bytes than asked (large requests, signals).
  while (length > 0) {
    ssize_t got = getrandom(out, length, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out += got;
    length -= static_cast<size_t>(got);
  }
  return true;
}

}  // namespace mv::platform
