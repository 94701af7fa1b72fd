// morvalis-pack: writes containers, carriers and self-extractors, and lists,
// tests and extracts packages.
#include <string>
#include <vector>

#include "base/text_encoding.h"
#include "fs/disk_query.h"
#include "platform/arguments.h"
#include "platform/codepage.h"
#include "platform/shell.h"
#include "platform/terminal.h"
#include "tools/pack_commands.h"
#include "tools/pack_console.h"
#include "tools/pack_options.h"
#include "tools/pack_output.h"

namespace {

// Every argument but the password goes on in the program's code page (paths,
// texts of the package); the password stays as typed, for the kind to judge.
// False (with the message printed) for an argument without that form.
bool ToProgramText(mv::tools::PackOptions* options) {
  auto convert = [](std::string* text) {
    mv::String converted;
    if (mv::platform::FromUtf8Text(text->c_str(), &converted)) {
      *text = converted.c_str() == nullptr ? "" : converted.c_str();
      return true;
    }
    mv::tools::PrintErrorSystemText("morvalis-pack: the argument '" + *text + "' has no Windows-1252 form: " +
                                    mv::CharactersWithoutWindows1252Form(text->c_str()).c_str() + " (code 30)\n");
    return false;
  };
  for (std::string& argument : options->positional) {
    if (!convert(&argument)) return false;
  }
  for (auto& [name, value] : options->values) {
    if (name != "password" && !convert(&value)) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  mv::platform::InitArguments(argc, argv);
  std::vector<std::string> arguments;
  for (int i = 1; i < mv::platform::GetArgumentCount(); ++i) {
    mv::String argument;
    if (!mv::platform::GetArgumentUtf8(i, &argument)) {
      mv::tools::PrintError("morvalis-pack: an argument is no UTF-8 text (code 30)\n");
      return mv::tools::kExitUsage;
    }
    arguments.emplace_back(argument.c_str() == nullptr ? "" : argument.c_str());
  }
  // A double-click on the console packer (its console window would close
  // with the usage unread) starts the packer window beside it instead.
  if (arguments.empty() && mv::platform::ConsoleIsOwn()) {
    const mv::String window = mv::tools::PackerWindowBesideProgram();
    if (mv::FileExists(window) && mv::platform::StartProgram(window.c_str(), "", false, false, nullptr) == mv::kOk) {
      return 0;
    }
    mv::tools::PrintError(mv::tools::PackUsage(""));
    mv::platform::ReadKey("Press a key to close this window.");
    return mv::tools::kExitUsage;
  }
  mv::tools::PackOptions options;
  std::string error;
  if (!mv::tools::ParsePackOptions(arguments, &options, &error)) {
    mv::tools::PrintErrorSystemText("morvalis-pack: " + error + "\n");
    mv::tools::PrintError(mv::tools::PackUsage(options.command));
    return mv::tools::kExitUsage;
  }
  if (!ToProgramText(&options)) return mv::tools::kExitUsage;
  return mv::tools::RunPackCommand(options);
}
