#include "app/terminal_flow.h"

#include "app/decrypt_attempt.h"
#include "app/payload.h"
#include "app/terminal_console.h"
#include "fs/disk_query.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "platform/interruption.h"
#include "platform/platform.h"
#include "platform/terminal.h"
#include "stream/file_stream.h"

namespace mv {
namespace {

// Rows kept free below a list shown before a question.
constexpr int kRowsBelowList = 8;

String HomeFolder() { return GetSpecialFolder(kProfileFolder); }

// The paths below folder (internal form, ending in '/') of its files, as
// they will be written below a target, sorted without regard to ASCII case.
StringArray FilePathsBelow(const String& folder) {
  StringArray entries;
  ListFolder(folder, &entries);
  StringArray paths;
  for (int32_t i = 0; i < entries.GetCount(); ++i) {
    const String& entry = entries[i];
    if (!IsFilePath(entry)) continue;
    paths.Add(entry.Mid(folder.GetLength(), entry.GetLength() - folder.GetLength()));
  }
  paths.Sort(true);
  return paths;
}

// The lines as one text, each indented by two blanks.
String Indented(const StringArray& lines) {
  String text;
  for (int32_t i = 0; i < lines.GetCount(); ++i) text += "  " + lines[i] + "\n";
  return text;
}

class TerminalFrontEnd : public AttemptFrontEnd {
 public:
  Password AskPassword() override {
    for (;;) {
      Password password;
      const platform::LineStatus status = platform::ReadSecretLine(Say(TextId::kPassword), &password, kLongestTypedLine);
      if (platform::InterruptionRequested()) return Password();
      if (status == platform::LineStatus::kLine) return password;
      if (status == platform::LineStatus::kEnd) return Password();
      WriteLine(String(Say(TextId::kPasswordNotText)));
    }
  }

  Result WithProgress(const std::function<Result(const ProgressCallback*)>& run) override {
    ProgressLine line(FindPayloadHeader().data_size);
    return run(line.callback());
  }

  void ShowError(const String& text) override { WriteLine(text); }
  void ShowInfo(const String& text) override { WriteLine(text); }
  bool AskYesNo(const String& text) override { return AskYes(text); }
  void ShowFailure(Result result, const SelfExtractor& extractor) override { ShowDecryptFailure(result, extractor); }

  // The question's last paragraph is asked after the files it would
  // replace are named.
  bool AskToUseExistingFolder(const String& question, const String& target, const String& source) override {
    const int32_t split = LastParagraph(question);
    if (split > 0) WriteLine(question.Left(split));
    StringArray replaced;
    const StringArray& files = FilesBelow(source);
    for (int32_t i = 0; i < files.GetCount(); ++i) {
      if (FileExists(target + files[i])) replaced.Add(files[i]);
    }
    if (replaced.GetCount() == 0) {
      WriteLine(String(Say(TextId::kNoneReplaced)));
    } else {
      WriteLine(SayWith(TextId::kReplaced, static_cast<int>(replaced.GetCount())));
      ShowList(replaced, kRowsBelowList);
    }
    return AskYes(question.Right(question.GetLength() - split).Replace("\n", ""));
  }

  void ExplainCopyFailure(Result code, const String& target, const String& source,
                          const StringArray& not_saved) override {
    const int32_t total = FilesBelow(source).GetCount();
    if (not_saved.GetCount() > 0) {
      const String first = not_saved[0];
      WriteLine(WriteFailureCause(target + first, QueryFileSize(source + first), code));
      String heading;
      String::Format(heading, Say(TextId::kNotSaved), static_cast<int>(not_saved.GetCount()), static_cast<int>(total));
      WriteLine(heading);
      ShowList(not_saved, kRowsBelowList);
    } else {
      WriteLine(WriteFailureCause(target, 0, code));
    }
    if (not_saved.GetCount() < total) saved_some_ = true;
    String saved;
    String::Format(saved, Say(TextId::kSavedCount), static_cast<int>(total - not_saved.GetCount()),
                   static_cast<int>(total), ToDisplayPath(StripTrailingSlash(target)).c_str());
    WriteLine(saved);
  }

  void OfferFiles(SelfExtractor* extractor) override {
    WriteLine(String(Say(TextId::kFiles)));
    if (ShowPaged(Indented(FilesBelow(extractor->GetWorkFolder()))) == Paging::kEnded) {
      if (!platform::InterruptionRequested()) WriteLine(String(Say(TextId::kNothingSaved)));
      return;
    }
    SaveFiles(*extractor, FileNamesOf(extractor->GetWorkFolder()), TextId::kSaveFiles, TextId::kNothingSaved);
  }

  void ShowMessageText(SelfExtractor* extractor) override {
    String text;
    extractor->GetMessageText(text);
    WriteLine(String(Say(TextId::kMessage)));
    if (ShowPaged(text) == Paging::kEnded) {
      if (!platform::InterruptionRequested()) WriteLine(String(Say(TextId::kTextNotSaved)));
      return;
    }
    StringArray entries;
    ListFolder(extractor->GetWorkFolder(), &entries);
    const String attachments = AttachmentLine(entries);
    if (!attachments.IsEmpty()) {
      WriteLine(SayWith(TextId::kAttachments, attachments));
      SaveFiles(*extractor, FileNamesOf(extractor->GetWorkFolder()), TextId::kSaveAttachments,
                TextId::kAttachmentsNotSaved);
    }
    if (platform::InterruptionRequested()) return;
    if (!AskYes(String(Say(TextId::kSaveTextQuestion))) || !SaveText(text)) {
      if (!platform::InterruptionRequested()) WriteLine(String(Say(TextId::kTextNotSaved)));
    }
  }

 private:
  // The files below the work folder, listed once: it does not change while
  // the flow offers them.
  const StringArray& FilesBelow(const String& folder) {
    if (folder != listed_folder_) {
      listed_ = FilePathsBelow(folder);
      listed_folder_ = folder;
    }
    return listed_;
  }

  // Where the text's last paragraph (after its last empty line) begins; 0
  // when it has one paragraph.
  static int32_t LastParagraph(const String& text) {
    int32_t split = 0;
    for (int32_t at = text.Find("\n\n"); at >= 0; at = text.Find("\n\n", at + 1)) split = at;
    return split;
  }

  // The path typed at prompt, "~" expanded; the proposal for an empty line.
  // False at the end of input or when interrupted.
  bool AskPath(const String& prompt, const String& proposal, String* path) {
    for (;;) {
      String typed;
      if (!Ask(prompt, &typed)) return false;
      String refusal;
      if (ExpandTypedPath(typed.IsEmpty() ? proposal : typed, HomeFolder(), path, &refusal)) return true;
      WriteLine(refusal);
    }
  }

  // Asks for the folder until the files are saved there; Enter takes the
  // proposal. The end of input gives up and says so (declined).
  void SaveFiles(const SelfExtractor& extractor, const StringArray& names, TextId prompt, TextId declined) {
    const String proposal = ToDisplayPath(StripTrailingSlash(DefaultTargetFolder(&names)));
    for (;;) {
      String path;
      if (!AskPath(SayWith(prompt, proposal), proposal, &path)) {
        if (!platform::InterruptionRequested()) WriteLine(String(Say(saved_some_ ? TextId::kNothingMoreSaved : declined)));
        return;
      }
      if (SaveFilesTo(this, extractor, path) || platform::InterruptionRequested()) return;
    }
  }

  // The message text to a file: proposed on the desktop (else beside the
  // program) under the program's name; an existing file only when the user
  // agrees. True once it is saved.
  bool SaveText(const String& text) {
    String folder = GetDesktopFolder();
    if (folder.IsEmpty()) folder = GetProgramFolder();
    const String proposal = ToDisplayPath(folder + GetFileTitle(GetProgramFileName()) + ".txt");
    String typed;
    if (!AskPath(SayWith(TextId::kSaveText, proposal), proposal, &typed)) return false;
    const String path = ToInternalPath(typed);
    if (FileExists(path) && !AskYes(SayWith(TextId::kReplaceFile, ToDisplayPath(path)))) return false;
    const Result saved = SaveTextFile(path, text);
    if (saved != kOk) {
      WriteLine(FormatUserText(TextId::kTextSaveFailed, saved));
      WriteLine(WriteFailureCause(path, static_cast<uint64_t>(text.GetLength()), saved));
      return false;
    }
    WriteLine(FormatUserText(TextId::kTextSaved, ToDisplayPath(path)));
    return true;
  }

  // A failed copy left some of the files in its folder.
  bool saved_some_ = false;
  String listed_folder_;
  StringArray listed_;
};

void ShowPackage(const PayloadLayout& layout) {
  if (layout.has_layout != 1) {
    WriteLine(String(Say(TextId::kNoLayout)));
    return;
  }
  ShowPaged(layout.info_text);
  if (!layout.link_text.IsEmpty()) WriteLine(layout.link_text);
}

// The disclaimer is shown page by page up to its end, or until the user
// skips the rest; then the question, whose default is no.
bool AcceptDisclaimer(const String& text) {
  if (text.IsEmpty()) return true;
  const bool accepted = ShowPaged(text) != Paging::kEnded && AskYes(String(Say(TextId::kAccept)));
  if (!accepted && !platform::InterruptionRequested()) WriteLine(String(Say(TextId::kNotAccepted)));
  return accepted;
}

}  // namespace

int RunTerminalFlow() {
  PayloadLayout layout;
  const Result loaded = LoadLayout(&layout);
  if (loaded == kOk && (!platform::IsTerminal(platform::StandardStream::kInput) ||
                        !platform::IsTerminal(platform::StandardStream::kOutput))) {
    platform::WriteStderr(CommandText(TextId::kNoTerminal).c_str());
    return static_cast<int>(kNoTerminal);
  }
  if (loaded != kOk) {
    String text;
    String::Format(text, "Morvalis SelfExtractor layout context initialization failed.\nError = %i",
                   static_cast<int>(loaded));
    platform::ShowMessage(text.c_str(), "INTERNAL ERROR", platform::kMessageOk | platform::kMessageTaskModal);
    return static_cast<int>(loaded);
  }
  platform::InterruptionScope interruption(false);
  if (!AcceptDisclaimer(layout.disclaimer_text)) {
    platform::EndIfInterrupted();
    return static_cast<int>(kCancelled);
  }
  ShowPackage(layout);
  TerminalFrontEnd front_end;
  // A wrong password or a failure asks again; no password ends the program,
  // as closing the main dialog does, and so does a temporary folder without
  // room (another password would not make any).
  for (;;) {
    const Result result = RunDecryptAttempt(&front_end);
    if (result == kOk || result == kCancelled || result == kDiskFull) break;
  }
  platform::EndIfInterrupted();
  return static_cast<int>(kOk);
}

}  // namespace mv
