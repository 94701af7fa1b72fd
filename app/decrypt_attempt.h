// One decryption attempt of the interactive mode and the decisions around
// it, shared by every front end (the Windows dialogs, the terminal): the
// password, decryption with progress that a cancel or an interruption
// stops, the report of a failure, then the files or the message text; the
// target folder proposed for the files, the checks of a chosen folder with
// the question before an existing one is used, and the copy.
#pragma once

#include <functional>

#include "app/self_extractor.h"
#include "base/progress.h"
#include "base/password.h"
#include "base/result.h"
#include "base/string.h"

namespace mv {

// The text that reports an attempt's failure: string 21 for a cancel, 4 for
// a wrong password, 23 or 24 (naming failed_chunk when it is not 0) for a
// damaged or changed package, 25 for one that ends early, 26 for a key
// derivation beyond the bounds, 3 with the code otherwise.
String AttemptFailureText(Result result, uint32_t failed_chunk = 0);
// True for the results AttemptFailureText has a text of its own for (the
// others are told by their code only).
bool HasOwnFailureText(Result result);

// The reports and the question of a front end. Texts are in the program's
// code page.
class AttemptPrompts {
 public:
  virtual ~AttemptPrompts() = default;

  virtual void ShowError(const String& text) = 0;
  virtual void ShowInfo(const String& text) = 0;
  // True for yes.
  virtual bool AskYesNo(const String& text) = 0;

  // The question before the files go into target, an existing folder
  // (source: the folder they come from). The dialogs ask the question; the
  // terminal also names the files that would be replaced.
  virtual bool AskToUseExistingFolder(const String& question, const String& target, const String& source) {
    return AskYesNo(question);
  }
  // After the report of a failed copy into target: not_saved holds the
  // paths below target of the files that are not there (in walk order).
  // Nothing more in the dialogs; the terminal says why and which files.
  virtual void ExplainCopyFailure(Result code, const String& target, const String& source,
                                  const StringArray& not_saved) {}
};

// What a front end shows and asks around a whole attempt.
class AttemptFrontEnd : public AttemptPrompts {
 public:
  // The password as typed; empty when the user gave none or cancelled.
  virtual Password AskPassword() = 0;
  // Shows progress while run works and returns run's result; run gets the
  // callback that feeds the display (may be null).
  virtual Result WithProgress(const std::function<Result(const ProgressCallback*)>& run) = 0;
  // After a successful decryption: the files (the folder dialog), or the
  // message text with its attachments (the message view).
  virtual void OfferFiles(SelfExtractor* extractor) = 0;
  virtual void ShowMessageText(SelfExtractor* extractor) = 0;
  // The report of a failed decryption: AttemptFailureText in an error.
  virtual void ShowFailure(Result result, const SelfExtractor& extractor) {
    ShowError(AttemptFailureText(result, extractor.GetFailedChunk()));
  }
};

// The text that says why password cannot open a package that takes form,
// naming the characters it lacks; "" when it can.
String PasswordRefusalText(const Password& password, PasswordForm form);

// One attempt: asks for the password (none: kCancelled, nothing shown;
// one the package's kind cannot hold: PasswordRefusalText, then asked again),
// decrypts with progress (the status "Please wait..."), reports a failure
// (ShowFailure, by default AttemptFailureText) and returns it; on success
// offers the files, or shows the message text when the package has one, and
// returns kOk. The password is
// wiped and the work folder and temporary file removed before it returns;
// after an interruption the process then ends (platform/interruption.h).
Result RunDecryptAttempt(AttemptFrontEnd* ui);

// A callback that answers kCancelled to every notification once an
// interruption was requested, and hands every other one to inner (may be
// null). inner must outlive its use.
ProgressCallback StopOnInterruption(const ProgressCallback* inner);

// Saves the decrypted files to the folder the user typed (native or
// internal form): refuses a path that is no folder path (string 9), asks
// before using an existing folder (string 19 through AskToUseExistingFolder;
// no: nothing happens), refuses a path that names a file (string 22),
// copies (a failure: string 13 with the code, then ExplainCopyFailure) and
// names the folder (string 2). True once the files are there.
bool SaveFilesTo(AttemptPrompts* ui, const SelfExtractor& extractor, const String& typed);

// The names (without folders) of the decrypted files below the work folder,
// sorted without regard to ASCII case.
StringArray FileNamesOf(const String& work_folder);

// The attachment line of a message: the names (without folders) of the
// files of a listing (fs/folder_walk.h ListFolder: folders end in '/'), in
// the list's order, joined by "; ".
String AttachmentLine(const StringArray& entries);

// The proposed target folder (internal form, ending in '/'): the folder
// named ProposedFolderName(names) in the program's own folder, or on the
// desktop (if there is one) when the program runs from inside the temporary
// folder or from a CD-ROM or removable drive; numbered " (1)", " (2)" ... when that name is
// taken. names may be null.
String DefaultTargetFolder(const StringArray* names);

// The name part of that proposal: the program file's title without files;
// the one file's name; for several, "<first> and <n> more file(s)" (string
// 20) with the first name in ASCII-case-blind order.
String ProposedFolderName(const StringArray* names);

// The session is ending (Windows: WM_ENDSESSION on the thread of the
// dialogs). Notes an interruption; unless a decryption is running (it stops
// at its next block and its attempt ends the process), removes the current
// attempt's work folder and temporary file and ends the process.
void EndSessionNow();

}  // namespace mv
