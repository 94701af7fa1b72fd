// The silent `decrypt` command: files to a target folder, the message text
// to a file, the result as the exit code. Message boxes (standard error on
// POSIX) appear only with the debug switch.
#pragma once

#include <cstdint>

#include "app/command_line_parser.h"
#include "base/password.h"

namespace mv {

// The options of the decrypt command on top of the general switches.
class DecryptOptions : public CommandLineParser {
 public:
  // First argument: the command, lowercased (a switch there is
  // kBadArgument, with a note on standard output). Switches: pwd=, pwdfile=
  // (the first line of a file, "-" for standard input, so that a password
  // need not appear in the process list), targetdir=, messagefile= (both in
  // internal path form; a later value wins), replace (any case). Everything
  // else goes to the base handler.
  Result HandleArgument(int32_t index, const char* text, bool is_switch) override;

  String command;
  Password password;
  String target_folder;
  String message_file;
  int32_t replace = 0;
};

// Reads a password from the first line of a file (without its line end),
// or of standard input for "-", as text files are read everywhere
// (base/text_encoding.h DecodeTextFile: a byte-order mark, else UTF-8 when
// the bytes are, else Windows-1252). kCannotOpen when the file cannot be
// read, kBadArgument when it is UTF-16 that is no text.
Result ReadPasswordFile(const String& path, Password* password);

// Shows text with the caption "Morvalis Self Extractor" when debug is set.
void DebugMessage(bool debug, const char* text);

// Decrypts the embedded package and hands its files and message text out.
Result DecryptCommand(const Password& password, const char* target_folder, const char* message_file, bool replace,
                      bool debug);

// The command-line mode: the banner, then the command the arguments name.
// Returns the process exit code (the command's result).
int RunCommandLine();

}  // namespace mv
