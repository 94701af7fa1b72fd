#include "tools/pack_commands.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "app/decrypt_attempt.h"
#include "app/entry_listing.h"
#include "app/payload.h"
#include "base/memory.h"
#include "base/text_catalogue.h"
#include "archive/archive_entry.h"
#include "container/carrier_stream.h"
#include "container/container_file.h"
#include "container/package_reader.h"
#include "container/strong_header.h"
#include "crypto/block_cipher.h"
#include "crypto/strong_keys.h"
#include "fs/directory_copy.h"
#include "fs/disk_query.h"
#include "fs/file_operations.h"
#include "fs/path.h"
#include "fs/system_helpers.h"
#include "platform/files.h"
#include "platform/interruption.h"
#include "platform/platform.h"
#include "platform/source_entries.h"
#include "stream/carrier_format.h"
#include "stream/file_stream.h"
#include "tools/executable_image.h"
#include "tools/pack_console.h"
#include "tools/pack_output.h"
#include "tools/package_content.h"
#include "tools/package_delivery.h"
#include "tools/package_source.h"
#include "tools/self_extractor_size.h"
#include "tools/self_extractor_writer.h"

namespace mv::tools {
namespace {

constexpr size_t kMaxTextFile = 16u << 20;
constexpr size_t kMaxStub = 512u << 20;

int Failure(const std::string& what) {
  PrintError("morvalis-pack: " + what + "\n");
  return kExitFailure;
}

int Failure(const std::string& what, Result code) {
  PrintError("morvalis-pack: " + what + ": " + DescribeResult(code) + " (code " + std::to_string(code) + ")\n");
  return (code == kWrongPassword || code == kNoHiddenData) ? kExitWrongPassword : kExitFailure;
}

// " (entry 'PATH')" naming the entry whose reading failed, " (chunk N)"
// naming the strong kind's chunk whose check failed, or "".
std::string AtEntry(const String& entry, uint32_t chunk) {
  if (chunk != 0) return " (chunk " + std::to_string(chunk) + ")";
  return entry.IsEmpty() ? std::string() : " (entry '" + std::string(entry.c_str()) + "')";
}

int UsageError(const PackOptions& options, const std::string& what) {
  PrintError("morvalis-pack: " + what + "\n" + PackUsage(options.command));
  return kExitUsage;
}

bool ParseCompression(const PackOptions& options, uint32_t* compression) {
  if (!options.Has("compression")) return true;
  const std::string value = options.Get("compression");
  if (value != "0" && value != "1" && value != "2") return false;
  *compression = static_cast<uint32_t>(value[0] - '0');
  return true;
}

// The kind a write makes: strong with the --kdf profile unless --classic.
struct WriteKind {
  PackageKind kind = PackageKind::kStrong;
  Argon2Cost cost = kKdfDefault;
};

bool ParseKind(const PackOptions& options, WriteKind* kind) {
  if (options.Has("classic")) {
    kind->kind = PackageKind::kClassic;
    return !options.Has("kdf");
  }
  if (!options.Has("kdf")) return true;
  static const struct {
    const char* name;
    Argon2Cost cost;
  } kProfiles[] = {{"default", kKdfDefault}, {"high", kKdfHigh}, {"max", kKdfMax}};
  for (const auto& profile : kProfiles) {
    if (options.Get("kdf") == profile.name) {
      kind->cost = profile.cost;
      return true;
    }
  }
  return false;
}

PasswordForm FormOf(const WriteKind& kind) {
  return kind.kind == PackageKind::kStrong ? PasswordForm::kUtf8Nfc : PasswordForm::kWindows1252;
}

constexpr char kKindUsage[] = "--kdf takes default, high or max, and not together with --classic";

// "" when the machine has the memory the key derivation of a write needs
// now; otherwise what is lacking, told before any work.
std::string KdfMemoryProblem(const WriteKind& kind) {
  if (kind.kind != PackageKind::kStrong) return "";
  const uint64_t available = platform::AvailableMemory();
  if (CheckKdfCost(kind.cost, available) == kOk) return "";
  return "the key derivation needs " + std::to_string(kind.cost.memory_kib / 1024) + " MiB of memory and " +
         std::to_string(available >> 20) + " MiB are available (a lower --kdf needs less)";
}

// "strong (...)" or "classic (...)": what protects the package, for list.
std::string DescribeKind(ContainerKind kind, const TagRecord& header) {
  if (kind == kContainerCarrier) return "classic (hidden in a carrier: Blowfish, key from one SHA-1, not authenticated)";
  const uint8_t cipher = header.GetU8(kHeaderTagCipher, kCipherBlowfish);
  StrongParameters strong;
  if (cipher == kCipherStrong && ParseStrongParameters(header, &strong) == kOk) {
    const Argon2Cost& cost = strong.cost;
    const std::string memory = cost.memory_kib % 1024 == 0 ? std::to_string(cost.memory_kib / 1024) + " MiB"
                                                            : std::to_string(cost.memory_kib) + " KiB";
    const ContentCoding& coding = strong.coding;
    const std::string content =
        coding.IsZstd()
            ? "Zstandard level " + std::to_string(coding.zstd.level) + ", window " +
                  (coding.zstd.window_log >= 20 ? std::to_string(1u << (coding.zstd.window_log - 20)) + " MiB"
                                                : std::to_string(1u << (coding.zstd.window_log - 10)) + " KiB") +
                  (coding.method == ContentCoding::kZstdFiltered ? ", x86 branches of executables converted" : "")
            : coding.setting == 0 ? std::string("stored") : "zlib blocks, compression " + std::to_string(coding.setting);
    return "strong (Argon2id t=" + std::to_string(cost.passes) + " m=" + memory + " p=" + std::to_string(cost.lanes) +
           "; AES-256-GCM, 64 KiB chunks, each authenticated; " + content + ")";
  }
  return std::string("classic (") + (cipher == kCipherAes ? "AES-128" : "Blowfish") +
         ", key from one SHA-1, not authenticated)";
}

// Whether the option's text is given, as a file (or for "link" a value) or
// in memory.
bool HasText(const PackOptions& options, const std::string& name) {
  return options.Has(name) || options.given_texts.count(name) != 0;
}

// The option's text: the one given in memory, bounded and checked as a file
// of that option is once read, else the option's file; untouched when
// neither is given.
bool ReadTextOption(const PackOptions& options, const std::string& name, String* text, std::string* error) {
  auto given = options.given_texts.find(name);
  if (given == options.given_texts.end()) {
    return !options.Has(name) || ReadTextFile(options.Get(name), kMaxTextFile, text, error);
  }
  const std::string shown = "the text given for --" + name;
  const char* utf8 = given->second.c_str() == nullptr ? "" : given->second.c_str();
  const size_t length = std::strlen(utf8);
  if (length > kMaxTextFile) {
    *error = shown + " is too large";
    return false;
  }
  std::vector<uint8_t> bytes(utf8, utf8 + length);
  const bool ok = DecodeText(bytes, shown, text, error);
  SecureWipe(bytes.data(), bytes.size());
  return ok;
}

bool ReadMessage(const PackOptions& options, String* message, std::string* error) {
  return ReadTextOption(options, "message-file", message, error);
}

// The content of the inputs; every entry left out is named in a warning,
// and what cannot be packed is printed.
bool PlanContent(const std::vector<std::string>& inputs, const String& message, TagRecord* content, PackPlan* plan) {
  std::string error;
  bool ok = BuildContent(inputs, message, content, plan, &error);
  for (const std::string& warning : plan->warnings) PrintError("morvalis-pack: warning: " + warning + "\n");
  if (!ok) PrintErrorSystemText("morvalis-pack: " + error + "\n");
  return ok;
}

// A failed write of a package to out: names the input file that changed
// under the packer when that is the cause.
int WriteFailure(const std::string& out, const PackPlan& plan, Result code) {
  if (code == kCannotOpen || code == kShortRead) {
    const std::string changed = FindChangedFile(plan);
    if (!changed.empty()) {
      return Failure("cannot write '" + out + "': '" + changed + "' changed or became unreadable while it was packed",
                     code);
    }
  }
  return Failure("cannot write '" + out + "'", code);
}

// The form in which the package of source hashes its password: a carrier's
// is always Windows-1252, a container's header says (a self-extractor's at
// its section's offset).
PasswordForm PackagePasswordForm(const PackageSource& source) {
  if (source.Kind() != kContainerSealed) return PasswordForm::kWindows1252;
  const FileRange& range = source.Range();
  platform::File file;
  std::vector<uint8_t> bytes(static_cast<size_t>(std::min<uint64_t>(kHeaderLookahead, range.length)));
  size_t n = 0;
  if (file.Open(source.Path().c_str(), "rb") && file.Seek(static_cast<int64_t>(range.offset), platform::SeekOrigin::kBegin)) {
    n = file.Read(bytes.data(), bytes.size());
  }
  TagRecord header;
  return ReadHeaderFrom(bytes.data(), n, &header) == kOk ? PasswordFormOf(header) : PasswordForm::kWindows1252;
}

ContainerJob JobFor(const PackageSource& source, const Password& password, const ProgressCallback* progress) {
  ContainerJob job;
  job.kind = source.Kind();
  if (job.kind == kContainerCarrier) job.carrier_format = DetectCarrierFormat(source.Path());
  job.path = source.Path();
  job.range = source.Range();
  job.password = password;
  job.progress = progress;
  return job;
}

bool ReadLayout(const PackOptions& options, SectionLayout* layout, std::string* error) {
  layout->present = HasText(options, "description") || HasText(options, "link") || HasText(options, "disclaimer") ||
                    options.Has("bitmap");
  if (!ReadTextOption(options, "description", &layout->description, error) ||
      !ReadTextOption(options, "disclaimer", &layout->disclaimer, error)) {
    return false;
  }
  if (options.given_texts.count("link") != 0) {
    if (!ReadTextOption(options, "link", &layout->link, error)) return false;
  } else {
    layout->link = options.Get("link").c_str();
  }
  if (options.Has("bitmap")) {
    if (!ReadBinaryFile(options.Get("bitmap"), kMaxTextFile, &layout->bitmap, error)) return false;
    if (layout->bitmap.size() < 54 || layout->bitmap[0] != 'B' || layout->bitmap[1] != 'M') {
      *error = "'" + options.Get("bitmap") + "' is not a BMP file";
      return false;
    }
  }
  return true;
}

// Writes the container of content to path (within range: straight into a
// self-extractor's section), showing a progress bar.
Result WriteInputs(const String& path, const FileRange& range, TagRecord* content, const Password& password,
                   uint32_t compression, const WriteKind& kind) {
  ProgressBar bar("Encrypting");
  ContainerJob job;
  job.path = path;
  job.range = range;
  job.password = password;
  job.base_folder = "./";
  job.progress = bar.callback();
  job.compression = compression;
  job.package_kind = kind.kind;
  job.kdf_cost = kind.cost;
  TagRecord header;
  const Result r = WriteContainer(job, &header, content);
  if (r == kOk) bar.Complete();
  return r;
}

int RunCreate(const PackOptions& options) {
  if (options.positional.size() < 2) return UsageError(options, "create needs OUT.mef and at least one INPUT");
  uint32_t compression = 1;
  if (!ParseCompression(options, &compression)) return UsageError(options, "--compression takes 0, 1 or 2");
  WriteKind kind;
  if (!ParseKind(options, &kind)) return UsageError(options, kKindUsage);
  const std::string output = OutputProblem(options.positional[0], options.Has("force"));
  if (!output.empty()) return Failure(output);
  const std::string memory = KdfMemoryProblem(kind);
  if (!memory.empty()) return Failure("cannot write '" + options.positional[0] + "': " + memory, kKdfTooCostly);
  std::string error;
  String message;
  if (!ReadMessage(options, &message, &error)) return Failure(error);
  TagRecord content;
  PackPlan plan;
  std::vector<std::string> inputs(options.positional.begin() + 1, options.positional.end());
  if (!PlanContent(inputs, message, &content, &plan)) return kExitFailure;
  Password password;
  if (!GetPassword(options, true, FormOf(kind), &password, &error)) return Failure(error);
  const Result r =
      WriteInputs(String(options.positional[0].c_str()), FileRange(), &content, password, compression, kind);
  if (r != kOk) return WriteFailure(options.positional[0], plan, r);
  PrintOut("Wrote " + options.positional[0] + " (" + std::to_string(content.GetCount()) + " entries).\n");
  return kExitOk;
}

int RunHide(const PackOptions& options) {
  if (options.positional.size() < 3) return UsageError(options, "hide needs CARRIER, OUT and at least one INPUT");
  const String carrier(options.positional[0].c_str());
  // A bare name is a file in the current folder.
  const String out = GetFolderPart(String(options.positional[1].c_str())).IsEmpty()
                         ? String("./") + options.positional[1].c_str()
                         : String(options.positional[1].c_str());
  const uint32_t format = DetectCarrierFormat(carrier);
  if (!IsAcceptedCarrier(format)) {
    return Failure("'" + options.positional[0] + "' is no usable carrier (one of: " +
                       std::string(AcceptedCarrierNames().c_str()) + ")",
                   kNotAContainer);
  }
  if (ToInternalPath(carrier) == ToInternalPath(String(options.positional[1].c_str()))) return UsageError(options, "OUT must differ from CARRIER");
  const std::string output = OutputProblem(options.positional[1], options.Has("force"));
  if (!output.empty()) return Failure(output);
  std::string error;
  String message;
  if (!ReadMessage(options, &message, &error)) return Failure(error);
  TagRecord content;
  PackPlan plan;
  std::vector<std::string> inputs(options.positional.begin() + 2, options.positional.end());
  if (!PlanContent(inputs, message, &content, &plan)) return kExitFailure;
  Password password;
  if (!GetPassword(options, true, PasswordForm::kWindows1252, &password, &error)) return Failure(error);
  Result r = CopySingleFile(carrier, out, true, nullptr);
  if (r != kOk) return Failure("cannot copy the carrier to '" + options.positional[1] + "'", r);
  ProgressBar bar("Hiding");
  ContainerJob job;
  job.kind = kContainerCarrier;
  job.carrier_format = format;
  job.path = out;
  job.password = password;
  job.base_folder = "./";
  job.progress = bar.callback();
  TagRecord header;
  r = WriteContainer(job, &header, &content);
  if (r == kOk) bar.Complete();
  if (r != kOk) {
    RemoveFile(out);
    if (r == kCarrierTooSmall) {
      return Failure("the package needs " + std::to_string(header.GetU32(kCarrierTagPayloadSize, 0)) +
                         " bytes of hidden room plus " + std::to_string(kCarrierHeaderSize) + ", the carrier holds " +
                         std::to_string(CarrierCapacity(carrier)),
                     r);
    }
    return WriteFailure(options.positional[1], plan, r);
  }
  PrintOut("Wrote " + options.positional[1] + " (" + std::to_string(content.GetCount()) + " entries hidden).\n");
  return kExitOk;
}

// The stub a self-extractor is made from: --stub, or the one of --system
// (by default the packer's own) beside the packer. "" with the message
// printed when none was given and none is there.
std::string ChooseStub(const PackOptions& options, int* exit_code) {
  if (options.Has("stub")) return options.Get("stub");
  StubSystem system = OwnSystem();
  if (options.Has("system") && !ParseStubSystem(options.Get("system"), &system)) {
    *exit_code = UsageError(options, "--system takes windows or linux");
    return "";
  }
  const String beside = StubBesideProgram(system);
  if (!FileExists(beside)) {
    *exit_code = Failure("no --stub given, and the " + std::string(system == StubSystem::kWindows ? "Windows" : "Linux") +
                         " stub is not beside the packer: '" + beside.c_str() + "' does not exist (name one with --stub)");
    return "";
  }
  return beside.c_str();
}

int RunSfx(const PackOptions& options) {
  if (options.positional.empty()) return UsageError(options, "sfx needs OUT");
  if (options.Has("stub") && options.Has("system")) return UsageError(options, "give --stub or --system, not both");
  std::vector<std::string> inputs(options.positional.begin() + 1, options.positional.end());
  if (options.Has("container") == !inputs.empty()) {
    return UsageError(options, "give either --container or INPUT files and folders");
  }
  uint32_t compression = 1;
  if (!ParseCompression(options, &compression)) return UsageError(options, "--compression takes 0, 1 or 2");
  WriteKind write_kind;
  if (!ParseKind(options, &write_kind)) return UsageError(options, kKindUsage);
  const std::string& out = options.positional[0];
  const std::string output = OutputProblem(out, options.Has("force"));
  if (!output.empty()) return Failure(output);
  const std::string memory = options.Has("container") ? std::string() : KdfMemoryProblem(write_kind);
  if (!memory.empty()) return Failure("cannot write '" + out + "': " + memory, kKdfTooCostly);
  int stub_failure = kExitFailure;
  const std::string stub_path = ChooseStub(options, &stub_failure);
  if (stub_path.empty()) return stub_failure;
  std::string error;
  PayloadGrowth stub;
  {
    Bytes image;
    if (!ReadBinaryFile(stub_path, kMaxStub, &image, &error)) return Failure(error);
    if (DetectImageKind(image) == ImageKind::kUnknown) {
      return Failure("'" + stub_path + "' is neither a Windows nor a Linux stub");
    }
    if (!stub.Prepare(image, &error)) return Failure("cannot add the package to '" + stub_path + "': " + error);
  }
  SectionLayout layout;
  if (!ReadLayout(options, &layout, &error)) return Failure(error);

  // Every bound is told before any work: the container's size, or the most
  // the inputs' container may take.
  TagRecord content;
  PackPlan plan;
  PackageSize size;
  size.layout = layout.Size();
  std::string name;
  if (options.Has("container")) {
    platform::SourceEntry entry;
    if (!platform::QuerySource(options.Get("container").c_str(), &entry) ||
        (entry.kind != platform::SourceKind::kFile && entry.kind != platform::SourceKind::kLinkToFile)) {
      return Failure("no such file: " + options.Get("container"));
    }
    size.container = entry.size;
    name = "'" + options.Get("container") + "'";
  } else {
    String message;
    if (!ReadMessage(options, &message, &error)) return Failure(error);
    if (!PlanContent(inputs, message, &content, &plan)) return kExitFailure;
    size.container = WorstContainerSize(plan.content_bytes);
    size.at_most = true;
    name = inputs.size() == 1 ? "'" + inputs[0] + "'" : "the " + std::to_string(inputs.size()) + " inputs";
  }
  const std::string problem = SelfExtractorSizeProblem(stub, size, name);
  if (!problem.empty()) return Failure("cannot write '" + out + "': " + problem);

  Password password;
  if (!options.Has("container") && !GetPassword(options, true, FormOf(write_kind), &password, &error)) {
    return Failure(error);
  }
  SelfExtractorWriter writer;
  if (!writer.Begin(stub, out, layout, options.Has("force"), &error)) return Failure(error);
  if (options.Has("container")) {
    if (!writer.CopyContainer(options.Get("container"), &error)) return Failure(error);
  } else {
    const Result r =
        WriteInputs(writer.TemporaryPath(), writer.ContainerRange(), &content, password, compression, write_kind);
    if (r != kOk) return WriteFailure(out, plan, r);
  }
  if (!writer.Finish(&error)) return Failure(error);
  PrintOut("Wrote " + out + " (" + (stub.Kind() == ImageKind::kPe ? "Windows" : "Linux") +
           " self-extractor, package of " + std::to_string(writer.ContainerSize()) + " bytes).\n");
  return kExitOk;
}

// A listing as it is printed: the package's kind first (its header is read
// before any entry), then a line per entry, counting the files.
struct Listing {
  ContainerKind kind;
  const TagRecord* header;
  bool kind_shown = false;
  size_t files = 0;

  void ShowKind() {
    if (!kind_shown) PrintOut("kind: " + DescribeKind(kind, *header) + "\n");
    kind_shown = true;
  }
};

// Prints each entry's line as it is read; user: the Listing.
Result PrintEntry(const TagValue& value, uintptr_t user) {
  ListedEntry entry;
  if (!ListedEntryOf(value, &entry)) return kOk;
  auto* listing = reinterpret_cast<Listing*>(user);
  listing->ShowKind();
  if (!entry.folder) ++listing->files;
  PrintOut(std::string(FormatEntryLine(entry).c_str()) + "\n");
  return kOk;
}

int RunList(const PackOptions& options) {
  if (options.positional.size() != 1) return UsageError(options, "list needs one PACKAGE");
  std::string error;
  PackageSource source;
  if (!source.Open(options.positional[0], &error)) return Failure(error);
  Password password;
  if (!GetPassword(options, false, PackagePasswordForm(source), &password, &error)) return Failure(error);
  RegisterArchiveEntries();
  ContainerJob job = JobFor(source, password, nullptr);
  String base = GetSystemTempFolder();
  job.base_folder = base.c_str();
  job.measure_only = 1;  // entries skip their file bodies: nothing is written
  // Each entry is printed as it is read and then dropped, as the stub
  // drops the entries it has written: a package of any number of entries
  // is listed in the memory of one.
  job.drop_entries = 1;
  TagRecord header;
  TagRecord content;
  Listing listing{job.kind, &header};
  job.entry_read = &PrintEntry;
  job.entry_read_user = reinterpret_cast<uintptr_t>(&listing);
  String failed_entry;
  job.failed_entry = &failed_entry;
  uint32_t failed_chunk = 0;
  job.failed_chunk = &failed_chunk;
  Result r = ReadContainer(job, &header, &content);
  if (r != kOk) return Failure("cannot read '" + options.positional[0] + "'" + AtEntry(failed_entry, failed_chunk), r);
  listing.ShowKind();
  String message;
  content.GetText(message, kContentTagMessage, "");
  PrintOut(std::to_string(listing.files) + " file(s); message text: " +
           (message.IsEmpty() ? std::string("none") : "yes (" + std::to_string(message.GetLength()) + " characters)") +
           "\n");
  return kExitOk;
}

// What the test finds while it reads: the files counted, and the first
// entry that did not arrive whole on disk.
struct TestFindings {
  size_t files = 0;
  std::string missing;
};

// Checks each entry as soon as it is written, before it is dropped.
Result CheckWrittenEntry(const TagValue& value, uintptr_t user) {
  const ArchiveEntry* entry = ArchiveEntry::FromValue(value);
  if (entry == nullptr) return kOk;
  auto* findings = reinterpret_cast<TestFindings*>(user);
  const String path = entry->GetFullPath();
  const bool folder = entry->GetU8(kEntryTagKind, kEntryKindFile) == kEntryKindFolder;
  const bool present = folder ? FolderExists(AddTrailingSlash(path)) : QueryFileSize(path) == entry->GetContentSize();
  if (!present && findings->missing.empty()) findings->missing = path.c_str();
  if (!folder) ++findings->files;
  return kOk;
}

int RunTest(const PackOptions& options) {
  if (options.positional.size() != 1) return UsageError(options, "test needs one PACKAGE");
  std::string error;
  PackageSource source;
  if (!source.Open(options.positional[0], &error)) return Failure(error);
  Password password;
  if (!GetPassword(options, false, PackagePasswordForm(source), &password, &error)) return Failure(error);
  PackageReader reader;
  // Every entry is checked as it is written and then dropped, as the stub
  // drops them: memory stays that of one entry, however many there are.
  TestFindings findings;
  reader.SetEntryListener(&CheckWrittenEntry, reinterpret_cast<uintptr_t>(&findings));
  Result r = reader.Open(String(""));
  if (r != kOk) return Failure("cannot make a work folder", r);
  reader.SetSourceRange(source.Range());
  {
    ProgressBar bar("Testing");
    r = reader.Decrypt(source.Path(), password, bar.callback());
    if (r == kOk) bar.Complete();
  }
  Result wiped = reader.Cleanup(nullptr);
  if (r != kOk) {
    return Failure("'" + options.positional[0] + "' does not decrypt" +
                       AtEntry(reader.GetFailedEntry(), reader.GetFailedChunk()),
                   r);
  }
  if (!findings.missing.empty()) {
    return Failure("'" + options.positional[0] + "': an entry was not written: " + findings.missing);
  }
  if (wiped != kOk) return Failure("the test folder could not be wiped", wiped);
  PrintOut("OK: " + options.positional[0] + " decrypts (" + std::to_string(findings.files) + " file(s)).\n");
  return kExitOk;
}

int RunExtract(const PackOptions& options) {
  if (options.positional.size() != 2) return UsageError(options, "extract needs PACKAGE and DIR");
  std::string error;
  PackageSource source;
  if (!source.Open(options.positional[0], &error)) return Failure(error);
  const String target = AddTrailingSlash(ToInternalPath(String(options.positional[1].c_str())));
  if (FolderExists(target) || FileExists(StripTrailingSlash(target))) {
    return Failure("'" + options.positional[1] + "' exists already; name a new folder");
  }
  Password password;
  if (!GetPassword(options, false, PackagePasswordForm(source), &password, &error)) return Failure(error);
  // Decrypted in a work folder, then copied: nothing reaches the target
  // before the whole package is authenticated. Ctrl-C and the like stop the
  // work as a cancel; the work folder is wiped before the process ends.
  Delivery delivery;
  Result r;
  {
    platform::InterruptionScope interruption(false);
    ProgressBar bar("Decrypting");
    const ProgressCallback stop = StopOnInterruption(bar.callback());
    r = DeliverPackage(source.Path(), source.Range(), password, target, &stop, &delivery);
    if (r == kOk) bar.Complete();
    platform::EndIfInterrupted();
  }
  if (r != kOk && !delivery.decrypted) {
    const bool place = r == kDiskFull || r == kFolderNotMade;
    return Failure("cannot decrypt '" + options.positional[0] + "'" +
                       (place ? " in '" + std::string(ToDisplayPath(delivery.work_folder).c_str()) + "'" : "") +
                       AtEntry(delivery.failed_entry, delivery.failed_chunk),
                   r);
  }
  if (r != kOk) {
    for (const CopyFailure& failure : delivery.failures) {
      PrintError("morvalis-pack: not copied: " + std::string(ToDisplayPath(target + failure.path).c_str()) + ": " +
                 DescribeResult(failure.code) + "\n");
    }
    return Failure("cannot copy into '" + options.positional[1] + "'", r);
  }
  const String& message = delivery.message;
  if (options.Has("message-file") && !message.IsEmpty()) {
    r = SaveTextFile(String(options.Get("message-file").c_str()), message);
    if (r != kOk) return Failure("cannot save the message text to '" + options.Get("message-file") + "'", r);
  }
  PrintOut("Decrypted into " + options.positional[1] +
           (message.IsEmpty() ? std::string(".\n")
                              : options.Has("message-file") ? "; message text saved.\n"
                                                            : "; the package also carries a message text "
                                                              "(use --message-file to save it).\n"));
  return kExitOk;
}

// Paths reach the library in the internal form ('/' separators), whatever
// form the user typed them in; the link text and the password stay as given.
PackOptions WithInternalPaths(const PackOptions& options) {
  PackOptions normalised = options;
  auto convert = [](std::string& path) {
    if (path != "-") path = ToInternalPath(String(path.c_str())).c_str();
  };
  for (std::string& path : normalised.positional) convert(path);
  for (const char* name : {"message-file", "stub", "container", "description", "disclaimer", "bitmap", "password-file"}) {
    auto it = normalised.values.find(name);
    if (it != normalised.values.end()) convert(it->second);
  }
  return normalised;
}

}  // namespace

int RunPackCommand(const PackOptions& raw_options) {
  const PackOptions options = WithInternalPaths(raw_options);
  if (options.help) {
    PrintOut(PackUsage(options.command));
    return kExitOk;
  }
  if (options.version) {
    PrintOut(PackVersion());
    return kExitOk;
  }
  struct Command {
    const char* name;
    int (*run)(const PackOptions&);
  } commands[] = {{"create", &RunCreate}, {"hide", &RunHide}, {"sfx", &RunSfx},
                  {"list", &RunList},     {"test", &RunTest}, {"extract", &RunExtract}};
  for (const auto& [name, text] : options.given_texts) {
    if (!CommandTakesOption(options.command, name)) {
      return UsageError(options, "unknown option '--" + name + "' for " + options.command);
    }
  }
  for (const Command& c : commands) {
    if (options.command != c.name) continue;
    try {
      return c.run(options);
    } catch (const std::bad_alloc&) {
      // The libraries allocate with new; no command ends with an exception.
      const std::string file = options.positional.empty() ? std::string() : " '" + options.positional[0] + "'";
      return Failure("cannot " + options.command + file, kOutOfMemory);
    }
  }
  return UsageError(options, "unknown command '" + options.command + "'");
}

}  // namespace mv::tools
