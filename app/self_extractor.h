// SelfExtractor: decrypts the package embedded in the program's own payload
// section. One object serves one attempt: Extract copies the container out
// of the section into a temporary "qzp_*.mef" file and decrypts it into a
// fresh work folder beside it; the destructor wipes the work folder and
// deletes the temporary file, whatever the outcome was. Callers copy or
// show what they need before the object goes.
//
// Where the two go is fs/work_area.h's choice, made before anything is
// decrypted from the container's size and the content size its cleartext
// header announces: on Linux a memory file system with room, else the
// temporary folder on the disk. When the memory area fills up all the same,
// its work is wiped and decryption starts once more on the disk (a status
// text tells the user so); when no place has room, nothing starts.
// Leftovers of killed runs are swept from every place first
// (container/leftover_sweep.h).
#pragma once

#include "app/payload.h"
#include "base/password.h"
#include "base/result.h"
#include "base/string.h"
#include "container/package_reader.h"
#include "container/password_form.h"
#include "platform/temporary_area.h"

namespace mv {

struct ProgressCallback;

// The caption of the program's messages.
inline constexpr char kDisplayName[] = "Morvalis Self Extractor";
class SelfExtractor : public PackageReader {
 public:
  SelfExtractor() = default;
  ~SelfExtractor() override;

  // Decrypts the live section's package. kNoPayload without a header;
  // kMalformedRecord when the announced container runs past the section;
  // kDiskFull when no place has room for the container and its content, or
  // the place filled up with no other one left (both after a message that
  // names the folder and the bytes missing); kTempFileNotCreated when the
  // temporary file cannot be made; kShortWrite when writing it fails
  // otherwise (after a message box); otherwise the package reader's result
  // (kOk, kWrongPassword, kCancelled, ...). The container copy is written
  // in pieces: no single write reaches 2 GiB, which Windows' runtime fails.
  Result Extract(const Password& password, const ProgressCallback* progress);

  // The same for a section image held elsewhere (the tests hand in a
  // section of their own).
  Result ExtractFrom(const PayloadView& payload, const Password& password, const ProgressCallback* progress);

  // The same with the files delivered straight into the user's folder
  // (fs/directory_copy.h) once every chunk of the package has been
  // authenticated: the container is read in place from the section, and
  // neither it nor a decrypted byte goes to a temporary place. Only for a
  // package of the strong kind (else kUnsupported); delivery's result tells
  // how the files fared.
  Result ExtractInto(TargetDelivery* delivery, const Password& password, const ProgressCallback* progress);
  // Whether the live section carries a package of the strong kind, whose
  // content is authenticated.
  static bool CarriesStrongKind();
  // The form in which the live section's package hashes its password
  // (container/password_form.h), read from its cleartext header; a front end
  // asks again, saying why, for a password that form cannot hold.
  static PasswordForm PackagePasswordForm();

  // Whether Extract shows the failures it reports itself (no room, a failed
  // write) in a message box that waits to be closed: yes by default; the
  // silent decrypt command lets it only with its debug switch, so that it
  // never waits for a click nobody is there to give.
  void SetShowMessages(bool show) { show_messages_ = show; }

  // The folder the files were decrypted into (internal form, ending in '/').
  String GetWorkFolder() const { return GetWorkFolderPath(); }
  // Whether that folder lies on a memory file system.
  bool IsWorkInMemory() const { return in_memory_; }
  // The temporary folder the last try worked in (internal form, ending in
  // '/'), or "" before any: the one to look at when it failed.
  const String& GetTempPlace() const { return place_; }

  // Wipes the work folder and deletes the temporary container file; run by
  // the destructor.
  void RemoveTempFile();

 private:
  // One try in folder: the container copy written there and decrypted
  // into a fresh work folder beside it.
  Result ExtractIn(const String& folder, const uint8_t* data, size_t length, const Password& password,
                   const ProgressCallback* progress);

  String temp_file_;
  platform::LifeLock temp_lock_;
  bool in_memory_ = false;
  bool show_messages_ = true;
  String place_;
};

}  // namespace mv
