#include "platform/like.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "qmz/error.h"

namespace qmz {
namespace {

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
  EXPECT_THROW(Like("a", "[abc"), Error);
  EXPECT_THROW(Like("", "["), Error);
  EXPECT_THROW(Like("x", "x[!"), Error);
  EXPECT_THROW(Like("m", "[z-a]"), Error);
}

// A character is a UTF-8 code point; a stray byte is one character that only matches itself, and
// a cut sequence is two.
TEST(LikeTest, CountsUtf8CodePoints) {
  ExpectLike({"批号01", "批号##", "批号", "??", "批", "[批次]", "号", "[!批次]", "中", "[一-龥]",
              "仓库A", "仓*", "\xff", "?", "a\xff", "a\xff"},
             {"批号", "?", "\xfe", "\xff", "\xe6\x89", "?"});
}

TEST(LikeTest, ManyStarsStayFast) {
  std::string text(20000, 'a');
  EXPECT_FALSE(Like(text, "*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(Like(text + "b", "*a*a*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(Like(text, "a*?*a"));
}

}  // namespace
}  // namespace qmz
