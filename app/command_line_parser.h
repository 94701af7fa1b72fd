// Turns the process arguments into one handler call per argument. The base
// handler knows the general switches and collects plain arguments that name
// existing files or folders; derived parsers handle their own command and
// options and pass everything else down.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"

namespace mv {

class CommandLineParser {
 public:
  CommandLineParser();
  virtual ~CommandLineParser() = default;

  // Collects the process arguments after the program's name, in UTF-8 as
  // the user typed them, and dispatches them. kBadArgument when an argument
  // is no text (POSIX: not valid UTF-8). Handlers convert what must have a
  // form in the program's code page (paths) and keep passwords as typed.
  Result ParseCommandLine();

  // Calls HandleArgument for each argument in order; a switch ('-' or '/'
  // first, more than one character) is passed without that character. The
  // first non-zero result stops the dispatch and is returned.
  Result DispatchArguments(const StringArray& arguments);

  // Base behaviour: the switches debug, booting, config, setupinstall and
  // setupuninstall (any case) set their flag; any other switch is
  // kUnknownSwitch. A plain argument (UTF-8) that names an existing file or
  // folder is collected in paths (program code page, folders with a
  // trailing '/'); others, and paths without a form in the code page, are
  // dropped.
  virtual Result HandleArgument(int32_t index, const char* text, bool is_switch);

  bool debug() const { return debug_ != 0; }
  const StringArray& paths() const { return paths_; }

 protected:
  int32_t debug_ = 0;
  int32_t booting_ = 0;
  int32_t config_ = 0;
  int32_t setupinstall_ = 0;
  int32_t setupuninstall_ = 0;
  StringArray paths_;
};

// True when text is name + "=" + value (byte-wise, at position 0); value is
// everything after the first "=" and may be empty. value is "" otherwise.
bool GetOptionValue(const char* text, const char* name, String* value);

}  // namespace mv
