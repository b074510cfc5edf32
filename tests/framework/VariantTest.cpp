// Variant: equality, ordering, "+ 1" and text rules.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "framework/Exception.h"
#include "framework/Variant.h"

namespace qgen {
namespace {

TEST(Variant, EqualityAcrossKinds) {
  struct Case {
    Variant a, b;
    bool equal;
  };
  const Case cases[] = {{Variant(), Variant(), true},
                        {Variant(), Variant(0), false},
                        {Variant(), Variant(""), false},
                        {Variant(3), Variant(3.0), true},
                        {Variant(3), Variant(" 3 "), true},
                        {Variant(2.5), Variant("2.5"), true},
                        {Variant("007"), Variant("7"), false},  // two strings compare as text
                        {Variant("abc"), Variant("ABC"), false},
                        {Variant(1), Variant("inf"), false},
                        {Variant(16), Variant("0x10"), false},  // decimal notation only
                        {Variant::Array({1, "a"}), Variant::Array({1, "a"}), true},
                        {Variant::Array({1, "a"}), Variant::Array({1, "b"}), false},
                        {Variant::Array({1}), Variant::Array({1, 1}), false},
                        {Variant::Array({1}), Variant(1), false}};
  for (const Case& c : cases) {
    EXPECT_EQ(c.a == c.b, c.equal) << c.a.ToString() << " vs " << c.b.ToString();
    EXPECT_EQ(c.b == c.a, c.equal);
  }
}

TEST(Variant, Ordering) {
  EXPECT_TRUE(Variant() < Variant(-5));
  EXPECT_FALSE(Variant() < Variant());
  EXPECT_TRUE(Variant(2) < Variant("10"));      // numeric string against a number
  EXPECT_TRUE(Variant("10") < Variant("2"));    // two strings: byte order
  EXPECT_TRUE(Variant("\xC0") > Variant("z"));  // bytes >= 0x80 after ASCII
  EXPECT_TRUE(Variant(2.5) > Variant(2));
  const std::int64_t big = (std::int64_t{1} << 53) + 1;  // not exact as a double
  EXPECT_TRUE(Variant(big) > Variant(big - 1));
  EXPECT_THROW((void)(Variant::Array({1}) < Variant::Array({2})), EConvertError);
}

TEST(Variant, AddOneAndConversions) {
  EXPECT_TRUE((Variant() + 1).IsNull());
  EXPECT_EQ((Variant(41) + 1).Type(), VarType::Integer);
  EXPECT_EQ((Variant("41") + 1).ToInt64(), 42);
  EXPECT_DOUBLE_EQ((Variant("1.5") + 1).ToDouble(), 2.5);
  for (const Variant& v :
       {Variant("A7"), Variant("inf"), Variant::Array({1}),
        Variant(std::numeric_limits<std::int64_t>::max()), Variant("9223372036854775807")}) {
    EXPECT_THROW(v + 1, EConvertError);
  }
  EXPECT_EQ(Variant(-12).ToString(), "-12");
  EXPECT_EQ(Variant(3.0).ToString(), "3");
  EXPECT_EQ(Variant(0.1).ToString(), "0.1");
  EXPECT_EQ(Variant(1e20).ToString(), "1e+20");
  EXPECT_EQ(Variant(" 12 ").ToInt64(), 12);
  EXPECT_EQ(Variant().ToInt64(), 0);
  EXPECT_EQ(Variant(2.5).ToInt64(), 3);  // a stored number rounds half away from zero
  EXPECT_THROW(Variant(1).ArraySize(), EConvertError);
  EXPECT_THROW(Variant("twelve").ToInt64(), EConvertError);
  EXPECT_THROW(Variant::Array({1}).ToString(), EConvertError);
  EXPECT_THROW(Variant::Array({7, "INV-"})[2], EConvertError);
}

}  // namespace
}  // namespace qgen
