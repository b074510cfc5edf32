// Text routines: StrToInt, CompareText, upper-casing and trimming.
#include <string>
#include <string_view>

#include "framework/Exception.h"
#include "framework/Text.h"
#include "tests/support/TestSupport.h"

namespace qgen {
namespace {

TEST(StrToInt, AcceptsWholeNumbersAndRaisesNamingTheText) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt(" -17 "), -17);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  for (const char* bad :
       {"", "  ", "-", "12a", "1.5", "0x10", "2147483648", "99999999999999999999"}) {
    EXPECT_EQ(test::MessageOf<EConvertError>([&] { StrToInt(bad); }),
              "'" + std::string(bad) + "' is not a valid integer value");
  }
}

int Sign(int v) {
  return v < 0 ? -1 : v > 0 ? 1 : 0;
}

TEST(CompareText, CaseInsensitiveForAsciiOnlyWithPrefixFirst) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  };
  const Case cases[] = {{"abc", "ABC", 0},
                        {"abc", "abd", -1},
                        {"ab", "abc", -1},
                        {"Z", "a", 1},
                        {"_", "a", 1},        // letters fold to upper case:
                                              // '_' (0x5F) after 'A' (0x41)
                        {"\xE0", "\xC0", 1},  // Windows-1251 a / A: not folded, by code
                        {"\xC0", "z", 1},     // bytes >= 0x80 sort after ASCII
                        {"a\xE0", "A\xE0", 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(Sign(CompareText(c.a, c.b)), c.sign) << c.a << " vs " << c.b;
    EXPECT_EQ(Sign(CompareText(c.b, c.a)), -c.sign) << c.b << " vs " << c.a;
  }
}

TEST(UpperCaseAndTrim, TouchOnlyAsciiLettersAndTheBlanksAsked) {
  // Upper-half bytes are letters of the code page, never folded.
  EXPECT_EQ(UpperCaseAscii("genId_9 \xE0\xC0z"), "GENID_9 \xE0\xC0Z");
  struct Case {
    std::string_view text;
    std::string_view blanks;
    std::string_view trimmed;
    std::string_view right;
  };
  const Case cases[] = {{" \tnext \r\n", kAsciiBlanks, "next", " \tnext"},
                        {" a b ", " ", "a b", " a b"},
                        {"\ta\t", " ", "\ta\t", "\ta\t"},
                        {" \n ", kAsciiBlanks, "", ""},
                        {"", kAsciiBlanks, "", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.text));
    EXPECT_EQ(Trim(c.text, c.blanks), c.trimmed);
    EXPECT_EQ(TrimRight(c.text, c.blanks), c.right);
  }
}

}  // namespace
}  // namespace qgen
