#include "fs/work_area.h"

#include <algorithm>

#include "fs/system_helpers.h"
#include "platform/platform.h"

namespace mv {
namespace {

WorkPlace PlaceAt(const String& folder) {
  WorkPlace place;
  place.folder = folder;
  place.exists = !folder.IsEmpty() && platform::QueryAreaFacts(folder.c_str(), &place.facts);
  return place;
}

// The room a memory area offers: half of the smaller of its free space and
// the available memory, so that the work never takes the last of either.
uint64_t MemoryRoom(const WorkPlace& place, uint64_t available_memory) {
  const uint64_t limit =
      place.facts.free_known ? std::min(place.facts.free_bytes, available_memory) : available_memory;
  return limit / 2;
}

}  // namespace

WorkAreaFacts GatherWorkAreaFacts() {
  WorkAreaFacts facts;
  String named;
  facts.named = platform::QueryChosenTempFolder(&named);
  facts.disk = PlaceAt(facts.named ? named : GetSystemTempFolder());
  if (!facts.named) {
    const StringArray candidates = platform::ListMemoryAreaCandidates();
    for (int32_t i = 0; i < candidates.GetCount(); ++i) facts.memory.push_back(PlaceAt(candidates[i]));
    facts.available_memory = platform::AvailableMemory();
    facts.memory_known = facts.available_memory != 0;
  }
  return facts;
}

WorkAreaChoice ChooseWorkArea(const WorkAreaFacts& facts, uint64_t needed) {
  WorkAreaChoice choice;
  bool short_of_room = false;
  // Without knowing the memory, a memory area could take the last of it.
  if (!facts.named && facts.memory_known) {
    for (const WorkPlace& place : facts.memory) {
      if (!place.exists || !place.facts.in_memory || !place.facts.writable) continue;
      if (needed > MemoryRoom(place, facts.available_memory)) {
        short_of_room = true;
        continue;
      }
      choice.folder = place.folder;
      choice.in_memory = true;
      if (facts.disk.exists && facts.disk.folder != place.folder) choice.fallback = facts.disk.folder;
      return choice;
    }
  }
  // The disk's folder as it is; one that does not exist fails when the
  // temporary file is made there.
  choice.folder = facts.disk.folder;
  choice.in_memory = facts.disk.exists && facts.disk.facts.in_memory;
  choice.memory_short = short_of_room && !choice.in_memory;
  if (facts.disk.exists && facts.disk.facts.free_known && facts.disk.facts.free_bytes < needed) {
    choice.refused = true;
    choice.missing = needed - facts.disk.facts.free_bytes;
  }
  return choice;
}

uint64_t MissingRoom(const String& folder, uint64_t needed) {
  const WorkPlace place = PlaceAt(folder);
  if (!place.exists || !place.facts.free_known || place.facts.free_bytes >= needed) return 0;
  return needed - place.facts.free_bytes;
}

}  // namespace mv
