// POSIX side of platform/random.h.
#include "platform/random.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>

namespace mv::platform {
namespace {

// Set once the kernel has answered that it has no getrandom (before 3.17).
std::atomic<bool> g_no_getrandom{false};

// Reads or fetches length bytes through step, which returns a count or -1.
template <typename Step>
bool FillWith(uint8_t* out, size_t length, Step step) {
  // Either source may return fewer bytes than asked (large requests, signals).
  while (length > 0) {
    ssize_t got = step(out, length);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    out += got;
    length -= static_cast<size_t>(got);
  }
  return true;
}

// The same generator through its device, for kernels without getrandom.
// The name is not followed as a link and must be the kernel's urandom
// device (character device 1:9), so nothing put in its place (a file, or
// /dev/zero under its name in a prepared root) is ever taken for it.
bool ReadDeviceRandom(uint8_t* out, size_t length) {
  const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && st.st_rdev == makedev(1, 9) &&
            FillWith(out, length, [fd](uint8_t* p, size_t n) { return read(fd, p, n); });
  close(fd);
  return ok;
}

}  // namespace

bool FillRandom(void* buffer, size_t length) {
  if (length == 0) return true;
  if (buffer == nullptr) return false;
  auto* out = static_cast<uint8_t*>(buffer);
  if (!g_no_getrandom.load(std::memory_order_relaxed)) {
    if (FillWith(out, length, [](uint8_t* p, size_t n) { return getrandom(p, n, 0); })) return true;
    // A kernel without the call refuses the first request, before any byte.
    if (errno != ENOSYS) return false;
    g_no_getrandom.store(true, std::memory_order_relaxed);
  }
  return ReadDeviceRandom(out, length);
}

}  // namespace mv::platform
