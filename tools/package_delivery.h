// The packer's extraction: nothing reaches the target folder before the
// whole package has been authenticated. The package is decrypted into a
// work folder of its own (fs/work_area.h chooses the place, a memory file
// system when one has room; the folder is made exclusively, owner-only and
// locked, as the self-extractor's), and only once its last chunk has been
// checked is the tree copied into the target (fs/directory_copy.h), which
// is made new then. A package that fails leaves no target; the work folder
// is wiped in every case.
#pragma once

#include <cstdint>
#include <vector>

#include "base/password.h"
#include "base/progress.h"
#include "base/result.h"
#include "base/string.h"
#include "fs/directory_copy.h"
#include "stream/file_stream.h"

namespace mv::tools {

struct Delivery {
  // Where the decryption failed, as the reader tells it.
  String failed_entry;
  uint32_t failed_chunk = 0;
  // True once the package was authenticated: a failure after that is the
  // copy's (failures names every file that did not arrive).
  bool decrypted = false;
  std::vector<CopyFailure> failures;
  String message;  // the package's message text, "" when it has none
  String work_folder;  // where the decryption ran, for messages
};

// Decrypts the container at path (the part range gives: a self-extractor's
// payload section, read in place) with password and delivers its tree into
// target (internal form, ending in '/'), which must not exist: kOk, the
// reader's codes (nothing made at target), kDiskFull or kFolderNotMade when
// no work folder could be had, or DirectoryCopy's codes. progress sees the
// decryption.
Result DeliverPackage(const String& path, const FileRange& range, const Password& password, const String& target,
                      const ProgressCallback* progress, Delivery* delivery);

}  // namespace mv::tools
