// Random bytes from the operating system's cryptographic generator: the
// seed of every random vector the system makes. Nothing else in the system
// generates randomness of its own.
#pragma once

#include <cstddef>

namespace mv::platform {

// Fills length bytes at buffer with random bytes: getrandom on POSIX (the
// urandom device on Linux before 3.17), RtlGenRandom (advapi32) on Windows.
// Blocks only until the generator is seeded at boot (the device of an old
// kernel does not wait). False, with the buffer's contents unspecified, when
// the generator cannot be reached; a zero length always succeeds.
bool FillRandom(void* buffer, size_t length);

}  // namespace mv::platform
