// POSIX side of the code page seam: Windows-1252 <-> UTF-8 through iconv.
// The encodings are named explicitly rather than taken from the locale, so
// the program behaves the same whether or not setlocale has been called.
#include <iconv.h>

#include <cstring>

#include "platform/codepage.h"

namespace mv::platform {
namespace {

constexpr const char* kProgramCodePage = "WINDOWS-1252";
constexpr const char* kSystemEncoding = "UTF-8";

// Converts the whole text or nothing: any character without a form in the
// target encoding (iconv's EILSEQ, no transliteration) refuses the text.
bool Convert(const char* to, const char* from, const char* text, size_t max_growth,
             String* out) {
  out->Empty();
  if (text == nullptr) text = "";
  size_t in_left = std::strlen(text);
  if (in_left > 0x3FFFFFFF / max_growth) return false;  // keeps the size within int32
  size_t capacity = in_left * max_growth;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  char* buffer = out->GetBuffer(static_cast<int32_t>(capacity));
  bool ok = buffer != nullptr;
  if (ok) {
    char* in = const_cast<char*>(text);
    char* write = buffer;
    size_t out_left = capacity;
    ok = iconv(cd, &in, &in_left, &write, &out_left) != static_cast<size_t>(-1) &&
         iconv(cd, nullptr, nullptr, &write, &out_left) != static_cast<size_t>(-1) &&
         in_left == 0;
    *write = '\0';
    out->ReleaseBuffer();
  }
  iconv_close(cd);
  if (!ok) out->Empty();
  return ok;
}

}  // namespace

bool ToSystemText(const char* text, String* out) {
  // One Windows-1252 byte becomes at most three UTF-8 bytes (U+20AC and the
  // other 0x80-0x9F characters).
  return Convert(kSystemEncoding, kProgramCodePage, text, 3, out);
}

bool FromSystemText(const char* text, String* out) {
  return Convert(kProgramCodePage, kSystemEncoding, text, 1, out);
}

}  // namespace mv::platform
