#include "stream/tag_value_array.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace mv {

TagValueArray::~TagValueArray() { RemoveAll(); }

int32_t TagValueArray::Add(const TagValue& value) {
  // Copied before growing: value may be one of our own members.
  return Add(TagValue(value));
}

int32_t TagValueArray::Add(TagValue&& value) {
  if (count_ == INT32_MAX || !SetSize(count_ + 1)) return -1;
  items_[count_ - 1].Swap(value);
  return count_ - 1;
}

bool TagValueArray::SetSize(int32_t n, int32_t grow_by) {
  if (grow_by != -1) grow_by_ = grow_by;
  if (n < 0) return false;
  if (n == 0) {
    RemoveAll();
    return true;
  }
  if (items_ == nullptr) {
    if (!Reallocate(n)) return false;
  } else if (n > capacity_) {
    int32_t step = grow_by_;
    if (step <= 0) step = count_ / 8 < 4 ? 4 : (count_ / 8 > 1024 ? 1024 : count_ / 8);
    int64_t capacity = static_cast<int64_t>(capacity_) + step;
    if (n > capacity) capacity = n;
    if (capacity > INT32_MAX) capacity = INT32_MAX;
    if (!Reallocate(static_cast<int32_t>(capacity))) return false;
  }
  for (int32_t i = count_; i < n; ++i) {
    std::memset(static_cast<void*>(&items_[i]), 0, sizeof(TagValue));
    new (&items_[i]) TagValue();
  }
  for (int32_t i = n; i < count_; ++i) items_[i].~TagValue();
  count_ = n;
  return true;
}

bool TagValueArray::Reallocate(int32_t capacity) {
  auto* items = static_cast<TagValue*>(std::malloc(sizeof(TagValue) * static_cast<size_t>(capacity)));
  if (items == nullptr) return false;
  for (int32_t i = 0; i < count_; ++i) {
    new (&items[i]) TagValue(std::move(items_[i]));
    items_[i].~TagValue();
  }
  std::free(items_);
  items_ = items;
  capacity_ = capacity;
  return true;
}

void TagValueArray::RemoveAll() {
  for (int32_t i = 0; i < count_; ++i) items_[i].~TagValue();
  std::free(items_);
  items_ = nullptr;
  count_ = 0;
  capacity_ = 0;
}

bool TagValueArray::CopyFrom(const TagValueArray& other) {
  if (&other == this) return true;
  RemoveAll();
  compare_ = other.compare_;
  sort_ = other.sort_;
  if (!SetSize(other.count_)) return false;
  for (int32_t i = 0; i < count_; ++i) items_[i].Assign(other.items_[i]);
  return true;
}

void TagValueArray::Sort(int32_t low, int32_t high) {
  if (compare_ == nullptr || sort_ == nullptr) return;
  if (low < 0 || low >= high || high > count_ - 1) return;
  sort_(*this, compare_, low, high);
}

void TagValueArray::QuickSort(TagValueArray& array, CompareFn compare, int32_t low, int32_t high) {
  // The smaller part is sorted by recursion and the larger one by the loop,
  // so the stack stays logarithmic; the order of the result is the same.
  while (low < high) {
    if (high - low == 1) {
      if (compare(array[high], array[low]) < 0) array[low].Swap(array[high]);
      return;
    }
    const TagValue pivot(array[low + (high - low) / 2]);
    int32_t i = low;
    int32_t j = high;
    do {
      while (i < high && compare(array[i], pivot) < 0) ++i;
      while (j > low && compare(pivot, array[j]) < 0) --j;
      if (i < j) array[i].Swap(array[j]);
      if (i > j) break;
      ++i;
      --j;
    } while (j >= i);
    if (j - low < high - i) {
      if (low < j) QuickSort(array, compare, low, j);
      low = i;
    } else {
      if (i < high) QuickSort(array, compare, i, high);
      high = j;
    }
  }
}

}  // namespace mv
