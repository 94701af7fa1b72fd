// The memory a key derivation may ask for is what this process can get:
// no more than the room below its address-space and data limits, however
// much the machine has free (a process run under `prlimit --as=700MiB`
// must refuse a derivation of 1 GiB before it starts, not fail inside it).
#ifndef _WIN32

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

namespace mv {
namespace {

constexpr uint64_t kMiB = 1024 * 1024;

// In a child, raises the used part of resource's limit to room above what
// the process holds now, and tells whether AvailableMemory stays within
// that room (exit status 0) or not.
bool StaysWithinLimit(int resource, uint64_t room) {
  const pid_t child = fork();
  if (child == 0) {
    // What the process holds now, from the limit's own measure: the
    // largest allocation the limit still allows is the room set below.
    const uint64_t before = platform::AvailableMemory();
    struct rlimit limit;
    getrlimit(resource, &limit);
    FILE* status = std::fopen("/proc/self/status", "re");
    char line[128];
    uint64_t held_kib = 0;
    const char* name = resource == RLIMIT_AS ? "VmSize:" : "VmData:";
    while (status != nullptr && std::fgets(line, sizeof line, status) != nullptr) {
      if (std::strncmp(line, name, std::strlen(name)) == 0) std::sscanf(line + std::strlen(name), "%lu", &held_kib);
    }
    if (status != nullptr) std::fclose(status);
    limit.rlim_cur = held_kib * 1024 + room;
    if (setrlimit(resource, &limit) != 0) _exit(2);
    const uint64_t after = platform::AvailableMemory();
    // A little slack for what the check itself allocates.
    _exit(after != 0 && after <= room + 4 * kMiB && (before == 0 || after <= before) ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(AvailableMemory, HonoursTheAddressSpaceLimit) { EXPECT_TRUE(StaysWithinLimit(RLIMIT_AS, 96 * kMiB)); }

TEST(AvailableMemory, HonoursTheDataLimit) { EXPECT_TRUE(StaysWithinLimit(RLIMIT_DATA, 96 * kMiB)); }

TEST(AvailableMemory, IsThereWithoutLimits) { EXPECT_GT(platform::AvailableMemory(), 0u); }

}  // namespace
}  // namespace mv

#endif
