// How the POSIX side stores Win32 notions, shared by its files: the user
// extended attribute that carries hidden, system and archive (and a
// folder's read-only), the write bits that carry a file's read-only, and
// FILETIME <-> timespec.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <ctime>

#include "base/little_endian.h"
#include "platform/files.h"

namespace mv::platform::posix {

// Hidden, system and archive (and read-only of a folder) as a 4-byte
// little-endian copy of their Win32 bits.
inline constexpr const char* kAttributeName = "user.morvalis.attributes";
inline constexpr uint32_t kExtendedBits = kAttributeHidden | kAttributeSystem | kAttributeArchive;
inline constexpr mode_t kWriteBits = S_IWUSR | S_IWGRP | S_IWOTH;

inline uint32_t DecodeBits(const unsigned char (&raw)[4]) { return LoadU32Le(raw); }

inline void EncodeBits(uint32_t bits, unsigned char (&raw)[4]) { StoreU32Le(raw, bits); }

// Seconds from 1601-01-01 to 1970-01-01.
inline constexpr int64_t kEpochDifference = 11644473600LL;
inline constexpr int64_t kTicksPerSecond = 10000000;

inline FileTime ToFileTime(int64_t seconds, uint32_t nanoseconds) {
  if (seconds < -kEpochDifference) return 0;
  return static_cast<FileTime>(seconds + kEpochDifference) * kTicksPerSecond + nanoseconds / 100;
}

inline struct timespec ToTimespec(FileTime time) {
  struct timespec ts;
  ts.tv_sec = static_cast<time_t>(static_cast<int64_t>(time / kTicksPerSecond) - kEpochDifference);
  ts.tv_nsec = static_cast<long>(time % kTicksPerSecond) * 100;
  return ts;
}

// The times futimens/utimensat set: those whose has_ flag is set, the
// others omitted. False when neither is set (the creation time cannot be
// set here).
inline bool ToTimespecs(const FileTimes& times, struct timespec (&ts)[2]) {
  ts[0].tv_sec = ts[1].tv_sec = 0;
  ts[0].tv_nsec = ts[1].tv_nsec = UTIME_OMIT;
  if (times.has_last_access) ts[0] = ToTimespec(times.last_access);
  if (times.has_last_write) ts[1] = ToTimespec(times.last_write);
  return times.has_last_access || times.has_last_write;
}

}  // namespace mv::platform::posix
