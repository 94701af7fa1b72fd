#include "base/text_encoding.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <utility>

namespace mv {
namespace {

constexpr uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

// Keeps every size within int32, as String measures itself: one byte of
// Windows-1252 becomes at most three of UTF-8.
constexpr size_t kLongestText = 0x3FFFFFFF / 4;

// The text of the code points next hands out, each written by put (which
// returns how many bytes it wrote, 0 when the code point has no form), into
// a buffer of at most most bytes: next(&code_point) is false at the end.
// False (out emptied) when put refuses a code point or memory runs out.
template <typename Next, typename Put>
bool Convert(size_t most, Next next, Put put, String* out) {
  String converted;
  char* buffer = most > kLongestText ? nullptr : converted.GetBuffer(static_cast<int32_t>(most));
  if (buffer == nullptr) {
    out->Empty();
    return false;
  }
  size_t written = 0;
  bool ok = true;
  for (uint32_t code_point = 0; ok && next(&code_point);) {
    const size_t n = code_point == kNoCharacter ? 0 : put(code_point, buffer + written);
    ok = n != 0;
    written += n;
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

size_t PutWindows1252(uint32_t code_point, char* out) {
  uint8_t byte = 0;
  if (!Windows1252ByteOf(code_point, &byte)) return 0;
  *out = static_cast<char>(byte);
  return 1;
}

// Hands out the code points of UTF-8 text, kNoCharacter for what is none
// (and then stops).
struct Utf8Reader {
  const uint8_t* bytes;
  size_t length;
  size_t at = 0;
  bool operator()(uint32_t* code_point) {
    if (at >= length) return false;
    const size_t n = DecodeUtf8(bytes + at, length - at, code_point);
    at += n == 0 ? length : n;
    return true;
  }
};

// Hands out the code points of UTF-16 units, pairing surrogates;
// kNoCharacter for a lone one.
struct Utf16Reader {
  const uint16_t* units;
  size_t count;
  size_t at = 0;
  bool operator()(uint32_t* code_point) {
    if (at >= count) return false;
    const uint32_t unit = units[at++];
    if (unit < 0xD800 || unit > 0xDFFF) {
      *code_point = unit;
    } else if (unit <= 0xDBFF && at < count && units[at] >= 0xDC00 && units[at] <= 0xDFFF) {
      *code_point = 0x10000 + ((unit - 0xD800) << 10) + (units[at++] - 0xDC00);
    } else {
      *code_point = kNoCharacter;
    }
    return true;
  }
};

void AppendUtf16(uint32_t code_point, Utf16Units* out) {
  if (code_point < 0x10000) {
    out->push_back(static_cast<uint16_t>(code_point));
  } else {
    code_point -= 0x10000;
    out->push_back(static_cast<uint16_t>(0xD800 + (code_point >> 10)));
    out->push_back(static_cast<uint16_t>(0xDC00 + (code_point & 0x3FF)));
  }
}

}  // namespace

uint32_t CodePointOfWindows1252(uint8_t byte) {
  return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

bool Windows1252ByteOf(uint32_t code_point, uint8_t* byte) {
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

size_t DecodeUtf8(const uint8_t* text, size_t available, uint32_t* code_point) {
  *code_point = kNoCharacter;
  if (available == 0) return 0;
  const uint8_t lead = text[0];
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
  if (length > available) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((text[i] & 0xC0) != 0x80) return 0;
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
  if (code_point < 0x10000) {
    out[0] = static_cast<char>(0xE0 | code_point >> 12);
    out[1] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (code_point & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | code_point >> 18);
  out[1] = static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (code_point & 0x3F));
  return 4;
}

bool IsValidUtf8(const char* text, size_t length) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  for (size_t i = 0; i < length;) {
    uint32_t code_point = 0;
    const size_t n = DecodeUtf8(bytes + i, length - i, &code_point);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

bool Windows1252ToUtf8(const char* text, String* out) {
  if (text == nullptr) text = "";
  const size_t length = std::strlen(text);
  size_t at = 0;
  return Convert(
      3 * length,
      [&](uint32_t* code_point) {
        if (at >= length) return false;
        *code_point = CodePointOfWindows1252(static_cast<uint8_t>(text[at++]));
        return true;
      },
      EncodeUtf8, out);
}

bool Utf8ToWindows1252(const char* text, String* out) {
  if (text == nullptr) text = "";
  const size_t length = std::strlen(text);
  return Convert(length, Utf8Reader{reinterpret_cast<const uint8_t*>(text), length}, PutWindows1252, out);
}

namespace {

// The characters of UTF-8 text without a Windows-1252 form, each once,
// joined by ", ", as shown by show(bytes at, length, code point).
template <typename Show>
String ListWithoutForm(const char* text, Show show) {
  if (text == nullptr) return String("");
  std::string missing;
  ForEachUtf8Character(text, [&](const char* at, size_t length, uint32_t code_point) {
    uint8_t byte = 0;
    if (length != 0 && Windows1252ByteOf(code_point, &byte)) return;
    const std::string shown = show(at, length, code_point);
    if (missing.find(shown) == std::string::npos) missing += (missing.empty() ? "" : ", ") + shown;
  });
  return String(missing.c_str());
}

std::string Formatted(const char* format, unsigned value) {
  char shown[32];
  std::snprintf(shown, sizeof shown, format, value);
  return shown;
}

}  // namespace

String CodePointsWithoutWindows1252Form(const char* text) {
  return ListWithoutForm(text, [](const char* at, size_t length, uint32_t code_point) {
    return length == 0 ? Formatted("the byte \\x%02X", static_cast<uint8_t>(*at)) : Formatted("U+%04X", code_point);
  });
}

String CharactersWithoutWindows1252Form(const char* text) {
  return ListWithoutForm(text, [](const char* at, size_t length, uint32_t code_point) {
    if (length == 0) return Formatted("the byte \\x%02X", static_cast<uint8_t>(*at));
    // A control character is named by its number alone.
    if (code_point < 0xA0) return Formatted("U+%04X", code_point);
    return std::string(at, length) + Formatted(" (U+%04X)", code_point);
  });
}

bool FindCharacterWithoutWindows1252Form(const char* text, int* line, String* shown) {
  if (text == nullptr) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  int current = 1;
  for (size_t i = 0, n = std::strlen(text); i < n;) {
    uint32_t code_point = 0;
    const size_t length = DecodeUtf8(bytes + i, n - i, &code_point);
    uint8_t byte = 0;
    if (length == 0 || !Windows1252ByteOf(code_point, &byte)) {
      *line = current;
      *shown = CharactersWithoutWindows1252Form(std::string(text + i, length == 0 ? 1 : length).c_str());
      return true;
    }
    if (code_point == '\n') ++current;
    i += length;
  }
  return false;
}

bool DecodeTextFile(const uint8_t* bytes, size_t length, String* out) {
  const auto starts = [&](std::initializer_list<uint8_t> mark) {
    return length >= mark.size() && std::equal(mark.begin(), mark.end(), bytes);
  };
  if (starts({0xFF, 0xFE}) || starts({0xFE, 0xFF})) {
    const bool little = bytes[0] == 0xFF;
    Utf16Units units;
    try {
      for (size_t i = 2; i + 1 < length; i += 2) {
        const uint16_t unit = little ? static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8)
                                     : static_cast<uint16_t>(bytes[i] << 8 | bytes[i + 1]);
        if (unit == 0) break;
        units.push_back(unit);
      }
    } catch (const std::bad_alloc&) {
      out->Empty();
      return false;
    }
    return Utf16ToUtf8(units.data(), units.size(), out);
  }
  const size_t start = starts({0xEF, 0xBB, 0xBF}) ? 3 : 0;
  const char* text = reinterpret_cast<const char*>(bytes) + start;
  size_t end = start;
  while (end < length && bytes[end] != 0) ++end;
  String copy;
  char* buffer = end - start > kLongestText ? nullptr : copy.GetBuffer(static_cast<int32_t>(end - start));
  if (buffer == nullptr) {
    out->Empty();
    return false;
  }
  std::memcpy(buffer, text, end - start);
  buffer[end - start] = '\0';
  copy.ReleaseBuffer();
  if (IsValidUtf8(copy.c_str(), end - start)) {
    *out = std::move(copy);
    return true;
  }
  // A file marked as UTF-8 that is none is no text.
  if (start != 0) {
    out->Empty();
    return false;
  }
  return Windows1252ToUtf8(copy.c_str(), out);
}

bool Utf16ToUtf8(const uint16_t* units, size_t count, String* out) {
  return Convert(count > kLongestText ? count : 3 * count, Utf16Reader{units, count}, EncodeUtf8, out);
}

bool Utf8ToUtf16(const char* text, Utf16Units* out) {
  out->clear();
  if (text == nullptr) return true;
  Utf8Reader reader{reinterpret_cast<const uint8_t*>(text), std::strlen(text)};
  for (uint32_t code_point = 0; reader(&code_point);) {
    if (code_point == kNoCharacter) {
      out->clear();
      return false;
    }
    AppendUtf16(code_point, out);
  }
  return true;
}

void Windows1252ToUtf16(const char* text, Utf16Units* out) {
  out->clear();
  for (; text != nullptr && *text != '\0'; ++text) {
    out->push_back(static_cast<uint16_t>(CodePointOfWindows1252(static_cast<uint8_t>(*text))));
  }
}

bool Utf16ToWindows1252(const uint16_t* units, size_t count, String* out) {
  return Convert(count, Utf16Reader{units, count}, PutWindows1252, out);
}

}  // namespace mv
