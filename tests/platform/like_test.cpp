#include "platform/like.h"

#include <gtest/gtest.h>

#include <string>

#include "qmz/error.h"

namespace qmz {
namespace {

TEST(LikeTest, WildcardsCoverTheWholeText) {
  EXPECT_TRUE(Like("ABC", "A?C"));
  EXPECT_FALSE(Like("AC", "A?C"));
  EXPECT_FALSE(Like("ABCD", "A?C"));
  EXPECT_TRUE(Like("A1C", "A#C"));
  EXPECT_FALSE(Like("AxC", "A#C"));
  EXPECT_TRUE(Like("", "*"));
  EXPECT_TRUE(Like("", ""));
  EXPECT_FALSE(Like("a", ""));
  EXPECT_FALSE(Like("", "?"));
  EXPECT_TRUE(Like("abc", "a*c"));
  EXPECT_TRUE(Like("ac", "a*c"));
  EXPECT_FALSE(Like("abc", "a*b"));
  EXPECT_TRUE(Like("xbybzc", "*b*c"));
  EXPECT_TRUE(Like("B1-001", "B1*"));
  EXPECT_FALSE(Like("b1-001", "B1*"));  // case-sensitive
  EXPECT_TRUE(Like("a]b", "a]b"));
  EXPECT_TRUE(Like("aaa", "a**a"));
}

TEST(LikeTest, BracketLists) {
  EXPECT_TRUE(Like("b", "[abc]"));
  EXPECT_FALSE(Like("d", "[abc]"));
  EXPECT_TRUE(Like("d", "[!abc]"));
  EXPECT_FALSE(Like("a", "[!abc]"));
  EXPECT_TRUE(Like("m", "[a-z]"));
  EXPECT_FALSE(Like("M", "[a-z]"));
  EXPECT_TRUE(Like("5", "[0-35-9]"));
  EXPECT_FALSE(Like("4", "[0-35-9]"));
  EXPECT_TRUE(Like("-", "[a-]"));
  EXPECT_TRUE(Like("-", "[-a]"));
  EXPECT_TRUE(Like("*", "[*]"));
  EXPECT_FALSE(Like("x", "[*]"));
  EXPECT_TRUE(Like("?", "[?]"));
  EXPECT_TRUE(Like("#", "[#]"));
  EXPECT_TRUE(Like("[", "[[]"));
  EXPECT_TRUE(Like("!", "a[!]" + std::string()) == false);
  EXPECT_TRUE(Like("a!", "a[!]"));
  EXPECT_TRUE(Like("ab", "a[]b"));
  EXPECT_TRUE(Like("A1x", "[A-C]#[!0-9]"));
}

TEST(LikeTest, CountsUtf8CodePoints) {
  EXPECT_TRUE(Like("批号01", "批号##"));
  EXPECT_TRUE(Like("批号", "??"));
  EXPECT_FALSE(Like("批号", "?"));
  EXPECT_TRUE(Like("批", "[批次]"));
  EXPECT_TRUE(Like("号", "[!批次]"));
  EXPECT_TRUE(Like("中", "[一-龥]"));
  EXPECT_TRUE(Like("仓库A", "仓*"));
  // A stray byte is one character that only matches itself.
  EXPECT_TRUE(Like("\xff", "?"));
  EXPECT_TRUE(Like("a\xff", "a\xff"));
  EXPECT_FALSE(Like("\xfe", "\xff"));
  EXPECT_FALSE(Like("\xe6\x89", "?"));  // a cut sequence is two characters
}

TEST(LikeTest, MalformedPatternsRaiseErrors) {
  EXPECT_THROW(Like("a", "[abc"), Error);
  EXPECT_THROW(Like("", "["), Error);
  EXPECT_THROW(Like("x", "x[!"), Error);
  EXPECT_THROW(Like("m", "[z-a]"), Error);
}

TEST(LikeTest, ManyStarsStayFast) {
  std::string text(20000, 'a');
  EXPECT_FALSE(Like(text, "*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(Like(text + "b", "*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(Like(text, "a*?*a"));
}

}  // namespace
}  // namespace qmz
