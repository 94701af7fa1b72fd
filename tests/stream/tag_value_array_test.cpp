// Growth and quicksort of the member array.
#include "stream/tag_value_array.h"

#include <gtest/gtest.h>

#include <vector>

namespace mv {
namespace {

TEST(TagValueArrayTest, GrowingKeepsMembersEvenWhenAddingItsOwn) {
  TagValueArray array;
  TagValue text;
  text.SetTextValue("kept");
  for (int i = 0; i < 100; ++i) ASSERT_EQ(array.Add(text), i);
  EXPECT_EQ(array.Add(array[0]), 100) << "adding its own member";
  EXPECT_STREQ(array[100].GetTextValue(), "kept");
  ASSERT_TRUE(array.SetSize(20001));
  EXPECT_STREQ(array.GetAt(57).GetTextValue(), "kept");
  EXPECT_EQ(array[20000].GetType(), TypeNone);
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
