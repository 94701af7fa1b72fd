// What the packer window asks of the packer: the check of its items, the
// arguments of the command it runs (the console packer's own commands,
// run on a worker thread), an estimate of a password's strength and a
// proposed passphrase. Nothing here knows the window.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "base/language.h"
#include "base/password.h"
#include "base/string.h"
#include "tools/pack_console.h"
#include "ui/packer_actions.h"

namespace mv::pack_window {

// The packer's arguments for the window's choices: sfx (with the system, so that the
// stub beside the program is taken) or create, always with --force (the
// window has asked before an existing file is replaced).
// The picture is named as --bitmap (a file the sender chose).
std::vector<std::string> PackArguments(const ui::PackerChoices& request);

// The texts the sender typed, handed to the packer in memory under the
// names of the options they stand for (see tools::PackOptions): the e-mail
// text always, the description, link and disclaimer for a self-extractor
// (a container file has no layout); empty ones not at all.
std::map<std::string, String> GivenTexts(const ui::PackerChoices& request);

// What the packer finds in the items before anything is written: their
// content's bytes, and every line of its refusal (a name without a
// Windows-1252 form, one Windows cannot store, an unreadable or too large
// file, a missing item, ...), in the system's text and the language. No
// lines: packable.
struct ItemCheck {
  uint64_t bytes = 0;
  std::vector<std::string> problems;
};
ItemCheck CheckItems(const std::vector<std::string>& items, Language language = Language::kEnglish);

// Runs the request with the password given, the messages and progress sent
// to reporter: the console packer's exit code (0 written; a cancel from the
// reporter leaves nothing behind and gives a failure).
int RunPackRequest(const ui::PackerChoices& request, const Password& password, tools::PackReporter* reporter);

// A rough strength of a password in bits: its length times the bits of the
// smallest set of characters that holds it (digits 10, one case 26, both
// cases 52, with digits 62, with other ASCII 95, beyond ASCII 200), less
// for repeats of one character. 0 for an empty password.
int PasswordBits(const String& utf8);

// The verdict the window shows: 0 weak (below 50 bits), 1 fair (below 75),
// 2 strong.
int PasswordStrength(int bits);

// A strong passphrase from the system's random generator: six groups of
// four lowercase letters and digits without look-alikes (no 0/o, 1/l),
// joined by '-' (about 120 bits). "" when the generator fails.
String ProposePassphrase();

// The window's questions answered with the functions above.
class PackerBackend : public ui::PackerActions {
 public:
  void CheckItems(const std::vector<std::string>& items, uint64_t* bytes, std::vector<std::string>* problems) override;
  int Pack(const ui::PackerChoices& choices, const Password& password, ui::PackerProgress* progress) override;
  int PasswordBits(const String& utf8) override;
  String ProposePassphrase() override;
};

}  // namespace mv::pack_window
