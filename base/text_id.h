// The name of every text the programs show a person, in one list. The texts
// themselves are in one table per language (base/texts_*.cpp), which the
// build refuses when it misses one; base/text_catalogue.h finds them. The
// numbers are stable: a text's number travels in progress notifications.
//
// To add a text: one line here, one case in each language's table.
#pragma once

#include <cstdint>

namespace mv {

// X(name, number)
#define MV_TEXT_IDS(X) \
  X(kNone, 0) \
  /* The dialogs' and the reports' texts, also the terminal's where both apply. */ \
  X(kProductName, 1) \
  X(kFilesSaved, 2) \
  X(kDecryptFailed, 3) \
  X(kWrongPassword, 4) \
  X(kSuitePage, 5) \
  X(kPackagePage, 6) \
  X(kSuiteShop, 7) \
  X(kBrowseTitle, 8) \
  X(kInvalidFolder, 9) \
  X(kTempFileFailed, 10) \
  X(kPackageShop, 12) \
  X(kCopyFailed, 13) \
  X(kTextSaveFailed, 14) \
  X(kSaveTextTitle, 15) \
  X(kTextFilesFilter, 16) \
  X(kTextSaved, 17) \
  X(kPleaseWait, 18) \
  X(kFolderExists, 19) \
  X(kMoreFiles, 20) \
  X(kCancelled, 21) \
  X(kFolderIsFile, 22) \
  X(kDamagedHeader, 23) \
  X(kDamagedChunk, 24) \
  X(kEndsEarly, 25) \
  X(kKdfTooCostly, 26) \
  X(kMemoryAreaFull, 27) \
  X(kPasswordNotHeld, 28) \
  X(kWriteFailed, 29) \
  X(kMemoryShort, 30) \
  /* What only the terminal shows. */ \
  X(kNoLayout, 100) \
  X(kMore, 101) \
  X(kAccept, 102) \
  X(kNotAccepted, 103) \
  X(kYesNo, 104) \
  X(kPassword, 105) \
  X(kPasswordNotText, 106) \
  X(kStopped, 107) \
  X(kTimeLeft, 108) \
  X(kFiles, 109) \
  X(kSaveFiles, 110) \
  X(kNothingSaved, 111) \
  X(kNothingMoreSaved, 112) \
  X(kTildeUser, 113) \
  X(kNoHome, 114) \
  X(kControlCharacters, 115) \
  X(kReplaced, 116) \
  X(kNoneReplaced, 117) \
  X(kAndMore, 118) \
  X(kNotSaved, 119) \
  X(kSavedCount, 120) \
  X(kCause, 121) \
  X(kCauseNotAFolder, 122) \
  X(kCauseIsFolder, 123) \
  X(kCauseReadOnlyFile, 124) \
  X(kCauseNoPermission, 125) \
  X(kCauseReadOnlyDevice, 126) \
  X(kCauseNoSpace, 127) \
  X(kTempFolder, 128) \
  X(kFailedEntry, 129) \
  X(kMessage, 130) \
  X(kAttachments, 131) \
  X(kSaveAttachments, 132) \
  X(kAttachmentsNotSaved, 133) \
  X(kSaveTextQuestion, 134) \
  X(kSaveText, 135) \
  X(kReplaceFile, 136) \
  X(kTextNotSaved, 137) \
  X(kNoTerminal, 138) \
  X(kHelp, 139) \
  X(kListNeedsPassword, 140) \
  X(kListSummary, 141) \
  X(kListMessage, 142) \
  X(kListNoMessage, 143) \
  X(kPackerTitle, 200) \
  X(kPackerAddFilesTitle, 201) \
  X(kPackerAddFolderTitle, 202) \
  X(kPackerAllFilesFilter, 203) \
  X(kPackerTotal, 204) \
  X(kPackerNamesFit, 205) \
  X(kPackerKindWindows, 206) \
  X(kPackerKindLinux, 207) \
  X(kPackerKindContainer, 208) \
  X(kPackerCompressionBest, 209) \
  X(kPackerCompressionFast, 210) \
  X(kPackerCompressionNone, 211) \
  X(kPackerStrengthWeak, 212) \
  X(kPackerStrengthFair, 213) \
  X(kPackerStrengthStrong, 214) \
  X(kPackerPasswordMismatch, 215) \
  X(kPackerPasswordMissing, 216) \
  X(kPackerNothingToPack, 217) \
  X(kPackerNamesRefused, 218) \
  X(kPackerSaveTitle, 219) \
  X(kPackerProgramsFilter, 220) \
  X(kPackerContainersFilter, 221) \
  X(kPackerPacking, 222) \
  X(kPackerDone, 223) \
  X(kPackerFailed, 224) \
  X(kPackerCancelled, 225) \
  X(kPackerSendToMade, 226) \
  X(kPackerSendToFailed, 227) \
  X(kPackerSizeBytes, 228) \
  X(kPackerNameHasNoForm, 229) \
  X(kPackerProposed, 230) \
  X(kPackerCancelButton, 231) \
  X(kPackerCloseButton, 232) \
  X(kPackerStepItems, 233) \
  X(kPackerStepKind, 234) \
  X(kPackerStepLayout, 235) \
  X(kPackerStepPassword, 236) \
  X(kPackerStepPacking, 237) \
  X(kPackerStepDone, 238) \
  X(kPackerNextButton, 239) \
  X(kPackerPackButton, 240) \
  X(kPackerPictureTitle, 241) \
  X(kPackerPicturesFilter, 242) \
  X(kPackerAttachmentsNote, 243) \
  X(kPackerContainerLayout, 244) \
  X(kPackerTextHasNoForm, 245) \
  X(kPackerPictureUnusable, 246) \
  X(kPackerChecking, 247) \
  X(kRefusalEmptyName, 248) \
  X(kRefusalForbiddenCharacter, 249) \
  X(kRefusalTrailingDot, 250) \
  X(kRefusalDeviceName, 251) \
  X(kRefusalNoFormUnshown, 252) \
  X(kRefusalNoForm, 253) \
  X(kRefusalUnreadable, 254) \
  X(kRefusalFileTooLarge, 255) \
  X(kRefusalUnlisted, 256) \
  X(kRefusalLetterCase, 257) \
  X(kRefusalTotalTooLarge, 258) \
  X(kRefusalHeading, 259) \
  X(kRefusalSameName, 260) \
  X(kRefusalMissing, 261) \
  X(kRefusalRoot, 262) \
  X(kRefusalNeitherFileNorFolder, 263) \
  X(kRefusalInputName, 264)

enum class TextId : uint32_t {
#define MV_TEXT_ID(name, number) name = number,
  MV_TEXT_IDS(MV_TEXT_ID)
#undef MV_TEXT_ID
};

}  // namespace mv
