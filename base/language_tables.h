// The text table of each language (base/texts_<language>.cpp): every text
// and every result code's description, Windows-1252. Read through
// base/text_catalogue.h.
#pragma once

#include "base/result.h"
#include "base/text_id.h"

namespace mv {

const char* EnglishText(TextId id);
const char* EnglishResultText(ResultId id);

const char* GermanText(TextId id);
const char* GermanResultText(ResultId id);

}  // namespace mv
