// Code pages: Windows-1251 letters round trip; what cannot be converted raises.
#include <gtest/gtest.h>

#include <string>

#include "framework/CodePage.h"
#include "framework/Exception.h"

namespace qgen {
namespace {

TEST(CodePage, AllWindows1251LettersRoundTrip) {
  ASSERT_EQ(DefaultCodePage(), "WINDOWS-1251");
  std::string letters;
  for (int b = 0xC0; b <= 0xFF; ++b)
    letters += static_cast<char>(b);
  letters += "\xA8\xB8";  // Yo and yo
  const std::string utf8 = ToUtf8(letters);
  EXPECT_EQ(utf8.substr(0, 4), "\xD0\x90\xD0\x91");  // U+0410 U+0411
  EXPECT_EQ(utf8.size(), letters.size() * 2);
  EXPECT_EQ(FromUtf8(utf8), letters);
  EXPECT_EQ(FromUtf8("INV-0042"), "INV-0042");
}

TEST(CodePage, CharacterTheCodePageCannotHoldRaisesClearly) {
  try {
    FromUtf8("caf\xC3\xA9");  // e with acute: not in Windows-1251
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_NE(e.Message().find("'\xC3\xA9' cannot be written in code page WINDOWS-1251"),
              std::string::npos)
        << e.Message();
  }
  EXPECT_EQ(FromUtf8("caf\xC3\xA9", "WINDOWS-1252"), "caf\xE9");
  // Byte 0x98 is not assigned in Windows-1251.
  EXPECT_THROW(ToUtf8("\x98"), EConvertError);
}

TEST(CodePage, InvalidUtf8Raises) {
  const char* bad[] = {"\xC0\xAF",         "\xD0",        "ab\x80", "\xED\xA0\x80",
                       "\xF5\x80\x80\x80", "\xE0\x80\x80"};
  for (const char* text : bad) {
    try {
      FromUtf8(text);
      ADD_FAILURE() << "accepted invalid UTF-8";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message().rfind("Text is not valid UTF-8", 0), 0u) << e.Message();
    }
  }
}

TEST(CodePage, OnlySingleByteCodePagesCanBeChosen) {
  for (const char* name : {"UTF-8", "UTF-16", "SHIFT_JIS", "BIG5", "GBK"}) {
    EXPECT_THROW(SetDefaultCodePage(name), EConvertError) << name;
  }
  EXPECT_THROW(SetDefaultCodePage("NO-SUCH-CODEPAGE"), EConvertError);
  EXPECT_EQ(DefaultCodePage(), "WINDOWS-1251");
  SetDefaultCodePage("WINDOWS-1252");
  EXPECT_EQ(ToUtf8("\xE9"), "\xC3\xA9");
  SetDefaultCodePage("WINDOWS-1251");
}

}  // namespace
}  // namespace qgen
