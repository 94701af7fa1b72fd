// The choice of the place for a decryption's work, from made-up facts: one
// row per rule that can break.
#include "fs/work_area.h"
#include "tests/fs/fs_test_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace mv {
namespace {

constexpr uint64_t kMiB = 1 << 20;
constexpr uint64_t kUnknown = UINT64_MAX;

struct Place {
  const char* folder;
  bool exists;
  bool in_memory;
  uint64_t free_bytes;  // kUnknown: the file system has no size
  bool writable = true;
};

const Place kRuntime = {"/run/user/1000/", true, true, 2048 * kMiB};
const Place kShm = {"/dev/shm/", true, true, 4096 * kMiB};
const Place kTmpDisk = {"/tmp/", true, false, 100000 * kMiB};
const Place kTmpMemory = {"/tmp/", true, true, 4096 * kMiB};
const Place kMissing = {"/run/user/1000/", false, false, 0};

struct Case {
  const char* name;
  bool named;
  std::vector<Place> memory;
  Place disk;
  uint64_t available_memory;  // kUnknown: it cannot be read
  uint64_t needed;
  // Expected:
  const char* folder;
  bool in_memory;
  const char* fallback;
  uint64_t missing;  // non-zero: refused with these bytes missing
  bool memory_short = false;  // on the disk for want of room in memory
};

const Case kCases[] = {
    {"a tmpfs with room is chosen, the disk its fall-back", false, {kRuntime, kShm, kTmpDisk}, kTmpDisk,
     8192 * kMiB, 100 * kMiB, "/run/user/1000/", true, "/tmp/", 0},
    {"a missing runtime folder is passed over", false, {kMissing, kShm, kTmpDisk}, kTmpDisk, 8192 * kMiB,
     100 * kMiB, "/dev/shm/", true, "/tmp/", 0},
    {"a tmpfs the process may not write to is passed over", false,
     {{"/run/user/1000/", true, true, 2048 * kMiB, false}, kShm}, kTmpDisk, 8192 * kMiB, 100 * kMiB, "/dev/shm/", true,
     "/tmp/", 0},
    {"a full tmpfs is passed over", false, {{"/run/user/1000/", true, true, 0}, kShm, kTmpDisk}, kTmpDisk,
     8192 * kMiB, 100 * kMiB, "/dev/shm/", true, "/tmp/", 0},
    {"a tmpfs whose free half is too small is passed over", false,
     {{"/run/user/1000/", true, true, 150 * kMiB}, kShm, kTmpDisk}, kTmpDisk, 8192 * kMiB, 100 * kMiB,
     "/dev/shm/", true, "/tmp/", 0},
    {"exactly half of the free space fits", false, {{"/run/user/1000/", true, true, 200 * kMiB}}, kTmpDisk,
     8192 * kMiB, 100 * kMiB, "/run/user/1000/", true, "/tmp/", 0},
    {"a folder on a disk is no memory area, whatever its name", false,
     {{"/dev/shm/", true, false, 4096 * kMiB}, kTmpDisk}, kTmpDisk, 8192 * kMiB, 100 * kMiB, "/tmp/", false, "",
     0},
    {"at most half of the available memory, however large the tmpfs", false, {kRuntime, kShm}, kTmpDisk,
     150 * kMiB, 100 * kMiB, "/tmp/", false, "", 0, true},
    {"memory that cannot be read keeps the work on the disk", false, {kRuntime, kShm}, kTmpDisk, kUnknown,
     100 * kMiB, "/tmp/", false, "", 0},
    {"a file system without a size counts the memory alone", false, {{"/dev/shm/", true, true, kUnknown}},
     kTmpDisk, 1024 * kMiB, 100 * kMiB, "/dev/shm/", true, "/tmp/", 0},
    {"/tmp as a tmpfs has no fall-back to itself", false, {{"/dev/shm/", false, false, 0}, kTmpMemory},
     kTmpMemory, 8192 * kMiB, 100 * kMiB, "/tmp/", true, "", 0},
    {"/tmp as a tmpfs without margin is still the temporary folder", false, {kTmpMemory}, kTmpMemory,
     150 * kMiB, 100 * kMiB, "/tmp/", true, "", 0},
    {"a named folder wins over every memory area", true, {kRuntime, kShm}, {"/data/tmp/", true, false, 1 << 30},
     8192 * kMiB, 100 * kMiB, "/data/tmp/", false, "", 0},
    {"a named tmpfs is used as given, beyond the margin", true, {}, {"/data/tmp/", true, true, 1000 * kMiB},
     8192 * kMiB, 900 * kMiB, "/data/tmp/", true, "", 0},
    {"no room anywhere: refused with the bytes the disk lacks", false, {{"/dev/shm/", true, true, 10 * kMiB}},
     {"/tmp/", true, false, 60 * kMiB}, 8192 * kMiB, 100 * kMiB, "/tmp/", false, "", 40 * kMiB, true},
    {"a named folder without room: refused", true, {}, {"/data/tmp/", true, true, 1000}, 8192 * kMiB, 1500,
     "/data/tmp/", true, "", 500},
    {"a disk that cannot tell its free space is tried", false, {}, {"/tmp/", true, false, kUnknown}, kUnknown,
     100 * kMiB, "/tmp/", false, "", 0},
    {"a missing temporary folder is handed on (its file then fails)", true, {}, {"/gone/", false, false, 0},
     kUnknown, 100, "/gone/", false, "", 0},
};

using test::Text;

WorkPlace PlaceOf(const Place& place) {
  WorkPlace out;
  out.folder = place.folder;
  out.exists = place.exists;
  out.facts.in_memory = place.in_memory;
  out.facts.free_known = place.free_bytes != kUnknown;
  out.facts.free_bytes = place.free_bytes == kUnknown ? 0 : place.free_bytes;
  out.facts.writable = place.writable;
  return out;
}

TEST(WorkAreaTest, ChoosesByKindRoomMarginAndTheUsersChoice) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    WorkAreaFacts facts;
    facts.named = c.named;
    for (const Place& place : c.memory) facts.memory.push_back(PlaceOf(place));
    facts.disk = PlaceOf(c.disk);
    facts.memory_known = c.available_memory != kUnknown;
    facts.available_memory = facts.memory_known ? c.available_memory : 0;
    const WorkAreaChoice choice = ChooseWorkArea(facts, c.needed);
    EXPECT_EQ(Text(choice.folder), c.folder);
    EXPECT_EQ(choice.in_memory, c.in_memory);
    EXPECT_EQ(Text(choice.fallback), c.fallback);
    EXPECT_EQ(choice.refused, c.missing != 0);
    EXPECT_EQ(choice.missing, c.missing);
    EXPECT_EQ(choice.memory_short, c.memory_short);
  }
}

}  // namespace
}  // namespace mv
