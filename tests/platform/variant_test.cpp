// The platform's values: Variant conversions, the containers, number texts and Like.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "platform/like.h"
#include "platform/number_format.h"
#include "platform/plain_number.h"
#include "platform/text.h"
#include "platform/utf8.h"
#include "qmz/containers.h"
#include "qmz/error.h"
#include "qmz/variant.h"

namespace qmz {
namespace {

TEST(VariantTest, TextFormsFollowTheScriptingLanguage) {
  // 15 significant digits hide the binary noise of 0.1 + 0.2.
  const std::pair<Variant, const char*> cases[] = {
      {Variant(), ""}, {true, "True"},  {false, "False"},
      {42, "42"},      {3.5, "3.5"},    {0.1 + 0.2, "0.3"},
      {-0.0, "0"},     {1e20, "1E+20"}, {123456789012345.0, "123456789012345"},
      {-40.0, "-40"},  {1e15, "1E+15"}, {-999999999999999.0, "-999999999999999"}};
  for (const auto& [value, text] : cases) EXPECT_EQ(value.ToText(), text);
  EXPECT_THROW(Variant::Null().ToText(), Error);
  EXPECT_THROW(Variant(std::make_shared<Dictionary>()).ToText(), Error);
}

TEST(VariantTest, IntegerConversionsRoundToEvenAndCheckRanges) {
  EXPECT_EQ(Variant("16").ToInt16(), 16);
  EXPECT_EQ(Variant(" -32768 ").ToInt16(), -32768);
  for (const Variant& bad : {Variant("32768"), Variant(40000)}) EXPECT_THROW(bad.ToInt16(), Error);
  const std::pair<Variant, int32_t> cases[] = {
      {2.5, 2}, {3.5, 4}, {"-1.5", -2}, {true, -1}, {Variant(), 0}};
  for (const auto& [value, number] : cases) EXPECT_EQ(value.ToInt32(), number);
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
  EXPECT_TRUE(Variant("true").ToBool() && Variant("1").ToBool());
  EXPECT_FALSE(Variant("False").ToBool() || Variant(0).ToBool());
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
  for (int32_t index : {0, 3}) EXPECT_THROW(v.Item(index), Error) << index;

  EXPECT_EQ(NullToDefault(Variant::Null(), "").ToText(), "");
  EXPECT_EQ(NullToDefault(7, "").ToInt32(), 7);
}

// The values formatted with one pattern, joined with " ".
std::string Formats(const char* pattern, std::initializer_list<double> values) {
  std::string texts;
  for (double value : values) texts += (texts.empty() ? "" : " ") + FormatNumber(value, pattern);
  return texts;
}

TEST(NumberFormatTest, PatternsOfTheDialogs) {
  // The carry of 999.995 reaches a new group.
  EXPECT_EQ(Formats("###,##0.00", {1234.5, 0, 0.75, -1234567.891, 999.995, 1e12}),
            "1,234.50 0.00 0.75 -1,234,567.89 1,000.00 1,000,000,000,000.00");
  EXPECT_EQ(Formats("###,##0", {123456, 1234.5, 12}), "123,456 1,235 12");
  EXPECT_EQ(FormatNumber(5, "###,##0."), "5.");
  EXPECT_EQ(FormatNumber(1234.5678, "###,##0.000"), "1,234.568");
  EXPECT_EQ(Formats("#0.000", {2.5, 0.25}), "2.500 0.250");
  EXPECT_EQ(Formats("0.00", {1234.5, 10.0 / 3}), "1234.50 3.33");
  EXPECT_EQ(Formats("#0", {0.4, 7, 0.5}), "0 7 1");
}

TEST(NumberFormatTest, RoundsFifteenDigitsHalfAwayFromZero) {
  EXPECT_EQ(Formats("0.00", {1.005, 2.675, 0.125, 9.995, 0.0049, -0.005}),
            "1.01 2.68 0.13 10.00 0.00 -0.01");
  EXPECT_EQ(Formats("0", {2.5, -2.5}), "3 -3");
  EXPECT_EQ(FormatNumber(0.05, "0.0"), "0.1");
  // Rounding to zero drops the sign.
  EXPECT_EQ(Formats("0.00", {-0.001, -0.0}), "0.00 0.00");
  EXPECT_EQ(FormatNumber(-0.4, "###,##0"), "0");
  // Digits past the fifteenth are zeros, not binary noise.
  EXPECT_EQ(FormatNumber(123456789012345678.0, "###,##0"), "123,456,789,012,346,000");
  EXPECT_EQ(FormatNumber(0.1 + 0.2, "0.000000000000000000"), "0.300000000000000000");
  EXPECT_EQ(FormatNumber(1e-20, "0.00"), "0.00");
}

TEST(NumberFormatTest, OptionalDigitsLiteralsAndScaling) {
  const std::tuple<double, const char*, const char*> cases[] = {
      {0, "#", ""},          {0.5, "#.##", ".5"},     {1, "#.##", "1."},     {1.5, "0.0#", "1.5"},
      {1, "0.0#", "1.0"},    {5, "000", "005"},       {12345, "0", "12345"}, {1.25, ".00", "1.25"},
      {3, "00-00", "00-03"}, {-5, "$0.00", "-$5.00"}, {0.256, "0%", "26%"},  {5, "\\#0", "#5"},
      {2.5, "", "2.5"}};
  for (const auto& [value, pattern, text] : cases)
    EXPECT_EQ(FormatNumber(value, pattern), text) << value << " as " << pattern;
  EXPECT_EQ(FormatNumber(12345678, "#,##0,"), "12,346");
  EXPECT_EQ(FormatNumber(5, "\"No. \"0"), "No. 5");
  EXPECT_EQ(FormatNumber(1234, "#,##0 件"), "1,234 件");
  EXPECT_THROW(FormatNumber(1, "0;(0)"), Error);
  EXPECT_THROW(FormatNumber(1, "0.00E+00"), Error);
  EXPECT_THROW(FormatNumber(std::nan(""), "0.00"), Error);
  EXPECT_THROW(FormatNumber(std::numeric_limits<double>::infinity(), "0"), Error);
}

TEST(NumberFormatTest, LeadingNumberReadsLikeVal) {
  const std::pair<const char*, double> cases[] = {
      {"1,234.50", 1},    {"", 0},     {"abc", 0},    {"-", 0},         {".", 0},
      {"  12.5kg", 12.5}, {"-3", -3},  {"+4", 4},     {" 1 2\t3", 123}, {"- 5", -5},
      {"1.2.3", 1.2},     {".5", 0.5}, {"-.5", -0.5}, {"1e3", 1000},    {"1E-2x", 0.01},
      {"2d2", 200},       {"1e", 1},   {"1e+", 1},    {"1,5", 1}};
  for (const auto& [text, value] : cases) EXPECT_EQ(LeadingNumber(text), value) << text;
  EXPECT_FALSE(std::signbit(LeadingNumber("-0")));
  EXPECT_THROW(LeadingNumber("1e999"), Error);
}

// A host that sets its user's locale (every Qt application does) must not change a number's
// text: a German locale writes 12.5 through printf as "12,5" and reads "12.5" through strtod as
// 12.
TEST(NumberFormatTest, NumbersReadAndWriteAlikeInALocaleWithADecimalComma) {
  struct Restore {
    ~Restore() { std::setlocale(LC_ALL, "C"); }
  } restore;
  const bool comma =
      (std::setlocale(LC_ALL, "de_DE.UTF-8") || std::setlocale(LC_ALL, "German_Germany.1252")) &&
      std::string(std::localeconv()->decimal_point) == ",";
  ASSERT_TRUE(comma) << "no German locale here (./run.sh test makes de_DE.UTF-8)";
  EXPECT_EQ(Variant(12.5).ToText(), "12.5");
  EXPECT_EQ(Variant(-1.25e-7).ToText(), "-1.25E-07");
  EXPECT_EQ(DoubleToText(0.1 + 0.2), "0.3");
  EXPECT_EQ(SingleToText(0.1f), "0.1");
  EXPECT_EQ(SingleToText(1234.5f), "1234.5");
  EXPECT_EQ(FormatNumber(1234.5678, "###,##0.000"), "1,234.568");
  EXPECT_EQ(FormatNumber(1.005, "0.00"), "1.01");
  EXPECT_EQ(LeadingNumber(" 0.1kg"), 0.1);
  double n = 0;
  EXPECT_TRUE(ParseNumber(" 1,234.50 ", n));
  EXPECT_EQ(n, 1234.5);
  EXPECT_TRUE(ParseNumber("+0.1", n));
  EXPECT_EQ(n, 0.1);
  EXPECT_EQ(Variant("3.5").ToInt32(), 4);

  const std::string many_zeros(400, '0');
  const std::pair<std::string, double> read[] = {{"12.5", 12.5},
                                                 {"+.5", 0.5},
                                                 {"-1e+300", -1e300},
                                                 {"Infinity", HUGE_VAL},
                                                 {"-inf", -HUGE_VAL},
                                                 {"1e400", HUGE_VAL},
                                                 {"-1e400", -HUGE_VAL},
                                                 {"1e-400", 0},
                                                 {"1" + many_zeros + "e-5", HUGE_VAL},
                                                 {"0." + many_zeros + "1e+5", 0},
                                                 {"1e-99999999999999999999", 0}};
  for (const auto& [text, value] : read) EXPECT_EQ(ReadPlainDouble(text), value) << text;
  EXPECT_TRUE(std::signbit(*ReadPlainDouble("-1e-400")));
  EXPECT_TRUE(std::isnan(*ReadPlainDouble("NaN")));
  for (const char* bad : {"", "12,5", " 1", "1 ", "--1", "+-1", "-", "1e", "0x10", "."})
    EXPECT_EQ(ReadPlainDouble(bad), std::nullopt) << bad;
  EXPECT_EQ(PlainG(0.1, 17), "0.10000000000000001");
  EXPECT_EQ(PlainE(12.5, 14), "1.25000000000000e+01");
}

// Each list holds (text, pattern) pairs that match, then pairs that do not.
void ExpectLike(const std::vector<std::string>& matching,
                const std::vector<std::string>& not_matching) {
  ASSERT_EQ(matching.size() % 2 + not_matching.size() % 2, 0u) << "a pattern without its text";
  for (size_t i = 0; i + 1 < matching.size(); i += 2) {
    EXPECT_TRUE(Like(matching[i], matching[i + 1])) << matching[i] << " Like " << matching[i + 1];
  }
  for (size_t i = 0; i + 1 < not_matching.size(); i += 2) {
    EXPECT_FALSE(Like(not_matching[i], not_matching[i + 1]))
        << not_matching[i] << " Like " << not_matching[i + 1];
  }
}

TEST(LikeTest, WildcardsCoverTheWholeTextCaseSensitively) {
  ExpectLike(
      {"ABC", "A?C", "A1C",    "A#C",  "",       "*",   "",    "",    "abc", "a*c",
       "ac",  "a*c", "xbybzc", "*b*c", "B1-001", "B1*", "a]b", "a]b", "aaa", "a**a"},
      {"AC", "A?C", "ABCD", "A?C", "AxC", "A#C", "a", "", "", "?", "abc", "a*b", "b1-001", "B1*"});
}

TEST(LikeTest, BracketLists) {
  ExpectLike({"b",    "[abc]", "d",    "[!abc]", "m",   "[a-z]", "5",   "[0-35-9]",    "-",
              "[a-]", "-",     "[-a]", "*",      "[*]", "?",     "[?]", "#",           "[#]",
              "[",    "[[]",   "a!",   "a[!]",   "ab",  "a[]b",  "A1x", "[A-C]#[!0-9]"},
             {"d", "[abc]", "a", "[!abc]", "M", "[a-z]", "4", "[0-35-9]", "x", "[*]", "!", "a[!]"});
  for (auto [text, pattern] : {std::pair{"a", "[abc"}, {"", "["}, {"x", "x[!"}, {"m", "[z-a]"}})
    EXPECT_THROW(Like(text, pattern), Error) << pattern;
}

// A character is a UTF-8 code point; a stray byte is one character that only matches itself, and
// a cut sequence is two.
TEST(LikeTest, CountsUtf8CodePoints) {
  ExpectLike({"批号01", "批号##", "批号", "??", "批", "[批次]", "号", "[!批次]", "中", "[一-龥]",
              "仓库A", "仓*", "\xff", "?", "a\xff", "a\xff"},
             {"批号", "?", "\xfe", "\xff", "\xe6\x89", "?"});
}

// The databases' collation ignores trailing blanks; a recordset's Sort and Filter count them.
TEST(TextTest, TheCollationAndTheRecordsetRuleDifferOnlyInTrailingBlanks) {
  EXPECT_EQ(CompareCollated("b2601 ", "B2601"), 0);
  EXPECT_GT(CompareIgnoringCase("b2601 ", "B2601"), 0);
  for (auto [a, b] : {std::pair{"abc", "ABD"}, {"B10", "b9"}, {"z", "\xe6\x89\xb9"}, {"a", "ab"}}) {
    EXPECT_LT(CompareCollated(a, b), 0) << a;
    EXPECT_LT(CompareIgnoringCase(a, b), 0) << a;
  }
  EXPECT_EQ(CompareCollated("0123456789ABCDEFx", "0123456789abcdefX  "), 0);  // past 8 bytes
}

// One rule for bytes that are no UTF-8: each is a character of its own, kept as itself.
TEST(Utf8Test, ABadByteIsOneCharacterThatWritesBackAsItself) {
  // A stray continuation byte, an overlong '/', an encoded surrogate, a cut sequence.
  const std::string text("a\x80\xc0\xaf\xed\xa0\x80\xe6\x89\xb9\xe6\x89", 12);
  EXPECT_EQ(DecodeUtf8(text), (std::u32string{U'a', 0xDC80, 0xDCC0, 0xDCAF, 0xDCED, 0xDCA0, 0xDC80,
                                              U'批', 0xDCE6, 0xDC89}));
  std::string written;
  for (char32_t point : DecodeUtf8(text)) AppendUtf8(written, point);
  EXPECT_EQ(written, text);
  EXPECT_EQ(CharacterLength(text, 0), 1u);
  EXPECT_EQ(CharacterLength(text, 2), 1u);
  EXPECT_EQ(CharacterLength(text, 7), 3u);
  EXPECT_EQ(LastCharacterLength(text, 10), 3u);
  EXPECT_EQ(LastCharacterLength(text, 12), 1u);
  EXPECT_EQ(LastCharacterLength(text, 4), 1u);
  EXPECT_EQ(LastCharacterLength("\xf0\x9f\x93\xa6", 4), 4u);
  EXPECT_EQ(DecodeUtf8("\xf4\x90\x80\x80").size(), 4u);  // past U+10FFFF
}

TEST(LikeTest, ManyStarsStayFast) {
  std::string text(20000, 'a');
  EXPECT_FALSE(Like(text, "*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(Like(text + "b", "*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(Like(text, "a*?*a"));
}

}  // namespace
}  // namespace qmz
