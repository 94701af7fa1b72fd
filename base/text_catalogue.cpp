#include "base/text_catalogue.h"

#include "base/language_tables.h"

namespace mv {
namespace {

struct LanguageTable {
  Language language;
  const char* (*text)(TextId);
  const char* (*result_text)(ResultId);
  const char* unknown_result;
};

constexpr LanguageTable kTables[] = {
    {Language::kEnglish, &EnglishText, &EnglishResultText, "error"},
    {Language::kGerman, &GermanText, &GermanResultText, "Fehler"},
};

const LanguageTable& TableOf(Language language) {
  for (const LanguageTable& table : kTables) {
    if (table.language == language) return table;
  }
  return kTables[0];
}

const char* NeverNull(const char* text) { return text == nullptr ? "" : text; }

}  // namespace

const char* TextOf(TextId id, Language language) { return NeverNull(TableOf(language).text(id)); }

const char* ResultTextOf(ResultId id, Language language) { return NeverNull(TableOf(language).result_text(id)); }

const char* DescribeResult(Result code, Language language) {
  const ResultInfo* info = FindResult(code);
  return info == nullptr ? TableOf(language).unknown_result : ResultTextOf(info->id, language);
}

}  // namespace mv
