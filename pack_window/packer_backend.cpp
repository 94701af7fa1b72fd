#include "pack_window/packer_backend.h"

#include <cmath>
#include <set>

#include "platform/language.h"
#include "platform/random.h"
#include "stream/tag_record.h"
#include "tools/pack_commands.h"
#include "tools/pack_options.h"
#include "tools/package_content.h"

namespace mv::pack_window {

std::vector<std::string> PackArguments(const ui::PackerChoices& request) {
  std::vector<std::string> arguments;
  if (request.kind == ui::PackageChoice::kContainer) {
    arguments = {"create", request.out};
  } else {
    arguments = {"sfx", request.out, "--system",
                 request.kind == ui::PackageChoice::kWindowsSelfExtractor ? "windows" : "linux"};
  }
  arguments.insert(arguments.end(), {"--compression", std::to_string(request.compression), "--force"});
  if (request.classic) arguments.push_back("--classic");
  if (!request.picture.empty() && request.kind != ui::PackageChoice::kContainer) {
    arguments.insert(arguments.end(), {"--bitmap", request.picture});
  }
  // The items last, after "--": a name that starts with "--" stays a name.
  arguments.push_back("--");
  arguments.insert(arguments.end(), request.items.begin(), request.items.end());
  return arguments;
}

std::map<std::string, String> GivenTexts(const ui::PackerChoices& request) {
  std::map<std::string, String> texts;
  const bool layout = request.kind != ui::PackageChoice::kContainer;
  const struct {
    const char* option;
    const String& text;
    bool taken;
  } fields[] = {{"message-file", request.message, true},
                {"description", request.description, layout},
                {"link", request.link, layout},
                {"disclaimer", request.disclaimer, layout}};
  for (const auto& field : fields) {
    if (field.taken && !field.text.IsEmpty()) texts[field.option] = field.text;
  }
  return texts;
}

ItemCheck CheckItems(const std::vector<std::string>& items, Language language) {
  ItemCheck check;
  TagRecord content;
  tools::PackPlan plan;
  std::string error;
  if (!tools::BuildContent(items, String(""), &content, &plan, &error, language)) {
    // One cause, or a heading with one refused path per indented line.
    const std::string indent = "\n  ";
    size_t at = error.find(indent);
    if (at == std::string::npos) check.problems.push_back(error);
    while (at != std::string::npos) {
      const size_t next = error.find(indent, at + indent.size());
      check.problems.push_back(error.substr(at + indent.size(), next == std::string::npos ? std::string::npos
                                                                                          : next - at - indent.size()));
      at = next;
    }
  }
  for (const auto& file : plan.files) check.bytes += file.second;
  return check;
}

int RunPackRequest(const ui::PackerChoices& request, const Password& password, tools::PackReporter* reporter) {
  tools::PackOptions options;
  std::string error;
  if (!tools::ParsePackOptions(PackArguments(request), &options, &error)) {
    reporter->Message("morvalis-pack: " + error + "\n", false, true);
    return tools::kExitUsage;
  }
  options.given_password = &password;
  options.given_texts = GivenTexts(request);
  tools::SetPackReporter(reporter);
  const int code = tools::RunPackCommand(options);
  tools::SetPackReporter(nullptr);
  return code;
}

int PasswordBits(const String& utf8) {
  const char* text = utf8.c_str() == nullptr ? "" : utf8.c_str();
  bool digit = false, lower = false, upper = false, other = false, beyond = false;
  std::set<std::string> distinct;
  int length = 0;
  for (const char* c = text; *c != '\0'; ++c) {
    const unsigned char u = static_cast<unsigned char>(*c);
    if ((u & 0xC0) == 0x80) {  // a continuation byte: part of the character before
      continue;
    }
    size_t bytes = 1;
    while ((static_cast<unsigned char>(c[bytes]) & 0xC0) == 0x80) ++bytes;
    ++length;
    distinct.insert(std::string(c, bytes));
    if (u >= '0' && u <= '9') {
      digit = true;
    } else if (u >= 'a' && u <= 'z') {
      lower = true;
    } else if (u >= 'A' && u <= 'Z') {
      upper = true;
    } else if (u < 0x80) {
      other = true;
    } else {
      beyond = true;
    }
  }
  if (length == 0) return 0;
  int set = beyond ? 200 : other ? 95 : (lower || upper) && digit ? (lower && upper ? 62 : 36)
                                     : lower && upper ? 52 : (lower || upper) ? 26 : 10;
  // A character typed again adds less than a new one: count the distinct
  // ones fully and the repeats at a quarter.
  const double counted = static_cast<double>(distinct.size()) + (length - static_cast<int>(distinct.size())) / 4.0;
  return static_cast<int>(counted * std::log2(static_cast<double>(set)));
}

int PasswordStrength(int bits) { return bits < 50 ? 0 : bits < 75 ? 1 : 2; }

String ProposePassphrase() {
  static const char kAlphabet[] = "abcdefghijkmnpqrstuvwxyz23456789";  // 32 signs: 5 bits each
  constexpr int kGroups = 6;
  constexpr int kGroupLength = 4;
  uint8_t random[kGroups * kGroupLength];
  if (!platform::FillRandom(random, sizeof random)) return String("");
  std::string phrase;
  for (int i = 0; i < kGroups * kGroupLength; ++i) {
    if (i > 0 && i % kGroupLength == 0) phrase += '-';
    phrase += kAlphabet[random[i] % 32];
  }
  String result(phrase.c_str());
  volatile char* wipe = phrase.data();
  for (size_t i = 0; i < phrase.size(); ++i) wipe[i] = 0;
  for (uint8_t& byte : random) byte = 0;
  return result;
}

namespace {

// The packer's reports handed on to the window's progress.
class ProgressReporter : public tools::PackReporter {
 public:
  explicit ProgressReporter(ui::PackerProgress* progress) : progress_(progress) {}
  void Message(const std::string& text, bool system_text, bool) override { progress_->Message(text, system_text); }
  Result Progress(int percent) override { return progress_->Progress(percent); }

 private:
  ui::PackerProgress* progress_;
};

}  // namespace

void PackerBackend::CheckItems(const std::vector<std::string>& items, uint64_t* bytes,
                               std::vector<std::string>* problems) {
  ItemCheck check = pack_window::CheckItems(items, platform::UserLanguage());
  *bytes = check.bytes;
  *problems = std::move(check.problems);
}

int PackerBackend::Pack(const ui::PackerChoices& choices, const Password& password, ui::PackerProgress* progress) {
  ProgressReporter reporter(progress);
  return RunPackRequest(choices, password, &reporter);
}

int PackerBackend::PasswordBits(const String& utf8) { return pack_window::PasswordBits(utf8); }

String PackerBackend::ProposePassphrase() { return pack_window::ProposePassphrase(); }

}  // namespace mv::pack_window
