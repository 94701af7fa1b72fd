// How each kind of package turns a password (UTF-8, as the user gave it)
// into the bytes it hashes. The classic kind, every carrier and the strong
// kind's first version hash the password's Windows-1252 bytes, as Windows
// users of the classic kind typed it; a password with a character that has
// no Windows-1252 form cannot be given to them and is refused, never
// substituted. The strong kind from its second version on hashes the
// password's UTF-8 in Unicode normal form C, so that any script's password
// opens it on every system and whatever the input method.
#pragma once

#include <cstdint>

#include "base/password.h"
#include "base/result.h"
#include "base/string.h"

namespace mv {

enum class PasswordForm : uint8_t {
  kWindows1252 = 0,
  kUtf8Nfc = 1,
};

// The bytes form hashes for password. kBadArgument when the password is
// not valid UTF-8, or has a character without a Windows-1252 form and form
// asks for one (front ends that ask again tell which with PasswordFits
// first).
Result PasswordBytes(const Password& password, PasswordForm form, String* bytes);

// Whether form can hold password; when not, lacking names the characters
// it cannot ("П (U+041F), а (U+0430)", UTF-8).
bool PasswordFits(const Password& password, PasswordForm form, String* lacking = nullptr);

}  // namespace mv
