#include "app/command_line_parser.h"

#include <cstring>

#include "fs/disk_query.h"
#include "fs/path.h"
#include "platform/arguments.h"
#include "platform/codepage.h"

namespace mv {

CommandLineParser::CommandLineParser() { paths_.SetCompare(&String::Compare); }

Result CommandLineParser::ParseCommandLine() {
  StringArray arguments;
  const int count = platform::GetArgumentCount();
  for (int i = 1; i < count; ++i) {
    String argument;
    if (!platform::GetArgumentUtf8(i, &argument)) return kBadArgument;
    arguments.Add(argument);
  }
  return DispatchArguments(arguments);
}

Result CommandLineParser::DispatchArguments(const StringArray& arguments) {
  for (int32_t index = 0; index < arguments.GetCount(); ++index) {
    const String& argument = arguments[index];
    const char* text = argument.c_str() == nullptr ? "" : argument.c_str();
    bool is_switch = false;
    if (argument.GetLength() > 1 && (text[0] == '-' || text[0] == '/')) {
      is_switch = true;
      ++text;
    }
    Result r = HandleArgument(index, text, is_switch);
    if (r != kOk) return r;
  }
  return kOk;
}

Result CommandLineParser::HandleArgument(int32_t, const char* text, bool is_switch) {
  if (is_switch) {
    String lower(text);
    lower.MakeLower();
    struct Flag {
      const char* name;
      int32_t* flag;
    } flags[] = {{"debug", &debug_},
                 {"booting", &booting_},
                 {"config", &config_},
                 {"setupinstall", &setupinstall_},
                 {"setupuninstall", &setupuninstall_}};
    for (const Flag& f : flags) {
      if (lower == f.name) {
        *f.flag = 1;
        return kOk;
      }
    }
    return kUnknownSwitch;
  }
  String converted;
  if (!platform::FromUtf8Text(text, &converted)) return kOk;
  String path = ToInternalPath(converted);
  if (FileExists(path) || (IsFolderPath(path) && FolderExists(path))) {
    paths_.Add(path);
  } else if (FolderExists(path + "/")) {
    paths_.Add(path + "/");
  }
  return kOk;
}

bool GetOptionValue(const char* text, const char* name, String* value) {
  *value = "";
  if (text == nullptr || name == nullptr || *text == '\0' || *name == '\0') return false;
  size_t n = std::strlen(name);
  if (std::strncmp(text, name, n) != 0 || text[n] != '=') return false;
  *value = text + n + 1;
  return true;
}

}  // namespace mv
