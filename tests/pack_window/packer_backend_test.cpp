#include "pack_window/packer_backend.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "container/package_reader.h"
#include "tests/support/temp_folder.h"
#include "tools/executable_image.h"
#include "tools/pack_commands.h"

namespace mv::pack_window {
namespace {

using tools::Bytes;
using tools::WriteWholeFile;

ui::PackerChoices Choices(const std::vector<std::string>& items, ui::PackageChoice kind, int compression,
                          bool classic, const std::string& out) {
  ui::PackerChoices choices;
  choices.items = items;
  choices.kind = kind;
  choices.compression = compression;
  choices.classic = classic;
  choices.out = out;
  return choices;
}

TEST(PackerBackend, TurnsTheWindowsChoicesIntoThePackersArguments) {
  struct Case {
    const char* name;
    ui::PackerChoices choices;
    std::vector<std::string> expected;
  } cases[] = {
      {"Windows, best",
       Choices({"C:/a", "--b"}, ui::PackageChoice::kWindowsSelfExtractor, 1, false, "C:/x.exe"),
       {"sfx", "C:/x.exe", "--system", "windows", "--compression", "1", "--force", "--", "C:/a", "--b"}},
      {"Linux, fast, classic",
       Choices({"a"}, ui::PackageChoice::kLinuxSelfExtractor, 2, true, "x"),
       {"sfx", "x", "--system", "linux", "--compression", "2", "--force", "--classic", "--", "a"}},
      {"container, stored",
       Choices({"a"}, ui::PackageChoice::kContainer, 0, false, "x.mef"),
       {"create", "x.mef", "--compression", "0", "--force", "--", "a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PackArguments(c.choices), c.expected);
  }
}

TEST(PackerBackend, NamesThePictureOfASelfExtractorOnly) {
  ui::PackerChoices choices = Choices({"a"}, ui::PackageChoice::kLinuxSelfExtractor, 1, false, "x");
  choices.picture = "C:/logo.bmp";
  EXPECT_EQ(PackArguments(choices), (std::vector<std::string>{"sfx", "x", "--system", "linux", "--compression", "1",
                                                               "--force", "--bitmap", "C:/logo.bmp", "--", "a"}));
  choices.kind = ui::PackageChoice::kContainer;
  EXPECT_EQ(PackArguments(choices),
            (std::vector<std::string>{"create", "x", "--compression", "1", "--force", "--", "a"}));
}

TEST(PackerBackend, HandsTheTypedTextsOnInMemory) {
  ui::PackerChoices choices = Choices({"a"}, ui::PackageChoice::kWindowsSelfExtractor, 1, false, "x");
  choices.description = "Zahlen";
  choices.disclaimer = "Vertraulich";
  choices.message = "Hallo";
  // An empty text is no option at all.
  EXPECT_EQ(GivenTexts(choices), (std::map<std::string, String>{
                                     {"description", String("Zahlen")},
                                     {"disclaimer", String("Vertraulich")},
                                     {"message-file", String("Hallo")}}));
  // A container file has no layout: only the e-mail text goes with it.
  choices.kind = ui::PackageChoice::kContainer;
  choices.link = "www.morvalis.example";
  EXPECT_EQ(GivenTexts(choices), (std::map<std::string, String>{{"message-file", String("Hallo")}}));
}

class QuietReporter : public tools::PackReporter {
 public:
  void Message(const std::string& text, bool, bool) override { messages += text; }
  Result Progress(int) override { return kOk; }
  std::string messages;
};

// The window's request made with texts it holds: the container file opens
// with its e-mail text.
TEST(PackerBackend, PacksTheEmailTextTypedInTheWindow) {
  test::TempFolder temp;
  ASSERT_TRUE(WriteWholeFile(temp.Join("a.txt"), Bytes(10, 'a')));
  ui::PackerChoices choices =
      Choices({temp.Join("a.txt")}, ui::PackageChoice::kContainer, 2, false, temp.Join("out.mef"));
  choices.message = "Liebe Kollegin,\nanbei die Zahlen f\xC3\xBCr 2026.\n";
  choices.description = "not for a container file";
  const Password password("Kennwort 7");
  QuietReporter quiet;
  ASSERT_EQ(RunPackRequest(choices, password, &quiet), tools::kExitOk) << quiet.messages;
  PackageReader reader;
  ASSERT_EQ(reader.Open(String(temp.Join("work/").c_str())), kOk);
  ASSERT_EQ(reader.Decrypt(String(temp.Join("out.mef").c_str()), password, nullptr), kOk);
  String message;
  reader.GetMessageText(message);
  EXPECT_STREQ(message.c_str(), "Liebe Kollegin,\nanbei die Zahlen f\xFCr 2026.\n");
}

TEST(PackerBackend, ListsEveryNameThePackerRefusesBeforeWriting) {
  test::TempFolder temp;
  std::filesystem::create_directories(temp.Join("a"));
  std::filesystem::create_directories(temp.Join("b"));
  ASSERT_TRUE(WriteWholeFile(temp.Join("a/report.txt"), Bytes(1000, 'r')));
  ASSERT_TRUE(WriteWholeFile(temp.Join("b/report.txt"), Bytes(10, 'r')));

  ItemCheck fine = CheckItems({temp.Join("a")});
  EXPECT_TRUE(fine.problems.empty());
  EXPECT_EQ(fine.bytes, 1000u);

  // Two items of one name, and one that is not there: each named.
  EXPECT_EQ(CheckItems({temp.Join("a/report.txt"), temp.Join("b/report.txt")}).problems,
            std::vector<std::string>{"two inputs have the name 'report.txt'"});
  const ItemCheck missing = CheckItems({temp.Join("gone.txt")});
  ASSERT_EQ(missing.problems.size(), 1u);
  EXPECT_NE(missing.problems[0].find("gone.txt"), std::string::npos);
#ifndef _WIN32
  // Names Windows cannot store, inside a folder: one line each with its reason.
  ASSERT_TRUE(WriteWholeFile(temp.Join("a/aux.c"), Bytes(1, 'x')));
  ASSERT_TRUE(WriteWholeFile(temp.Join("a/why?"), Bytes(1, 'x')));
  const ItemCheck refused = CheckItems({temp.Join("a")});
  ASSERT_EQ(refused.problems.size(), 2u);
  std::set<std::string> lines(refused.problems.begin(), refused.problems.end());
  EXPECT_EQ(lines.count("'" + temp.Join("a/aux.c") +
                        "' is a device name on Windows (CON, PRN, AUX, NUL, COM1-9, LPT1-9, ..., with any extension)"),
            1u)
      << refused.problems[0] << "\n" << refused.problems[1];
#endif
}

TEST(PackerBackend, TellsTheRefusalsInTheWindowsLanguage) {
  test::TempFolder temp;
  std::filesystem::create_directories(temp.Join("a"));
  std::filesystem::create_directories(temp.Join("b"));
  ASSERT_TRUE(WriteWholeFile(temp.Join("a/report.txt"), Bytes(1, 'r')));
  ASSERT_TRUE(WriteWholeFile(temp.Join("b/report.txt"), Bytes(1, 'r')));
  const std::vector<std::string> twice = {temp.Join("a/report.txt"), temp.Join("b/report.txt")};
  EXPECT_EQ(CheckItems(twice, Language::kGerman).problems,
            std::vector<std::string>{"zwei Eingaben haben den Namen 'report.txt'"});
  EXPECT_EQ(CheckItems(twice, Language::kEnglish).problems,
            std::vector<std::string>{"two inputs have the name 'report.txt'"});
#ifndef _WIN32
  // A line of the list: the path, then the German reason.
  ASSERT_TRUE(WriteWholeFile(temp.Join("a/name."), Bytes(1, 'x')));
  const ItemCheck refused = CheckItems({temp.Join("a")}, Language::kGerman);
  ASSERT_EQ(refused.problems.size(), 1u);
  EXPECT_EQ(refused.problems[0].rfind("'" + temp.Join("a/name.") + "' endet auf einen Punkt oder ein Leerzeichen", 0),
            0u)
      << refused.problems[0];
#endif
}

TEST(PackerBackend, EstimatesAPasswordsStrength) {
  struct Case {
    const char* password;
    int bits;
    int strength;
  } cases[] = {
      {"", 0, 0},
      {"1234", 13, 0},
      {"aaaaaaaa", 12, 0},              // one letter again and again
      {"sommerurlaub", 45, 0},          // one case, letters
      {"Sommer2026Urlaub!", 96, 2},     // every kind of sign
      {"k7m2pq9x", 41, 0},
      {"Kennwort7", 49, 0},
      {"Kennwort7!", 60, 1},
      {"Gr\xC3\xBC\xC3\x9F" "e", 38, 0},  // beyond ASCII: each character counts once
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.password);
    EXPECT_EQ(PasswordBits(String(c.password)), c.bits);
    EXPECT_EQ(PasswordStrength(PasswordBits(String(c.password))), c.strength);
  }
}

TEST(PackerBackend, ProposesDifferentStrongPassphrases) {
  const String first = ProposePassphrase();
  const String second = ProposePassphrase();
  ASSERT_EQ(first.GetLength(), 29);
  EXPECT_NE(std::string(first.c_str()), std::string(second.c_str()));
  for (int i = 0; i < first.GetLength(); ++i) {
    const char c = first.GetAt(i);
    if (i % 5 == 4) {
      EXPECT_EQ(c, '-');
    } else {
      EXPECT_NE(std::string("abcdefghijkmnpqrstuvwxyz23456789").find(c), std::string::npos) << c;
    }
  }
  EXPECT_EQ(PasswordStrength(PasswordBits(first)), 2);
}

}  // namespace
}  // namespace mv::pack_window
