// Process-wide set-up for the tests and the paths of the programs they start.
#pragma once

#include <string>

namespace mv::test {

// Records where the test binary lives (its argv[0]) and initialises the
// libraries the core needs. Called once from main.
void InitTestEnvironment(const char* argv0);

// The folder that holds the test binary and the programs built beside it,
// with a trailing separator.
const std::string& BuildFolder();

// Name of a program built beside the tests, with ".exe" on Windows.
std::string ProgramPath(const std::string& name);

}  // namespace mv::test
