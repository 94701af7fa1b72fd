// The command line of the packer: a command, its positional arguments and
// its long options (--name VALUE or --name=VALUE).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "base/password.h"
#include "base/string.h"

namespace mv::tools {

struct PackOptions {
  std::string command;
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // options with a value
  bool help = false;
  bool version = false;
  // The password, when the caller asked for it itself (the packer window):
  // taken before --password-file, --password or a prompt.
  const Password* given_password = nullptr;
  // Texts the caller holds in memory (the packer window: what a sender
  // typed), each taken instead of the file of the option of the same name
  // ("description", "disclaimer", "message-file") or the value of "link";
  // UTF-8 (or a byte-order mark), checked and bounded as the files are.
  // Nothing of them is written to the disk but the package.
  std::map<std::string, String> given_texts;

  bool Has(const std::string& name) const { return values.count(name) != 0; }
  std::string Get(const std::string& name) const {
    auto it = values.find(name);
    return it == values.end() ? std::string() : it->second;
  }
};

// Parses arguments (without the program name). Options that take a value
// are those listed in the command's table; "--" ends the options. "--help",
// "-h" and "/?" (as Windows programs take it) ask for the help, "--version"
// for the name and version. False with a message on a usage error (unknown
// command or option, missing value).
bool ParsePackOptions(const std::vector<std::string>& arguments, PackOptions* options, std::string* error);

// Whether the command takes the option (with a value or as a flag).
bool CommandTakesOption(const std::string& command, const std::string& option);

// The help text of the tool (command empty) or of one command.
std::string PackUsage(const std::string& command);

// "morvalis-pack VERSION (Morvalis Self Extractor)" and a line end.
std::string PackVersion();

}  // namespace mv::tools
