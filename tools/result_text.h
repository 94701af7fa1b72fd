// A short English description of a result code, for the tools' messages.
#pragma once

#include "base/result.h"

namespace mv::tools {

// "wrong password", "not a container", ...; "error" for a code without one.
const char* DescribeResult(Result code);

}  // namespace mv::tools
