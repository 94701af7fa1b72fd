// What each kind hashes of a password as typed.
#include "container/password_form.h"

#include <gtest/gtest.h>

#include <string>

namespace mv {
namespace {

TEST(PasswordForm, EachKindHashesItsOwnFormOrRefuses) {
  struct Case {
    const char* name;
    const char* typed;  // UTF-8
    PasswordForm form;
    Result result;
    std::string bytes;
  } cases[] = {
      // The classic kind's bytes are those Windows users always typed.
      {"classic, German", "pa\xC3\x9Fwort", PasswordForm::kWindows1252, kOk, "pa\xDFwort"},
      {"classic, the euro sign", "\xE2\x82\xAC" "5", PasswordForm::kWindows1252, kOk, "\x80" "5"},
      {"classic, Cyrillic", "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1", PasswordForm::kWindows1252,
       kBadArgument, ""},
      {"classic, a decomposed accent", "e\xCC\x81", PasswordForm::kWindows1252, kBadArgument, ""},
      {"strong, German", "pa\xC3\x9Fwort", PasswordForm::kUtf8Nfc, kOk, "pa\xC3\x9Fwort"},
      {"strong, Cyrillic", "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1", PasswordForm::kUtf8Nfc, kOk,
       "\xD0\x9F\xD0\xB0\xD1\x80\xD0\xBE\xD0\xBB\xD1\x8C" "1"},
      {"strong, a decomposed accent", "e\xCC\x81", PasswordForm::kUtf8Nfc, kOk, "\xC3\xA9"},
      {"strong, Japanese", "\xE3\x81\x8B\xE3\x82\x99", PasswordForm::kUtf8Nfc, kOk, "\xE3\x81\x8C"},
      {"strong, bytes that are no UTF-8", "pa\xDFwort", PasswordForm::kUtf8Nfc, kBadArgument, ""},
  };
  for (const Case& c : cases) {
    String bytes;
    EXPECT_EQ(PasswordBytes(Password(c.typed), c.form, &bytes), c.result) << c.name;
    EXPECT_EQ(std::string(bytes.c_str() == nullptr ? "" : bytes.c_str()), c.bytes) << c.name;
    String lacking;
    EXPECT_EQ(PasswordFits(Password(c.typed), c.form, &lacking), c.result == kOk) << c.name;
  }
  String lacking;
  EXPECT_FALSE(PasswordFits(Password("\xD0\x9F\xD0\x9F" "1"), PasswordForm::kWindows1252, &lacking));
  EXPECT_STREQ(lacking.c_str(), "\xD0\x9F (U+041F)");
}

}  // namespace
}  // namespace mv
