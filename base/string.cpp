#include "base/string.h"

#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

#include "base/memory.h"

namespace mv {
namespace {

constexpr size_t kFormatBufferSize = 65536;

int32_t TextLength(const char* text) {
  return text == nullptr ? 0 : static_cast<int32_t>(std::strlen(text));
}

const char* OrEmpty(const char* text) { return text == nullptr ? "" : text; }

char LowerByte(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return (u >= 'A' && u <= 'Z') ? static_cast<char>(u + 32) : c;
}

// Formats into a wiped heap work buffer, since formatted texts may hold
// secrets (paths of decrypted files, message texts).
void FormatV(String& out, const char* format, va_list args) {
  char* work = static_cast<char*>(AllocFixed(kFormatBufferSize));
  if (work == nullptr) {
    out.Empty();
    return;
  }
  int n = std::vsnprintf(work, kFormatBufferSize, OrEmpty(format), args);
  if (n < 0) work[0] = '\0';
  out.Assign(work);
  WipeAndFree(work, kFormatBufferSize);
}

}  // namespace

void String::Release(char* buffer, int32_t capacity) {
  WipeAndFree(buffer, static_cast<size_t>(capacity));
}

void String::Adopt(char* buffer, int32_t capacity) {
  Release(data_, capacity_);
  data_ = buffer;
  capacity_ = buffer == nullptr ? 0 : capacity;
  length_ = buffer == nullptr ? 0 : TextLength(buffer);
}

String::String(const char* text) { Assign(text); }

String::String(const String& other) {
  if (other.data_ != nullptr) Assign(other.data_);
}

String::String(String&& other) noexcept
    : data_(other.data_), length_(other.length_), capacity_(other.capacity_) {
  other.data_ = nullptr;
  other.length_ = 0;
  other.capacity_ = 0;
}

String::String(char ch) {
  char text[2] = {ch, '\0'};
  Assign(text);
}

String::String(char ch, int32_t count) {
  if (count < 0) count = 0;
  char* buffer = static_cast<char*>(AllocFixed(static_cast<size_t>(count) + 1));
  if (buffer == nullptr) return;
  std::memset(buffer, ch, static_cast<size_t>(count));
  buffer[count] = '\0';
  Adopt(buffer, count + 1);
  length_ = count;  // also for ch == NUL, as counted copies of the character
  if (ch == '\0') length_ = 0;
}

String::~String() { Empty(); }

void String::Empty() {
  Release(data_, capacity_);
  data_ = nullptr;
  length_ = 0;
  capacity_ = 0;
}

int String::Assign(const char* text) {
  const char* source = OrEmpty(text);
  int32_t n = TextLength(source);
  char* buffer = static_cast<char*>(AllocFixed(static_cast<size_t>(n) + 1));
  if (buffer == nullptr) {
    Empty();
    return 0;
  }
  std::memcpy(buffer, source, static_cast<size_t>(n) + 1);  // source may alias data_
  Adopt(buffer, n + 1);
  return 1;
}

int String::Append(const char* text) {
  int32_t n = TextLength(text);
  if (n == 0) return 1;
  if (IsEmpty()) return Assign(text);
  size_t total = static_cast<size_t>(length_) + static_cast<size_t>(n) + 1;
  char* buffer = static_cast<char*>(AllocFixed(total));
  if (buffer == nullptr) {
    Empty();
    return 0;
  }
  std::memcpy(buffer, data_, static_cast<size_t>(length_));
  std::memcpy(buffer + length_, text, static_cast<size_t>(n) + 1);
  Adopt(buffer, static_cast<int32_t>(total));
  return 1;
}

String& String::operator=(const char* text) {
  Assign(text);
  return *this;
}

String& String::operator=(const String& other) {
  if (this != &other) {
    if (other.data_ == nullptr) Assign("");
    else Assign(other.data_);
  }
  return *this;
}

String& String::operator=(String&& other) noexcept {
  if (this != &other) {
    Empty();
    std::swap(data_, other.data_);
    std::swap(length_, other.length_);
    std::swap(capacity_, other.capacity_);
  }
  return *this;
}

String& String::operator+=(const char* text) {
  Append(text);
  return *this;
}

String& String::operator+=(const String& other) {
  if (this == &other) {
    String copy(other);
    Append(copy.data_);
  } else {
    Append(other.data_);
  }
  return *this;
}

String& String::operator+=(char ch) {
  char text[2] = {ch, '\0'};
  Append(text);
  return *this;
}

char String::GetAt(int32_t index) const {
  return (index >= 0 && index < length_) ? data_[index] : '\0';
}

bool String::Equals(const char* text) const {
  return std::strcmp(OrEmpty(data_), OrEmpty(text)) == 0;
}

int String::CompareNoCase(const char* text) const {
  String a(OrEmpty(data_));
  String b(OrEmpty(text));
  a.MakeLower();
  b.MakeLower();
  return std::strcmp(OrEmpty(a.data_), OrEmpty(b.data_));
}

int32_t String::Find(char ch, int32_t start) const {
  if (start < 0 || start >= length_) return -1;
  const void* hit = std::memchr(data_ + start, ch, static_cast<size_t>(length_ - start));
  return hit == nullptr ? -1 : static_cast<int32_t>(static_cast<const char*>(hit) - data_);
}

int32_t String::Find(const char* text, int32_t start) const {
  if (data_ == nullptr || start < 0 || text == nullptr) return -1;
  if (start > length_ || TextLength(text) > length_ - start) return -1;
  const char* hit = std::strstr(data_ + start, text);
  return hit == nullptr ? -1 : static_cast<int32_t>(hit - data_);
}

int32_t String::FindLast(char ch) const {
  if (data_ == nullptr) return -1;
  for (int32_t i = length_ - 1; i >= 0; --i) {
    if (data_[i] == ch) return i;
  }
  return -1;
}

String String::Left(int32_t n) const {
  if (n < 0) n = 0;
  if (n >= length_) return *this;
  String out;
  char* buffer = out.GetBuffer(n);
  if (buffer != nullptr) {
    std::memcpy(buffer, data_, static_cast<size_t>(n));
    buffer[n] = '\0';
    out.ReleaseBuffer();
  }
  return out;
}

String String::Right(int32_t n) const {
  if (n <= 0) return String("");
  if (n >= length_) return *this;
  return String(data_ + (length_ - n));
}

String String::Mid(int32_t start, int32_t count) const {
  if (start < 0) start = 0;
  if (count < 0 || start >= length_ || start + count > length_) return *this;
  String out;
  char* buffer = out.GetBuffer(count);
  if (buffer != nullptr) {
    std::memcpy(buffer, data_ + start, static_cast<size_t>(count));
    buffer[count] = '\0';
    out.ReleaseBuffer();
  }
  return out;
}

String String::MakeLower() {
  for (int32_t i = 0; i < length_; ++i) data_[i] = LowerByte(data_[i]);
  return *this;
}

String String::ReplaceChar(char from, char to) {
  if (from != to && !IsEmpty()) {
    for (int32_t i = 0; i < length_; ++i) {
      if (data_[i] == from) data_[i] = to;
    }
    length_ = TextLength(data_);  // replacing by NUL shortens the text
  }
  return *this;
}

String String::Replace(const char* old_text, const char* new_text) {
  const char* replacement = OrEmpty(new_text);
  if (old_text == nullptr || *old_text == '\0' || std::strcmp(old_text, replacement) == 0) {
    return *this;
  }
  const int32_t old_length = TextLength(old_text);
  const int32_t new_length = TextLength(replacement);
  String work(*this);
  int32_t pos = 0;
  for (;;) {
    int32_t i = work.Find(old_text, pos);
    if (i < 0) break;
    String next = work.Left(i);
    next += replacement;
    next += work.data_ + i + old_length;
    work = std::move(next);
    pos = i + new_length;
  }
  *this = std::move(work);
  return *this;
}

void String::Format(String& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatV(out, format, args);
  va_end(args);
}

char* String::GetBuffer(int32_t n) {
  if (n < 0) n = 0;
  char* buffer = static_cast<char*>(AllocFixed(static_cast<size_t>(n) + 1));
  if (buffer == nullptr) return nullptr;
  int32_t keep = length_ < n ? length_ : n;
  if (keep > 0) std::memcpy(buffer, data_, static_cast<size_t>(keep));
  buffer[keep] = '\0';
  buffer[n] = '\0';
  Release(data_, capacity_);
  data_ = buffer;
  capacity_ = n + 1;
  length_ = keep;
  return buffer;
}

void String::ReleaseBuffer() {
  if (data_ == nullptr) return;
  data_[capacity_ - 1] = '\0';  // the platform may have filled every byte
  length_ = TextLength(data_);
}

int String::Compare(const String& a, const String& b) {
  return std::strcmp(OrEmpty(a.data_), OrEmpty(b.data_));
}

int String::CompareNoCaseFn(const String& a, const String& b) {
  return a.CompareNoCase(b.c_str());
}

bool operator==(const String& a, const char* b) { return a.Equals(b); }
bool operator==(const String& a, const String& b) { return a.Equals(b.c_str()); }
bool operator!=(const String& a, const char* b) { return !a.Equals(b); }
bool operator!=(const String& a, const String& b) { return !a.Equals(b.c_str()); }

String operator+(const String& a, const String& b) {
  String out(a);
  out += b;
  return out;
}

String operator+(const String& a, const char* b) {
  String out(a);
  out += b;
  return out;
}

String operator+(const char* a, const String& b) {
  String out(a);
  out += b;
  return out;
}

// StringArray

StringArray::StringArray(const StringArray& other) { *this = other; }

StringArray& StringArray::operator=(const StringArray& other) {
  if (this == &other) return *this;
  RemoveAll();
  compare_ = other.compare_;
  sort_ = other.sort_;
  grow_by_ = other.grow_by_;
  for (int32_t i = 0; i < other.count_; ++i) Add(other.items_[i]);
  return *this;
}

StringArray::~StringArray() { RemoveAll(); }

void StringArray::RemoveAll() {
  for (int32_t i = 0; i < count_; ++i) items_[i].~String();
  ::operator delete(items_, std::nothrow);
  items_ = nullptr;
  count_ = 0;
  capacity_ = 0;
}

bool StringArray::Grow(int32_t wanted) {
  if (wanted <= capacity_) return true;
  int32_t step = grow_by_;
  if (step == 0) {
    step = count_ / 8;
    if (step < 4) step = 4;
    if (step > 1024) step = 1024;
  }
  int64_t capacity = static_cast<int64_t>(capacity_) + step;
  if (capacity < wanted) capacity = wanted;
  if (capacity > INT32_MAX / static_cast<int64_t>(sizeof(String))) return false;
  auto* block = static_cast<String*>(
      ::operator new(static_cast<size_t>(capacity) * sizeof(String), std::nothrow));
  if (block == nullptr) return false;
  for (int32_t i = 0; i < count_; ++i) {
    new (&block[i]) String(std::move(items_[i]));
    items_[i].~String();
  }
  ::operator delete(items_, std::nothrow);
  items_ = block;
  capacity_ = static_cast<int32_t>(capacity);
  return true;
}

int32_t StringArray::Add(const String& s) {
  if (count_ == INT32_MAX || !Grow(count_ + 1)) return -1;
  new (&items_[count_]) String(s);
  return count_++;
}

bool StringArray::SetAt(int32_t index, const String& s) {
  if (index < 0) return false;
  if (index >= count_) {
    if (index == INT32_MAX || !Grow(index + 1)) return false;
    for (int32_t i = count_; i <= index; ++i) new (&items_[i]) String("");
    count_ = index + 1;
  }
  items_[index] = s;
  return true;
}

void StringArray::Sort(bool no_case) {
  if (no_case) compare_ = &String::CompareNoCaseFn;
  if (sort_ != nullptr && compare_ != nullptr && count_ > 1) sort_(*this, 0, count_ - 1);
}

void StringArray::QuickSort(StringArray& array, int32_t low, int32_t high) {
  // Iterative on the larger half so that the depth stays logarithmic.
  while (low < high) {
    String pivot(array.items_[low + (high - low) / 2]);
    int32_t i = low;
    int32_t j = high;
    while (i <= j) {
      while (array.compare_(array.items_[i], pivot) < 0) ++i;
      while (array.compare_(pivot, array.items_[j]) < 0) --j;
      if (i <= j) {
        if (i < j) std::swap(array.items_[i], array.items_[j]);
        ++i;
        --j;
      }
    }
    if (j - low < high - i) {
      if (low < j) QuickSort(array, low, j);
      low = i;
    } else {
      if (i < high) QuickSort(array, i, high);
      high = j;
    }
  }
}

}  // namespace mv
