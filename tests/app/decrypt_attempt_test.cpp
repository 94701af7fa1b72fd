// The decisions both front ends of an attempt share: the proposed folder,
// the file list texts, the checks before the files are saved, and the
// report of a failed attempt.
#include "app/decrypt_attempt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/system_helpers.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_folder.h"

namespace mv {
namespace {

bool UsesGerman() { return LoadResString(18) == "Bitte warten..."; }

// A front end that answers from a script and records what it was shown.
class ScriptedFrontEnd : public AttemptFrontEnd {
 public:
  String AskPassword() override { return password; }
  Result WithProgress(const std::function<Result(const ProgressCallback*)>& run) override { return run(nullptr); }
  void ShowError(const String& text) override { shown.push_back("error: " + std::string(text.c_str())); }
  void ShowInfo(const String& text) override { shown.push_back("info: " + std::string(text.c_str())); }
  bool AskYesNo(const String& text) override {
    shown.push_back("question: " + std::string(text.c_str()));
    return answer_yes;
  }
  void OfferFiles(SelfExtractor*) override { shown.push_back("files"); }
  void ShowMessageText(SelfExtractor*) override { shown.push_back("message"); }

  String password;
  bool answer_yes = false;
  std::vector<std::string> shown;
};

TEST(DecryptAttempt, SaveFilesChecksTheFolderAsksBeforeUsingAnExistingOneAndCopies) {
  test::TempFolder folder;
  test::MakeTree(folder.path(), {{"existing/", ""}, {"existing/old.txt", "old"}, {"a-file", "x"}});
  SelfExtractor extractor;
  ASSERT_EQ(extractor.Open(String(folder.Join("work/").c_str())), kOk);
  test::MakeTree(folder.Join("work/"), {{"a.txt", "a"}, {"sub/", ""}, {"sub/b.txt", "b"}});
  const std::string existing = ToDisplayPath(String(folder.Join("existing/").c_str())).c_str();
  const std::string saved = LoadResString(2).c_str();
  const std::string saved_start = saved.substr(0, saved.find('%'));

  struct Case {
    std::string typed;
    bool answer_yes;
    bool done;
    std::string first_shown;  // start of the first text the user sees
    bool copied;              // a.txt arrived in the folder typed
  } cases[] = {
      {"", false, false, "error: " + std::string(LoadResString(9).c_str()), false},
      {folder.Join("bad*name"), false, false, "error: " + std::string(LoadResString(9).c_str()), false},
      {folder.Join("existing"), false, false, "question: ", false},
      {folder.Join("a-file"), false, false, "error: " + std::string(LoadResString(22).c_str()), false},
      {folder.Join("existing"), true, true, "question: ", true},
      {folder.Join("new/deeper"), false, true, "info: " + saved_start, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ScriptedFrontEnd ui;
    ui.answer_yes = c.answer_yes;
    EXPECT_EQ(SaveFilesTo(&ui, extractor, String(c.typed.c_str())), c.done);
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown[0].substr(0, c.first_shown.size()), c.first_shown);
    if (ui.shown[0].rfind("question: ", 0) == 0) {
      EXPECT_NE(ui.shown[0].find(existing), std::string::npos);
    }
    const std::string target = c.typed + "/";
    EXPECT_EQ(test::ReadFileText(target + "a.txt") == "a" && test::ReadFileText(target + "sub/b.txt") == "b",
              c.copied);
  }
  EXPECT_EQ(test::ReadFileText(folder.Join("existing/old.txt")), "old");
}

TEST(DecryptAttempt, EndsWithoutAPasswordAndReportsAFailure) {
  ScriptedFrontEnd cancelled;
  EXPECT_EQ(RunDecryptAttempt(&cancelled), kCancelled);
  EXPECT_TRUE(cancelled.shown.empty());

  // The test program carries no package.
  ScriptedFrontEnd failed;
  failed.password = "secret";
  EXPECT_EQ(RunDecryptAttempt(&failed), kNoPayload);
  ASSERT_EQ(failed.shown.size(), 1u);
  EXPECT_EQ(failed.shown[0], "error: " + std::string(AttemptFailureText(kNoPayload).c_str()));

  const std::string code_text = AttemptFailureText(kShortWrite).c_str();
  EXPECT_NE(code_text.find("205"), std::string::npos);
  EXPECT_EQ(std::string(AttemptFailureText(kCancelled).c_str()), LoadResString(21).c_str());
  EXPECT_EQ(std::string(AttemptFailureText(kWrongPassword).c_str()), LoadResString(4).c_str());
}

TEST(DecryptAttempt, FileNamesAndAttachmentLine) {
  test::TempFolder folder;
  test::MakeTree(folder.path(), {{"b.txt", "b"}, {"sub/", ""}, {"sub/A.txt", "a"}, {"empty/", ""}});
  const StringArray names = FileNamesOf(String(folder.path().c_str()));
  ASSERT_EQ(names.GetCount(), 2);
  EXPECT_STREQ(names[0].c_str(), "A.txt");
  EXPECT_STREQ(names[1].c_str(), "b.txt");

  StringArray entries;
  ASSERT_EQ(ListFolder(String(folder.path().c_str()), &entries), kOk);
  // Whatever order the system lists them in, the line follows it.
  std::string expected;
  for (int32_t i = 0; i < entries.GetCount(); ++i) {
    const std::string entry = entries[i].c_str();
    if (entry.back() == '/') continue;
    if (!expected.empty()) expected += "; ";
    expected += entry.substr(entry.find_last_of('/') + 1);
  }
  EXPECT_EQ(std::string(AttachmentLine(entries).c_str()), expected);
  EXPECT_TRUE(expected == "A.txt; b.txt" || expected == "b.txt; A.txt") << expected;
  EXPECT_STREQ(AttachmentLine(StringArray()).c_str(), "");
}

TEST(DecryptAttempt, ProposedFolderName) {
  const std::string program_title = GetFileTitle(GetProgramFileName()).c_str();
  const bool german = UsesGerman();
  const std::string more = german ? " und 2 weitere Datei(en)" : " and 2 more file(s)";
  const std::string one_more = german ? " und 1 weitere Datei(en)" : " and 1 more file(s)";
  struct Case {
    std::vector<const char*> names;
    std::string proposed;
  } cases[] = {
      {{}, program_title},
      {{"report.doc"}, "report.doc"},
      {{"b.doc", "A.txt", "c.pdf"}, "A.txt" + more},
      {{"b.doc", "a.txt"}, "a.txt" + one_more},
      {{"_x", "Z"}, "_x" + one_more},  // '_' sorts before letters without case
  };
  for (const Case& c : cases) {
    StringArray names;
    for (const char* name : c.names) names.Add(String(name));
    EXPECT_EQ(std::string(ProposedFolderName(&names).c_str()), c.proposed) << c.proposed;
  }
  EXPECT_EQ(std::string(ProposedFolderName(nullptr).c_str()), program_title);
}

TEST(DecryptAttempt, DefaultTargetFolderLiesBesideTheProgram) {
  StringArray names;
  names.Add(String("only-in-this-test.txt"));
  const String proposed = DefaultTargetFolder(&names);
  EXPECT_EQ(std::string(proposed.c_str()), std::string(GetProgramFolder().c_str()) + "only-in-this-test.txt/");
}

}  // namespace
}  // namespace mv
