// The texts of the programs in each language, by name (base/text_id.h), and
// the description of each result code.
#pragma once

#include "base/language.h"
#include "base/result.h"
#include "base/text_id.h"

namespace mv {

// The text in the language (Windows-1252); never null ("" for kNone).
const char* TextOf(TextId id, Language language);

// "wrong password", "not a container", ... (German: "falsches Passwort",
// ...) for the code's number; "error" ("Fehler") for a number no code has.
const char* DescribeResult(Result code, Language language = Language::kEnglish);

// The description of one code of the list, also of a code whose number
// another describes.
const char* ResultTextOf(ResultId id, Language language);

}  // namespace mv
