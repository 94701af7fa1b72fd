// Every result code of the system, in one list: its name, its number, what
// it is besides its text (its properties) and the dialog's own text for it.
// Every operation returns one of these as an unsigned 32-bit number; 0 is
// success. No exceptions cross a module border. Numbers appear only here (and
// in tests that check a value users or other programs see, such as an exit
// code). Each language's description of every code is in its text table
// (base/texts_*.cpp); the build refuses a table that misses one.
//
// To add a code: one line here, one description in each text table.
#pragma once

#include <cstdint>
#include <span>

#include "base/text_id.h"

namespace mv {

using Result = uint32_t;

// What a code is besides its text.
namespace result_property {
inline constexpr uint32_t kNone = 0;
// The file system's state explains it: the terminal tells what it found.
inline constexpr uint32_t kFileProblem = 1;
// Speaks for a whole copy before other failures (a full disk) ...
inline constexpr uint32_t kOutweighs = 2;
// ... and before that (a link refused in the target: something tried to
// lead the copy elsewhere).
inline constexpr uint32_t kOutweighsAll = 4;
// Shares its number with an earlier code on purpose (both are exit codes
// users know); the number is described by the earlier one.
inline constexpr uint32_t kSecondMeaning = 8;
}  // namespace result_property

// X(name, number, properties, the dialog's own text or kNone)
#define MV_RESULT_CODES(X) \
  /* Success and generic outcomes. */ \
  X(kOk, 0, kNone, kNone)                             /* success */ \
  X(kFailed, 1, kNone, kNone)                         /* a small helper failed (attributes, folder, registry, program start) */ \
  X(kNoPayload, 1, kSecondMeaning, kNone)             /* no payload header in the _qzpk_ section (the program's exit code) */ \
  X(kProgramNotFound, 2, kNone, kNone)                /* the program file to start does not exist */ \
  X(kNoTerminal, 2, kSecondMeaning, kNone)            /* Linux stub: its questions need a terminal and there is none (a usage error) */ \
  /* Streams, arguments and control flow. */ \
  X(kFilterModeRefused, 10, kNone, kNone)             /* a filter could not take its inner stream's mode */ \
  X(kNotOpen, 11, kNone, kNone)                       /* no inner stream, closed stream, reader not open, cipher not set up */ \
  X(kBadArgument, 30, kNone, kNone)                   /* null/invalid argument, refused transfer, bad path on the command line */ \
  X(kUnknownSwitch, 32, kNone, kNone)                 /* unknown switch or unknown command */ \
  X(kCancelled, 40, kNone, kCancelled)                /* cancelled by the user (also: disclaimer declined) */ \
  X(kUnsupported, 50, kNone, kNone)                   /* cipher id, compression setting or container kind not supported */ \
  X(kWrongDirection, 60, kNone, kNone)                /* read on a writing stream, write on a reading one, unknown mode */ \
  X(kMessageFileExists, 80, kNone, kNone)             /* the message file exists and replace was not given */ \
  X(kMessageFileInPackage, 81, kNone, kNone)          /* the message file would take the place of a file of the package */ \
  X(kOutOfMemory, 101, kNone, kNone)                  /* a buffer could not be allocated */ \
  X(kDiskFull, 111, kFileProblem | kOutweighs, kNone) /* fewer free bytes on the drive than needed */ \
  /* Files and folders. */ \
  X(kTempFileNotCreated, 200, kFileProblem, kNone)    /* the temporary container file could not be created */ \
  X(kFileNotFound, 201, kNone, kNone)                 /* the file does not exist */ \
  X(kCannotOverwrite, 203, kFileProblem, kNone)       /* attributes not cleared, or not opened for overwriting */ \
  X(kCannotOpen, 204, kFileProblem, kNone)            /* the file cannot be opened */ \
  X(kShortWrite, 205, kFileProblem, kNone)            /* fewer bytes written than asked, or a write failed */ \
  X(kShortRead, 208, kNone, kNone)                    /* fewer bytes read than asked */ \
  X(kEmptyPath, 209, kNone, kNone)                    /* an empty path was given */ \
  X(kCannotDeleteFile, 210, kNone, kNone)             /* the file could not be deleted */ \
  X(kTargetFileExists, 211, kNone, kNone)             /* the target file exists (or a copy write was short) */ \
  X(kCannotRenameFile, 212, kFileProblem, kNone)      /* the target name exists or the rename failed */ \
  X(kOutputExists, 213, kNone, kNone)                 /* the packer's output file exists and replacing it was not asked for */ \
  X(kBadFolder, 220, kNone, kNone)                    /* not an existing folder, another parent, attributes locked */ \
  X(kFolderNotFound, 221, kNone, kNone)               /* the folder does not exist or cannot be listed */ \
  X(kAccessDenied, 223, kFileProblem, kNone)          /* access denied */ \
  X(kCannotRemoveFolder, 230, kNone, kNone)           /* the folder could not be removed */ \
  X(kCannotRenameFolder, 232, kNone, kNone)           /* the target folder exists or the rename failed */ \
  X(kFolderNotMade, 234, kFileProblem, kNone)         /* a (work or parent) folder could not be made */ \
  X(kTargetFolderExists, 235, kNone, kNone)           /* the target folder exists and replace was not given */ \
  X(kUnsafeEntryPath, 240, kNone, kNone)              /* an entry name or folder would leave the folder being extracted into */ \
  X(kLinkInTarget, 241, kOutweighsAll, kNone)         /* a symbolic link or junction below the folder being written (never followed) */ \
  X(kPathTooLong, 242, kNone, kNone)                  /* an entry's path is over 4,096 bytes or 256 levels deep */ \
  X(kNoFreeTempName, 250, kFileProblem, kNone)        /* no free temporary name could be found */ \
  /* Records, containers and carriers. */ \
  X(kPayloadOverrun, 301, kNone, kNone)               /* more bytes moved than the carrier payload size */ \
  X(kNotAContainer, 310, kNone, kNone)                /* wrong format mark, cipher or carrier code, unknown file kind */ \
  X(kNotARecord, 311, kNone, kNone)                   /* carrier content is not a record */ \
  X(kOldFormat, 312, kNone, kNone)                    /* older container layout (mark at offset 0) */ \
  X(kStubSigned, 313, kNone, kNone)                   /* the stub carries a signature: it must be signed after packing */ \
  X(kMalformedRecord, 320, kNone, kNone)              /* a record count or length out of bounds, or an entry where none belongs */ \
  X(kRecordTooLarge, 321, kNone, kNone)               /* the records of one read need more memory than their budget */ \
  X(kDecompressionFailed, 600, kNone, kNone)          /* zlib error, bad stored or decompressed length */ \
  X(kBadCompression, 601, kNone, kNone)               /* compression setting not 0, 1 or 2 */ \
  /* Ciphers and passwords. */ \
  X(kCipherFailed, 700, kNone, kNone)                 /* cipher set-up or block operation failed; chunk length above limit */ \
  X(kUnknownCipher, 701, kNone, kNone)                /* unknown cipher id */ \
  X(kCipherNotSupported, 702, kNone, kNone)           /* reserved cipher id or unsupported block size */ \
  X(kBadVector, 705, kNone, kNone)                    /* initialisation vector of the wrong size */ \
  X(kBadBlockLength, 706, kNone, kNone)               /* length not a multiple of the block size */ \
  X(kWrongPassword, 711, kNone, kWrongPassword)       /* the password check does not match */ \
  X(kNoRandomSource, 720, kNone, kNone)               /* the operating system's random generator failed */ \
  X(kPackageDamaged, 730, kNone, kDamagedHeader)      /* strong kind: a check of the header or a chunk failed (damaged or changed) */ \
  X(kPackageTruncated, 731, kNone, kEndsEarly)        /* strong kind: the package ends before its last chunk */ \
  X(kKdfTooCostly, 732, kNone, kKdfTooCostly)         /* strong kind: the key derivation asks for more memory or time than allowed */ \
  X(kWindowTooLarge, 733, kNone, kNone)               /* strong kind: the content's decompression window is larger than a reader allows */ \
  X(kCarrierTooSmall, 780, kNone, kNone)              /* the carrier cannot hold the payload */ \
  X(kNoHiddenData, 781, kNone, kNone)                 /* carrier: wrong password or nothing hidden */

#define MV_RESULT_CONSTANT(name, number, properties, dialog_text) inline constexpr Result name = number;
MV_RESULT_CODES(MV_RESULT_CONSTANT)
#undef MV_RESULT_CONSTANT

// Each code by its place in the list, for the text tables.
enum class ResultId : uint16_t {
#define MV_RESULT_ID(name, number, properties, dialog_text) name,
  MV_RESULT_CODES(MV_RESULT_ID)
#undef MV_RESULT_ID
};

struct ResultInfo {
  Result code;
  ResultId id;
  const char* name;
  uint32_t properties;
  TextId dialog_text;  // TextId::kNone: the general "error while decrypting" with the code
};

// Every code, in the order of the list.
std::span<const ResultInfo> AllResults();

// The code's entry (the first with its number); null for a number no code has.
const ResultInfo* FindResult(Result code);

bool HasResultProperty(Result code, uint32_t property);

// Progress protocol codes (values of a progress notification, not results).
inline constexpr int32_t kProgressBegin = 100;
inline constexpr int32_t kProgressBeginPhase = 101;
inline constexpr int32_t kProgressPosition = 102;
inline constexpr int32_t kProgressStatusText = 103;
inline constexpr int32_t kProgressEndPhase = 104;
inline constexpr int32_t kProgressEnd = 105;

}  // namespace mv
