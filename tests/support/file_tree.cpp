#include "tests/support/file_tree.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/string.h"
#include "platform/codepage.h"
#include "tests/support/sample_data.h"

namespace mv::test {
namespace fs = std::filesystem;

namespace {

// Names in the program's code page as the platform stores them on disk.
// The tests use Latin-1 characters only, whose Windows-1252 bytes are their
// UTF-16 code units, so Windows needs no code page tables here.
fs::path DiskPath(const std::string& program_text) {
#ifdef _WIN32
  std::wstring wide;
  for (unsigned char c : program_text) wide.push_back(static_cast<wchar_t>(c));
  return fs::path(wide);
#else
  String system;
  platform::ToSystemText(program_text.c_str(), &system);
  return fs::path(system.c_str() == nullptr ? "" : system.c_str());
#endif
}

std::string ProgramText(const fs::path& path) {
#ifdef _WIN32
  std::string narrow;
  for (wchar_t c : path.generic_wstring()) narrow.push_back(static_cast<char>(c));
  return narrow;
#else
  String program;
  platform::FromSystemText(path.generic_string().c_str(), &program);
  return program.c_str() == nullptr ? "" : program.c_str();
#endif
}

}  // namespace

void MakeTree(const std::string& root, const std::vector<TreeItem>& items) {
  int64_t age = 1;
  for (const TreeItem& item : items) {
    fs::path path = DiskPath(root + item.path);
    if (!item.path.empty() && item.path.back() == '/') {
      fs::create_directories(path);
      continue;
    }
    fs::create_directories(path.parent_path());
    WriteFileText(root + item.path, item.content);
    // Whole seconds, some days back, distinct per file.
    auto when = fs::file_time_type::clock::now() - std::chrono::hours(24 * 10) - std::chrono::minutes(7 * age++);
    fs::last_write_time(path, std::chrono::time_point_cast<std::chrono::seconds>(when));
  }
}

std::vector<TreeItem> SampleTree() {
  std::vector<uint8_t> mixed = MixedBytes(250000, 7);
  return {
      {"readme.txt", "Top-level file\r\nsecond line\n"},
      {"empty.bin", ""},
      {"docs/", ""},
      {"docs/\xDC" "bersicht.txt", "Inhalt mit Umlauten: \xE4\xF6\xFC\n"},
      {"docs/deep/nested/leaf.dat", std::string(70000, 'x') + "end"},
      {"docs/deep/empty folder/", ""},
      {"data/mixed.bin", std::string(mixed.begin(), mixed.end())},
  };
}

Snapshot TakeSnapshot(const std::string& root) {
  Snapshot snapshot;
  fs::path base = DiskPath(root);
  for (auto it = fs::recursive_directory_iterator(base); it != fs::recursive_directory_iterator(); ++it) {
    std::string relative = ProgramText(fs::relative(it->path(), base));
    if (it->is_directory()) {
      snapshot.entries[relative + "/"] = "";
    } else {
      snapshot.entries[relative] = ReadFileText(root + relative);
      auto seconds = std::chrono::duration_cast<std::chrono::seconds>(it->last_write_time().time_since_epoch());
      snapshot.times[relative] = seconds.count();
    }
  }
  return snapshot;
}

std::vector<std::string> ListNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (auto it = fs::directory_iterator(DiskPath(folder), ec); !ec && it != fs::directory_iterator(); ++it) {
    names.push_back(ProgramText(it->path().filename()));
  }
  return names;
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(DiskPath(path), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileText(const std::string& path, const std::string& content) {
  std::ofstream out(DiskPath(path), std::ios::binary | std::ios::trunc);
  out << content;
}

std::string MakeLink(LinkKind kind, const std::string& target, const std::string& link) {
#ifdef _WIN32
  std::string native_target = target, native_link = link;
  for (std::string* path : {&native_target, &native_link}) {
    for (char& c : *path) c = c == '/' ? '\\' : c;
  }
  BOOL made;
  if (kind == LinkKind::kHardLink) {
    made = CreateHardLinkA(native_link.c_str(), native_target.c_str(), nullptr);
  } else {
    DWORD flags = kind == LinkKind::kFolderSymlink ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0;
    made = CreateSymbolicLinkA(native_link.c_str(), native_target.c_str(), flags | 0x2 /* unprivileged */);
  }
  if (!made) return "system error " + std::to_string(GetLastError());
  // Wine answers success without making a symbolic link.
  if (GetFileAttributesA(native_link.c_str()) == INVALID_FILE_ATTRIBUTES) return "the link was not made";
  return std::string();
#else
  std::error_code error;
  if (kind == LinkKind::kHardLink) {
    fs::create_hard_link(target, link, error);
  } else if (kind == LinkKind::kFolderSymlink) {
    fs::create_directory_symlink(target, link, error);
  } else {
    fs::create_symlink(target, link, error);
  }
  return error ? error.message() : std::string();
#endif
}

}  // namespace mv::test
