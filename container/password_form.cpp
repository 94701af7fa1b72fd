#include "container/password_form.h"

#include "base/text_encoding.h"
#include "base/unicode_normalization.h"

namespace mv {

Result PasswordBytes(const Password& password, PasswordForm form, String* bytes) {
  const char* text = password.c_str();
  if (form == PasswordForm::kUtf8Nfc) return ToNfc(text, bytes) ? kOk : kBadArgument;
  return Utf8ToWindows1252(text, bytes) ? kOk : kBadArgument;
}

bool PasswordFits(const Password& password, PasswordForm form, String* lacking) {
  String bytes;
  const Result r = PasswordBytes(password, form, &bytes);
  if (lacking != nullptr) *lacking = r == kOk ? String("") : CharactersWithoutWindows1252Form(password.c_str());
  return r == kOk;
}

}  // namespace mv
