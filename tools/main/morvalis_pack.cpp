// morvalis-pack: writes containers, carriers and self-extractors, and lists,
// tests and extracts packages.
#include <string>
#include <vector>

#include "platform/arguments.h"
#include "tools/pack_commands.h"
#include "tools/pack_console.h"
#include "tools/pack_options.h"

int main(int argc, char** argv) {
  mv::platform::InitArguments(argc, argv);
  std::vector<std::string> arguments;
  for (int i = 1; i < mv::platform::GetArgumentCount(); ++i) {
    mv::String argument;
    if (!mv::platform::GetArgument(i, &argument)) {
      mv::tools::PrintError("morvalis-pack: an argument has no Windows-1252 form (code 30)\n");
      return mv::tools::kExitUsage;
    }
    arguments.emplace_back(argument.c_str() == nullptr ? "" : argument.c_str());
  }
  mv::tools::PackOptions options;
  std::string error;
  if (!mv::tools::ParsePackOptions(arguments, &options, &error)) {
    mv::tools::PrintError("morvalis-pack: " + error + "\n" + mv::tools::PackUsage(options.command));
    return mv::tools::kExitUsage;
  }
  return mv::tools::RunPackCommand(options);
}
