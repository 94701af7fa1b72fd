// POSIX side of the code page seam: Windows-1252 <-> UTF-8, byte for byte as
// Windows maps them. Windows-1252 is Latin-1 except for 0x80-0x9F, where 27
// bytes carry typographic characters and the five bytes without a letter
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the
// same number, so every name Windows can create has a UTF-8 form here. The
// table is the program's own rather than iconv's, whose WINDOWS-1252 refuses
// those five bytes, and it needs no locale.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "platform/codepage.h"

namespace mv::platform {
namespace {

constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

uint32_t CodePointOf(uint8_t byte) { return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte; }

// The Windows-1252 byte of a code point; false when it has none.
bool ByteOf(uint32_t code_point, uint8_t* byte) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    *byte = static_cast<uint8_t>(code_point);
    return true;
  }
  for (uint8_t i = 0; i < 32; ++i) {
    if (kHighControls[i] == code_point) {
      *byte = static_cast<uint8_t>(0x80 + i);
      return true;
    }
  }
  return false;
}

// Decodes one UTF-8 sequence at text, refusing overlong forms, surrogates
// and values beyond U+10FFFF. Returns its length, 0 when it is invalid.
size_t DecodeUtf8(const uint8_t* text, uint32_t* code_point) {
  uint8_t lead = text[0];
  size_t length;
  uint32_t value;
  uint32_t minimum;
  if (lead < 0x80) {
    *code_point = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  for (size_t i = 1; i < length; ++i) {
    if ((text[i] & 0xC0) != 0x80) return 0;  // also stops at the terminating NUL
    value = value << 6 | (text[i] & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *code_point = value;
  return length;
}

size_t EncodeUtf8(uint32_t code_point, char* out) {
  if (code_point < 0x80) {
    out[0] = static_cast<char>(code_point);
    return 1;
  }
  if (code_point < 0x800) {
    out[0] = static_cast<char>(0xC0 | code_point >> 6);
    out[1] = static_cast<char>(0x80 | (code_point & 0x3F));
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | code_point >> 12);
  out[1] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
  out[2] = static_cast<char>(0x80 | (code_point & 0x3F));
  return 3;
}

// Keeps every size within int32, as String measures itself.
constexpr size_t kLongestText = 0x3FFFFFFF / 3;

}  // namespace

// Both conversions build into a text of their own, so text may be out's.
bool ToSystemText(const char* text, String* out) {
  if (text == nullptr) text = "";
  size_t length = std::strlen(text);
  String converted;
  // One byte becomes at most three (U+20AC and the other typographic ones).
  char* buffer = length > kLongestText ? nullptr : converted.GetBuffer(static_cast<int32_t>(3 * length));
  if (buffer == nullptr) {
    out->Empty();
    return false;
  }
  size_t written = 0;
  for (size_t i = 0; i < length; ++i) {
    written += EncodeUtf8(CodePointOf(static_cast<uint8_t>(text[i])), buffer + written);
  }
  buffer[written] = '\0';
  converted.ReleaseBuffer();
  *out = std::move(converted);
  return true;
}

namespace {

// The program text of the characters next hands out, at most most of them:
// next(&code_point) is false at the end; a code point it cannot read is one
// without a Windows-1252 form. False (and out emptied) when any character
// has none.
template <typename Next>
bool ToProgramText(size_t most, Next next, String* out) {
  String converted;
  char* buffer = most > kLongestText ? nullptr : converted.GetBuffer(static_cast<int32_t>(most));
  if (buffer == nullptr) {
    out->Empty();
    return false;
  }
  size_t written = 0;
  bool ok = true;
  for (uint32_t code_point = 0; ok && next(&code_point);) {
    uint8_t byte = 0;
    ok = ByteOf(code_point, &byte);
    if (ok) buffer[written++] = static_cast<char>(byte);
  }
  buffer[written] = '\0';
  converted.ReleaseBuffer();
  if (ok) {
    *out = std::move(converted);
  } else {
    out->Empty();
  }
  return ok;
}

// Stands for input that is no character at all.
constexpr uint32_t kInvalid = 0xFFFFFFFF;

}  // namespace

bool FromSystemText(const char* text, String* out) {
  if (text == nullptr) text = "";
  const size_t length = std::strlen(text);
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  size_t i = 0;
  return ToProgramText(
      length,
      [&](uint32_t* code_point) {
        if (i >= length) return false;
        const size_t n = DecodeUtf8(bytes + i, code_point);
        if (n == 0) *code_point = kInvalid;
        i += n == 0 ? length : n;
        return true;
      },
      out);
}

bool FromUtf8Text(const char* text, String* out) { return FromSystemText(text, out); }

bool FromUtf16LeText(const unsigned char* bytes, size_t length, String* out) {
  size_t i = 0;
  // A surrogate, paired or not, stands for no character of the code page.
  return ToProgramText(
      length / 2,
      [&](uint32_t* code_point) {
        if (i + 1 >= length) return false;
        *code_point = static_cast<uint32_t>(bytes[i] | bytes[i + 1] << 8);
        i += 2;
        return true;
      },
      out);
}

void ShowSystemName(const char* name, String* shown, String* lacking) {
  if (name == nullptr) name = "";
  const auto* bytes = reinterpret_cast<const uint8_t*>(name);
  std::string visible;
  std::string missing;
  auto add_missing = [&missing](const std::string& text) {
    if (missing.find(text) != std::string::npos) return;
    missing += (missing.empty() ? "" : ", ") + text;
  };
  for (size_t i = 0, n = std::strlen(name); i < n;) {
    char hex[16];
    uint32_t code_point = 0;
    const size_t length = DecodeUtf8(bytes + i, &code_point);
    const bool control = length != 0 && (code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0));
    if (length == 0 || control) {
      std::snprintf(hex, sizeof hex, "\\x%02X", bytes[i]);
      visible += hex;
      // A control character of the code page's own (0x01-0x1F) fits.
      if (length == 0) add_missing(std::string("the byte ") + hex);
      if (length == 0 || code_point < 0x80) {
        i += 1;
        continue;
      }
      // A C1 control: its form is among the code page's bytes only for the
      // five that stand for themselves.
      uint8_t byte = 0;
      if (!ByteOf(code_point, &byte)) {
        std::snprintf(hex, sizeof hex, "U+%04X", code_point);
        add_missing(hex);
      }
      for (size_t k = 1; k < length; ++k) {
        std::snprintf(hex, sizeof hex, "\\x%02X", bytes[i + k]);
        visible += hex;
      }
      i += length;
      continue;
    }
    const std::string character(name + i, length);
    visible += character;
    uint8_t byte = 0;
    if (!ByteOf(code_point, &byte)) {
      std::snprintf(hex, sizeof hex, " (U+%04X)", code_point);
      add_missing(character + hex);
    }
    i += length;
  }
  *shown = visible.c_str();
  *lacking = missing.c_str();
}

}  // namespace mv::platform
