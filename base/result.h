// Every result code of the system, by name. Every operation returns one of
// these as an unsigned 32-bit number; 0 is success. No exceptions cross a
// module border. Numbers appear only here (and in tests that check a value
// users or other programs see, such as an exit code).
#pragma once

#include <cstdint>

namespace mv {

using Result = uint32_t;

// Success and generic outcomes.
inline constexpr Result kOk = 0;
inline constexpr Result kNoPayload = 1;          // no payload header in the _qzpk_ section
inline constexpr Result kFailed = 1;             // a small helper failed (attributes, folder, registry, program start)
inline constexpr Result kProgramNotFound = 2;    // the program file to start does not exist
inline constexpr Result kNoTerminal = 2;         // Linux stub: its questions need a terminal and there is none (a usage error)

// Streams, arguments and control flow.
inline constexpr Result kFilterModeRefused = 10; // a filter could not take its inner stream's mode
inline constexpr Result kNotOpen = 11;           // no inner stream, closed stream, reader not open, cipher not set up
inline constexpr Result kBadArgument = 30;       // null/invalid argument, refused transfer, bad path on the command line
inline constexpr Result kUnknownSwitch = 32;     // unknown switch or unknown command
inline constexpr Result kCancelled = 40;         // cancelled by the user (also: disclaimer declined)
inline constexpr Result kUnsupported = 50;       // cipher id, compression setting or container kind not supported
inline constexpr Result kWrongDirection = 60;    // read on a writing stream, write on a reading one, unknown mode
inline constexpr Result kMessageFileExists = 80; // the message file exists and replace was not given
inline constexpr Result kMessageFileInPackage = 81; // the message file would take the place of a file of the package
inline constexpr Result kOutOfMemory = 101;      // a buffer could not be allocated
inline constexpr Result kDiskFull = 111;         // fewer free bytes on the drive than needed

// Files and folders.
inline constexpr Result kTempFileNotCreated = 200;  // the temporary container file could not be created
inline constexpr Result kFileNotFound = 201;        // the file does not exist
inline constexpr Result kCannotOverwrite = 203;     // attributes not cleared, or not opened for overwriting
inline constexpr Result kCannotOpen = 204;          // the file cannot be opened
inline constexpr Result kShortWrite = 205;          // fewer bytes written than asked, or a write failed
inline constexpr Result kShortRead = 208;           // fewer bytes read than asked
inline constexpr Result kEmptyPath = 209;           // an empty path was given
inline constexpr Result kCannotDeleteFile = 210;    // the file could not be deleted
inline constexpr Result kTargetFileExists = 211;    // the target file exists (or a copy write was short)
inline constexpr Result kCannotRenameFile = 212;    // the target name exists or the rename failed
inline constexpr Result kBadFolder = 220;           // not an existing folder, another parent, attributes locked
inline constexpr Result kFolderNotFound = 221;      // the folder does not exist or cannot be listed
inline constexpr Result kAccessDenied = 223;        // access denied
inline constexpr Result kCannotRemoveFolder = 230;  // the folder could not be removed
inline constexpr Result kCannotRenameFolder = 232;  // the target folder exists or the rename failed
inline constexpr Result kFolderNotMade = 234;       // a (work or parent) folder could not be made
inline constexpr Result kTargetFolderExists = 235;  // the target folder exists and replace was not given
inline constexpr Result kUnsafeEntryPath = 240;     // an entry name or folder would leave the folder being extracted into
inline constexpr Result kLinkInTarget = 241;        // a symbolic link or junction below the folder being written (never followed)
inline constexpr Result kPathTooLong = 242;         // an entry's path is over 4,096 bytes or 256 levels deep
inline constexpr Result kNoFreeTempName = 250;      // no free temporary name could be found

// Records, containers and carriers.
inline constexpr Result kPayloadOverrun = 301;      // more bytes moved than the carrier payload size
inline constexpr Result kNotAContainer = 310;       // wrong format mark, cipher or carrier code, unknown file kind
inline constexpr Result kNotARecord = 311;          // carrier content is not a record
inline constexpr Result kOldFormat = 312;           // older container layout (mark at offset 0)
inline constexpr Result kMalformedRecord = 320;     // a record count or length out of bounds, or an entry where none belongs
inline constexpr Result kRecordTooLarge = 321;      // the records of one read need more memory than their budget
inline constexpr Result kDecompressionFailed = 600; // zlib error, bad stored or decompressed length
inline constexpr Result kBadCompression = 601;      // compression setting not 0, 1 or 2

// Ciphers and passwords.
inline constexpr Result kCipherFailed = 700;        // cipher set-up or block operation failed; chunk length above limit
inline constexpr Result kUnknownCipher = 701;       // unknown cipher id
inline constexpr Result kCipherNotSupported = 702;  // reserved cipher id or unsupported block size
inline constexpr Result kBadVector = 705;           // initialisation vector of the wrong size
inline constexpr Result kBadBlockLength = 706;      // length not a multiple of the block size
inline constexpr Result kWrongPassword = 711;       // the password check does not match
inline constexpr Result kNoRandomSource = 720;      // the operating system's random generator failed
inline constexpr Result kPackageDamaged = 730;      // strong kind: a check of the header or a chunk failed (damaged or changed)
inline constexpr Result kPackageTruncated = 731;    // strong kind: the package ends before its last chunk
inline constexpr Result kKdfTooCostly = 732;        // strong kind: the key derivation asks for more memory or time than allowed
inline constexpr Result kWindowTooLarge = 733;      // strong kind: the content's decompression window is larger than a reader allows
inline constexpr Result kCarrierTooSmall = 780;     // the carrier cannot hold the payload
inline constexpr Result kNoHiddenData = 781;        // carrier: wrong password or nothing hidden

// Progress protocol codes (values of a progress notification, not results).
inline constexpr int32_t kProgressBegin = 100;
inline constexpr int32_t kProgressBeginPhase = 101;
inline constexpr int32_t kProgressPosition = 102;
inline constexpr int32_t kProgressStatusText = 103;
inline constexpr int32_t kProgressEndPhase = 104;
inline constexpr int32_t kProgressEnd = 105;

}  // namespace mv
