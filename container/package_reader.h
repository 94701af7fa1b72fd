// PackageReader: the one object through which the system gets at a package.
// It owns a work folder, classifies the input, decrypts the container into
// that folder (files) and its content record (the message text), and at the
// end wipes the work folder. Order of use: Open, Decrypt, GetMessageText or
// the work folder's files, Cleanup.
#pragma once

#include <cstdint>

#include "base/password.h"
#include "base/result.h"
#include "base/string.h"
#include "container/container_format.h"
#include "platform/temporary_area.h"
#include "stream/file_stream.h"
#include "stream/tag_record.h"

namespace mv {

struct ContainerJob;  // container/container_file.h

// The names of what a decryption keeps in a temporary folder while it
// runs: its work folder ("QZDX_..."), and the copy of a package's container
// that a self-extractor or the packer writes out ("qzp_....mef"). A work
// folder is made under the name "QZDW_..." and takes its "QZDX_..." name
// only once it is locked, so a "QZDX_..." folder nobody locks is always a
// leftover, even an empty one.
inline constexpr char kWorkFolderPrefix[] = "QZDX_";
inline constexpr char kNewWorkFolderPrefix[] = "QZDW_";
inline constexpr char kContainerCopyPrefix[] = "qzp_";
inline constexpr char kContainerCopyExtension[] = "mef";

struct ProgressCallback;

class PackageReader {
 public:
  PackageReader() = default;
  PackageReader(const PackageReader&) = delete;
  PackageReader& operator=(const PackageReader&) = delete;
  // Releases the members only; the work folder is the caller's to clean.
  virtual ~PackageReader() = default;

  // Opens the reader (records, password and work folder emptied, kind 0,
  // the source path kept) with this wipe mode; always kOk.
  Result Reset(uint8_t wipe_mode);
  // Opens with a work folder: an empty folder asks for a fresh temporary
  // folder "QZDX_..." in the system's temporary folder (as OpenTemporary);
  // a given folder must not exist yet and is created. kFolderNotMade (the
  // reader then closed) otherwise.
  Result Open(const String& folder);
  // Opens with a fresh work folder "QZDX_..." in parent (created by this
  // process as "QZDW_...", owner-only on POSIX, locked, then renamed),
  // whose lock (platform/temporary_area.h) is held until the reader closes,
  // so that no other run takes it for a leftover. kFolderNotMade (the
  // reader then closed) when it cannot be made, locked or named.
  Result OpenTemporary(const String& parent);
  // Stores path as the source and classifies it. kNotOpen, kEmptyPath, or
  // kOldFormat for an older sealed file; a missing file counts as sealed,
  // and so does a part of a file given by SetSourceRange.
  Result Identify(const String& path);
  // Set before Decrypt: the container is this part of the file Decrypt is
  // given (a self-extractor's payload section), read in place as an
  // ordinary container whatever the file's name; nothing is copied.
  void SetSourceRange(const FileRange& range) { range_ = range; }
  // Decrypts the container at path into the work folder and the content
  // record. kNotOpen, kFileNotFound, Identify's codes, or the container's
  // (kWrongPassword, kNotAContainer, kCancelled, ...). On failure the work
  // folder keeps what was written; Cleanup removes it.
  Result Decrypt(const String& path, const Password& password, const ProgressCallback* progress);
  // The same for an ordinary container of length bytes held in memory (a
  // self-extractor's section), read in place; name stands for it in what
  // is told. Needs only an open reader (Reset), no work folder when the
  // files are delivered.
  Result DecryptBytes(const uint8_t* data, size_t length, const String& name, const Password& password,
                      const ProgressCallback* progress);
  // The content record's message text (tag 100), "" when there is none.
  void GetMessageText(String& out) const;
  // Wipes and removes the work folder (when it exists) and closes the
  // reader. kOk, or the wipe's code.
  Result Cleanup(const ProgressCallback* progress);

  const String& GetWorkFolderPath() const { return work_folder_; }
  const String& GetSourcePath() const { return source_path_; }
  bool IsOpen() const { return open_ != 0; }
  // The content record keeps the archive entries only when asked to before
  // Decrypt (a listing of what was written); by default each entry is
  // released once its file or folder is on disk, so the memory of a read
  // does not grow with the number of files.
  void SetKeepEntries(bool keep) { keep_entries_ = keep; }
  // Has Decrypt hand every archive entry to listener as soon as its file or
  // folder is written (stream/stream.h StreamContext::entry_read).
  void SetEntryListener(Result (*listener)(const TagValue& entry, uintptr_t user), uintptr_t user) {
    entry_read_ = listener;
    entry_read_user_ = user;
  }
  // A listing only: Decrypt still checks the password and reads every
  // record (so a damaged package fails as it would), but the entries skip
  // their files' bytes and nothing is written to the work folder. The
  // entries stay in the content record, unless an entry listener takes
  // each as it is read (then memory does not grow with their number). Set
  // before Decrypt.
  void SetListOnly(bool list_only) { list_only_ = list_only; }
  // The strong kind's files go straight into the user's folder through
  // delivery (container/container_file.h) instead of into the work folder,
  // which stays empty; null (the default) for the work folder. Set before
  // Decrypt; the caller keeps delivery alive until then.
  void SetDelivery(TargetDelivery* delivery) { delivery_ = delivery; }
  // The path (relative folder + name, as the package names it) of the entry
  // whose reading made the last Decrypt fail; "" when no entry failed.
  const String& GetFailedEntry() const { return failed_entry_; }
  // The number (from 1) of the strong kind's chunk whose check failed or at
  // which the package ended in the last Decrypt; 0 when none did.
  uint32_t GetFailedChunk() const { return failed_chunk_; }
  const TagRecord& GetContent() const { return content_; }

 private:
  void CloseReader();
  // Reads the container job names (its place already set) with the
  // reader's password, work folder or delivery and options.
  Result ReadJob(ContainerJob& job, const ProgressCallback* progress);

  TagRecord header_;
  TagRecord content_;
  Password password_;
  String work_folder_;
  String source_path_;
  uint32_t open_ = 0;
  uint8_t wipe_mode_ = 0;
  ContainerKind kind_ = kContainerNone;
  uint32_t carrier_format_ = 0;
  FileRange range_;
  bool keep_entries_ = false;
  Result (*entry_read_)(const TagValue& entry, uintptr_t user) = nullptr;
  uintptr_t entry_read_user_ = 0;
  bool list_only_ = false;
  TargetDelivery* delivery_ = nullptr;
  String failed_entry_;
  uint32_t failed_chunk_ = 0;
  platform::LifeLock work_lock_;
};

}  // namespace mv
