// The text tables of every language against the lists they serve: every text
// and every result code has its words in each language, with the same
// placeholders, and no result number is taken twice by accident.
#include "base/text_catalogue.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace mv {
namespace {

constexpr TextId kAllTexts[] = {
#define MV_TEXT_ID_ENTRY(name, number) TextId::name,
    MV_TEXT_IDS(MV_TEXT_ID_ENTRY)
#undef MV_TEXT_ID_ENTRY
};

const char* NameOf(Language language) { return language == Language::kGerman ? "German" : "English"; }

// The printf conversions of a text, in order ("%s", "%i", "%1$s"; "%%" is
// not one): a translation that drops or swaps one prints garbage.
std::vector<std::string> Placeholders(const std::string& text) {
  std::vector<std::string> found;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') continue;
    if (i + 1 < text.size() && text[i + 1] == '%') {
      ++i;
      continue;
    }
    size_t end = i + 1;
    while (end < text.size() && std::string("0123456789$.-l").find(text[end]) != std::string::npos) ++end;
    found.push_back(text.substr(i, end - i + 1));
    i = end;
  }
  return found;
}

TEST(TextCatalogue, EveryTextInEveryLanguageWithTheSamePlaceholders) {
  for (const TextId id : kAllTexts) {
    const std::string english = TextOf(id, Language::kEnglish);
    for (const Language language : kAllLanguages) {
      const std::string text = TextOf(id, language);
      const auto number = static_cast<uint32_t>(id);
      if (id == TextId::kNone) {
        EXPECT_EQ(text, "");
        continue;
      }
      EXPECT_FALSE(text.empty()) << "text " << number << " in " << NameOf(language);
      EXPECT_EQ(Placeholders(text), Placeholders(english)) << "text " << number << " in " << NameOf(language);
    }
  }
}

TEST(TextCatalogue, TextNumbersAreUnique) {
  std::set<uint32_t> numbers;
  for (const TextId id : kAllTexts) EXPECT_TRUE(numbers.insert(static_cast<uint32_t>(id)).second);
}

TEST(ResultRegistry, EveryCodeHasItsTextsAndAnOwnNumberUnlessSaidOtherwise) {
  std::map<Result, const ResultInfo*> first_with;
  for (const ResultInfo& info : AllResults()) {
    for (const Language language : kAllLanguages) {
      const std::string text = ResultTextOf(info.id, language);
      EXPECT_FALSE(text.empty()) << info.name << " in " << NameOf(language);
      EXPECT_TRUE(Placeholders(text).empty()) << info.name << ": a description is shown as it is";
      if (info.dialog_text != TextId::kNone) {
        EXPECT_FALSE(std::string(TextOf(info.dialog_text, language)).empty()) << info.name;
      }
    }
    const bool shared = (info.properties & result_property::kSecondMeaning) != 0;
    const auto earlier = first_with.find(info.code);
    if (earlier == first_with.end()) {
      EXPECT_FALSE(shared) << info.name << " says it shares a number no earlier code has";
      first_with[info.code] = &info;
    } else {
      EXPECT_TRUE(shared) << info.name << " takes " << info.code << " from " << earlier->second->name;
    }
  }
}

TEST(ResultRegistry, NumbersAndTheirDescriptions) {
  struct Case {
    Result code;
    Language language;
    const char* text;
  } cases[] = {
      {kOk, Language::kEnglish, "success"},
      {kWrongPassword, Language::kEnglish, "wrong password"},
      {kWrongPassword, Language::kGerman, "falsches Passwort"},
      // A shared number is described by the code that came first.
      {kNoPayload, Language::kEnglish, "the operation failed"},
      {kNoTerminal, Language::kEnglish, "the program to start does not exist"},
      {999, Language::kEnglish, "error"},
      {999, Language::kGerman, "Fehler"},
  };
  for (const Case& c : cases) EXPECT_STREQ(DescribeResult(c.code, c.language), c.text) << c.code;
  ASSERT_NE(FindResult(kNoTerminal), nullptr);
  EXPECT_EQ(FindResult(999), nullptr);
}

TEST(ResultRegistry, PropertiesOfTheCodesThatHaveThem) {
  using namespace result_property;
  struct Case {
    Result code;
    uint32_t property;
    bool has;
  } cases[] = {
      {kDiskFull, kFileProblem, true},     {kDiskFull, kOutweighs, true},     {kLinkInTarget, kOutweighsAll, true},
      {kShortWrite, kFileProblem, true},   {kWrongPassword, kFileProblem, false}, {kOk, kOutweighs, false},
      {kNoHiddenData, kFileProblem, false},
  };
  for (const Case& c : cases) EXPECT_EQ(HasResultProperty(c.code, c.property), c.has) << c.code << "/" << c.property;
}

}  // namespace
}  // namespace mv
