// Building a tree of files for a test and taking a snapshot of one, so that
// a tree that went through a package can be compared with its source.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace mv::test {

// One file (content) or, for a path ending in '/', one folder.
struct TreeItem {
  std::string path;
  std::string content;
};

// Creates the items below root (a folder ending in '/'), parents first, and
// gives each file a distinct last-write time in the past (so that times
// that were not carried over show).
void MakeTree(const std::string& root, const std::vector<TreeItem>& items);

// A sample tree: nested folders, an empty folder, an empty file, a file of
// 250000 bytes of mixed data and a name with a character outside ASCII
// ("Übersicht.txt", written in the program's code page on every platform).
std::vector<TreeItem> SampleTree();

struct Snapshot {
  // Relative path (folders end in '/') -> content ("" for folders).
  std::map<std::string, std::string> entries;
  // Relative file path -> last-write time in seconds since the epoch.
  std::map<std::string, int64_t> times;
  bool operator==(const Snapshot& other) const { return entries == other.entries && times == other.times; }
};
Snapshot TakeSnapshot(const std::string& root);

// The names (not paths) directly in folder.
std::vector<std::string> ListNames(const std::string& folder);

std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& content);

// Links as the platform makes them (Windows: CreateSymbolicLinkA and
// CreateHardLinkA, which the runtime's std::filesystem lacks there). Empty
// on success, else the system's reason.
enum class LinkKind { kFileSymlink, kFolderSymlink, kHardLink };
std::string MakeLink(LinkKind kind, const std::string& target, const std::string& link);

}  // namespace mv::test
