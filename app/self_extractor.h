// SelfExtractor: decrypts the package embedded in the program's own payload
// section. One object serves one attempt: Extract copies the container out
// of the section into a temporary "qzp_*.mef" file and decrypts it into a
// fresh work folder; the destructor wipes the work folder and deletes the
// temporary file, whatever the outcome was. Callers copy or show what they
// need before the object goes.
#pragma once

#include "app/payload.h"
#include "base/result.h"
#include "base/string.h"
#include "container/package_reader.h"

namespace mv {

struct ProgressCallback;

class SelfExtractor : public PackageReader {
 public:
  SelfExtractor() = default;
  ~SelfExtractor() override;

  // Decrypts the live section's package. kNoPayload without a header;
  // kMalformedRecord when the announced container runs past the section;
  // kTempFileNotCreated when the temporary file cannot be made; kShortWrite
  // when writing it fails (after a message box); otherwise the package
  // reader's result (kOk, kWrongPassword, kCancelled, ...).
  Result Extract(const char* password, const ProgressCallback* progress);

  // The same for a section image held elsewhere (the packer's tools and the
  // tests hand in a section read from an executable file).
  Result ExtractFrom(const PayloadView& payload, const char* password, const ProgressCallback* progress);

  // The folder the files were decrypted into (internal form, ending in '/').
  String GetWorkFolder() const { return GetWorkFolderPath(); }

  // Wipes the work folder and deletes the temporary container file; run by
  // the destructor.
  void RemoveTempFile();

 private:
  String temp_file_;
};

}  // namespace mv
