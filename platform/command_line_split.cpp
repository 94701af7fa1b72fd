#include "platform/command_line_split.h"

#include <string>

namespace mv::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

StringArray SplitCommandLine(const char* line) {
  StringArray arguments;
  if (line == nullptr) return arguments;
  const char* at = line;
  // The program's name: no escapes, quotes only group.
  std::string name;
  if (*at == '"') {
    for (++at; *at != '\0' && *at != '"'; ++at) name += *at;
    if (*at == '"') ++at;
  } else {
    for (; *at != '\0' && !IsBlank(*at); ++at) name += *at;
  }
  arguments.Add(String(name.c_str()));
  for (;;) {
    while (IsBlank(*at)) ++at;
    if (*at == '\0') break;
    std::string argument;
    bool quoted = false;
    for (; *at != '\0' && (quoted || !IsBlank(*at));) {
      size_t backslashes = 0;
      while (*at == '\\') {
        ++backslashes;
        ++at;
      }
      if (*at != '"') {
        argument.append(backslashes, '\\');
        if (*at != '\0' && (quoted || !IsBlank(*at))) argument += *at++;
        continue;
      }
      argument.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        argument += '"';
      } else if (quoted && at[1] == '"') {
        argument += '"';
        ++at;
      } else {
        quoted = !quoted;
      }
      ++at;
    }
    arguments.Add(String(argument.c_str()));
  }
  return arguments;
}

}  // namespace mv::platform
