#include "platform/language.h"

#include <windows.h>

namespace mv::platform {

Language UserLanguage() {
  static const Language language =
      PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_GERMAN ? Language::kGerman : Language::kEnglish;
  return language;
}

}  // namespace mv::platform
