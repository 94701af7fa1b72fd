#include "stream/tag_value.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "base/memory.h"

namespace mv {
namespace {

// Depth of the lists being read on this thread. Archive entries read their
// own records through a fresh Serialize call, so the depth cannot travel as
// an argument; a per-thread counter sees every nesting level.
thread_local int32_t t_read_depth = 0;

class ReadDepthGuard {
 public:
  ReadDepthGuard() { ++t_read_depth; }
  ~ReadDepthGuard() { --t_read_depth; }
  bool TooDeep() const { return t_read_depth > TagValue::kMaxReadDepth; }
};

// The memory of one outermost read: every list slot, text, blob and entry
// decoded below the value that started the read counts against one budget,
// taken from the stream's context when the read starts.
struct ReadBudget {
  int32_t nesting = 0;
  uint64_t used = 0;
  uint64_t limit = 0;
};
thread_local ReadBudget t_budget;

class BudgetScope {
 public:
  explicit BudgetScope(const Stream& stream) {
    if (t_budget.nesting++ > 0) return;
    const StreamContext* context = stream.GetContext();
    t_budget.used = 0;
    t_budget.limit = context != nullptr && context->record_budget != 0 ? context->record_budget
                                                                        : TagValue::kDefaultRecordBudget;
  }
  ~BudgetScope() { --t_budget.nesting; }
  BudgetScope(const BudgetScope&) = delete;
  BudgetScope& operator=(const BudgetScope&) = delete;
};

// Counts bytes about to be taken; past the budget the stream fails with
// kRecordTooLarge and false is returned.
bool Charge(Stream& stream, uint64_t bytes) {
  t_budget.used += bytes;
  if (t_budget.used <= t_budget.limit) return true;
  stream.RecordError(kRecordTooLarge);
  return false;
}

// What an entry object costs beyond the members its record reads.
constexpr uint64_t kEntryCharge = 256;

void ReleaseBytes(void* bytes, size_t n) {
  SecureWipe(bytes, n);
  FreeFixed(bytes);
}

uint8_t* CopyBytes(const void* bytes, size_t n) {
  auto* copy = static_cast<uint8_t*>(AllocFixed(n));
  if (copy != nullptr) std::memcpy(copy, bytes, n);
  return copy;
}

bool IsInlineNumber(uint16_t type) {
  return type == kTypeU8 || type == kTypeU16 || type == kTypeU32 || type == kTypeI32 ||
         type == kTypeDouble;
}

// Types whose data is a pointer to length owned bytes.
bool HoldsBytes(uint16_t type) {
  return !IsInlineNumber(type) && type != kTypeNone && type != kTypeList &&
         type != kTypeHandle && type != kTypeText && type != kTypeEntry;
}

void AppendHex(char*& out, const uint8_t* bytes, size_t n) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (size_t i = 0; i < n; ++i) {
    if (i > 0) *out++ = ' ';
    *out++ = kDigits[bytes[i] >> 4];
    *out++ = kDigits[bytes[i] & 15];
  }
}

void AssignBytes(String& out, const uint8_t* bytes, size_t n) {
  char* buffer = out.GetBuffer(static_cast<int32_t>(n));
  if (buffer == nullptr) return;
  std::memcpy(buffer, bytes, n);
  buffer[n] = '\0';
  out.ReleaseBuffer();
}

}  // namespace

TagValue::TagValue(const TagValue& other) { Assign(other); }

TagValue::TagValue(TagValue&& other) noexcept
    : type_(other.type_), tag_(other.tag_), length_(other.length_), data_(other.data_) {
  other.type_ = kTypeNone;
  other.tag_ = 0;
  other.length_ = 0;
  other.data_.raw = 0;
}

TagValue& TagValue::operator=(const TagValue& other) {
  Assign(other);
  return *this;
}

TagValue::~TagValue() { Clear(); }

void TagValue::SetType(uint16_t type) {
  Clear();
  type_ = type;
  if (type == kTypeList) {
    data_.list = new (std::nothrow) TagValueArray;
    if (data_.list == nullptr) type_ = kTypeNone;
  } else if (type == kTypeEntry) {
    TagEntryFactory factory = GetTagEntryFactory();
    data_.entry = factory != nullptr ? factory() : nullptr;
    if (data_.entry == nullptr) type_ = kTypeNone;
  }
}

void TagValue::Reset() { SetType(kTypeNone); }

void TagValue::Clear() {
  switch (type_) {
    case kTypeList:
      delete data_.list;
      break;
    case kTypeEntry:
      delete data_.entry;
      break;
    case kTypeText:
      if (data_.text != nullptr) ReleaseBytes(data_.text, std::strlen(data_.text) + 1);
      break;
    default:
      if (HoldsBytes(type_) && data_.bytes != nullptr) ReleaseBytes(data_.bytes, length_);
      break;
  }
  type_ = kTypeNone;
  length_ = 0;
  data_.raw = 0;
}

void TagValue::Assign(const TagValue& other) {
  if (&other == this) return;
  other.Validate();
  // Built aside first: other may live inside this value's own list.
  TagValue copy;
  copy.tag_ = other.tag_;
  const uint16_t type = other.type_;
  if (type == kTypeList) {
    auto* list = new (std::nothrow) TagValueArray;
    if (list != nullptr && list->CopyFrom(*other.data_.list)) {
      copy.type_ = kTypeList;
      copy.data_.list = list;
    } else {
      delete list;
    }
  } else if (type == kTypeEntry) {
    copy.data_.entry = other.data_.entry->Clone();
    if (copy.data_.entry != nullptr) copy.type_ = kTypeEntry;
  } else if (type == kTypeText) {
    copy.type_ = kTypeText;
    if (other.data_.text != nullptr) {
      copy.data_.text = DupFixed(other.data_.text);
      if (copy.data_.text == nullptr) copy.type_ = kTypeNone;
      else copy.length_ = static_cast<uint32_t>(std::strlen(copy.data_.text) + 1);
    }
  } else if (HoldsBytes(type)) {
    copy.type_ = type;
    if (other.data_.bytes != nullptr && other.length_ > 0) {
      copy.data_.bytes = CopyBytes(other.data_.bytes, other.length_);
      if (copy.data_.bytes == nullptr) copy.type_ = kTypeNone;
      else copy.length_ = other.length_;
    }
  } else {
    // Numbers and handles: by value, with the length as it stands.
    copy.type_ = type;
    copy.length_ = other.length_;
    copy.data_ = other.data_;
  }
  Clear();
  Swap(copy);
}

void TagValue::Swap(TagValue& other) {
  std::swap(type_, other.type_);
  std::swap(tag_, other.tag_);
  std::swap(length_, other.length_);
  std::swap(data_, other.data_);
}

void TagValue::SetBlobSize(uint32_t n) {
  SetType(kTypeBlob);
  if (n == 0) return;
  data_.bytes = static_cast<uint8_t*>(AllocFixed(n));
  if (data_.bytes == nullptr) {
    Reset();
    return;
  }
  std::memset(data_.bytes, 0, n);
  length_ = n;
}

void TagValue::SetBlob(const void* bytes, uint32_t n) {
  uint8_t* copy = nullptr;
  if (bytes != nullptr && n > 0) {
    copy = CopyBytes(bytes, n);  // before SetType: bytes may be our own
    if (copy == nullptr) {
      Reset();
      return;
    }
  }
  SetType(kTypeBlob);
  data_.bytes = copy;
  length_ = copy != nullptr ? n : 0;
}

void TagValue::SetTextValue(const char* text) {
  char* copy = nullptr;
  if (text != nullptr) {
    copy = DupFixed(text);  // before SetType: text may be our own
    if (copy == nullptr) {
      Reset();
      return;
    }
  }
  SetType(kTypeText);
  data_.text = copy;
  length_ = copy != nullptr ? static_cast<uint32_t>(std::strlen(copy) + 1) : 0;
}

void TagValue::SetU8Value(uint8_t value) {
  SetType(kTypeU8);
  data_.u8 = value;
}

void TagValue::SetU32Value(uint32_t value) {
  SetType(kTypeU32);
  data_.u32 = value;
}

void TagValue::SetDoubleValue(double value) {
  SetType(kTypeDouble);
  data_.d = value;
}

void TagValue::SetHandle(void* pointer, uint32_t length) {
  SetType(kTypeHandle);
  data_.pointer = pointer;
  length_ = length;
}

const uint8_t* TagValue::GetBytes() const { return HoldsBytes(type_) ? data_.bytes : nullptr; }

uint8_t* TagValue::GetBytes() { return HoldsBytes(type_) ? data_.bytes : nullptr; }

int32_t TagValue::Compare(const TagValue& a, const TagValue& b) {
  if (a.type_ != b.type_) return static_cast<int32_t>(a.type_) - static_cast<int32_t>(b.type_);
  switch (a.type_) {
    case kTypeU8:
      return static_cast<int32_t>(a.data_.u8) - static_cast<int32_t>(b.data_.u8);
    case kTypeU16:
      return static_cast<int32_t>(a.data_.u16) - static_cast<int32_t>(b.data_.u16);
    case kTypeU32:
      return static_cast<int32_t>(a.data_.u32 - b.data_.u32);
    case kTypeI32:
      return static_cast<int32_t>(static_cast<uint32_t>(a.data_.i32) -
                                  static_cast<uint32_t>(b.data_.i32));
    case kTypeDouble:
      return a.data_.d < b.data_.d ? -1 : (a.data_.d > b.data_.d ? 1 : 0);
    case kTypeHandle:
      return a.data_.pointer == b.data_.pointer ? 0 : 1;
    case kTypeText:
      return std::strcmp(a.data_.text != nullptr ? a.data_.text : "",
                         b.data_.text != nullptr ? b.data_.text : "");
    case kTypeBlob:
      if (a.length_ != b.length_) return static_cast<int32_t>(a.length_ - b.length_);
      return a.length_ == 0 ? 0 : std::memcmp(a.data_.bytes, b.data_.bytes, a.length_);
    case kTypeList: {
      a.Validate();
      b.Validate();
      const TagValueArray& x = *a.data_.list;
      const TagValueArray& y = *b.data_.list;
      if (x.GetCount() != y.GetCount()) return y.GetCount() - x.GetCount();
      for (int32_t i = 0; i < x.GetCount(); ++i) {
        if (Compare(x[i], y[i]) != 0) return -1;
      }
      return 0;
    }
    default:
      return 0;
  }
}

void TagValue::ToText(String& out, bool hex) const {
  out = "";
  if (hex) {
    if (type_ == kTypeNone || type_ == kTypeList || type_ == kTypeEntry || length_ == 0) return;
    uint8_t number[8];
    const uint8_t* bytes = nullptr;
    size_t n = length_;
    if (IsInlineNumber(type_)) {
      uint64_t value = type_ == kTypeU8 ? data_.u8
                       : type_ == kTypeU16 ? data_.u16
                       : type_ == kTypeU32 ? data_.u32
                       : type_ == kTypeI32 ? static_cast<uint32_t>(data_.i32)
                                          : data_.raw;
      for (int i = 0; i < 8; ++i) number[i] = static_cast<uint8_t>(value >> (8 * i));
      bytes = number;
      if (n > sizeof number) n = sizeof number;
    } else if (type_ == kTypeText) {
      bytes = reinterpret_cast<const uint8_t*>(data_.text);
      if (bytes != nullptr && n > std::strlen(data_.text) + 1) n = std::strlen(data_.text) + 1;
    } else {
      bytes = static_cast<const uint8_t*>(data_.pointer);  // handle or owned bytes
    }
    if (bytes == nullptr) return;
    char* buffer = out.GetBuffer(static_cast<int32_t>(n * 3));
    if (buffer == nullptr) return;
    char* end = buffer;
    AppendHex(end, bytes, n);
    *end = '\0';
    out.ReleaseBuffer();
    return;
  }
  switch (type_) {
    case kTypeU8:
    case kTypeU16:
    case kTypeU32:
      String::Format(out, "%lu", static_cast<unsigned long>(type_ == kTypeU8    ? data_.u8
                                                            : type_ == kTypeU16 ? data_.u16
                                                                               : data_.u32));
      break;
    case kTypeI32:
      String::Format(out, "%li", static_cast<long>(data_.i32));
      break;
    case kTypeDouble:
      String::Format(out, "%.10g", data_.d);
      if (out.GetLength() > 0 && out.GetAt(out.GetLength() - 1) == '.') out += "0";
      break;
    case kTypeText:
      out = data_.text;
      break;
    case kTypeNone:
    case kTypeList:
    case kTypeHandle:
    case kTypeEntry:
      break;
    default:
      if (data_.bytes != nullptr) {
        const void* nul = std::memchr(data_.bytes, 0, length_);
        size_t n = nul != nullptr ? static_cast<const uint8_t*>(nul) - data_.bytes : length_;
        AssignBytes(out, data_.bytes, n);
      }
      break;
  }
}

Result TagValue::Serialize(Stream& stream) {
  if (stream.IsReading()) {
    ReadFrom(stream);
  } else if (stream.GetError() == kOk) {
    uint32_t length = 0;
    switch (type_) {
      case kTypeNone:
      case kTypeHandle:
        break;
      case kTypeU8:
        length = 1;
        break;
      case kTypeU16:
        length = 2;
        break;
      case kTypeU32:
      case kTypeI32:
        length = 4;
        break;
      case kTypeDouble:
        length = 8;
        break;
      case kTypeText:
      case kTypeList: {
        Stream counter;
        counter.Open(Stream::kWriting, stream.GetContext());
        WritePayload(counter);
        length = counter.GetCount();
        break;
      }
      case kTypeEntry:
        length = data_.entry->ComputeSize(stream);
        break;
      default:
        length = data_.bytes != nullptr ? length_ : 0;
        break;
    }
    stream.WriteU16(type_);
    stream.WriteU16(tag_);
    stream.WriteU32(length);
    WritePayload(stream);
  }
  return stream.GetError();
}

void TagValue::WritePayload(Stream& stream) {
  switch (type_) {
    case kTypeNone:
    case kTypeHandle:
      break;
    case kTypeU8:
      stream.WriteU8(data_.u8);
      break;
    case kTypeU16:
      stream.WriteU16(data_.u16);
      break;
    case kTypeU32:
      stream.WriteU32(data_.u32);
      break;
    case kTypeI32:
      stream.WriteU32(static_cast<uint32_t>(data_.i32));
      break;
    case kTypeDouble:
      stream.WriteDouble(data_.d);
      break;
    case kTypeText:
      stream.WriteString(data_.text);
      break;
    case kTypeList: {
      Validate();
      TagValueArray& list = *data_.list;
      stream.WriteU32(static_cast<uint32_t>(list.GetCount()));
      for (int32_t i = 0; i < list.GetCount() && stream.GetError() == kOk; ++i) {
        list[i].Serialize(stream);
      }
      break;
    }
    case kTypeEntry:
      data_.entry->Serialize(stream);
      break;
    default:
      if (data_.bytes != nullptr && length_ > 0) stream.Write(data_.bytes, length_);
      break;
  }
}

void TagValue::ReadFrom(Stream& stream) {
  BudgetScope budget(stream);
  Clear();
  uint16_t type = 0;
  if (stream.ReadU16(type) != kOk) return;
  SetType(type);
  stream.ReadU16(tag_);
  stream.ReadU32(length_);
  if (stream.GetError() != kOk) return;
  if (type_ != type) {
    // No entry factory is registered, or the list or entry could not be
    // allocated.
    bool refused = type == kTypeEntry && GetTagEntryFactory() == nullptr;
    stream.RecordError(refused ? kMalformedRecord : kOutOfMemory);
    return;
  }
  switch (type_) {
    case kTypeNone:
    case kTypeHandle:
      break;
    case kTypeU8:
      stream.ReadU8(data_.u8);
      break;
    case kTypeU16:
      stream.ReadU16(data_.u16);
      break;
    case kTypeU32:
      stream.ReadU32(data_.u32);
      break;
    case kTypeI32: {
      uint32_t bits = 0;
      stream.ReadU32(bits);
      data_.i32 = static_cast<int32_t>(bits);
      break;
    }
    case kTypeDouble:
      stream.ReadDouble(data_.d);
      break;
    case kTypeText: {
      String text;
      if (stream.ReadString(text) != kOk) break;
      if (!Charge(stream, static_cast<uint64_t>(text.GetLength()) + 1)) break;
      data_.text = DupFixed(text.c_str() != nullptr ? text.c_str() : "");
      if (data_.text == nullptr) Reset();
      else length_ = static_cast<uint32_t>(text.GetLength()) + 1;
      break;
    }
    case kTypeList:
      ReadList(stream);
      break;
    case kTypeEntry:
      if (Charge(stream, kEntryCharge)) data_.entry->Serialize(stream);
      break;
    default: {
      uint32_t n = length_;
      if (n > kMaxBlobLength) {
        stream.RecordError(kMalformedRecord);
        break;
      }
      ReadBlob(stream, n);
      break;
    }
  }
}

void TagValue::ReadBlob(Stream& stream, uint32_t n) {
  // Storage grows with the bytes that actually arrive, doubling from 1 MiB,
  // so a length claimed by hostile input costs memory only for the bytes
  // present.
  constexpr uint32_t kFirstPiece = 1u << 20;
  SetType(kTypeBlob);
  if (n == 0) {
    Reset();
    return;
  }
  uint32_t have = 0;
  while (have < n) {
    uint32_t piece = have == 0 ? kFirstPiece : have;
    if (piece > n - have) piece = n - have;
    if (!Charge(stream, piece)) {
      Reset();
      return;
    }
    auto* grown = static_cast<uint8_t*>(AllocFixed(static_cast<size_t>(have) + piece));
    if (grown == nullptr) {
      Reset();
      stream.RecordError(kOutOfMemory);
      return;
    }
    if (have > 0) std::memcpy(grown, data_.bytes, have);
    ReleaseBytes(data_.bytes, have);
    data_.bytes = grown;
    length_ = have + piece;
    if (stream.Read(grown + have, piece) != kOk) {
      Reset();
      return;
    }
    have += piece;
  }
}

void TagValue::ReadList(Stream& stream) {
  ReadDepthGuard depth;
  if (depth.TooDeep()) {
    stream.RecordError(kMalformedRecord);
    return;
  }
  uint32_t count = 0;
  if (stream.ReadU32(count) != kOk) return;
  // The list's length field is not checked against its members (other
  // writers may fill it differently): the count is trusted only as far as
  // members actually arrive, and their memory is charged as they do.
  if (count > kMaxListCount) {
    stream.RecordError(kMalformedRecord);
    return;
  }
  // Slots are added as members arrive, doubling from a small start, so the
  // memory taken stays proportional to the bytes actually read. An entry
  // whose file is written already is not kept when the context says so: its
  // slot takes the next member and its memory goes back to the budget.
  const StreamContext* context = stream.GetContext();
  const bool drop_entries = context != nullptr && context->drop_entries != 0;
  constexpr uint32_t kFirstSlots = 1024;
  TagValueArray& list = *data_.list;
  int32_t kept = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (kept == list.GetCount()) {
      uint32_t remaining = count - i;
      uint32_t step = kept == 0 ? kFirstSlots : static_cast<uint32_t>(kept);
      if (step > remaining) step = remaining;
      if (!Charge(stream, static_cast<uint64_t>(step) * sizeof(TagValue))) return;
      if (!list.SetSize(kept + static_cast<int32_t>(step))) {
        stream.RecordError(kOutOfMemory);
        return;
      }
    }
    TagValue& member = list[kept];
    const uint64_t before = t_budget.used;
    if (member.Serialize(stream) != kOk) return;
    if (member.GetType() == kTypeEntry && context != nullptr && context->entry_read != nullptr &&
        stream.RecordError(context->entry_read(member, context->entry_read_user)) != kOk) {
      return;
    }
    if (drop_entries && member.GetType() == kTypeEntry) {
      member.Reset();
      t_budget.used = before;
      continue;
    }
    ++kept;
  }
  if (kept != list.GetCount()) list.SetSize(kept);
}

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
