// The packer's commands run for a window: messages and progress reach the
// reporter, and a cancel leaves nothing behind.
#include <gtest/gtest.h>

#include <algorithm>

#include <map>
#include <string>
#include <vector>

#include "app/payload.h"
#include "container/package_reader.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_env.h"
#include "tools/executable_image.h"
#include "tools/pack_commands.h"
#include "tools/pack_console.h"
#include "tools/pack_options.h"
#include "tools/package_source.h"

namespace mv::tools {
namespace {

class RecordingReporter : public PackReporter {
 public:
  explicit RecordingReporter(int cancel_at) : cancel_at_(cancel_at) {}
  void Message(const std::string& text, bool, bool error) override { (error ? errors : output) += text; }
  Result Progress(int percent) override {
    percents.push_back(percent);
    return cancel_at_ >= 0 && static_cast<int>(percents.size()) > cancel_at_ ? kCancelled : kOk;
  }
  std::string output;
  std::string errors;
  std::vector<int> percents;

 private:
  int cancel_at_;
};

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names = test::ListNames(folder);
  std::sort(names.begin(), names.end());
  return names;
}

int RunCommand(const std::vector<std::string>& arguments, const Password& password, PackReporter* reporter,
               const std::map<std::string, String>& texts = {}) {
  PackOptions options;
  std::string error;
  EXPECT_TRUE(ParsePackOptions(arguments, &options, &error)) << error;
  options.given_password = &password;
  options.given_texts = texts;
  SetPackReporter(reporter);
  const int code = RunPackCommand(options);
  SetPackReporter(nullptr);
  return code;
}

TEST(PackReporter, TakesTheMessagesAndTheProgressToTheEnd) {
  test::TempFolder temp;
  ASSERT_TRUE(WriteWholeFile(temp.Join("a.txt"), Bytes(200000, 'a')));
  const Password password("Kennwort 7");
  for (const std::string command : {"create", "sfx"}) {
    SCOPED_TRACE(command);
    RecordingReporter reporter(-1);
    const std::string out = temp.Join(command + ".out");
    std::vector<std::string> arguments = {command, out, "--compression", "2", temp.Join("a.txt")};
    if (command == "sfx") arguments.insert(arguments.end(), {"--stub", test::ProgramPath("morvalis-sfx")});
    ASSERT_EQ(RunCommand(arguments, password, &reporter), kExitOk) << reporter.errors;
    EXPECT_EQ(reporter.output.rfind("Wrote " + out, 0), 0u) << reporter.output;
    EXPECT_EQ(reporter.errors, "");
    ASSERT_FALSE(reporter.percents.empty());
    EXPECT_EQ(reporter.percents.back(), 100);
  }
  // The package opens with the password given in memory.
  RecordingReporter reporter(-1);
  EXPECT_EQ(RunCommand({"test", temp.Join("sfx.out")}, password, &reporter), kExitOk) << reporter.errors;
}

TEST(PackReporter, ACancelLeavesNothingBehind) {
  test::TempFolder temp;
  ASSERT_TRUE(WriteWholeFile(temp.Join("a.txt"), Bytes(3 << 20, 'a')));
  for (const std::string command : {"create", "sfx"}) {
    SCOPED_TRACE(command);
    RecordingReporter reporter(2);
    std::vector<std::string> arguments = {command, temp.Join("out"), "--compression", "0", temp.Join("a.txt")};
    if (command == "sfx") arguments.insert(arguments.end(), {"--stub", test::ProgramPath("morvalis-sfx")});
    EXPECT_EQ(RunCommand(arguments, Password("x"), &reporter), kExitFailure);
    EXPECT_NE(reporter.errors.find("cancelled"), std::string::npos) << reporter.errors;
    EXPECT_EQ(Names(temp.path()), std::vector<std::string>{"a.txt"});
  }
}

// The package's layout and the message it opens with.
void ReadPackage(const std::string& path, const std::string& work, PayloadLayout* layout, Bytes* section,
                 String* message) {
  Bytes image;
  std::string error;
  ASSERT_TRUE(ReadWholeFile(path, &image));
  ASSERT_TRUE(ReadPayloadSection(image, section, &error)) << error;
  ASSERT_EQ(LoadLayoutFrom(FindPayloadHeaderIn(section->data(), section->size()), layout), kOk);
  PackageSource source;
  ASSERT_TRUE(source.Open(path, &error)) << error;
  PackageReader reader;
  ASSERT_EQ(reader.Open(String((work + "/").c_str())), kOk);
  reader.SetSourceRange(source.Range());
  ASSERT_EQ(reader.Decrypt(source.Path(), Password("x"), nullptr), kOk);
  reader.GetMessageText(*message);
}

TEST(PackReporter, TakesTheLayoutAndTheMessageGivenInMemory) {
  test::TempFolder temp;
  ASSERT_TRUE(WriteWholeFile(temp.Join("a.txt"), Bytes(10, 'a')));
  RecordingReporter reporter(-1);
  const std::map<std::string, String> texts = {
      {"description", String("Quartalszahlen f\xC3\xBCr den Vorstand\n")},
      {"link", String("www.morvalis.example/\xC3\xBC")},
      {"disclaimer", String("Vertraulich.\n")},
      {"message-file", String("Liebe Kollegin,\nanbei die Zahlen.\n")}};
  ASSERT_EQ(RunCommand({"sfx", temp.Join("out"), "--stub", test::ProgramPath("morvalis-sfx"), temp.Join("a.txt")},
                       Password("x"), &reporter, texts),
            kExitOk)
      << reporter.errors;
  PayloadLayout layout;
  Bytes section;
  String message;
  ReadPackage(temp.Join("out"), temp.Join("work"), &layout, &section, &message);
  EXPECT_EQ(layout.has_layout, 1);
  EXPECT_STREQ(layout.info_text.c_str(), "Quartalszahlen f\xFCr den Vorstand\n");
  EXPECT_STREQ(layout.link_text.c_str(), "www.morvalis.example/\xFC");
  EXPECT_STREQ(layout.disclaimer_text.c_str(), "Vertraulich.\n");
  EXPECT_STREQ(message.c_str(), "Liebe Kollegin,\nanbei die Zahlen.\n");
}

TEST(PackReporter, RefusesTextsGivenInMemoryAsItRefusesTheirFiles) {
  test::TempFolder temp;
  ASSERT_TRUE(WriteWholeFile(temp.Join("a.txt"), Bytes(10, 'a')));
  const std::string stub = test::ProgramPath("morvalis-sfx");
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::map<std::string, String> texts;
    int exit;
    std::string message;
  } cases[] = {
      {"no Windows-1252 form", {"sfx", temp.Join("out"), "--stub", stub, temp.Join("a.txt")},
       {{"description", String("Gr\xC3\xBC\xC3\x9F" "e\n\xE6\x97\xA5")}}, kExitFailure,
       "the text given for --description, line 2: U+65E5 has no Windows-1252 form"},
      {"too large", {"sfx", temp.Join("out"), "--stub", stub, temp.Join("a.txt")},
       {{"message-file", String(std::string((16u << 20) + 1, 'm').c_str())}}, kExitFailure,
       "the text given for --message-file is too large"},
      {"a layout for a container file", {"create", temp.Join("out"), temp.Join("a.txt")},
       {{"description", String("d")}}, kExitUsage, "unknown option '--description' for create"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingReporter reporter(-1);
    EXPECT_EQ(RunCommand(c.arguments, Password("x"), &reporter, c.texts), c.exit);
    EXPECT_NE(reporter.errors.find(c.message), std::string::npos) << reporter.errors;
    EXPECT_EQ(Names(temp.path()), std::vector<std::string>{"a.txt"});
  }
}

}  // namespace
}  // namespace mv::tools
