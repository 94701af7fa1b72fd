// Values in memory and their byte encoding, lookups and replacement in
// records, and growth and quicksort of the member array.
#include "stream/tag_value.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "stream/tag_record.h"
#include "tests/stream/record_bytes.h"
#include "tests/support/sample_data.h"

namespace mv {
namespace {

using Bytes = std::vector<uint8_t>;
using test::Decode;
using test::Encode;

TEST(TagValueTest, EncodingOfEveryType) {
  int32_t handle_target = 5;
  struct Case {
    const char* name;
    void (*make)(TagValue&, void*);
    Bytes encoded;
  } cases[] = {
      {"none", [](TagValue& v, void*) { v.SetTag(3); }, {0, 0, 3, 0, 0, 0, 0, 0}},
      {"u32", [](TagValue& v, void*) { v.SetU32Value(0x01020304); },
       {40, 0, 0, 0, 4, 0, 0, 0, 4, 3, 2, 1}},
      {"double", [](TagValue& v, void*) { v.SetDoubleValue(-2.0); },
       {80, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0}},
      {"handle is never stored", [](TagValue& v, void* p) { v.SetHandle(p, 4); },
       {100, 0, 0, 0, 0, 0, 0, 0}},
      {"text", [](TagValue& v, void*) { v.SetTextValue("ab"); },
       {110, 0, 0, 0, 3, 0, 0, 0, 2, 'a', 'b'}},
      {"blob", [](TagValue& v, void*) { v.SetBlob("xyz", 3); },
       {1, 0, 0, 0, 3, 0, 0, 0, 'x', 'y', 'z'}},
      // A record with tag 0 holding one member set by SetU8(21, 1).
      {"record", [](TagValue& v, void*) {
         TagRecord r;
         r.SetU8(21, 1, false);
         v.Assign(r);
       },
       {2, 0, 0, 0, 13, 0, 0, 0, 1, 0, 0, 0, 10, 0, 21, 0, 1, 0, 0, 0, 1}},
  };
  for (const Case& c : cases) {
    TagValue value;
    c.make(value, &handle_target);
    EXPECT_EQ(Encode(value), c.encoded) << c.name;
  }
}

TEST(TagValueTest, LongTextMemberLengthCountsItsFiveBytePrefix) {
  TagRecord record;
  record.SetText(4, std::string(300, 'q').c_str(), false);
  Bytes bytes = Encode(record);
  ASSERT_EQ(bytes.size(), 8u + 4 + 8 + 305);
  EXPECT_EQ(bytes[16] | bytes[17] << 8, 305);
  EXPECT_EQ(bytes[4] | bytes[5] << 8, 4 + 8 + 305) << "the record's length";
}

TEST(TagValueTest, UnknownTypesAndNullTextsReadBackAsBlobAndEmptyText) {
  TagValue value;
  ASSERT_EQ(Decode({55, 0, 6, 0, 3, 0, 0, 0, 'a', 'b', 'c'}, value), kOk);
  EXPECT_EQ(value.GetType(), kTypeBlob);
  EXPECT_EQ(value.GetTag(), 6);
  EXPECT_EQ(test::BytesOf(value), (Bytes{'a', 'b', 'c'}));

  value.SetTextValue(nullptr);
  TagValue back;
  ASSERT_EQ(Decode(Encode(value), back), kOk);
  ASSERT_NE(back.GetTextValue(), nullptr);
  EXPECT_STREQ(back.GetTextValue(), "");
}

TEST(TagValueTest, AssignIsDeepAndKeepsTheSourceIntact) {
  TagRecord source;
  source.SetText(1, "text", false);
  source.SetTag(42);
  TagValue copy(source);
  source.SetText(1, "changed", true);
  ASSERT_EQ(copy.GetList()->GetCount(), 1);
  EXPECT_STREQ((*copy.GetList())[0].GetTextValue(), "text");
  // Assigning a member of the value's own list over the value.
  copy.Assign((*copy.GetList())[0]);
  EXPECT_EQ(copy.GetType(), kTypeText);
  copy.SetTextValue(copy.GetTextValue());
  EXPECT_STREQ(copy.GetTextValue(), "text");
}

TEST(TagRecordTest, DuplicateTagsAppendAndTheFirstWins) {
  TagRecord record;
  TagValue v, w, x;
  v.SetU32Value(1);
  w.SetU32Value(2);
  x.SetU32Value(3);
  record.Set(7, v, false);
  record.Set(7, w, false);
  EXPECT_EQ(record.GetU32(7, 0), 1u);
  record.Set(7, x, true);
  EXPECT_EQ(record.GetU32(7, 0), 3u) << "replace hits the first";
  EXPECT_EQ(record.Member(1).GetU32Value(), 2u) << "and only the first";
  record.Set(8, x, true);
  EXPECT_EQ(record.Find(8), 2) << "replace without a match appends";
}

TEST(TagRecordTest, ARecordReadAsAnotherTypeBecomesAListAgainOnSet) {
  TagRecord record;
  ASSERT_EQ(test::Decode({10, 0, 0, 0, 1, 0, 0, 0, 4}, record), kOk);
  EXPECT_EQ(record.GetCount(), 0);
  EXPECT_EQ(record.Find(0), -1);
  EXPECT_EQ(record.SetU8(1, 2, true), kOk);
  EXPECT_EQ(record.GetType(), kTypeList);
  EXPECT_EQ(record.GetU8(1, 0), 2);
}

TEST(TagValueArrayTest, GrowingKeepsMembersEvenWhenAddingItsOwn) {
  TagValueArray array;
  TagValue text;
  text.SetTextValue("kept");
  for (int i = 0; i < 100; ++i) ASSERT_EQ(array.Add(text), i);
  EXPECT_EQ(array.Add(array[0]), 100) << "adding its own member";
  EXPECT_STREQ(array[100].GetTextValue(), "kept");
  ASSERT_TRUE(array.SetSize(20001));
  EXPECT_STREQ(array.GetAt(57).GetTextValue(), "kept");
  EXPECT_EQ(array[20000].GetType(), kTypeNone);
  EXPECT_FALSE(array.SetSize(-1));
}

TEST(TagValueArrayTest, SortStaysInRangeWithAnInconsistentCompareOrBadRanges) {
  TagValueArray array;
  for (int i = 0; i < 300; ++i) {
    TagValue v;
    v.SetU32Value(static_cast<uint32_t>(i * 7919 % 300));
    array.Add(v);
  }
  // Values 0, 119, 238, 57, ...: bad ranges are ignored, good ones inclusive.
  array.Sort(-1, 3);
  array.Sort(1, 300);
  EXPECT_EQ(array[3].GetU32Value(), 57u);
  array.Sort(1, 3);
  EXPECT_EQ(array[1].GetU32Value(), 57u);
  EXPECT_EQ(array[0].GetU32Value(), 0u);
  // Every pair of different values compares as "less" both ways.
  array.SetCompare([](const TagValue& a, const TagValue& b) {
    return TagValue::Compare(a, b) == 0 ? 0 : -1;
  });
  array.Sort();
  EXPECT_EQ(array.GetCount(), 300);
}

}  // namespace
}  // namespace mv
