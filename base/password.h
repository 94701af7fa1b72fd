// A password as the user gave it: Unicode text in UTF-8, whatever way it
// came in (an argument, a prompt, a file, a dialog). It is never altered on
// its way; each kind of package turns it into the bytes it hashes
// (container/password_form.h), and refuses it there when that kind cannot
// hold it. Wiped when it goes, like every String.
#pragma once

#include <utility>

#include "base/string.h"

namespace mv {

class Password {
 public:
  Password() = default;
  // ASCII or UTF-8 text, as literals in code and tests are written.
  explicit Password(const char* utf8) : utf8_(utf8) {}
  explicit Password(String utf8) : utf8_(std::move(utf8)) {}

  const String& Utf8() const { return utf8_; }
  const char* c_str() const { return utf8_.c_str() == nullptr ? "" : utf8_.c_str(); }
  bool IsEmpty() const { return utf8_.IsEmpty(); }
  void Empty() { utf8_.Empty(); }

 private:
  String utf8_;
};

}  // namespace mv
