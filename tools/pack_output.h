// Where the packer writes and what it writes onto: the output is checked
// before a password is asked for or anything is read, and a self-extractor
// without a named stub takes the one shipped beside the packer.
#pragma once

#include <string>

#include "base/result.h"
#include "base/string.h"

namespace mv::tools {

// Whether the packer may write out (internal form): kOk when its folder
// exists and nothing is at its name, or a file is there and replace is
// set; kFolderNotFound when its folder does not exist, kBadFolder when out
// is a folder itself, kOutputExists when something is there and replace is
// not set.
Result CheckOutput(const String& out, bool replace);

// "" when CheckOutput allows out; otherwise one line naming out and the
// cause with its code, e.g. "cannot write 'C:/nowhere/x.exe': the folder
// 'C:/nowhere/' does not exist (code 221)".
std::string OutputProblem(const std::string& out, bool replace);

// The system a self-extractor is made for, which chooses its stub.
enum class StubSystem { kWindows, kLinux };

// The system the running packer is built for.
StubSystem OwnSystem();

// "windows" or "linux" to a system; false for any other name.
bool ParseStubSystem(const std::string& name, StubSystem* system);

// The file name the build gives the stub of a system: morvalis-sfx.exe for
// Windows, morvalis-sfx for Linux.
const char* StubFileName(StubSystem system);

// The stub of a system beside the running program (internal form), whether
// or not it is there.
String StubBesideProgram(StubSystem system);

// The packer window's program beside this one (Windows:
// morvalis-packer.exe), which a double-click on the console packer starts.
String PackerWindowBesideProgram();

}  // namespace mv::tools
