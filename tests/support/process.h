// Starting the programs built beside the tests and waiting for their exit.
#pragma once

#include <string>
#include <vector>

namespace mv::test {

// Runs program with the arguments (each passed as one argument) and returns
// its exit code, or -1 when it could not be started. On Windows the exit
// code is the full 32-bit value; on Linux the shell's 0-255.
int RunProgramAndWait(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace mv::test
