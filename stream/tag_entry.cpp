#include "stream/tag_entry.h"

namespace mv {
namespace {
TagEntryFactory g_entry_factory = nullptr;
}  // namespace

void SetTagEntryFactory(TagEntryFactory factory) { g_entry_factory = factory; }

TagEntryFactory GetTagEntryFactory() { return g_entry_factory; }

}  // namespace mv
