#include "base/result.h"

namespace mv {
namespace {

using namespace result_property;

constexpr ResultInfo kResults[] = {
#define MV_RESULT_INFO(name, number, properties, dialog_text) \
  {number, ResultId::name, #name, properties, TextId::dialog_text},
    MV_RESULT_CODES(MV_RESULT_INFO)
#undef MV_RESULT_INFO
};

}  // namespace

std::span<const ResultInfo> AllResults() { return kResults; }

const ResultInfo* FindResult(Result code) {
  for (const ResultInfo& info : kResults) {
    if (info.code == code) return &info;
  }
  return nullptr;
}

bool HasResultProperty(Result code, uint32_t property) {
  for (const ResultInfo& info : kResults) {
    if (info.code == code && (info.properties & property) != 0) return true;
  }
  return false;
}

}  // namespace mv
