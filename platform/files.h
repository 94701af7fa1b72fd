// The file-system services the system asks of the operating system. Code
// outside platform/ reaches files and folders only through this interface;
// platform/win32/files.cpp and platform/posix/files.cpp implement it.
//
// Paths handed in are in the system's internal form: '/' as separator, a
// folder usually named with its trailing '/', text in the program's 8-bit
// code page (Windows-1252 on POSIX). Each side converts at the call: Windows
// replaces '/' by '\', makes UTF-16 of the text with the program's own
// Windows-1252 table (never the ANSI code page) and calls the wide entry points; POSIX
// converts the text to the locale's UTF-8 (platform/codepage.h) and refuses a
// path without such a form (the operation then fails as if nothing existed).
//
// Win32 semantics are the model; the POSIX side maps them:
// - Attributes (Win32 bit values below): a file's read-only is "no write
//   permission bit set" (setting it clears every write bit, clearing it
//   grants the owner write); hidden, system and archive, and a folder's
//   read-only (a folder without write permission could not be filled, which
//   Windows does not do), live in the extended attribute
//   "user.morvalis.attributes" and read as not set where the file system has
//   none (setting them there is silently dropped). A new file has no archive
//   flag here, unlike on Windows.
// - Times are Win32 FILETIME values: 100 ns units since 1601-01-01 UTC.
//   POSIX reads the creation time only where statx reports a birth time and
//   never invents one; it cannot set a creation time, so that is ignored.
// - Drives: POSIX has no drive letters, CD-ROM or removable notion. The
//   "drive" of a path is the file system holding it: its type is fixed when
//   the path names an existing folder, and free space and cluster size come
//   from statvfs (one "sector" per cluster of the file system's block size).
// - Symbolic links (POSIX) are never followed by listings, queries, attribute
//   or time changes, deletions or the writing opens of File: a link is seen
//   as a file, so walks never leave the tree they were started on.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "base/string.h"
#include "platform/system_faults.h"

namespace mv::platform {

// Win32 file attribute bits.
inline constexpr uint32_t kAttributeReadOnly = 0x1;
inline constexpr uint32_t kAttributeHidden = 0x2;
inline constexpr uint32_t kAttributeSystem = 0x4;
inline constexpr uint32_t kAttributeDirectory = 0x10;
inline constexpr uint32_t kAttributeArchive = 0x20;
// The bits ReadAttributes can report and WriteAttributes can set.
inline constexpr uint32_t kAttributeSettable =
    kAttributeReadOnly | kAttributeHidden | kAttributeSystem | kAttributeArchive;
inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFF;

// The line end of the system's text files, and whether their text is UTF-8
// (POSIX: the locale's) or, on Windows, Windows-1252 as the editors of the
// packages' users read a file without a mark.
#ifdef _WIN32
inline constexpr char kTextLineEnd[] = "\r\n";
inline constexpr bool kTextFilesInUtf8 = false;
#else
inline constexpr char kTextLineEnd[] = "\n";
inline constexpr bool kTextFilesInUtf8 = true;
#endif

// Whether names differing only in ASCII letter case name the same file.
#ifdef _WIN32
inline constexpr bool kCaseBlindNames = true;
#else
inline constexpr bool kCaseBlindNames = false;
#endif

// Win32 drive types.
inline constexpr uint32_t kDriveUnknown = 0;
inline constexpr uint32_t kDriveNoRootFolder = 1;
inline constexpr uint32_t kDriveRemovable = 2;
inline constexpr uint32_t kDriveFixed = 3;
inline constexpr uint32_t kDriveRemote = 4;
inline constexpr uint32_t kDriveCdRom = 5;
inline constexpr uint32_t kDriveRamDisk = 6;

// --- Queries ---------------------------------------------------------------

class ConfinedFolder;

// One entry of a folder listing, or what a listing of one path finds.
struct FolderEntry {
  String name;             // the entry's own name, as the system lists it
  bool is_folder = false;  // a folder (never a symbolic link or junction)
  uint64_t size = 0;       // bytes of a file (QueryEntry; a listing leaves 0)
};

// Lists the names and kinds of the entries of one folder in the system's
// own order, "." and ".." included where the system lists them; sizes are
// not listed (each would cost a stat on POSIX). Windows: the folder's
// handle is read with NtQueryDirectoryFile; names without a form in the
// program's code page are skipped. POSIX: getdents64, asking stat only
// where the file system does not tell an entry's kind; names without a
// Windows-1252 form are skipped.
class FolderListing {
 public:
  FolderListing() = default;
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;
  ~FolderListing() { Close(); }

  // Starts listing the folder (trailing '/' optional); false when it cannot
  // be listed. An open listing is closed first.
  bool Open(const char* folder);
  // Starts listing the folder name inside the folder parent lists, opened
  // relative to parent's own handle and never through a link, so a walk
  // reaches folders of any depth and path length. parent stays open.
  bool OpenSub(const FolderListing& parent, const char* name);
  // The next entry; false when there is none left (or on a read error).
  bool Next(FolderEntry* entry);
  void Close();

 private:
  struct State;
  // Takes an open folder handle as the listing's (closed on failure).
  bool Adopt(intptr_t handle);
  State* state_ = nullptr;
};

// What a listing of exactly this path finds (Windows: FindFirstFileW on the
// path; a path holding '*' or '?' finds nothing). False when no entry of
// that name exists. The name of the entry is its last path component.
bool QueryEntry(const char* path, FolderEntry* entry);

// Whether a file system can hold the name (length bytes of the program's
// code page) as one path component: POSIX at most 255 bytes in the
// system's encoding (NAME_MAX; a name without such a form cannot be held
// at all), Windows at most 255 characters.
bool FitsNameLimit(const char* name, size_t length);

// The Win32 drive type of a root (D:/, or any folder path on POSIX), as
// GetDriveTypeW reports it for the root in native form.
uint32_t QueryDriveType(const char* root);

struct DiskSpace {
  uint32_t sectors_per_cluster = 0;
  uint32_t bytes_per_sector = 0;
  uint32_t free_clusters = 0;   // capped at 0xFFFFFFFF
  uint32_t total_clusters = 0;  // capped at 0xFFFFFFFF
};
// Free-space figures of the volume that holds path. Windows asks
// GetDiskFreeSpaceW for the root made of the path's first three characters
// (D:/ -> D:\); POSIX asks statvfs for the path itself (free clusters are
// those available to an unprivileged user). False when the query fails.
bool QueryDiskSpace(const char* path, DiskSpace* space);

// The system's temporary folder as the system reports it (GetTempPathW into
// 360 bytes; POSIX: TMPDIR when set and absolute, else /tmp/). The text is
// in the program's code page and may still carry '\' on Windows.
bool QueryTempFolder(String* folder);

// --- Attributes and times --------------------------------------------------

// The attribute bits of a file or folder (kAttributeDirectory included for
// a folder), or kInvalidAttributes when they cannot be read.
uint32_t ReadAttributes(const char* path);
// Sets the kAttributeSettable bits of a file or folder to exactly these
// (others ignored). False when that fails.
bool WriteAttributes(const char* path, uint32_t attributes);

// 100 ns units since 1601-01-01 UTC.
using FileTime = uint64_t;
struct FileTimes {
  FileTime creation = 0;
  FileTime last_access = 0;
  FileTime last_write = 0;
  bool has_creation = false;
  bool has_last_access = false;
  bool has_last_write = false;
};
// Reads the three times of a file. Windows opens it for reading with full
// sharing (CreateFileW) and asks GetFileTime. False only when the file cannot
// be opened; when the times cannot be read, true with no has_ flag set.
bool ReadFileTimes(const char* path, FileTimes* times);
// Sets the times whose has_ flag is set and leaves the others as they are.
// Windows opens the file for writing, denying other writers, and calls
// SetFileTime (its result is not reported). False only when the file cannot
// be opened (POSIX: when it does not exist or its times cannot be set).
bool WriteFileTimes(const char* path, const FileTimes& times);

// --- Changes -----------------------------------------------------------------

enum class FolderAccess {
  kShared,     // the system's defaults (POSIX: 0777 less the umask)
  kOwnerOnly,  // POSIX: 0700; Windows: the defaults of the user's own folder
};
// Creates one folder (its parent must exist). Fails when anything of that
// name exists already, a symbolic link included, so a created folder is
// always a new one.
bool CreateFolder(const char* folder, FolderAccess access);
// Removes an empty folder; the path is used as given (trailing '/' kept).
bool RemoveFolder(const char* folder);
// Deletes a file (never follows a final symbolic link). Windows refuses a
// read-only file; POSIX refuses one too, so both platforms behave alike.
bool RemoveFile(const char* path);

enum class RenameResult { kOk, kAccessDenied, kFailed };
// Renames a file or folder (paths without a trailing '/'). Never replaces an
// existing entry: the target must not exist (Windows MoveFileW; POSIX
// renameat2 with RENAME_NOREPLACE).
RenameResult Rename(const char* from, const char* to);

// Lets the owner, group and others run the file (POSIX: adds the execute
// bits its read bits allow). Windows runs files by their extension: true.
bool MakeExecutable(const char* path);

// --- File handle -------------------------------------------------------------

enum class SeekOrigin { kBegin = SEEK_SET, kCurrent = SEEK_CUR, kEnd = SEEK_END };

// A file opened for the runtime's buffered I/O, closed when the object goes.
// Reads and writes are those of the runtime (fread/fwrite), so a short count
// is the caller's to judge.
class File {
 public:
  File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  File(File&& other) noexcept : file_(other.file_), out_of_space_(other.out_of_space_) { other.file_ = nullptr; }
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      Close();
      file_ = other.file_;
      out_of_space_ = other.out_of_space_;
      other.file_ = nullptr;
    }
    return *this;
  }
  ~File() { Close(); }

  // Opens with a runtime mode: "rb", "wb", "w+b", "r+b" or "wt" (text mode:
  // Windows writes "\r\n" for "\n"). Modes that write never follow a final
  // symbolic link on POSIX and create new files with 0666 less the umask.
  // Any other mode is refused. An open file is closed first.
  bool Open(const char* path, const char* mode);
  // Creates a new file for reading and writing ("w+b"); fails when anything
  // of that name exists already, a symbolic link included (O_CREAT|O_EXCL|
  // O_NOFOLLOW, mode 0600; Windows CREATE_NEW with the temporary attribute).
  bool CreateNew(const char* path);

  bool IsOpen() const { return file_ != nullptr; }
  // Item counts of 1 byte each, as fread/fwrite return them.
  size_t Read(void* buffer, size_t length) {
    return file_ == nullptr ? 0 : std::fread(buffer, 1, length, file_);
  }
  size_t Write(const void* buffer, size_t length) {
    if (file_ == nullptr) return 0;
    // The runtime writes all or fails: a short write is not faked here.
    const Fault fault = NextFault(SystemCall::kWrite);
    if (fault != Fault::kNone && fault != Fault::kShortWrite) {
      errno = ErrnoOf(fault);
      NoteWriteFailure();
      return 0;
    }
    size_t written = std::fwrite(buffer, 1, length, file_);
    if (written < length) NoteWriteFailure();
    return written;
  }
  bool Seek(int64_t offset, SeekOrigin origin);
  // The position, or -1 on failure.
  int64_t Tell();
  // The runtime's buffer to the system (fflush).
  bool Flush() {
    if (file_ == nullptr) return false;
    if (std::fflush(file_) == 0) return true;
    NoteWriteFailure();
    return false;
  }
  // Flush, then the system's buffers to the disk (FlushFileBuffers, fsync).
  bool Sync();
  // Flush, then cut or extend the file to length bytes; the position is
  // left where it was.
  bool Truncate(uint64_t length);
  // False when the final flush or close failed (data may be lost); true
  // when nothing was open.
  bool Close() {
    if (file_ == nullptr) return true;
    std::FILE* file = file_;
    file_ = nullptr;
    if (std::fclose(file) == 0) return true;
    NoteWriteFailure();
    return false;
  }
  // After a short Write or a failed Flush or Close: true when the
  // cause was a full disk or an exhausted quota (POSIX ENOSPC or EDQUOT;
  // Windows ENOSPC, the runtime's name for a full disk), so that the caller
  // reports kDiskFull rather than another write failure. Kept until the
  // next Open or CreateNew.
  bool OutOfSpace() const { return out_of_space_; }

 private:
  // Remembers whether the failure just met (errno) means a full disk.
  void NoteWriteFailure();

  std::FILE* file_ = nullptr;
  bool out_of_space_ = false;
};

// A regular file opened to be read once from start to end, straight from
// the system without the runtime's buffer: the source of a copy. Its size,
// times and attribute bits (kAttributeSettable ones, as ReadFileTimes and
// ReadAttributes report them) are taken from the open file when it is
// opened; POSIX reports no creation time here.
class SourceFile {
 public:
  SourceFile() = default;
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;
  ~SourceFile() { Close(); }

  // False when path is no regular file or cannot be opened or asked.
  bool Open(const char* path);
  bool IsOpen() const { return handle_ != kNoHandle; }
  uint64_t GetSize() const { return size_; }
  const FileTimes& GetTimes() const { return times_; }
  uint32_t GetAttributes() const { return attributes_; }
  // Reads up to length bytes at the current position: the count read, 0 at
  // the end, -1 on failure.
  int64_t Read(void* buffer, size_t length);
  void Close();

 private:
  friend class ConfinedFile;    // copies from the handle where the system can
  friend class ConfinedFolder;  // opens sources relative to a folder
  // Takes an open handle (closed on failure): false for anything but a
  // regular file.
  bool Adopt(intptr_t handle);
  static constexpr intptr_t kNoHandle = -1;
  intptr_t handle_ = kNoHandle;  // POSIX: descriptor; Windows: HANDLE
  uint64_t size_ = 0;
  FileTimes times_;
  uint32_t attributes_ = 0;
};

}  // namespace mv::platform
