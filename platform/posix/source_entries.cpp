// POSIX side of source_entries.h: lstat tells links and special files
// apart, stat what a link leads to; names are converted per character so
// that one without a Windows-1252 form can still be shown.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/source_entries.h"

namespace mv::platform {
namespace {

bool IsReadable(int folder_fd, const char* name, int no_follow) {
  int fd = openat(folder_fd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | no_follow);
  if (fd < 0) return false;
  close(fd);
  return true;
}

// Fills kind, size, readability and a link's target of the entry name
// below folder_fd (AT_FDCWD: name is a whole path).
bool Classify(int folder_fd, const char* name, SourceEntry* entry) {
  struct stat st;
  if (fstatat(folder_fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  entry->size = 0;
  entry->unreadable = false;
  entry->target.Empty();
  if (S_ISDIR(st.st_mode)) {
    entry->kind = SourceKind::kFolder;
  } else if (S_ISREG(st.st_mode)) {
    entry->kind = SourceKind::kFile;
    entry->size = static_cast<uint64_t>(st.st_size);
    entry->unreadable = !IsReadable(folder_fd, name, O_NOFOLLOW);
  } else if (!S_ISLNK(st.st_mode)) {
    entry->kind = SourceKind::kSpecial;
  } else if (fstatat(folder_fd, name, &st, 0) != 0) {
    entry->kind = SourceKind::kDanglingLink;
  } else if (S_ISDIR(st.st_mode)) {
    entry->kind = SourceKind::kLinkToFolder;
  } else if (!S_ISREG(st.st_mode)) {
    entry->kind = SourceKind::kSpecial;  // a link to a FIFO or device is never opened
  } else {
    entry->kind = SourceKind::kLinkToFile;
    entry->size = static_cast<uint64_t>(st.st_size);
    entry->unreadable = !IsReadable(folder_fd, name, 0);
    std::string link_path = name;
    char resolved[PATH_MAX];
    if (folder_fd != AT_FDCWD) link_path = "/proc/self/fd/" + std::to_string(folder_fd) + "/" + name;
    if (realpath(link_path.c_str(), resolved) != nullptr) FromSystemText(resolved, &entry->target);
  }
  return true;
}

}  // namespace

bool ListSourceFolder(const char* folder, std::vector<SourceEntry>* entries) {
  String system_folder;
  if (!ToSystemText(folder, &system_folder)) return false;
  DIR* dir = opendir(system_folder.c_str());
  if (dir == nullptr) return false;
  entries->clear();
  while (struct dirent* item = readdir(dir)) {
    if (std::strcmp(item->d_name, ".") == 0 || std::strcmp(item->d_name, "..") == 0) continue;
    SourceEntry entry;
    entry.fits = ProgramNameOf(item->d_name, &entry.name);
    if (!entry.fits) entry.system_name = item->d_name;
    if (!Classify(dirfd(dir), item->d_name, &entry)) continue;  // gone since it was listed
    entries->push_back(entry);
  }
  closedir(dir);
  return true;
}

bool QuerySource(const char* path, SourceEntry* entry) {
  String system_path;
  if (!ToSystemText(path, &system_path) || !Classify(AT_FDCWD, system_path.c_str(), entry)) return false;
  const char* slash = std::strrchr(path, '/');
  entry->name = slash == nullptr ? path : slash + 1;
  entry->fits = true;
  return true;
}

}  // namespace mv::platform
