#include "base/string.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/memory.h"

namespace mv {
namespace {

TEST(String, DefaultHasNoBufferButComparesAsEmpty) {
  String s;
  EXPECT_EQ(s.c_str(), nullptr);
  EXPECT_TRUE(s == "");
  EXPECT_EQ(s.GetAt(0), '\0');
  EXPECT_STREQ(String(static_cast<const char*>(nullptr)).c_str(), "");
  EXPECT_EQ(String('x', -2).GetLength(), 0);
}

TEST(String, OutOfRangeAccessAndSearches) {
  String s("abcdef");
  struct Case {
    const char* what;
    int32_t got;
    int32_t expected;
  } cases[] = {
      {"GetAt(-1)", s.GetAt(-1), 0},
      {"GetAt(length)", s.GetAt(6), 0},
      {"Find(ch, length)", s.Find('a', 6), -1},
      {"Find(ch, -1)", s.Find('a', -1), -1},
      {"Find(text too long)", String("ab").Find("abc", 0), -1},
      {"Find(text, start past it)", s.Find("cd", 3), -1},
      {"Find(null text)", s.Find(static_cast<const char*>(nullptr), 0), -1},
      {"Find on no buffer", String().Find("", 0), -1},
      {"FindLast on no buffer", String().FindLast('a'), -1},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
}

TEST(String, Extraction) {
  String s("abcdef");
  struct Case {
    const char* what;
    String got;
    const char* expected;
  } cases[] = {
      {"Mid(2, 10) runs past the end", s.Mid(2, 10), "abcdef"},
      {"Mid(6, 1) starts at the end", s.Mid(6, 1), "abcdef"},
      {"Mid(-3, 2)", s.Mid(-3, 2), "ab"},
      {"Mid(4, 2) ends at the end", s.Mid(4, 2), "ef"},
      {"Left(-1)", s.Left(-1), ""},
      {"Left(10)", s.Left(10), "abcdef"},
      {"Right(10)", String("abc").Right(10), "abc"},
  };
  for (const Case& c : cases) EXPECT_STREQ(c.got.c_str(), c.expected) << c.what;
  EXPECT_STREQ(s.c_str(), "abcdef");
}

TEST(String, ModificationAndComparison) {
  String upper("ABC\xC4z");
  upper.MakeLower();
  EXPECT_STREQ(upper.c_str(), "abc\xC4z");  // bytes of 128 and above stay
  EXPECT_EQ(String("ABC").CompareNoCase("abc"), 0);
  EXPECT_LT(String("abc").CompareNoCase("ABD"), 0);
  EXPECT_LT(String::Compare(String("B"), String("a")), 0);  // byte order, case matters

  struct Case {
    const char* input;
    const char* from;
    const char* to;
    const char* expected;
  } cases[] = {
      {"aaa", "a", "aa", "aaaaaa"},
      {"a\n\nb\n", "\n", "\r\n", "a\r\n\r\nb\r\n"},
      {"abc", "", "x", "abc"},
      {"abcabc", "bc", "", "aa"},
      {"", "a", "b", ""},
  };
  for (const Case& c : cases) {
    String s(c.input);
    String copy = s.Replace(c.from, c.to);
    EXPECT_STREQ(s.c_str(), c.expected) << c.input << " " << c.from;
    EXPECT_STREQ(copy.c_str(), c.expected);
  }
}

TEST(String, ConcatenationAndAliasing) {
  String s("ab");
  s += s;
  EXPECT_STREQ(s.c_str(), "abab");
  s += 'c';
  s += "";
  s += static_cast<const char*>(nullptr);
  EXPECT_STREQ(s.c_str(), "ababc");
  s = s.c_str() + 2;  // assigning a tail of its own buffer
  EXPECT_STREQ(s.c_str(), "abc");
  EXPECT_STREQ(("x" + s + "y").c_str(), "xabcy");
  String empty;
  empty += "z";
  EXPECT_STREQ(empty.c_str(), "z");
}

TEST(String, FormatAndBuffers) {
  String out;
  String::Format(out, "%s=%i", "code", 711);
  EXPECT_STREQ(out.c_str(), "code=711");
  // Output beyond the work buffer is cut, never overrun.
  std::string huge(70000, 'q');
  String::Format(out, "%s", huge.c_str());
  EXPECT_EQ(out.GetLength(), 65535);

  String b("hello");
  char* p = b.GetBuffer(3);
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p, "hel");
  std::strcpy(p, "hi");
  b.ReleaseBuffer();
  EXPECT_EQ(b.GetLength(), 2);
  EXPECT_STREQ(b.c_str(), "hi");
}

// Every byte handed back to the allocator must be zero. The hook sees each
// buffer just before it is freed, while it is still valid memory.
std::vector<std::string>* g_released = nullptr;

void RecordRelease(const void* p, size_t n) {
  if (g_released != nullptr && n > 0) g_released->emplace_back(static_cast<const char*>(p), n);
}

TEST(String, ReleasedBuffersHoldOnlyZeros) {
  std::vector<std::string> released;
  g_released = &released;
  SetReleaseHookForTesting(&RecordRelease);
  {
    String password("secret!");
    String copy(password);
    copy = "other!!";         // releases the copy of the secret
    password.Replace("s", "S");  // releases the old buffer
  }
  SetReleaseHookForTesting(nullptr);
  g_released = nullptr;
  ASSERT_GE(released.size(), 4u);
  size_t secret_sized = 0;
  for (const std::string& bytes : released) {
    EXPECT_EQ(bytes, std::string(bytes.size(), '\0'));
    if (bytes.size() == 8) ++secret_sized;  // "secret!" and its terminator
  }
  EXPECT_GE(secret_sized, 3u);
}

TEST(StringArray, SetAtGrowsAndSortOrdersBytesOrIgnoresCase) {
  StringArray a;
  a.Add(String("pear"));
  ASSERT_TRUE(a.SetAt(5, String("apple")));
  EXPECT_EQ(a.GetCount(), 6);
  ASSERT_NE(a[3].c_str(), nullptr);
  a.SetAt(1, String("Banana"));
  a.SetAt(2, String("cherry"));
  a.Sort();
  std::vector<std::string> sorted;
  for (int32_t i = 0; i < a.GetCount(); ++i) sorted.push_back(a[i].c_str());
  EXPECT_EQ(sorted, (std::vector<std::string>{"", "", "Banana", "apple", "cherry", "pear"}));
  a.Sort(true);
  EXPECT_STREQ(a[2].c_str(), "apple");
  EXPECT_STREQ(a[3].c_str(), "Banana");
}

}  // namespace
}  // namespace mv
