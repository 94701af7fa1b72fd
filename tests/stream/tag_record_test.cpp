// Lookups by tag, replacement and typed getters of records.
#include "stream/tag_record.h"

#include <gtest/gtest.h>

#include "tests/stream/record_bytes.h"

namespace mv {
namespace {

TEST(TagRecordTest, DuplicateTagsAppendAndTheFirstWins) {
  TagRecord record;
  TagValue v, w, x;
  v.SetU32Value(1);
  w.SetU32Value(2);
  x.SetU32Value(3);
  record.Set(7, v, false);
  record.Set(7, w, false);
  EXPECT_EQ(record.GetCount(), 2);
  EXPECT_EQ(record.GetU32(7, 0), 1u);
  record.Set(7, x, true);
  EXPECT_EQ(record.GetCount(), 2);
  EXPECT_EQ(record.GetU32(7, 0), 3u) << "replace hits the first";
  EXPECT_EQ(record.Member(1).GetU32Value(), 2u) << "and only the first";
  record.Set(8, x, true);
  EXPECT_EQ(record.Find(8), 2) << "replace without a match appends";
}

TEST(TagRecordTest, GettersGiveTheDefaultForMissingOrOtherTypes) {
  TagRecord record;
  record.SetU8(1, 5, false);
  TagValue i32;
  i32.SetI32Value(9);
  record.Set(2, i32, false);
  record.SetText(4, nullptr, false);
  TagRecord inner;
  inner.SetU8(1, 1, false);
  record.Set(300, inner, false);

  EXPECT_EQ(record.GetU32(1, 99), 99u) << "u8 is not converted";
  EXPECT_EQ(record.GetU32(2, 99), 99u) << "i32 is not converted";
  EXPECT_EQ(record.GetU8(50, 7), 7);
  String text;
  record.GetText(text, 4, "x");
  EXPECT_TRUE(text.Equals("")) << "a text member without text";
  record.GetText(text, 1, "default");
  EXPECT_TRUE(text.Equals("default"));
  record.GetText(text, 1, nullptr);
  EXPECT_TRUE(text.IsEmpty());

  TagValue out;
  out.SetU8Value(3);
  record.Get(out, 50);
  EXPECT_EQ(out.GetType(), TypeNone);
  EXPECT_EQ(out.GetTag(), 50);

  TagRecord list;
  record.GetRecord(list, 300);
  EXPECT_EQ(list.GetU8(1, 0), 1);
  record.GetRecord(list, 1);  // not a list: an empty record
  EXPECT_EQ(list.GetType(), TypeList);
  EXPECT_EQ(list.GetCount(), 0);
}

TEST(TagRecordTest, ARecordReadAsAnotherTypeBecomesAListAgainOnSet) {
  TagRecord record;
  ASSERT_EQ(test::Decode({10, 0, 0, 0, 1, 0, 0, 0, 4}, record), kOk);
  EXPECT_EQ(record.GetType(), TypeU8);
  EXPECT_EQ(record.GetCount(), 0);
  EXPECT_EQ(record.Find(0), -1);
  EXPECT_EQ(record.SetU8(1, 2, true), kOk);
  EXPECT_EQ(record.GetType(), TypeList);
  EXPECT_EQ(record.GetU8(1, 0), 2);
  record.SetTag(5);
  record.Reset();
  EXPECT_EQ(record.GetCount(), 0);
  EXPECT_EQ(record.GetTag(), 0);
}

TEST(TagRecordTest, SortOrdersMembers) {
  TagRecord record;
  for (uint8_t n : {5, 3, 9, 1, 7}) record.SetU8(n, n, false);
  record.SetText(0, "text", false);
  record.Sort();
  uint8_t previous = 0;
  for (int32_t i = 0; i < 5; ++i) {
    EXPECT_GT(record.Member(i).GetU8Value(), previous);
    previous = record.Member(i).GetU8Value();
    EXPECT_EQ(record.Member(i).GetTag(), previous) << "tags travel with their values";
  }
  EXPECT_EQ(record.Member(5).GetType(), TypeText) << "by type code first";
}

}  // namespace
}  // namespace mv
