// The result codes of writes below a confined folder
// (platform/confined_folder.h).
#pragma once

#include "base/result.h"
#include "platform/confined_folder.h"

namespace mv {

// The code a person sees for status. failed is the code of an otherwise
// unexplained refusal (kCannotOpen when opening, kShortWrite when writing).
inline Result ConfinedResult(platform::ConfinedStatus status, Result failed) {
  switch (status) {
    case platform::ConfinedStatus::kOk:
      return kOk;
    case platform::ConfinedStatus::kLink:
      return kLinkInTarget;
    case platform::ConfinedStatus::kNotFolder:
      return kFolderNotMade;
    case platform::ConfinedStatus::kExists:
      return kTargetFileExists;
    case platform::ConfinedStatus::kDiskFull:
      return kDiskFull;
    case platform::ConfinedStatus::kReadOnly:
    case platform::ConfinedStatus::kIsFolder:
      return kCannotOpen;
    case platform::ConfinedStatus::kSourceFailed:
      return kShortRead;
    case platform::ConfinedStatus::kTooLong:
      return kPathTooLong;
    case platform::ConfinedStatus::kFailed:
      break;
  }
  return failed;
}

}  // namespace mv
