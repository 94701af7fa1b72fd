// Writing a whole text to a descriptor of the program's output. Shared by
// the POSIX files that write to standard output and error.
#pragma once

#include <cstddef>

namespace mv::platform::posix {

// Writes length bytes of text to fd, going on after interruptions. A reader
// that went away ends the run as SIGPIPE would have, after the clean-up
// (SIGPIPE itself is ignored while the program can be interrupted): the
// write notes the closed output and stops.
void WriteAll(int fd, const char* text, size_t length);

}  // namespace mv::platform::posix
