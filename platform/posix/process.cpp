// POSIX side of the process services of platform.h.
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/codepage.h"
#include "platform/interruption.h"
#include "platform/platform.h"
#include "platform/posix/string_table.h"
#include "platform/posix/write_all.h"
#include "platform/terminal.h"

// Provided by the linker when the image has a _qzpk_ section; weak so that
// programs without the section (the tests) link and see null.
extern "C" const uint8_t __start__qzpk_[] __attribute__((weak, visibility("hidden")));

namespace mv::platform {
namespace {

void* g_module_handle = nullptr;

struct SegmentSearch {
  uintptr_t start;
  uintptr_t end;
};

// Finds the loadable segment of the main program that maps the section's
// start. The stale stop symbol is not used: a grown section is longer than
// the one the linker saw, and only the program headers know its size.
int FindSegment(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<SegmentSearch*>(data);
  for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    uintptr_t begin = info->dlpi_addr + ph.p_vaddr;
    uintptr_t end = begin + ph.p_memsz;
    if (search->start >= begin && search->start < end) {
      search->end = end;
      return 1;
    }
  }
  return 0;
}

}  // namespace

void RestrictDllSearch() {}

uint64_t AvailableMemory() {
  // MemAvailable counts the caches the kernel would give up; the free pages
  // alone would refuse a derivation on any machine that has run a while.
  if (FILE* info = std::fopen("/proc/meminfo", "re")) {
    char line[128];
    uint64_t kib = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, info) != nullptr) {
      found = std::sscanf(line, "MemAvailable: %" SCNu64 " kB", &kib) == 1;
    }
    std::fclose(info);
    if (found) return kib * 1024;
  }
  const long pages = sysconf(_SC_AVPHYS_PAGES);
  const long page_size = sysconf(_SC_PAGESIZE);
  return pages > 0 && page_size > 0 ? static_cast<uint64_t>(pages) * static_cast<uint64_t>(page_size) : 0;
}

void SetModuleHandle(void* handle) { g_module_handle = handle; }
void* GetModuleHandle() { return g_module_handle; }

bool GetPayloadSection(SectionView* view) {
  const uint8_t* start = __start__qzpk_;
  // Keep the compiler from assuming anything about the bytes behind the
  // symbol: the packer replaces them after the link.
  __asm__("" : "+r"(start));
  if (start == nullptr) return false;
  SegmentSearch search{reinterpret_cast<uintptr_t>(start), 0};
  if (dl_iterate_phdr(&FindSegment, &search) == 0 || search.end <= search.start) return false;
  view->data = start;
  view->size = search.end - search.start;
  return true;
}

void posix::WriteAll(int fd, const char* text, size_t length) {
  while (length > 0) {
    ssize_t n = write(fd, text, length);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0 && errno == EPIPE) NoteOutputClosed();
      return;
    }
    text += n;
    length -= static_cast<size_t>(n);
  }
}

namespace {

void WriteConverted(int fd, const char* text) {
  String system_text;
  // A text without a UTF-8 form cannot occur (every Windows-1252 byte has
  // one); an empty result simply writes nothing.
  if (ToSystemText(text, &system_text) && system_text.c_str() != nullptr) {
    posix::WriteAll(fd, system_text.c_str(), static_cast<size_t>(system_text.GetLength()));
  }
}
}  // namespace

void ShowMessage(const char* text, const char* caption, uint32_t) {
  WriteConverted(STDERR_FILENO, TranslateMessage(text, UserLanguage()));
  posix::WriteAll(STDERR_FILENO, "\n", 1);
}

void WriteStdout(const char* text) { WriteConverted(STDOUT_FILENO, text); }

void WriteStderr(const char* text) { WriteConverted(STDERR_FILENO, text); }

bool ReadStdinLine(String* line, size_t max_length) {
  String raw;
  char* buffer = raw.GetBuffer(static_cast<int32_t>(max_length));
  if (buffer == nullptr) return false;
  size_t used = 0;
  bool any = false;
  char c;
  while (used < max_length && read(STDIN_FILENO, &c, 1) == 1) {
    any = true;
    if (c == '\n') break;
    buffer[used++] = c;
  }
  if (used > 0 && buffer[used - 1] == '\r') --used;
  buffer[used] = '\0';
  raw.ReleaseBuffer();
  *line = std::move(raw);
  return any;
}

}  // namespace mv::platform
