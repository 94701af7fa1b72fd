#include "tools/pack_console.h"

#include "app/command_line_mode.h"
#include "base/text_encoding.h"
#include "container/password_form.h"
#include "platform/platform.h"
#include "platform/terminal.h"

namespace mv::tools {
namespace {
constexpr size_t kMaxPassword = 65536;
constexpr int kBarWidth = 30;
}  // namespace

namespace {
PackReporter* g_reporter = nullptr;
}  // namespace

void SetPackReporter(PackReporter* reporter) { g_reporter = reporter; }

void PrintOut(const std::string& text) {
  if (g_reporter != nullptr) return g_reporter->Message(text, false, false);
  platform::WriteStdout(text.c_str());
}
void PrintError(const std::string& text) {
  if (g_reporter != nullptr) return g_reporter->Message(text, false, true);
  platform::WriteStderr(text.c_str());
}
void PrintErrorSystemText(const std::string& text) {
  if (g_reporter != nullptr) return g_reporter->Message(text, true, true);
  platform::WriteStderrSystemText(text.c_str());
}

namespace {

bool ReadPassword(const PackOptions& options, bool confirm, Password* password, std::string* error) {
  if (options.given_password != nullptr) {
    *password = *options.given_password;
    return true;
  }
  if (options.Has("password-file")) {
    if (ReadPasswordFile(String(options.Get("password-file").c_str()), password) != kOk) {
      *error = "cannot read the password from '" + options.Get("password-file") + "'";
      return false;
    }
    return true;
  }
  if (options.Has("password")) {
    *password = Password(String(options.Get("password").c_str()));
    return true;
  }
  const platform::LineStatus status = platform::ReadSecretLine("Password: ", password, kMaxPassword);
  if (status == platform::LineStatus::kNotText) {
    *error = "the password arrived as bytes that are no UTF-8 text (is the terminal set to UTF-8?)";
    return false;
  }
  if (status != platform::LineStatus::kLine) {
    *error = "no password given (use --password-file or --password, or run in a terminal)";
    return false;
  }
  if (confirm) {
    Password again;
    if (platform::ReadSecretLine("Repeat password: ", &again, kMaxPassword) != platform::LineStatus::kLine ||
        again.Utf8() != password->Utf8()) {
      *error = "the passwords do not match";
      return false;
    }
  }
  return true;
}

}  // namespace

bool GetPassword(const PackOptions& options, bool confirm, PasswordForm form, Password* password,
                 std::string* error) {
  if (!ReadPassword(options, confirm, password, error)) return false;
  if (PasswordFits(*password, form)) return true;
  const String lacking = CodePointsWithoutWindows1252Form(password->c_str());
  *error = "the password holds characters without a Windows-1252 form, which " +
           std::string(confirm ? "the classic kind and carriers" : "this package") + " cannot hold: " +
           lacking.c_str() + " (code " + std::to_string(kBadArgument) + ")";
  return false;
}

ProgressBar::ProgressBar(const char* label)
    : label_(label),
      reporter_(g_reporter),
      enabled_(reporter_ != nullptr || platform::IsTerminal(platform::StandardStream::kError)) {
  callback_.function = &OnProgress;
  callback_.word1 = reinterpret_cast<uintptr_t>(this);
}

ProgressBar::~ProgressBar() {
  if (enabled_ && reporter_ == nullptr && shown_ >= 0) PrintError("\n");
}

Result ProgressBar::Show(int percent) {
  percent = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
  if (reporter_ != nullptr) {
    shown_ = percent;
    return reporter_->Progress(percent);
  }
  if (!enabled_ || percent == shown_) return kOk;
  shown_ = percent;
  int filled = percent * kBarWidth / 100;
  std::string line = "\r" + label_ + " [" + std::string(filled, '#') + std::string(kBarWidth - filled, ' ') + "] " +
                     std::to_string(percent) + "%";
  PrintError(line);
  return kOk;
}

void ProgressBar::Complete() { Show(100); }

Result ProgressBar::OnProgress(int32_t code, int32_t value, uintptr_t self, uintptr_t) {
  auto* bar = reinterpret_cast<ProgressBar*>(self);
  bar->tracker_.Notify(code, value);
  return bar->Show(bar->tracker_.GetPosition());
}

}  // namespace mv::tools
