// TagValue: one typed value labelled with a 16-bit tag. A value of list type
// holds further values in a TagValueArray (below), so values nest; TagRecord
// (stream/tag_record.h) is a list with lookups by tag.
//
// Encoding on a stream (little-endian, nothing aligned):
//   type u16 | tag u16 | length u32 | payload of length bytes
// payload by type:
//   kTypeNone, kTypeHandle   nothing (length 0)
//   kTypeU8/U16/U32/I32     the number in 1, 2, 4, 4 bytes
//   kTypeDouble             the 8 bytes of the double
//   kTypeText               a length-prefixed string (Stream::WriteString)
//   kTypeList               count u32, then every member in this encoding
//   kTypeEntry              the entry's own serialisation (stream/tag_entry.h)
//   kTypeBlob and others    the bytes
// Text and list lengths are measured by serialising the payload into a
// plain counting Stream opened with the same context before it is written,
// so a value nested d lists deep is serialised 2^d times on writing.
//
// Reading refuses input that would make the reader allocate or recurse
// without bound, failing the stream with kMalformedRecord: list counts above
// kMaxListCount, blob lengths above kMaxBlobLength, texts above
// Stream::kMaxStringLength, and lists nested deeper than kMaxReadDepth; and
// with kRecordTooLarge once the values of one read together pass their
// memory budget (kDefaultRecordBudget, or the context's record_budget). A
// list's length field is not checked: readers rely on its count.
// Every value the system writes stays far inside these bounds. List slots
// and blob storage grow as members and bytes actually arrive, so memory
// stays proportional to the input read, not to the counts it claims.
//
// Texts and blobs are wiped before their storage is released.
#pragma once

#include <cstdint>

#include "base/result.h"
#include "base/string.h"
#include "stream/stream.h"
#include "stream/tag_entry.h"

namespace mv {

class TagValueArray;

// Type codes. Any other code behaves as a blob in memory and is read back
// from a stream as kTypeBlob.
enum TagType : uint16_t {
  kTypeNone = 0,
  kTypeBlob = 1,
  kTypeList = 2,
  kTypeU8 = 10,
  kTypeU16 = 20,
  kTypeU32 = 40,
  kTypeI32 = 41,
  kTypeDouble = 80,
  kTypeHandle = 100,  // borrowed pointer and length; never freed, never stored
  kTypeText = 110,
  kTypeEntry = 3100,  // archive entry object, see stream/tag_entry.h
};

class TagValue {
 public:
  // Bounds applied while reading from a stream.
  static constexpr uint32_t kMaxListCount = 16u * 1024 * 1024;
  static constexpr uint32_t kMaxBlobLength = 64u * 1024 * 1024;
  static constexpr int32_t kMaxReadDepth = 64;
  // Memory all values of one outermost read may take together (list slots,
  // texts, blobs, entries) unless the stream's context names another
  // budget; past it the read fails with kRecordTooLarge.
  static constexpr uint64_t kDefaultRecordBudget = 64u * 1024 * 1024;

  TagValue() = default;
  TagValue(const TagValue& other);  // Assign onto an empty value
  // Takes over other's contents; other is left kTypeNone with tag 0.
  TagValue(TagValue&& other) noexcept;
  TagValue& operator=(const TagValue& other);
  virtual ~TagValue();

  // --- Virtual operations, in this order. ---

  // Clear, then type := type, length := 0, data := 0. kTypeList gets a new
  // empty array; kTypeEntry a new entry from the registered factory. When
  // that allocation fails, or no entry factory is registered, the value
  // stays kTypeNone.
  virtual void SetType(uint16_t type);
  // SetType(kTypeNone); the tag is kept.
  virtual void Reset();
  // Writes the value to a writing stream or reads it from a reading one.
  // Returns the stream's error field; adds kMalformedRecord for refused
  // input and kOutOfMemory for failed allocations while reading.
  virtual Result Serialize(Stream& stream);
  // Called first by every record accessor; does nothing here.
  virtual void Validate() const {}

  // Releases owned storage (lists destroy their members), then type,
  // length and data := 0. The tag is kept.
  void Clear();
  // A deep copy of other (kTypeHandle copies the borrowed pointer), its tag
  // included. A failed allocation leaves this value kTypeNone.
  void Assign(const TagValue& other);
  // Exchanges type, tag, length and data.
  void Swap(TagValue& other);

  // kTypeBlob of n zero bytes (no storage for n == 0); kTypeNone when the
  // allocation fails.
  void SetBlobSize(uint32_t n);
  // kTypeBlob holding a copy of n bytes; kTypeNone when the allocation fails.
  void SetBlob(const void* bytes, uint32_t n);
  // kTypeText holding a copy (length := characters + 1); a null text leaves
  // no storage. kTypeNone when the copy cannot be allocated.
  void SetTextValue(const char* text);
  void SetU8Value(uint8_t value);
  void SetU32Value(uint32_t value);
  void SetDoubleValue(double value);
  // kTypeHandle: the pointer and length are borrowed, never freed or written.
  void SetHandle(void* pointer, uint32_t length);

  uint16_t GetType() const { return type_; }
  uint16_t GetTag() const { return tag_; }
  void SetTag(uint16_t tag) { tag_ = tag; }
  // Owned bytes of blobs and texts (texts include the NUL); for values read
  // from a stream, the payload length found there.
  uint32_t GetLength() const { return length_; }

  // The number as stored; 0 when the value is of another type.
  uint8_t GetU8Value() const { return type_ == kTypeU8 ? data_.u8 : 0; }
  uint16_t GetU16Value() const { return type_ == kTypeU16 ? data_.u16 : 0; }
  uint32_t GetU32Value() const { return type_ == kTypeU32 ? data_.u32 : 0; }
  double GetDoubleValue() const { return type_ == kTypeDouble ? data_.d : 0.0; }
  // The text (null when none was stored) or null for another type.
  const char* GetTextValue() const { return type_ == kTypeText ? data_.text : nullptr; }
  // The owned bytes of a blob or any unknown type (GetLength() of them);
  // null for the defined non-blob types.
  const uint8_t* GetBytes() const;
  uint8_t* GetBytes();
  void* GetHandle() const { return type_ == kTypeHandle ? data_.pointer : nullptr; }
  // The members of a list; null for another type.
  const TagValueArray* GetList() const { return type_ == kTypeList ? data_.list : nullptr; }
  TagValueArray* GetList() { return type_ == kTypeList ? data_.list : nullptr; }
  TagEntryObject* GetEntry() const { return type_ == kTypeEntry ? data_.entry : nullptr; }

  // Orders two values: by type code first, then by content (numbers by
  // difference, texts and blobs byte-wise, blobs shorter first, lists with
  // more members first, then -1 at the first differing member pair).
  static int32_t Compare(const TagValue& a, const TagValue& b);

  // With hex, the bytes of the value (inline number bytes little-endian, or
  // the owned storage) as upper-case pairs separated by " "; lists, entries
  // and empty values give "". Otherwise numbers in decimal, doubles with 10
  // significant digits, texts as they are, blobs up to their first NUL.
  void ToText(String& out, bool hex) const;

 private:
  union Data {
    uint64_t raw;
    uint8_t u8;
    uint16_t u16;
    uint32_t u32;
    int32_t i32;
    double d;
    void* pointer;
    char* text;
    uint8_t* bytes;
    TagValueArray* list;
    TagEntryObject* entry;
  };

  void WritePayload(Stream& stream);
  void ReadFrom(Stream& stream);
  void ReadList(Stream& stream);
  void ReadBlob(Stream& stream, uint32_t n);

  uint16_t type_ = kTypeNone;
  uint16_t tag_ = 0;
  uint32_t length_ = 0;
  Data data_ = {0};
};

// TagValueArray: the storage of a list value, a contiguous block of
// TagValue slots that owns its members.
//
// Growth: without storage SetSize allocates exactly the size asked for;
// beyond the capacity it grows by the stored step, or when that is 0 by an
// eighth of the count clamped to 4 ... 1024 slots, or to the size asked for
// when that is larger.
class TagValueArray {
 public:
  using CompareFn = int32_t (*)(const TagValue& a, const TagValue& b);
  using SortFn = void (*)(TagValueArray& array, CompareFn compare, int32_t low, int32_t high);

  // Empty, with TagValue::Compare and QuickSort installed.
  TagValueArray() = default;
  TagValueArray(const TagValueArray&) = delete;
  TagValueArray& operator=(const TagValueArray&) = delete;
  ~TagValueArray();

  int32_t GetCount() const { return count_; }
  int32_t GetCapacity() const { return capacity_; }
  int32_t GetGrowBy() const { return grow_by_; }

  // A copy of member i (0 <= i < count).
  TagValue GetAt(int32_t i) const { return items_[i]; }
  TagValue& operator[](int32_t i) { return items_[i]; }
  const TagValue& operator[](int32_t i) const { return items_[i]; }

  // Appends a copy of value; its index, or -1 when the array cannot grow.
  int32_t Add(const TagValue& value);
  // Appends value itself, leaving it kTypeNone with tag 0; -1 (value
  // untouched) when the array cannot grow.
  int32_t Add(TagValue&& value);
  // Resizes to n members (new ones kTypeNone, removed ones destroyed); a
  // grow_by other than -1 replaces the stored step. n == 0 frees the
  // storage. False (nothing changed) when n is negative or the storage
  // cannot be allocated.
  bool SetSize(int32_t n, int32_t grow_by = -1);
  // Destroys all members and frees the storage.
  void RemoveAll();
  // RemoveAll, then copies of all of other's members and its compare and
  // sort functions. False when the storage cannot be allocated (the array
  // is then empty).
  bool CopyFrom(const TagValueArray& other);

  // Sorts members low..high with the sort function when a compare function
  // is set and 0 <= low < high <= count - 1; otherwise nothing.
  void Sort(int32_t low, int32_t high);
  void Sort() { Sort(0, count_ - 1); }

  CompareFn GetCompare() const { return compare_; }
  void SetCompare(CompareFn compare) { compare_ = compare; }
  SortFn GetSortFunction() const { return sort_; }
  void SetSortFunction(SortFn sort) { sort_ = sort; }

  // The installed sort: a quicksort around the middle member of the range;
  // two members are swapped when compare(high, low) < 0. Bounded scans keep
  // it inside the range even for a compare function that is not a strict
  // order (list values compare -1 both ways when they differ).
  static void QuickSort(TagValueArray& array, CompareFn compare, int32_t low, int32_t high);

 private:
  bool Reallocate(int32_t capacity);

  CompareFn compare_ = &TagValue::Compare;
  SortFn sort_ = &QuickSort;
  TagValue* items_ = nullptr;
  int32_t count_ = 0;
  int32_t capacity_ = 0;
  int32_t grow_by_ = 0;
};

}  // namespace mv
