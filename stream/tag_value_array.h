// TagValueArray: the storage of a list value, a contiguous block of
// TagValue slots that owns its members.
//
// Growth: without storage SetSize allocates exactly the size asked for;
// beyond the capacity it grows by the stored step, or when that is 0 by an
// eighth of the count clamped to 4 ... 1024 slots, or to the size asked for
// when that is larger.
#pragma once

#include <cstdint>

#include "stream/tag_value.h"

namespace mv {

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
  // Appends value itself, leaving it TypeNone with tag 0; -1 (value
  // untouched) when the array cannot grow.
  int32_t Add(TagValue&& value);
  // Resizes to n members (new ones TypeNone, removed ones destroyed); a
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
