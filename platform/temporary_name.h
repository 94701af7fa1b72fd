// The one source of the names that files and folders carry for a moment:
// a file written beside its final name, a wiped file or folder before it
// goes, a temporary folder once its short series of names is taken. Shared
// by both systems' sides of the seam and everything above it.
#pragma once

#include <cstddef>

namespace mv::platform {

inline constexpr size_t kTemporaryNameDigits = 16;

// Writes kTemporaryNameDigits lower-case hexadecimal digits and a NUL to
// digits: 64 fresh bits of the system's generator for every name, so that
// no name can be foretold from the ones seen before (nobody can take the
// next names ahead of the program). The bits are drawn from a buffer that
// is refilled a few hundred names at a time, so a name rarely costs a
// system call. Safe to call from any thread. False when the generator
// cannot be reached.
bool NextTemporaryName(char (&digits)[kTemporaryNameDigits + 1]);

}  // namespace mv::platform
