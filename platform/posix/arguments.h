// The process arguments as main received them (POSIX only; Windows asks the
// runtime for its standard split of the command line).
#pragma once

namespace mv::platform {
void SetArguments(int argc, char** argv);
}  // namespace mv::platform
