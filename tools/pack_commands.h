// The packer's commands. Each returns the tool's exit code and writes its
// messages through the given console.
#pragma once

#include <string>

#include "tools/pack_options.h"

namespace mv::tools {

// Exit codes of the packer.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWrongPassword = 3;

// Runs the command of options (help included).
int RunPackCommand(const PackOptions& options);

}  // namespace mv::tools
