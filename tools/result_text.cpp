#include "tools/result_text.h"

namespace mv::tools {

const char* DescribeResult(Result code) {
  struct Entry {
    Result code;
    const char* text;
  };
  // Codes that share a number with another meaning are described by their
  // meaning in the tools' work (1: a failed helper, not a missing payload).
  static const Entry kTexts[] = {
      {kOk, "success"},
      {kFailed, "the operation failed"},
      {kNotOpen, "not open"},
      {kBadArgument, "invalid argument"},
      {kUnknownSwitch, "unknown switch"},
      {kCancelled, "cancelled"},
      {kUnsupported, "not supported"},
      {kOutOfMemory, "out of memory"},
      {kDiskFull, "not enough free disk space"},
      {kTempFileNotCreated, "cannot create a temporary file"},
      {kFileNotFound, "no such file"},
      {kCannotOverwrite, "cannot overwrite the file"},
      {kCannotOpen, "cannot open the file"},
      {kShortWrite, "cannot write the file"},
      {kShortRead, "the data ends early"},
      {kEmptyPath, "empty path"},
      {kCannotDeleteFile, "cannot delete the file"},
      {kTargetFileExists, "the target file exists"},
      {kCannotRenameFile, "cannot rename the file"},
      {kBadFolder, "not a usable folder"},
      {kFolderNotFound, "no such folder"},
      {kAccessDenied, "access denied"},
      {kCannotRemoveFolder, "cannot remove the folder"},
      {kCannotRenameFolder, "cannot rename the folder"},
      {kFolderNotMade, "cannot create the folder"},
      {kTargetFolderExists, "the target folder exists"},
      {kUnsafeEntryPath, "an entry would be written outside the target folder"},
      {kNoFreeTempName, "no free temporary name"},
      {kPayloadOverrun, "the hidden data is longer than announced"},
      {kNotAContainer, "not a container"},
      {kNotARecord, "the hidden data is not a package"},
      {kOldFormat, "a container of the older layout"},
      {kMalformedRecord, "malformed data"},
      {kDecompressionFailed, "the compressed data is damaged"},
      {kBadCompression, "unknown compression setting"},
      {kCipherFailed, "the encrypted data is damaged"},
      {kUnknownCipher, "unknown cipher"},
      {kCipherNotSupported, "cipher not supported"},
      {kBadVector, "bad initial vector"},
      {kBadBlockLength, "bad block length"},
      {kWrongPassword, "wrong password"},
      {kPackageDamaged, "the package is damaged or was changed"},
      {kPackageTruncated, "the package ends early"},
      {kKdfTooCostly, "the key derivation asks for more memory or time than allowed"},
      {kCarrierTooSmall, "the carrier is too small"},
      {kNoHiddenData, "wrong password, or nothing hidden in the carrier"},
  };
  for (const Entry& e : kTexts) {
    if (e.code == code) return e.text;
  }
  return "error";
}

}  // namespace mv::tools
