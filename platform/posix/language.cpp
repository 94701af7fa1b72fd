#include "platform/language.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace mv::platform {
namespace {

Language LanguageOfLocale() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    return std::strncmp(value, "de", 2) == 0 ? Language::kGerman : Language::kEnglish;
  }
  return Language::kEnglish;
}

}  // namespace

Language UserLanguage() {
  static const Language language = LanguageOfLocale();
  return language;
}

}  // namespace mv::platform
