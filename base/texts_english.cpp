// Every text of the programs in English.
// Texts are Windows-1252, as packages and both programs keep text.
#include "base/language_tables.h"

#define MV_PRODUCT_PAGE "http://www.morvalis.example/product.php?"
#define MV_SHOP_PAGE "http://www.morvalis.example/shop.php?"

namespace mv {

const char* EnglishText(TextId id) {
  switch (id) {
    case TextId::kNone:
      return "";
    case TextId::kProductName:
      return "Morvalis";
    case TextId::kFilesSaved:
      return "The files have been saved successfully to the folder \"%s\".";
    case TextId::kDecryptFailed:
      return "An error occured while decrypting.\n\nErrorcode: %i";
    case TextId::kWrongPassword:
      return "The entered password is not correct.";
    case TextId::kSuitePage:
      return MV_PRODUCT_PAGE "language=en&product=mws";
    case TextId::kPackagePage:
      return MV_PRODUCT_PAGE "language=en&product=mvb";
    case TextId::kSuiteShop:
      return MV_SHOP_PAGE "product=mws&language=en&area=shop";
    case TextId::kBrowseTitle:
      return "Into which folder do you want to decrypt the files?";
    case TextId::kInvalidFolder:
      return "The selected target folder is invalid.";
    case TextId::kTempFileFailed:
      return "An error occured while creating a temporary file.";
    case TextId::kPackageShop:
      return MV_SHOP_PAGE "product=mvb&language=en&area=shop";
    case TextId::kCopyFailed:
      return "An error occured while saving the files.\n\nErrorcode: %i";
    case TextId::kTextSaveFailed:
      return "An error occured while saving the text file.\n\nErrorcode: %i";
    case TextId::kSaveTextTitle:
      return "Morvalis - Save text";
    case TextId::kTextFilesFilter:
      return "Text files (*.txt)";
    case TextId::kTextSaved:
      return "The text of the encrypted email has been successfully saved to the file \"%s\".";
    case TextId::kPleaseWait:
      return "Please wait...";
    case TextId::kFolderExists:
      return "The folder \"%s\" already exists.\n\nThe files in this folder will be overwritten\n\nDo you want to "
     "proceed?";
    case TextId::kMoreFiles:
      return "%s and %i more file(s)";
    case TextId::kCancelled:
      return "Decryption has been canceled by user.";
    case TextId::kFolderIsFile:
      return "The specified folder is a file.\n\nPlease specify a different folder.";
    case TextId::kDamagedHeader:
      return "The package is damaged or was changed (in its header).\n\nNo file has been saved.";
    case TextId::kDamagedChunk:
      return "The package is damaged or was changed (at chunk %i).\n\nNo file has been saved.";
    case TextId::kEndsEarly:
      return "The package ends early: it is incomplete.\n\nNo file has been saved.";
    case TextId::kKdfTooCostly:
      return "To check the password, the package asks for more memory or time than is allowed.";
    case TextId::kMemoryAreaFull:
      return "The memory is too full for the decrypted files: decrypting once more on the disk.";
    case TextId::kPasswordNotHeld:
      return "The password holds characters that no password of this package can hold (%s).\n\nPlease enter it again.";
    case TextId::kMemoryShort:
      return "There is too little free memory for the decrypted files: decrypting on the disk.";
    case TextId::kWriteFailed:
      return "Error writing data to file!!!";
    case TextId::kNoLayout:
      return "This file is a self decrypting file. It contains encrypted and compressed data.";
    case TextId::kMore:
      return "-- more (Enter or space; q: skip the rest) --";
    case TextId::kAccept:
      return "Do you accept these terms?";
    case TextId::kNotAccepted:
      return "The terms were not accepted; nothing was decrypted.";
    case TextId::kYesNo:
      return " [y/N] ";
    case TextId::kPassword:
      return "Password: ";
    case TextId::kPasswordNotText:
      return "That password arrived as bytes that are no UTF-8 text (is the terminal set to UTF-8?). Please try again.";
    case TextId::kStopped:
      return "Decryption has been stopped: the program was asked to end (%s).";
    case TextId::kTimeLeft:
      return "%s left";
    case TextId::kFiles:
      return "The self decrypting package contains these files:";
    case TextId::kSaveFiles:
      return "Save the files to [%s]: ";
    case TextId::kNothingSaved:
      return "Nothing was saved.";
    case TextId::kNothingMoreSaved:
      return "No more files were saved.";
    case TextId::kTildeUser:
      return "Only \"~\" and \"~/\" stand for your home folder here. For a folder whose name begins with \"~\", write "
    "\"./%s\".";
    case TextId::kNoHome:
      return "There is no home folder to put in place of \"~\" (HOME is not set).";
    case TextId::kControlCharacters:
      return "The path holds control characters (shown as ^X): %s. Please type it again.";
    case TextId::kReplaced:
      return "These files in it will be replaced (%i):";
    case TextId::kNoneReplaced:
      return "None of the files in it has the name of a file of the package.";
    case TextId::kAndMore:
      return "  ... and %i more";
    case TextId::kNotSaved:
      return "Not saved (%i of %i files):";
    case TextId::kSavedCount:
      return "Saved: %i of %i files, in \"%s\".";
    case TextId::kCause:
      return "Cause: %s.";
    case TextId::kCauseNotAFolder:
      return "Cause: \"%s\" is a file where a folder is needed.";
    case TextId::kCauseIsFolder:
      return "Cause: \"%s\" is a folder.";
    case TextId::kCauseReadOnlyFile:
      return "Cause: the file \"%s\" is read-only.";
    case TextId::kCauseNoPermission:
      return "Cause: you may not write into the folder \"%s\" (permission denied).";
    case TextId::kCauseReadOnlyDevice:
      return "Cause: the folder \"%s\" lies on a read-only file system.";
    case TextId::kCauseNoSpace:
      return "Cause: the file system holding \"%s\" has too little free space (%s free).";
    case TextId::kTempFolder:
      return "The temporary folder is \"%s\" (TMPDIR names another).";
    case TextId::kFailedEntry:
      return "The failure came with the entry \"%s\".";
    case TextId::kMessage:
      return "Decrypted email text:";
    case TextId::kAttachments:
      return "Attachments: %s";
    case TextId::kSaveAttachments:
      return "Save the attachments to [%s] (Ctrl-D: do not save): ";
    case TextId::kAttachmentsNotSaved:
      return "The attachments were not saved.";
    case TextId::kSaveTextQuestion:
      return "Save the email text to a file?";
    case TextId::kSaveText:
      return "Save the text to [%s]: ";
    case TextId::kReplaceFile:
      return "The file \"%s\" already exists. Replace it?";
    case TextId::kTextNotSaved:
      return "The email text was not saved.";
    case TextId::kNoTerminal:
      return "This package asks its questions on a terminal, and standard input or output is not one.\n"
    "Decrypt it with the decrypt command instead; -pwdfile=- reads the password from the first line of\n"
    "standard input (-pwdfile=FILE: from a file):\n"
    "  %1$s decrypt -pwdfile=- -targetdir=FOLDER [-messagefile=FILE]\n"
    "  %1$s --list -pwdfile=-      (lists the entries, decrypts nothing to disk)\n"
    "-pwd=PASSWORD works too, but shows the password to other users in the process list\n"
    "and keeps it in the shell's history. More: %1$s --help\n";
    case TextId::kHelp:
      return "Usage: %1$s [--list [-pwdfile=FILE] | --help]\n"
    "       %1$s decrypt -pwdfile=FILE -targetdir=FOLDER [-messagefile=FILE] [-replace] [-debug]\n"
    "\n"
    "Decrypts the package this program carries. Without arguments it asks on the\n"
    "terminal: the password, then where to save the files, or it shows the message.\n"
    "\n"
    "  --list      asks the password and lists every entry of the package (kind,\n"
    "              size, time of the last change, path); decrypts nothing to disk\n"
    "  -h, --help  shows this text\n"
    "  decrypt     decrypts without questions. The password is the first line of\n"
    "              FILE (\"-\": standard input); -pwd=PASSWORD works too, but shows\n"
    "              the password in the process list and the shell's history.\n"
    "              -targetdir must not exist unless -replace is given.\n"
    "\n"
    "Exit status: 0 success; 1 no package; 2 no terminal for the questions;\n"
    "30 and 32 bad arguments; 40 terms not accepted, or no password given;\n"
    "235 the target folder exists; 80 the message file exists; 711 wrong password\n"
    "(the shell shows 199); others are errors of decryption or copying.\n";
    case TextId::kListNeedsPassword:
      return "--list asks the password on a terminal; without one, give -pwdfile=FILE (\"-\": standard input).\n";
    case TextId::kListSummary:
      return "%i file(s), %i folder(s); message text: %s";
    case TextId::kListMessage:
      return "yes (%i characters)";
    case TextId::kListNoMessage:
      return "none";
    case TextId::kPackerTitle:
      return "Morvalis Packer";
    case TextId::kPackerAddFilesTitle:
      return "Add files to the package";
    case TextId::kPackerAddFolderTitle:
      return "Add a folder to the package";
    case TextId::kPackerAllFilesFilter:
      return "All files (*.*)";
    case TextId::kPackerTotal:
      return "Total: %s bytes";
    case TextId::kPackerNamesFit:
      return "Every name can be packed.";
    case TextId::kPackerKindWindows:
      return "Self-extractor for Windows (.exe)";
    case TextId::kPackerKindLinux:
      return "Self-extractor for Linux";
    case TextId::kPackerKindContainer:
      return "Container file (.mef)";
    case TextId::kPackerCompressionBest:
      return "Best";
    case TextId::kPackerCompressionFast:
      return "Fast";
    case TextId::kPackerCompressionNone:
      return "None (store only)";
    case TextId::kPackerStrengthWeak:
      return "Strength: weak (about %i bits)";
    case TextId::kPackerStrengthFair:
      return "Strength: fair (about %i bits)";
    case TextId::kPackerStrengthStrong:
      return "Strength: strong (about %i bits)";
    case TextId::kPackerPasswordMismatch:
      return "The two passwords differ. Type the same password in both fields.";
    case TextId::kPackerPasswordMissing:
      return "Type a password for the package.";
    case TextId::kPackerNothingToPack:
      return "Add the files or folders to pack first.";
    case TextId::kPackerNamesRefused:
      return "Some names cannot be packed (see the list below). Remove or rename them first.";
    case TextId::kPackerSaveTitle:
      return "Save the package as";
    case TextId::kPackerProgramsFilter:
      return "Programs (*.exe)";
    case TextId::kPackerContainersFilter:
      return "Container files (*.mef)";
    case TextId::kPackerPacking:
      return "Packing...";
    case TextId::kPackerDone:
      return "The package is ready: %s\n\nSend the password to the receiver another way than the package (by phone, say).";
    case TextId::kPackerFailed:
      return "The package was not made:\n\n%s";
    case TextId::kPackerCancelled:
      return "Packing was cancelled. Nothing was written.";
    case TextId::kPackerSendToMade:
      return "This program is now in the Send To menu of Explorer: select files, right-click, Send to, Morvalis Packer.";
    case TextId::kPackerSendToFailed:
      return "The shortcut could not be made in the Send To folder (code %i).";
    case TextId::kPackerSizeBytes:
      return "%s bytes";
    case TextId::kPackerNameHasNoForm:
      return "a name here has a character without a Windows-1252 form";
    case TextId::kPackerProposed:
      return "Proposed passphrase (note it for the receiver): %s";
    case TextId::kPackerCancelButton:
      return "Cancel";
    case TextId::kPackerCloseButton:
      return "Close";
    case TextId::kPackerStepItems:
      return "Step 1 of 5: what to pack";
    case TextId::kPackerStepKind:
      return "Step 2 of 5: the kind of package";
    case TextId::kPackerStepLayout:
      return "Step 3 of 5: what the receiver sees (optional)";
    case TextId::kPackerStepPassword:
      return "Step 4 of 5: the password";
    case TextId::kPackerStepPacking:
      return "Step 5 of 5: packing";
    case TextId::kPackerStepDone:
      return "The package is made";
    case TextId::kPackerNextButton:
      return "&Next >";
    case TextId::kPackerPackButton:
      return "P&ack...";
    case TextId::kPackerPictureTitle:
      return "Choose a picture for the package";
    case TextId::kPackerPicturesFilter:
      return "Pictures (*.bmp)";
    case TextId::kPackerAttachmentsNote:
      return "With an e-mail text, the files and folders become its attachments.";
    case TextId::kPackerContainerLayout:
      return "A container file carries only the e-mail text; the rest belongs to a self-extractor.";
    case TextId::kPackerTextHasNoForm:
      return "A text of this step holds a character that a package cannot hold (it has no Windows-1252 form): %s";
    case TextId::kPackerPictureUnusable:
      return "The picture cannot be shown: %s is no readable BMP file of at most 16 MiB.";
    case TextId::kPackerChecking:
      return "Checking the names...";
    case TextId::kRefusalEmptyName:
      return "is empty";
    case TextId::kRefusalForbiddenCharacter:
      return "holds a character Windows forbids in names (\\ : ? < > * | \" or a control character)";
    case TextId::kRefusalTrailingDot:
      return "ends in a dot or blank, which Windows drops";
    case TextId::kRefusalDeviceName:
      return "is a device name on Windows (CON, PRN, AUX, NUL, COM1-9, LPT1-9, ..., with any extension)";
    case TextId::kRefusalNoFormUnshown:
      return "has no Windows-1252 form (each '?' stands for a character it lacks)";
    case TextId::kRefusalNoForm:
      return "has no Windows-1252 form: %s";
    case TextId::kRefusalUnreadable:
      return "cannot be opened for reading";
    case TextId::kRefusalFileTooLarge:
      return "is %s bytes; a package holds files of at most %s bytes (4 GiB less 64 KiB)";
    case TextId::kRefusalUnlisted:
      return "cannot be listed";
    case TextId::kRefusalLetterCase:
      return "differs from %s only in letter case, which Windows cannot keep apart";
    case TextId::kRefusalTotalTooLarge:
      return "the files add up to %s bytes with their records; a package holds at most %s bytes in all (4 GiB less one byte)";
    case TextId::kRefusalHeading:
      return "nothing was written; these cannot be packed:";
    case TextId::kRefusalSameName:
      return "two inputs have the name '%s'";
    case TextId::kRefusalMissing:
      return "no such file or folder: %s";
    case TextId::kRefusalRoot:
      return "cannot pack '%s' under a name of its own; name a folder inside it instead";
    case TextId::kRefusalNeitherFileNorFolder:
      return "cannot pack '%s': it is neither a file nor a folder, nor a link to one";
    case TextId::kRefusalInputName:
      return "cannot pack '%s': its name %s";
  }
  return nullptr;
}

const char* EnglishResultText(ResultId id) {
  switch (id) {
    case ResultId::kOk:
      return "success";
    case ResultId::kNoPayload:
      return "the program carries no package";
    case ResultId::kFailed:
      return "the operation failed";
    case ResultId::kProgramNotFound:
      return "the program to start does not exist";
    case ResultId::kNoTerminal:
      return "no terminal for the questions";
    case ResultId::kFilterModeRefused:
      return "a stream could not be set up";
    case ResultId::kNotOpen:
      return "not open";
    case ResultId::kBadArgument:
      return "invalid argument";
    case ResultId::kUnknownSwitch:
      return "unknown switch";
    case ResultId::kCancelled:
      return "cancelled";
    case ResultId::kUnsupported:
      return "not supported";
    case ResultId::kWrongDirection:
      return "a stream was used the wrong way";
    case ResultId::kMessageFileExists:
      return "the message file exists";
    case ResultId::kMessageFileInPackage:
      return "the message file would replace a file of the package";
    case ResultId::kOutOfMemory:
      return "out of memory";
    case ResultId::kDiskFull:
      return "not enough free disk space";
    case ResultId::kTempFileNotCreated:
      return "cannot create a temporary file";
    case ResultId::kFileNotFound:
      return "no such file";
    case ResultId::kCannotOverwrite:
      return "cannot overwrite the file";
    case ResultId::kCannotOpen:
      return "cannot open the file";
    case ResultId::kShortWrite:
      return "cannot write the file";
    case ResultId::kShortRead:
      return "the data ends early";
    case ResultId::kEmptyPath:
      return "empty path";
    case ResultId::kCannotDeleteFile:
      return "cannot delete the file";
    case ResultId::kTargetFileExists:
      return "the target file exists";
    case ResultId::kCannotRenameFile:
      return "cannot rename the file";
    case ResultId::kOutputExists:
      return "the file exists already (--force replaces it)";
    case ResultId::kBadFolder:
      return "not a usable folder";
    case ResultId::kFolderNotFound:
      return "no such folder";
    case ResultId::kAccessDenied:
      return "access denied";
    case ResultId::kCannotRemoveFolder:
      return "cannot remove the folder";
    case ResultId::kCannotRenameFolder:
      return "cannot rename the folder";
    case ResultId::kFolderNotMade:
      return "cannot create the folder";
    case ResultId::kTargetFolderExists:
      return "the target folder exists";
    case ResultId::kUnsafeEntryPath:
      return "an entry would be written outside the target folder";
    case ResultId::kLinkInTarget:
      return "a symbolic link is in the way (never followed)";
    case ResultId::kPathTooLong:
      return "an entry's path is too long or too deep";
    case ResultId::kNoFreeTempName:
      return "no free temporary name";
    case ResultId::kPayloadOverrun:
      return "the hidden data is longer than announced";
    case ResultId::kNotAContainer:
      return "not a container";
    case ResultId::kNotARecord:
      return "the hidden data is not a package";
    case ResultId::kOldFormat:
      return "a container of the older layout";
    case ResultId::kStubSigned:
      return "the stub is signed; pack with an unsigned stub and sign the self-extractor afterwards";
    case ResultId::kMalformedRecord:
      return "malformed data";
    case ResultId::kRecordTooLarge:
      return "the package's records need more memory than allowed";
    case ResultId::kDecompressionFailed:
      return "the compressed data is damaged";
    case ResultId::kBadCompression:
      return "unknown compression setting";
    case ResultId::kCipherFailed:
      return "the encrypted data is damaged";
    case ResultId::kUnknownCipher:
      return "unknown cipher";
    case ResultId::kCipherNotSupported:
      return "cipher not supported";
    case ResultId::kBadVector:
      return "bad initial vector";
    case ResultId::kBadBlockLength:
      return "bad block length";
    case ResultId::kWrongPassword:
      return "wrong password";
    case ResultId::kWindowTooLarge:
      return "the compressed content asks for more memory than allowed";
    case ResultId::kNoRandomSource:
      return "the system's random generator failed";
    case ResultId::kPackageDamaged:
      return "the package is damaged or was changed";
    case ResultId::kPackageTruncated:
      return "the package ends early";
    case ResultId::kKdfTooCostly:
      return "the key derivation asks for more memory or time than allowed";
    case ResultId::kCarrierTooSmall:
      return "the carrier is too small";
    case ResultId::kNoHiddenData:
      return "wrong password, or nothing hidden in the carrier";
  }
  return nullptr;
}

}  // namespace mv
