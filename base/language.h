// The languages the programs speak. The user's is chosen once, by
// platform::UserLanguage (platform/language.h), for dialogs, terminal and
// result texts alike.
//
// To add a language: a value here, its table (base/texts_*.cpp, listed in
// base/text_catalogue.cpp), its dialogs (ui/dialogs_*.rc) and its place in
// platform::UserLanguage.
#pragma once

#include <cstdint>

namespace mv {

enum class Language : uint8_t { kEnglish, kGerman };

inline constexpr Language kAllLanguages[] = {Language::kEnglish, Language::kGerman};

}  // namespace mv
