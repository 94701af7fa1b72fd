#include "tools/package_content.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <map>
#include <set>

#include "archive/archive_entry.h"
#include "archive/entry_path.h"
#include "base/text_catalogue.h"
#include "base/text_encoding.h"
#include "container/container_format.h"
#include "fs/disk_query.h"
#include "fs/folder_walk.h"
#include "fs/path.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/source_entries.h"
#include "stream/file_info.h"

namespace mv::tools {
namespace {

// An entry that reads its file from source (the folder that holds the
// input), named relative to it.
Result AddEntry(TagRecord* content, const String& source, uint8_t kind, const String& folder, const String& name,
                const TagRecord* info) {
  TagValue value;
  value.SetType(kTypeEntry);
  ArchiveEntry* entry = ArchiveEntry::FromValue(value);
  if (entry == nullptr) return kOutOfMemory;
  entry->SetU8(kEntryTagKind, kind, true);
  entry->SetText(kEntryTagFolder, folder.c_str(), true);
  entry->SetText(kEntryTagName, name.c_str(), true);
  if (info != nullptr) entry->Set(kEntryTagInfo, *info, true);
  entry->SetSourceFolder(source);
  return content->Set(kContentTagEntry, value, false);
}

// The content record is one list of 32-bit length: files and their records
// together stay below 4 GiB. Each entry's record (kind, names, flags and
// times) is counted with this much besides its names, more than it takes.
constexpr uint64_t kMaxContentSize = 0xFFFFFFFFu;
constexpr uint64_t kEntryRecordAllowance = 256;
// The largest file a package carries: with its own record and those of the
// folders above it (64 KiB is room for names far longer than any path) it
// still fits the content record, so that no file this admits is refused
// for the total when packed alone.
constexpr uint64_t kMaxFileSize = kMaxContentSize - 64 * 1024;

// The path in quotes, its control characters as \xNN: a name is shown,
// never obeyed by the terminal.
std::string Quoted(const String& path) {
  std::string quoted = "'";
  for (const char* c = path.c_str() == nullptr ? "" : path.c_str(); *c != '\0'; ++c) {
    const unsigned char u = static_cast<unsigned char>(*c);
    if (platform::IsControlCharacter(u)) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      quoted += hex;
    } else {
      quoted += *c;
    }
  }
  return quoted + "'";
}

// Text of the program's code page in the system's encoding, for a message
// that may also hold a name the code page cannot.
std::string SystemText(const std::string& text) {
  String converted;
  platform::ToSystemText(text.c_str(), &converted);
  return converted.c_str() == nullptr ? "" : converted.c_str();
}

bool Fail(std::string* error, const std::string& text) {
  *error = SystemText(text);
  return false;
}

// The text in the language with each "%s" replaced by the next value.
std::string Filled(TextId id, Language language, std::initializer_list<std::string> values) {
  std::string text = TextOf(id, language);
  size_t from = 0;
  for (const std::string& value : values) {
    const size_t at = text.find("%s", from);
    if (at == std::string::npos) break;
    text.replace(at, 2, value);
    from = at + value.size();
  }
  return text;
}

// Why Windows cannot store name (null when it can), in the language. Every
// platform's packer applies the Windows rules, as the packages are made for
// Windows.
const char* WindowsNameProblem(const String& name, Language language) {
  if (name.IsEmpty()) return TextOf(TextId::kRefusalEmptyName, language);
  for (const char* c = name.c_str(); *c != '\0'; ++c) {
    const unsigned char u = static_cast<unsigned char>(*c);
    if (u < 0x20 || u == 0x7F || std::strchr("\\:?<>*|\"", u) != nullptr) {
      return TextOf(TextId::kRefusalForbiddenCharacter, language);
    }
  }
  const char last = name.GetAt(name.GetLength() - 1);
  if (last == '.' || last == ' ') return TextOf(TextId::kRefusalTrailingDot, language);
  if (CheckEntryPath("", name.c_str(), false) != kOk) {
    return TextOf(TextId::kRefusalDeviceName, language);
  }
  return nullptr;
}

class ContentScan {
 public:
  ContentScan(TagRecord* content, PackPlan* plan, Language language)
      : content_(content), plan_(plan), language_(language) {}

  // One input: shown is the path as the user gave it, source the folder
  // that holds it, name its own name.
  void AddInput(const String& shown, const String& source, const String& name, const platform::SourceEntry& entry) {
    if (entry.kind == platform::SourceKind::kFolder || entry.kind == platform::SourceKind::kLinkToFolder) {
      AddFolder(shown, source, name + "/");
    } else {
      AddFile(shown, source, String(""), name, entry);
    }
  }

  // Every refusal, one per line, in the system's text; empty when the
  // content may be written.
  std::string Problems() const {
    std::string text;
    for (const std::string& line : problems_) text += "\n  " + line;
    if (total_ > kMaxContentSize) {
      text += "\n  " + SystemText(Filled(TextId::kRefusalTotalTooLarge, language_,
                                         {std::to_string(total_), std::to_string(kMaxContentSize)}));
    }
    return text;
  }
  Result failure() const { return failure_; }
  void CountMessage(const String& message) { total_ += message.GetLength(); }
  uint64_t total() const { return total_; }

 private:
  void Refuse(const String& shown, const std::string& reason) {
    problems_.push_back(SystemText(Quoted(shown) + " " + reason));
  }
  // A name without a Windows-1252 form, shown as the system holds it with
  // the characters it lacks named.
  void RefuseUnfit(const String& folder_shown, const platform::SourceEntry& entry) {
    if (entry.system_name.IsEmpty()) {
      return Refuse(folder_shown + entry.name, TextOf(TextId::kRefusalNoFormUnshown, language_));
    }
    String name;
    String lacking;
    platform::ShowSystemName(entry.system_name.c_str(), &name, &lacking);
    std::string opening = Quoted(folder_shown);
    opening.pop_back();  // the quote closes after the name
    std::string line = SystemText(opening);
    line += name.c_str();
    const std::string reason = TextOf(TextId::kRefusalNoForm, language_);
    const size_t at = reason.find("%s");
    line += SystemText("' " + reason.substr(0, at));
    line += lacking.c_str();
    if (at != std::string::npos) line += SystemText(reason.substr(at + 2));
    problems_.push_back(line);
  }
  void Skip(const String& shown, const std::string& reason) {
    plan_->warnings.push_back("skipped " + Quoted(shown) + ": " + reason);
  }
  void Note(Result r) {
    if (failure_ == kOk) failure_ = r;
  }

  void AddFile(const String& shown, const String& source, const String& folder, const String& name,
               const platform::SourceEntry& entry) {
    if (entry.unreadable) return Refuse(shown, TextOf(TextId::kRefusalUnreadable, language_));
    if (entry.size > kMaxFileSize) {
      return Refuse(shown, Filled(TextId::kRefusalFileTooLarge, language_,
                                  {std::to_string(entry.size), std::to_string(kMaxFileSize)}));
    }
    total_ += entry.size + kEntryRecordAllowance + folder.GetLength() + name.GetLength();
    plan_->files.emplace_back(source + folder + name, entry.size);
    TagRecord info;
    if (!entry.target.IsEmpty()) GetFileInfo(entry.target, &info);  // a link stands for its file
    Note(AddEntry(content_, source, kEntryKindFile, folder, name, entry.target.IsEmpty() ? nullptr : &info));
  }

  // A folder below source: relative is its path from there, ending in '/'.
  void AddFolder(const String& shown, const String& source, const String& relative) {
    total_ += kEntryRecordAllowance + relative.GetLength();
    Note(AddEntry(content_, source, kEntryKindFolder, relative, String(""), nullptr));
    std::vector<platform::SourceEntry> entries;
    if (!platform::ListSourceFolder((source + relative).c_str(), &entries)) {
      return Refuse(shown, TextOf(TextId::kRefusalUnlisted, language_));
    }
    std::map<std::string, String> lower_names;
    for (const platform::SourceEntry& entry : entries) {
      const String path = shown + "/" + entry.name;
      if (!entry.fits) {
        RefuseUnfit(shown + "/", entry);
        continue;
      }
      if (const char* problem = WindowsNameProblem(entry.name, language_)) {
        Refuse(path, problem);
        continue;
      }
      String lower = entry.name;
      lower.MakeLower();
      auto seen = lower_names.emplace(lower.c_str(), entry.name);
      if (!seen.second) {
        Refuse(path, Filled(TextId::kRefusalLetterCase, language_, {Quoted(seen.first->second)}));
        continue;
      }
      switch (entry.kind) {
        case platform::SourceKind::kFolder:
          if (IsExcludedFolder(source + relative + entry.name + "/")) {
            Skip(path, "recycle-bin folders and the cache of internet files are never packed");
          } else {
            AddFolder(path, source, relative + entry.name + "/");
          }
          break;
        case platform::SourceKind::kFile:
        case platform::SourceKind::kLinkToFile:
          AddFile(path, source, relative, entry.name, entry);
          break;
        case platform::SourceKind::kLinkToFolder:
          Skip(path, "a symbolic link to a folder (not followed)");
          break;
        case platform::SourceKind::kDanglingLink:
          Skip(path, "a symbolic link whose target does not exist");
          break;
        case platform::SourceKind::kSpecial:
          Skip(path, "neither a file nor a folder (a FIFO, socket or device)");
          break;
      }
    }
  }

  TagRecord* content_;
  PackPlan* plan_;
  Language language_;
  std::vector<std::string> problems_;
  uint64_t total_ = 0;
  Result failure_ = kOk;
};

// "docs", "./docs/", "/home/u/docs" -> source "./" or "/home/u/", name "docs".
bool SplitInput(const std::string& input, Language language, String* source, String* name,
                platform::SourceEntry* entry, std::string* error) {
  String bare = StripTrailingSlash(ToInternalPath(String(input.c_str())));
  int32_t slash = bare.FindLast('/');
  *name = slash < 0 ? bare : bare.Mid(slash + 1, bare.GetLength() - slash - 1);
  *source = slash < 0 ? String("./") : bare.Left(slash + 1);
  if (name->IsEmpty() || *name == "." || *name == "..") {
    *error = Filled(TextId::kRefusalRoot, language, {input});
    return false;
  }
  if (!platform::QuerySource(bare.c_str(), entry)) {
    *error = Filled(TextId::kRefusalMissing, language, {input});
    return false;
  }
  if (entry->kind == platform::SourceKind::kDanglingLink || entry->kind == platform::SourceKind::kSpecial) {
    *error = Filled(TextId::kRefusalNeitherFileNorFolder, language, {input});
    return false;
  }
  if (const char* problem = WindowsNameProblem(*name, language)) {
    *error = Filled(TextId::kRefusalInputName, language, {input, problem});
    return false;
  }
  return true;
}

}  // namespace

bool BuildContent(const std::vector<std::string>& inputs, const String& message, TagRecord* content,
                  PackPlan* plan, std::string* error, Language language) {
  RegisterArchiveEntries();
  std::set<std::string> names;
  ContentScan scan(content, plan, language);
  for (const std::string& input : inputs) {
    String source;
    String name;
    platform::SourceEntry entry;
    if (!SplitInput(input, language, &source, &name, &entry, error)) return Fail(error, *error);
    String lower = name;
    lower.MakeLower();
    if (!names.insert(lower.c_str()).second) {
      return Fail(error, Filled(TextId::kRefusalSameName, language, {name.c_str()}));
    }
    scan.AddInput(StripTrailingSlash(ToInternalPath(String(input.c_str()))), source, name, entry);
  }
  scan.CountMessage(message);
  plan->content_bytes = scan.total();
  const std::string problems = scan.Problems();
  if (!problems.empty()) {
    *error = SystemText(TextOf(TextId::kRefusalHeading, language)) + problems;
    return false;
  }
  if (scan.failure() != kOk) {
    return Fail(error, "cannot build the list of entries (code " + std::to_string(scan.failure()) + ")");
  }
  if (!message.IsEmpty()) content->SetText(kContentTagMessage, message.c_str(), true);
  return true;
}

std::string FindChangedFile(const PackPlan& plan) {
  for (const auto& [path, size] : plan.files) {
    platform::SourceEntry now;
    if (!platform::QuerySource(path.c_str(), &now) || now.unreadable || now.size != size) return path.c_str();
  }
  return "";
}

bool ReadBinaryFile(const std::string& path, size_t limit, std::vector<uint8_t>* bytes, std::string* error) {
  platform::File file;
  if (!file.Open(path.c_str(), "rb")) {
    *error = PathExists(String(path.c_str())) ? "cannot open '" + path + "': it cannot be read (code " +
                                                    std::to_string(kCannotOpen) + ")"
                                              : "no such file: '" + path + "'";
    return false;
  }
  bytes->clear();
  uint8_t buffer[65536];
  for (size_t n; (n = file.Read(buffer, sizeof buffer)) > 0;) {
    if (bytes->size() + n > limit) {
      *error = "'" + path + "' is too large";
      return false;
    }
    bytes->insert(bytes->end(), buffer, buffer + n);
  }
  return true;
}

bool ReadTextFile(const std::string& path, size_t limit, String* text, std::string* error) {
  std::vector<uint8_t> bytes;
  return ReadBinaryFile(path, limit, &bytes, error) && DecodeText(bytes, "'" + path + "'", text, error);
}

bool DecodeText(const std::vector<uint8_t>& bytes, const std::string& shown, String* text, std::string* error) {
  // A NUL byte is no text, except as half of a UTF-16 character.
  const bool utf16 = bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF));
  String utf8;
  if ((!utf16 && std::find(bytes.begin(), bytes.end(), 0) != bytes.end()) ||
      !DecodeTextFile(bytes.data(), bytes.size(), &utf8)) {
    *error = shown + " is not a text file";
    return false;
  }
  if (Utf8ToWindows1252(utf8.c_str(), text)) return true;
  int line = 0;
  String shown_character;
  FindCharacterWithoutWindows1252Form(utf8.c_str(), &line, &shown_character);
  *error = shown + ", line " + std::to_string(line) + ": " +
           CodePointsWithoutWindows1252Form(shown_character.c_str()).c_str() +
           " has no Windows-1252 form, which the texts of a package need";
  return false;
}

}  // namespace mv::tools

namespace mv::tools {

bool WriteBinaryFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
  platform::File file;
  bool ok = file.Open(path.c_str(), "wb") && (bytes.empty() || file.Write(bytes.data(), bytes.size()) == bytes.size());
  ok = file.Close() && ok;
  if (!ok) {
    *error = "cannot write '" + path + "'" +
             (file.OutOfSpace() ? ": not enough free disk space (code " + std::to_string(kDiskFull) + ")" : "");
  }
  return ok;
}


}  // namespace mv::tools
