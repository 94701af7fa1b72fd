#include "app/terminal_options.h"

#include <cstring>

#include "app/command_line_mode.h"
#include "app/command_line_parser.h"
#include "app/decrypt_attempt.h"
#include "app/entry_listing.h"
#include "app/self_extractor.h"
#include "app/terminal_console.h"
#include "fs/system_helpers.h"
#include "platform/arguments.h"
#include "platform/interruption.h"
#include "platform/platform.h"
#include "platform/terminal.h"

namespace mv {
namespace {

bool Matches(const char* argument, const char* option) { return std::strcmp(argument, option) == 0; }

// Prints each entry's line as it is read, counting files and folders, so a
// package of any number of entries is listed in the memory of one.
struct Listing {
  int files = 0;
  int folders = 0;
};

Result PrintEntry(const TagValue& value, uintptr_t user) {
  ListedEntry entry;
  if (!ListedEntryOf(value, &entry)) return kOk;
  auto* listing = reinterpret_cast<Listing*>(user);
  (entry.folder ? listing->folders : listing->files) += 1;
  WriteLine(FormatEntryLine(entry));
  return kOk;
}

// The line after the entries: the counts and the message text's size.
void PrintSummary(const SelfExtractor& extractor, const Listing& listing) {
  String message;
  extractor.GetMessageText(message);
  const String message_summary =
      message.IsEmpty() ? String(Say(kListNoMessageText)) : SayWith(kListMessageText, message.GetLength());
  String summary;
  String::Format(summary, Say(kListSummaryText), listing.files, listing.folders, message_summary.c_str());
  WriteLine(summary);
}

int RunList() {
  String password_file;
  for (int i = 2; i < platform::GetArgumentCount(); ++i) {
    String argument;
    platform::GetArgument(i, &argument);
    const char* text = argument.c_str() == nullptr ? "" : argument.c_str();
    if ((text[0] != '-' && text[0] != '/') || !GetOptionValue(text + 1, "pwdfile", &password_file)) {
      platform::WriteStderr(CommandText(kHelpText).c_str());
      return static_cast<int>(kUnknownSwitch);
    }
  }
  const bool ask = password_file.IsEmpty();
  if (ask && !platform::IsTerminal(platform::StandardStream::kInput)) {
    platform::WriteStderr(Say(kListNeedsPasswordText));
    return static_cast<int>(kNoTerminal);
  }
  platform::InterruptionScope interruption(false);
  const ProgressCallback stop = StopOnInterruption(nullptr);
  const PasswordForm form = SelfExtractor::PackagePasswordForm();
  for (;;) {
    // Declared first, so the password is wiped before the temporary file goes.
    SelfExtractor extractor;
    Password password;
    if (!ask) {
      const Result read = ReadPasswordFile(password_file, &password);
      if (read != kOk) return static_cast<int>(read);
    } else {
      const platform::LineStatus status = platform::ReadSecretLine(Say(kPasswordText), &password, kLongestTypedLine);
      if (status == platform::LineStatus::kNotText) {
        platform::WriteStderr((String(Say(kPasswordNotTextText)) + "\n").c_str());
        continue;
      }
      if (status != platform::LineStatus::kLine || password.IsEmpty()) break;
      const String refusal = PasswordRefusalText(password, form);
      if (!refusal.IsEmpty()) {
        platform::WriteStderr((refusal + "\n").c_str());
        continue;
      }
    }
    Listing listing;
    extractor.SetListOnly(true);
    extractor.SetEntryListener(&PrintEntry, reinterpret_cast<uintptr_t>(&listing));
    const Result result = extractor.Extract(password, &stop);
    if (result == kWrongPassword && ask && !platform::InterruptionRequested()) {
      platform::WriteStderr((AttemptFailureText(kWrongPassword) + "\n").c_str());
      continue;
    }
    if (result != kOk) {
      ShowDecryptFailure(result, extractor);
      extractor.RemoveTempFile();
      platform::EndIfInterrupted();
      return static_cast<int>(result);
    }
    PrintSummary(extractor, listing);
    return static_cast<int>(kOk);
  }
  platform::EndIfInterrupted();
  return static_cast<int>(kCancelled);
}

}  // namespace

bool IsTerminalOption(const char* first_argument) {
  return first_argument != nullptr &&
         (Matches(first_argument, "--help") || Matches(first_argument, "-h") || Matches(first_argument, "--list"));
}

int RunTerminalOption(const char* option) {
  if (Matches(option, "--list")) return RunList();
  Write(CommandText(kHelpText));
  return static_cast<int>(kOk);
}

}  // namespace mv
