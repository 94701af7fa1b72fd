// Unicode normalisation form C (canonical composition), so that a password
// typed with a precomposed "é" and one typed with "e" and a combining acute
// accent are the same password on every system and input method. One
// library (utf8proc) does it for both systems, so both agree byte for byte.
#pragma once

#include "base/string.h"

namespace mv {

// The NFC form of UTF-8 text. False (out emptied) when text is not valid
// UTF-8 or memory runs out. Every buffer of the work is wiped: the text may
// be a password.
bool ToNfc(const char* utf8, String* out);

}  // namespace mv
