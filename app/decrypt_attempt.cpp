#include "app/decrypt_attempt.h"

#include <vector>

#include "base/text_encoding.h"
#include "fs/directory_copy.h"
#include "fs/disk_query.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "fs/temp_names.h"
#include "platform/interruption.h"

namespace mv {
namespace {

// Strings of the string table.
constexpr uint32_t kSavedString = 2;
constexpr uint32_t kDecryptFailedString = 3;
constexpr uint32_t kWrongPasswordString = 4;
constexpr uint32_t kInvalidFolderString = 9;
constexpr uint32_t kCopyFailedString = 13;
constexpr uint32_t kPleaseWaitString = 18;
constexpr uint32_t kFolderExistsString = 19;
constexpr uint32_t kMoreFilesString = 20;
constexpr uint32_t kCancelledString = 21;
constexpr uint32_t kFolderIsFileString = 22;
constexpr uint32_t kDamagedHeaderString = 23;
constexpr uint32_t kDamagedChunkString = 24;
constexpr uint32_t kEndsEarlyString = 25;
constexpr uint32_t kKdfTooCostlyString = 26;
constexpr uint32_t kPasswordNotHeldString = 28;

constexpr int32_t kFullRange = 100;

// The attempt whose work folder exists, for the end of the session; only
// the thread of the dialogs (or the terminal's one thread) touches these.
SelfExtractor* g_current_attempt = nullptr;
bool g_decrypting = false;

class CurrentAttempt {
 public:
  explicit CurrentAttempt(SelfExtractor* extractor) { g_current_attempt = extractor; }
  ~CurrentAttempt() { g_current_attempt = nullptr; }
  CurrentAttempt(const CurrentAttempt&) = delete;
  CurrentAttempt& operator=(const CurrentAttempt&) = delete;
};

Result ForwardUnlessInterrupted(int32_t code, int32_t value, uintptr_t inner, uintptr_t) {
  if (platform::InterruptionRequested()) return kCancelled;
  return NotifyProgress(reinterpret_cast<const ProgressCallback*>(inner), code, value);
}

Result Decrypt(AttemptFrontEnd* ui, SelfExtractor* extractor, const Password& password) {
  g_decrypting = true;
  const Result result = ui->WithProgress([&](const ProgressCallback* shown) {
    const ProgressCallback progress = StopOnInterruption(shown);
    NotifyProgress(&progress, kProgressBegin, kFullRange);
    NotifyProgress(&progress, kProgressBeginPhase, kFullRange);
    NotifyProgress(&progress, kProgressStatusText, kPleaseWaitString);
    const Result extracted = extractor->Extract(password, &progress);
    NotifyProgress(&progress, kProgressEndPhase, 0);
    NotifyProgress(&progress, kProgressEnd, 0);
    return extracted;
  });
  g_decrypting = false;
  return result;
}

Result RunAttempt(AttemptFrontEnd* ui) {
  // Declared first, destroyed last: the password is wiped before the work
  // folder and the temporary file go.
  SelfExtractor extractor;
  CurrentAttempt current(&extractor);
  const PasswordForm form = SelfExtractor::PackagePasswordForm();
  Password password = ui->AskPassword();
  for (String refusal; !password.IsEmpty() && !(refusal = PasswordRefusalText(password, form)).IsEmpty();) {
    ui->ShowError(refusal);
    password = ui->AskPassword();
  }
  if (password.IsEmpty()) return kCancelled;

  const Result result = Decrypt(ui, &extractor, password);
  if (result != kOk) {
    ui->ShowFailure(result, extractor);
    return result;
  }
  String message;
  extractor.GetMessageText(message);
  if (message.IsEmpty()) {
    ui->OfferFiles(&extractor);
  } else {
    ui->ShowMessageText(&extractor);
  }
  return kOk;
}

bool IsOnRemovableMedia(const String& folder) {
  const String drive = GetDriveSpec(folder);
  return IsCdRomDrive(drive) || IsRemovableDrive(drive);
}

// True when the program was started from inside the temporary folder (an
// archive tool unpacked it there): a proposal beside it would vanish.
bool RunsFromTempFolder(const String& program_folder) {
  const String temp = GetShortPath(GetSystemTempFolder().c_str());
  if (temp.IsEmpty()) return false;
  return GetShortPath(program_folder.c_str()).Find(temp.c_str()) >= 0;
}

}  // namespace

Result RunDecryptAttempt(AttemptFrontEnd* ui) {
  const Result result = RunAttempt(ui);
  platform::EndIfInterrupted();
  return result;
}

String PasswordRefusalText(const Password& password, PasswordForm form) {
  if (PasswordFits(password, form)) return String("");
  return FormatResString(kPasswordNotHeldString, CodePointsWithoutWindows1252Form(password.c_str()).c_str());
}

bool HasOwnFailureText(Result result) {
  return result == kCancelled || result == kWrongPassword || result == kPackageDamaged ||
         result == kPackageTruncated || result == kKdfTooCostly;
}

String AttemptFailureText(Result result, uint32_t failed_chunk) {
  if (result == kCancelled) return LoadResString(kCancelledString);
  if (result == kWrongPassword) return LoadResString(kWrongPasswordString);
  if (result == kPackageDamaged) {
    return failed_chunk == 0 ? LoadResString(kDamagedHeaderString) : FormatResString(kDamagedChunkString, failed_chunk);
  }
  if (result == kPackageTruncated) return LoadResString(kEndsEarlyString);
  if (result == kKdfTooCostly) return LoadResString(kKdfTooCostlyString);
  return FormatResString(kDecryptFailedString, result);
}

ProgressCallback StopOnInterruption(const ProgressCallback* inner) {
  return ProgressCallback{&ForwardUnlessInterrupted, reinterpret_cast<uintptr_t>(inner), 0};
}

bool SaveFilesTo(AttemptPrompts* ui, const SelfExtractor& extractor, const String& typed) {
  const String target = AddTrailingSlash(typed);
  if (!IsFolderPath(target)) {
    ui->ShowError(LoadResString(kInvalidFolderString));
    return false;
  }
  const bool exists = FolderExists(target);
  if (exists && !ui->AskToUseExistingFolder(FormatResString(kFolderExistsString, ToDisplayPath(target)), target,
                                            extractor.GetWorkFolder())) {
    return false;
  }
  if (FileExists(StripTrailingSlash(target))) {
    ui->ShowError(LoadResString(kFolderIsFileString));
    return false;
  }
  const ProgressCallback stop = StopOnInterruption(nullptr);
  // Only the folder the user agreed to is used as it is; one that was not
  // there is made new, so nothing put at its name meanwhile is written into.
  std::vector<CopyFailure> failures;
  const Result copied = DirectoryCopy(extractor.GetWorkFolder(), target, exists, &stop, &failures);
  // An interruption ends the program once the attempt is cleaned up.
  if (copied == kCancelled && platform::InterruptionRequested()) return false;
  StringArray not_saved;
  for (const CopyFailure& failure : failures) not_saved.Add(failure.path);
  if (copied != kOk) {
    ui->ShowError(FormatResString(kCopyFailedString, copied));
    ui->ExplainCopyFailure(copied, target, extractor.GetWorkFolder(), not_saved);
    return false;
  }
  ui->ShowInfo(FormatResString(kSavedString, ToDisplayPath(StripTrailingSlash(target))));
  return true;
}

StringArray FileNamesOf(const String& work_folder) {
  StringArray entries;
  ListFolder(work_folder, &entries);
  StringArray names;
  for (int32_t i = 0; i < entries.GetCount(); ++i) {
    if (IsFilePath(entries[i])) names.Add(GetFileName(entries[i]));
  }
  // The order of the folder dialog's list, which sorts its items itself.
  names.Sort(true);
  return names;
}

String AttachmentLine(const StringArray& entries) {
  String line("");
  for (int32_t i = 0; i < entries.GetCount(); ++i) {
    if (!IsFilePath(entries[i])) continue;
    if (!line.IsEmpty()) line += "; ";
    line += GetFileName(entries[i]);
  }
  return line;
}

String ProposedFolderName(const StringArray* names) {
  if (names == nullptr || names->GetCount() == 0) return GetFileTitle(GetProgramFileName());
  StringArray sorted(*names);
  sorted.Sort(true);
  if (sorted.GetCount() == 1) return sorted[0];
  String name;
  String::Format(name, LoadResString(kMoreFilesString).c_str(), sorted[0].c_str(),
                 static_cast<int>(sorted.GetCount() - 1));
  return name;
}

String DefaultTargetFolder(const StringArray* names) {
  const String program_folder = GetProgramFolder();
  String base = program_folder;
  if (RunsFromTempFolder(base) || IsOnRemovableMedia(base)) base = GetDesktopFolder();
  // Without a desktop folder (a Linux account may have none) the proposal
  // stays beside the program rather than becoming a relative path.
  if (base.IsEmpty()) base = program_folder;
  return MakeUniqueFolderPath(base + ProposedFolderName(names) + "/");
}

void EndSessionNow() {
  platform::RequestInterruption();
  if (g_decrypting) return;
  if (g_current_attempt != nullptr) g_current_attempt->RemoveTempFile();
  platform::EndIfInterrupted();
}

}  // namespace mv
