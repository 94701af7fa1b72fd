// String: the program's own 8-bit text type (Windows-1252 in packages),
// handed over by value and never shared. Every buffer is overwritten with
// zeros before it goes back to the allocator, so passwords and decrypted
// texts do not linger in freed memory.
//
// Invariant (except between GetBuffer and ReleaseBuffer): data is null with
// length 0, or holds length characters and a NUL with capacity >= length + 1.
// Embedded NULs are not supported; lengths are counted up to the first NUL.
#pragma once

#include <cstdint>

namespace mv {

class String {
 public:
  String() = default;
  String(const char* text);  // NOLINT: implicit on purpose, texts flow freely
  String(const String& other);
  String(String&& other) noexcept;
  explicit String(char ch);
  String(char ch, int32_t count);
  ~String();

  // Releases the buffer (wiped); afterwards there is no buffer at all.
  void Empty();

  // Replace the contents; 0 when the allocation failed (the string is then
  // empty), otherwise 1. A null text assigns "".
  int Assign(const char* text);
  // A null or empty text changes nothing; 0 when the allocation failed.
  int Append(const char* text);

  String& operator=(const char* text);
  String& operator=(const String& other);
  String& operator=(String&& other) noexcept;
  String& operator+=(const char* text);
  String& operator+=(const String& other);
  String& operator+=(char ch);

  // The data pointer as it stands: null for a string never assigned.
  const char* c_str() const { return data_; }
  int32_t GetLength() const { return length_; }
  bool IsEmpty() const { return data_ == nullptr || length_ == 0; }
  // The character at index, or 0 outside 0 <= index < length.
  char GetAt(int32_t index) const;

  bool Equals(const char* text) const;
  bool NotEquals(const char* text) const { return !Equals(text); }
  // strcmp of both texts with A-Z lowered (bytes >= 128 unchanged).
  int CompareNoCase(const char* text) const;

  // 0-based positions; -1 when not found or the start is out of range.
  int32_t Find(char ch, int32_t start = 0) const;
  int32_t Find(const char* text, int32_t start = 0) const;
  int32_t FindLast(char ch) const;

  String Left(int32_t n) const;
  String Right(int32_t n) const;
  // A range that runs past the end, or a start at or past the end, gives the
  // whole string.
  String Mid(int32_t start, int32_t count) const;

  String MakeLower();
  String ReplaceChar(char from, char to);
  // Replaces every occurrence left to right; inserted text is not rescanned.
  String Replace(const char* old_text, const char* new_text);

  // printf-style formatting through a 65536-byte work buffer. Output longer
  // than the buffer is truncated, never overrun.
  static void Format(String& out, const char* format, ...)
      __attribute__((format(printf, 2, 3)));

  // Makes the buffer n + 1 bytes (keeping up to n characters of the text)
  // and returns it for the platform to write into; ReleaseBuffer takes the
  // text up to its first NUL. Null when the allocation fails.
  char* GetBuffer(int32_t n);
  void ReleaseBuffer();

  // The compare functions used by StringArray.
  static int Compare(const String& a, const String& b);
  static int CompareNoCaseFn(const String& a, const String& b);

 private:
  void Adopt(char* buffer, int32_t capacity);
  static void Release(char* buffer, int32_t capacity);

  char* data_ = nullptr;
  int32_t length_ = 0;
  int32_t capacity_ = 0;
};

bool operator==(const String& a, const char* b);
bool operator==(const String& a, const String& b);
bool operator!=(const String& a, const char* b);
bool operator!=(const String& a, const String& b);
String operator+(const String& a, const String& b);
String operator+(const String& a, const char* b);
String operator+(const char* a, const String& b);

// A growable array of String (file lists, collected paths).
class StringArray {
 public:
  using CompareFn = int (*)(const String&, const String&);
  using SortFn = void (*)(StringArray& array, int32_t low, int32_t high);

  StringArray() = default;
  StringArray(const StringArray& other);
  StringArray& operator=(const StringArray& other);
  ~StringArray();

  // Appends a copy; returns its index, or -1 when the array cannot grow.
  int32_t Add(const String& s);
  // An index beyond the end grows the array to index + 1 elements; the new
  // elements in between are empty strings. False when it cannot grow.
  bool SetAt(int32_t index, const String& s);
  const String& GetAt(int32_t index) const { return items_[index]; }
  String& operator[](int32_t index) { return items_[index]; }
  const String& operator[](int32_t index) const { return items_[index]; }
  int32_t GetCount() const { return count_; }
  void RemoveAll();
  void SetGrowBy(int32_t step) { grow_by_ = step; }
  int32_t GetCapacity() const { return capacity_; }

  // Sorts with the sort function; no_case installs the no-case compare first.
  void Sort(bool no_case = false);
  void SetCompare(CompareFn compare) { compare_ = compare; }
  CompareFn GetCompare() const { return compare_; }

 private:
  bool Grow(int32_t wanted);
  static void QuickSort(StringArray& array, int32_t low, int32_t high);

  CompareFn compare_ = &String::Compare;
  SortFn sort_ = &QuickSort;
  String* items_ = nullptr;
  int32_t count_ = 0;
  int32_t capacity_ = 0;
  int32_t grow_by_ = 0;
};

}  // namespace mv
