#include "app/command_line_mode.h"

#include <cstdint>
#include <vector>

#include "app/decrypt_attempt.h"
#include "app/self_extractor.h"
#include "container/secure_wipe.h"
#include "fs/directory_copy.h"
#include "fs/disk_query.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "base/text_encoding.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/interruption.h"
#include "platform/platform.h"
#include "stream/file_stream.h"

namespace mv {
namespace {

constexpr char kBanner[] = "Morvalis Self Extractor - decrypts the package it carries\n\n";
// A password line longer than this is not a password.
constexpr size_t kMaxPasswordLine = 65536;

void DebugFormat(bool debug, const char* format, const char* text) {
  if (!debug) return;
  String message;
  String::Format(message, format, text);
  DebugMessage(debug, message.c_str());
}

void DebugFormat(bool debug, const char* format, Result code) {
  if (!debug) return;
  String message;
  String::Format(message, format, static_cast<int>(code));
  DebugMessage(debug, message.c_str());
}

// Shows the status texts of the work on standard error in debug mode (the
// one line that says decryption starts once more on the disk).
Result ShowStatusText(int32_t code, int32_t value, uintptr_t debug, uintptr_t) {
  if (code == kProgressStatusText) DebugMessage(debug != 0, UserText(static_cast<TextId>(value)).c_str());
  return kOk;
}

// The path without empty and "." components (a leading '/' kept), so that
// two spellings of one folder compare equal.
String Normalized(const String& path) {
  String out(path.GetLength() > 0 && path.GetAt(0) == '/' ? "/" : "");
  const char* text = path.c_str() == nullptr ? "" : path.c_str();
  for (int32_t start = 0, length = path.GetLength(); start < length;) {
    int32_t end = start;
    while (end < length && text[end] != '/') ++end;
    const String part = path.Mid(start, end - start);
    if (!part.IsEmpty() && part != ".") {
      if (!out.IsEmpty() && out.GetAt(out.GetLength() - 1) != '/') out += "/";
      out += part;
    }
    start = end + 1;
  }
  return out;
}

// The message file's path below the target folder (ending in '/') when it
// lies inside it, else "".
String PathBelow(const String& folder, const String& file) {
  const String base = Normalized(folder) + "/";
  const String path = Normalized(file);
  if (path.GetLength() <= base.GetLength()) return String("");
  String head = path.Left(base.GetLength());
  String wanted = base;
  if (platform::kCaseBlindNames) {
    head.MakeLower();
    wanted.MakeLower();
  }
  return head == wanted ? path.Mid(base.GetLength(), path.GetLength() - base.GetLength()) : String("");
}

}  // namespace

Result ReadPasswordFile(const String& path, Password* password) {
  String raw;
  size_t n = 0;
  if (path == "-") {
    if (!platform::ReadStdinLine(&raw, kMaxPasswordLine)) return kCannotOpen;
    n = static_cast<size_t>(raw.GetLength());
  } else {
    platform::File file;
    if (!file.Open(path.c_str(), "rb")) return kCannotOpen;
    char* buffer = raw.GetBuffer(static_cast<int32_t>(kMaxPasswordLine));
    if (buffer == nullptr) return kOutOfMemory;
    n = file.Read(buffer, kMaxPasswordLine);
    buffer[n] = '\0';  // the text decoder reads n bytes; this keeps the String whole
  }
  // The file's text by the rule every text file of the program follows (a
  // byte-order mark, else UTF-8 when the bytes are, else Windows-1252); the
  // password is its first line, taken as it is: the package's kind decides
  // whether it can hold it.
  String text;
  if (!DecodeTextFile(reinterpret_cast<const uint8_t*>(raw.c_str() == nullptr ? "" : raw.c_str()), n, &text)) {
    return kBadArgument;
  }
  const int32_t end = text.Find('\n');
  String line = end < 0 ? text : text.Left(end);
  if (line.GetLength() > 0 && line.GetAt(line.GetLength() - 1) == '\r') line = line.Left(line.GetLength() - 1);
  *password = Password(std::move(line));
  return kOk;
}

Result DecryptOptions::HandleArgument(int32_t index, const char* text, bool is_switch) {
  if (index == 0) {
    if (is_switch) {
      platform::WriteStdout("ERROR: Command expected as first parameter.\n");
      return kBadArgument;
    }
    command = text;
    command.MakeLower();
    return kOk;
  }
  if (is_switch) {
    String value;
    // The password is taken as typed; paths must have a form in the
    // program's code page.
    if (GetOptionValue(text, "pwd", &value)) {
      password = Password(std::move(value));
      return kOk;
    }
    String path;
    if (GetOptionValue(text, "pwdfile", &value)) {
      return platform::FromUtf8Text(value.c_str(), &path) ? ReadPasswordFile(path, &password) : kBadArgument;
    }
    if (GetOptionValue(text, "targetdir", &value)) {
      if (!platform::FromUtf8Text(value.c_str(), &path)) return kBadArgument;
      target_folder = ToInternalPath(path);
      return kOk;
    }
    if (GetOptionValue(text, "messagefile", &value)) {
      if (!platform::FromUtf8Text(value.c_str(), &path)) return kBadArgument;
      message_file = ToInternalPath(path);
      return kOk;
    }
    String lower(text);
    lower.MakeLower();
    if (lower == "replace") {
      replace = 1;
      return kOk;
    }
  }
  return CommandLineParser::HandleArgument(index, text, is_switch);
}

void DebugMessage(bool debug, const char* text) {
  if (debug) platform::ShowMessage(text, kDisplayName, platform::kMessageIconError | platform::kMessageOk);
}

namespace {

Result ReportDecryptFailure(bool debug, const SelfExtractor& extractor, Result r) {
  DebugFormat(debug, "Decryption failed. Error %i", r);
  if (extractor.GetFailedChunk() != 0) {
    DebugFormat(debug, "The package's check failed at chunk %i.", extractor.GetFailedChunk());
  }
  if (!extractor.GetFailedEntry().IsEmpty()) {
    DebugFormat(debug, "The failure came with the entry \"%s\".", extractor.GetFailedEntry().c_str());
  }
  return r;
}

Result ReportCopyFailure(bool debug, const TargetFolder& folder, Result r, const std::vector<CopyFailure>& failures) {
  // A link at the target's name counts as existing too.
  if (r == kTargetFolderExists) {
    DebugFormat(debug, "Directory \"%s\" already exists.", folder.GetFolder().c_str());
    return r;
  }
  DebugFormat(debug, "DirectoryCopy returned %i.", r);
  for (const CopyFailure& failure : failures) {
    String line;
    String::Format(line, "\"%s\" could not be copied (error %i).", (folder.GetFolder() + failure.path).c_str(),
                   static_cast<int>(failure.code));
    DebugMessage(debug, line.c_str());
  }
  return r;
}

// Saves the message text (when there is one) to message_path; below the
// target folder (message_below) it goes through the folder opened then.
Result SaveMessage(bool debug, const String& text, const String& message_path, const String& message_below,
                   TargetFolder* folder, bool replace) {
  if (message_path.IsEmpty()) return kOk;
  if (!IsFilePath(message_path)) {
    DebugFormat(debug, "Invalid message file path \"%s\".", message_path.c_str());
    return kBadArgument;
  }
  if (text.IsEmpty()) return kOk;
  DebugFormat(debug, "Decrypting message to file \"%s\".", message_path.c_str());
  if (!replace && FileExists(message_path)) {
    DebugFormat(debug, "File \"%s\" already exists.", message_path.c_str());
    return kMessageFileExists;
  }
  Result r = kOk;
  if (message_below.IsEmpty()) {
    r = SaveTextFile(message_path, text, replace);
  } else {
    r = folder->Reach();
    if (r == kOk) r = SaveTextFileIn(folder->GetTree(), message_below, text, replace);
  }
  // Taken since it was looked at: never replaced without replace.
  if (r == kTargetFileExists) r = kMessageFileExists;
  if (r != kOk) DebugFormat(debug, "Saving message to text file failed. Error %i.", r);
  return r;
}

// The files of a package of the strong kind go straight into the target
// folder once the whole package is authenticated: the same files reach the
// same places as by a copy from a work folder, without the work folder's
// writing, copying and wiping. A message file below the target takes the
// way through the work folder, which can tell before anything is written
// whether a file of the package has its name.
bool DeliversDirectly(const String& target, const String& folder, const String& message_path) {
  if (target.IsEmpty() || !IsFolderPath(folder)) return false;
  if (IsFilePath(message_path) && !PathBelow(folder, message_path).IsEmpty()) return false;
  return SelfExtractor::CarriesStrongKind();
}

Result DeliverCommand(const Password& password, TargetFolder* folder, const String& message_path, bool replace,
                      bool debug) {
  SelfExtractor extractor;
  extractor.SetShowMessages(debug);
  const ProgressCallback status{&ShowStatusText, debug ? 1u : 0u, 0};
  const ProgressCallback stop = StopOnInterruption(&status);
  DebugFormat(debug, "Decrypting files to \"%s\".", folder->GetFolder().c_str());
  TargetDelivery delivery(folder);
  const Result r = extractor.ExtractInto(&delivery, password, &stop);
  // The target refused before any file reached it is the copy's failure;
  // any other failure of the read is the decryption's.
  if (delivery.GetResult() != kOk && !folder->IsReached()) {
    return ReportCopyFailure(debug, *folder, delivery.GetResult(), delivery.GetFailures());
  }
  if (r != kOk) return ReportDecryptFailure(debug, extractor, r);
  if (delivery.GetResult() != kOk) {
    return ReportCopyFailure(debug, *folder, delivery.GetResult(), delivery.GetFailures());
  }
  DebugMessage(debug, "Decrypting files successful.");
  String text;
  extractor.GetMessageText(text);
  const Result saved = SaveMessage(debug, text, message_path, String(""), folder, replace);
  if (saved != kOk) return saved;
  DebugMessage(debug, "Decryption successful.");
  return kOk;
}

}  // namespace

Result DecryptCommand(const Password& password, const char* target_folder, const char* message_file, bool replace,
                      bool debug) {
  const String target(target_folder);
  const String message_path(message_file);
  // The target folder is reached once and used through what was opened
  // then: the files go there, and so does a message file inside it.
  TargetFolder folder(AddTrailingSlash(ToInternalPath(target)), replace);
  if (DeliversDirectly(target, folder.GetFolder(), message_path)) {
    return DeliverCommand(password, &folder, message_path, replace, debug);
  }
  SelfExtractor extractor;
  extractor.SetShowMessages(debug);
  // Ctrl-C and the like stop the work at the next block as a cancel; the
  // extractor then wipes what was decrypted before the process ends.
  const ProgressCallback status{&ShowStatusText, debug ? 1u : 0u, 0};
  const ProgressCallback stop = StopOnInterruption(&status);
  Result r = extractor.Extract(password, &stop);
  if (r != kOk) return ReportDecryptFailure(debug, extractor, r);
  DebugFormat(debug, extractor.IsWorkInMemory() ? "Decrypted in memory, in \"%s\"." : "Decrypted in \"%s\".",
              extractor.GetWorkFolder().c_str());
  if (target.IsEmpty() && message_path.IsEmpty()) {
    DebugMessage(debug, "No data file be decrypted!");
    return kOk;
  }
  String text;
  extractor.GetMessageText(text);
  String message_below;
  if (!target.IsEmpty()) {
    if (!IsFolderPath(folder.GetFolder())) {
      DebugFormat(debug, "Invalid directory path \"%s\".", folder.GetFolder().c_str());
      return kBadArgument;
    }
    if (!text.IsEmpty() && IsFilePath(message_path)) message_below = PathBelow(folder.GetFolder(), message_path);
    // A message file named like a file of the package is refused before
    // anything is written: neither may silently take the other's place.
    if (!message_below.IsEmpty() && PathExists(extractor.GetWorkFolder() + message_below)) {
      DebugFormat(debug, "The message file \"%s\" would take the place of a file of the package.",
                  message_path.c_str());
      return kMessageFileInPackage;
    }
    DebugFormat(debug, "Decrypting files to \"%s\".", folder.GetFolder().c_str());
    std::vector<CopyFailure> failures;
    // The copy is made once here: in memory, where no device is waited
    // for, each work file is wiped as soon as it is copied, on a second
    // thread, rather than all of them after the copy. (On a disk the wipe
    // waits for the device in large batches at the end.)
    TrailingWipe wipe(extractor.GetWorkFolder(), kWipeZeros);
    const bool trailing = extractor.IsWorkInMemory() && wipe.Start();
    r = DirectoryCopy(extractor.GetWorkFolder(), &folder, &stop, &failures, trailing ? &wipe : nullptr);
    wipe.Finish();
    if (r != kOk) return ReportCopyFailure(debug, folder, r, failures);
    DebugMessage(debug, "Decrypting files successful.");
  }
  r = SaveMessage(debug, text, message_path, message_below, &folder, replace);
  if (r != kOk) return r;
  DebugMessage(debug, "Decryption successful.");
  return kOk;
}

namespace {

int RunDecryptOptions() {
  platform::WriteStdout(kBanner);
  DecryptOptions options;
  Result r = options.ParseCommandLine();
  DebugMessage(options.debug(), "Debug output is activated");
  if (r != kOk) {
    DebugFormat(options.debug(), "Error parsing command line %i", r);
    return static_cast<int>(r);
  }
  if (options.command.IsEmpty()) {
    DebugMessage(options.debug(), "No command issued.");
    return 0;
  }
  if (options.command == "decrypt") {
    return static_cast<int>(DecryptCommand(options.password, options.target_folder.c_str(),
                                           options.message_file.c_str(), options.replace != 0, options.debug()));
  }
  DebugFormat(options.debug(), "Unknown Command \"%s\".", options.command.c_str());
  return static_cast<int>(kUnknownSwitch);
}

}  // namespace

int RunCommandLine() {
  platform::InterruptionScope interruption(true);
  const int code = RunDecryptOptions();
  // The extractor is gone: an interrupted run ends as the interruption would
  // have ended it.
  platform::EndIfInterrupted();
  return code;
}

}  // namespace mv
