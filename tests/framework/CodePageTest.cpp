// Code pages: Windows-1251 letters round trip; what cannot be converted raises.
#include <string>

#include "framework/CodePage.h"
#include "framework/Exception.h"
#include "tests/support/TestSupport.h"

namespace qgen {
namespace {

using test::MessageOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(CodePage, AllWindows1251LettersRoundTrip) {
  ASSERT_EQ(DefaultCodePage(), "WINDOWS-1251");
  std::string letters = "\xA8\xB8";  // Yo and yo
  for (int b = 0xC0; b <= 0xFF; ++b)
    letters += static_cast<char>(b);
  const std::string utf8 = ToUtf8(letters);
  EXPECT_EQ(utf8.substr(0, 6), "\xD0\x81\xD1\x91\xD0\x90");  // U+0401 U+0451 U+0410
  EXPECT_EQ(utf8.size(), letters.size() * 2);
  EXPECT_EQ(FromUtf8(utf8), letters);
}

TEST(CodePage, WhatCannotBeConvertedRaisesClearly) {
  EXPECT_THAT(MessageOf<EConvertError>([] { FromUtf8("caf\xC3\xA9"); }),
              HasSubstr("'\xC3\xA9' cannot be written in code page WINDOWS-1251"));
  EXPECT_EQ(FromUtf8("caf\xC3\xA9", "WINDOWS-1252"), "caf\xE9");
  EXPECT_THROW(ToUtf8("a\x98z"), EConvertError);  // 0x98 is not assigned in Windows-1251
  for (const char* text :
       {"\xC0\xAF", "\xD0", "ab\x80", "\xED\xA0\x80", "\xF5\x80\x80\x80", "\xE0\x80\x80"}) {
    EXPECT_THAT(MessageOf<EConvertError>([&] { FromUtf8(text); }),
                StartsWith("Text is not valid UTF-8"));
  }
}

TEST(CodePage, OnlySingleByteCodePagesCanBeChosen) {
  for (const char* name : {"UTF-8", "UTF-16", "SHIFT_JIS", "BIG5", "GBK", "NO-SUCH-CODEPAGE"})
    EXPECT_THROW(SetDefaultCodePage(name), EConvertError) << name;
  EXPECT_EQ(DefaultCodePage(), "WINDOWS-1251");
  SetDefaultCodePage("WINDOWS-1252");
  EXPECT_EQ(ToUtf8("\xE9"), "\xC3\xA9");
  // A code page that puts other letters where ASCII has brackets converts ASCII text too.
  SetDefaultCodePage("ISO646-DE");
  EXPECT_EQ(ToUtf8("[x]"), "\xC3\x84x\xC3\x9C");
  EXPECT_EQ(FromUtf8("\xC3\x84x"), "[x");
  EXPECT_THROW(FromUtf8("[x"), EConvertError);
  SetDefaultCodePage("WINDOWS-1251");
}

}  // namespace
}  // namespace qgen
