// The program's string table compiled in, for platforms without resources.
#pragma once

#include <cstdint>

namespace mv::platform {

enum class Language { kEnglish, kGerman };

// The language of the user: German when the first set of LC_ALL, LC_MESSAGES
// and LANG begins with "de", English otherwise.
Language UserLanguage();

// The text (Windows-1252) with this id, or null when the table has none.
const char* FindTableString(uint32_t id, Language language);

// A message box's fixed English text in the language (German for the few
// the program shows outside the string table); other texts unchanged.
const char* TranslateMessage(const char* text, Language language);

}  // namespace mv::platform
