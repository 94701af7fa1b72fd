// What the packer window asks of the packer, without knowing it: the
// window (ui/packer_dialog.h) holds the person's choices and calls these;
// pack_window/ answers them with the packer's own code. No Windows types:
// the answers are tested on every system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/password.h"
#include "base/result.h"
#include "base/string.h"

namespace mv::ui {

// The kinds of package the window makes, in the order of its list.
enum class PackageChoice { kWindowsSelfExtractor = 0, kLinuxSelfExtractor = 1, kContainer = 2 };

// The choices for one package; items, picture and out in the program's
// code page, the texts as typed (UTF-8, lines ending in a line feed; empty:
// none). A container file takes only the message of the layout.
struct PackerChoices {
  std::vector<std::string> items;
  PackageChoice kind = PackageChoice::kWindowsSelfExtractor;
  int compression = 1;  // 1 best, 2 fast, 0 none
  bool classic = false;
  std::string out;
  String description;
  String link;
  String disclaimer;
  std::string picture;  // a .bmp file
  String message;       // the e-mail text; the items become its attachments
};

// Where a packing run reports, from its worker thread.
class PackerProgress {
 public:
  virtual ~PackerProgress() = default;
  // A message of the packer; system_text: UTF-8, else the program's code page.
  virtual void Message(const std::string& text, bool system_text) = 0;
  // The run's progress, 0 to 100; kCancelled stops it.
  virtual Result Progress(int percent) = 0;
};

class PackerActions {
 public:
  virtual ~PackerActions() = default;
  // The items' bytes and every refusal the packer would give, one line
  // each in UTF-8, before anything is written. No lines: packable.
  virtual void CheckItems(const std::vector<std::string>& items, uint64_t* bytes,
                          std::vector<std::string>* problems) = 0;
  // Packs (on the caller's thread): 0 when the package was written;
  // otherwise nothing is left at choices.out or beside it.
  virtual int Pack(const PackerChoices& choices, const Password& password, PackerProgress* progress) = 0;
  // The password's rough strength in bits.
  virtual int PasswordBits(const String& utf8) = 0;
  // A strong passphrase, "" when none can be made.
  virtual String ProposePassphrase() = 0;
};

}  // namespace mv::ui
