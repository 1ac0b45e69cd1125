#include "qmz/variant.h"

#include <gtest/gtest.h>

#include "qmz/containers.h"
#include "qmz/error.h"

namespace qmz {
namespace {

TEST(VariantTest, TextFormsFollowTheScriptingLanguage) {
  EXPECT_EQ(Variant().ToText(), "");
  EXPECT_EQ(Variant(true).ToText(), "True");
  EXPECT_EQ(Variant(false).ToText(), "False");
  EXPECT_EQ(Variant(42).ToText(), "42");
  EXPECT_EQ(Variant(3.5).ToText(), "3.5");
  EXPECT_EQ(Variant(0.1 + 0.2).ToText(), "0.3");  // 15 significant digits hide the binary noise
  EXPECT_EQ(Variant(-0.0).ToText(), "0");
  EXPECT_EQ(Variant(1e20).ToText(), "1E+20");
  EXPECT_EQ(Variant(123456789012345.0).ToText(), "123456789012345");
  EXPECT_THROW(Variant::Null().ToText(), Error);
  EXPECT_THROW(Variant(std::make_shared<Dictionary>()).ToText(), Error);
}

TEST(VariantTest, IntegerConversionsRoundToEvenAndCheckRanges) {
  EXPECT_EQ(Variant("16").ToInt16(), 16);
  EXPECT_EQ(Variant(" -32768 ").ToInt16(), -32768);
  EXPECT_THROW(Variant("32768").ToInt16(), Error);
  EXPECT_THROW(Variant(40000).ToInt16(), Error);
  EXPECT_EQ(Variant(2.5).ToInt32(), 2);
  EXPECT_EQ(Variant(3.5).ToInt32(), 4);
  EXPECT_EQ(Variant("-1.5").ToInt32(), -2);
  EXPECT_EQ(Variant(true).ToInt32(), -1);
  EXPECT_EQ(Variant().ToInt32(), 0);
  for (const Variant& bad : {Variant("abc"), Variant(""), Variant(3e9), Variant::Null()}) {
    EXPECT_THROW(bad.ToInt32(), Error) << static_cast<int>(bad.type());
  }
}

TEST(VariantTest, NumbersAndTruthFromTexts) {
  double n = 0;
  EXPECT_TRUE(ParseNumber(" 1,234.50 ", n));
  EXPECT_DOUBLE_EQ(n, 1234.5);
  EXPECT_TRUE(ParseNumber("-2e3", n));
  EXPECT_DOUBLE_EQ(n, -2000);
  for (const char* bad : {"1.2.3", ",5", "12abc", ""}) EXPECT_FALSE(ParseNumber(bad, n)) << bad;
  EXPECT_TRUE(Variant("true").ToBool());
  EXPECT_FALSE(Variant("False").ToBool());
  EXPECT_TRUE(Variant("1").ToBool());
  EXPECT_FALSE(Variant(0).ToBool());
  EXPECT_THROW(Variant("yes").ToBool(), Error);
}

TEST(ContainersTest, DictionaryKeepsOrderAndExactCaseVectorCountsFromOne) {
  Dictionary d;
  d.Set("B", 1);
  d.Set("a", "x");
  d.Set("B", 2);
  ASSERT_EQ(d.Count(), 2);
  EXPECT_EQ(d.Entries()[0].first, "B");
  EXPECT_EQ(d.Get("B").ToInt32(), 2);
  EXPECT_FALSE(d.Exists("b"));
  EXPECT_EQ(d.Get("b", "none").ToText(), "none");

  Vector v;
  auto first = std::make_shared<Dictionary>();
  v.Add(first);
  v.Add(std::make_shared<Dictionary>());
  EXPECT_EQ(v.Count(), 2);
  EXPECT_EQ(v.Item(1), first);
  EXPECT_THROW(v.Item(0), Error);
  EXPECT_THROW(v.Item(3), Error);

  EXPECT_EQ(NullToDefault(Variant::Null(), "").ToText(), "");
  EXPECT_EQ(NullToDefault(7, "").ToInt32(), 7);
}

}  // namespace
}  // namespace qmz
