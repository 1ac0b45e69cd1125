#include "platform/number_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "qmz/error.h"

namespace qmz {
namespace {

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
  EXPECT_EQ(FormatNumber(0, "#"), "");
  EXPECT_EQ(Formats("#.##", {0.5, 1}), ".5 1.");
  EXPECT_EQ(Formats("0.0#", {1.5, 1}), "1.5 1.0");
  EXPECT_EQ(FormatNumber(5, "000"), "005");
  EXPECT_EQ(FormatNumber(12345, "0"), "12345");
  EXPECT_EQ(FormatNumber(1.25, ".00"), "1.25");
  EXPECT_EQ(FormatNumber(3, "00-00"), "00-03");
  EXPECT_EQ(FormatNumber(-5, "$0.00"), "-$5.00");
  EXPECT_EQ(FormatNumber(0.256, "0%"), "26%");
  EXPECT_EQ(FormatNumber(12345678, "#,##0,"), "12,346");
  EXPECT_EQ(FormatNumber(5, "\\#0"), "#5");
  EXPECT_EQ(FormatNumber(5, "\"No. \"0"), "No. 5");
  EXPECT_EQ(FormatNumber(1234, "#,##0 件"), "1,234 件");
  EXPECT_EQ(FormatNumber(2.5, ""), "2.5");
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

}  // namespace
}  // namespace qmz
