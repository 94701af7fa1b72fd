// The decisions both front ends of an attempt share: the proposed folder and
// the report of a failed attempt (the checks before the files are saved and
// the file list texts are driven through both front ends end to end).
#include "app/decrypt_attempt.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fs/path.h"
#include "fs/system_helpers.h"

namespace mv {
namespace {

bool UsesGerman() { return LoadResString(18) == "Bitte warten..."; }

// A front end that answers from a script and records what it was shown.
class ScriptedFrontEnd : public AttemptFrontEnd {
 public:
  Password AskPassword() override { return Password(password); }
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
  // The default target lies beside the program.
  StringArray names;
  names.Add(String("only-in-this-test.txt"));
  EXPECT_EQ(std::string(DefaultTargetFolder(&names).c_str()),
            std::string(GetProgramFolder().c_str()) + "only-in-this-test.txt/");
}

}  // namespace
}  // namespace mv
