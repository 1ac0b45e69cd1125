#include "login/props_parser.h"

#include <gtest/gtest.h>

#include "qmz/error.h"

namespace qmz {
namespace {

TEST(PropsParserTest, TakeUpToSplitsAtTheFirstSeparator) {
  std::string text = "a=b=c";
  EXPECT_EQ(TakeUpTo(text, "="), "a");
  EXPECT_EQ(text, "b=c");
  text = "abc";
  EXPECT_EQ(TakeUpTo(text, ";"), "abc");
  EXPECT_EQ(text, "");
  EXPECT_EQ(TakeUpTo(text, ";"), "");
  EXPECT_EQ(text, "");
}

TEST(PropsParserTest, BracedValuesEmptyValuesAndKeysWithoutRegardToCase) {
  ASSERT_TRUE(ParseProps("A=1;B={x;y}; C"));
  EXPECT_EQ(GetParsedProp("A"), "1");
  EXPECT_EQ(GetParsedProp("b"), "x;y");
  EXPECT_EQ(GetParsedProp("C"), "");
  ParseProps(" UserID = 16 ;Server={a=b;c} ;Acct=Main");
  EXPECT_EQ(GetUserID(), 16);
  EXPECT_EQ(GetParsedProp("server"), "a=b;c");
  EXPECT_EQ(GetParsedProp("Acct"), "Main");
  EXPECT_THROW(GetParsedProp("A"), Error);  // every parse replaces the collection
}

TEST(PropsParserTest, FailuresOfTheGrammar) {
  ParseProps("=1;A=2");  // the first key is empty: nothing is parsed
  EXPECT_THROW(GetParsedProp("A"), Error);
  EXPECT_THROW(ParseProps("a=1;A=2"), Error);
  ParseProps("UserID=abc");
  EXPECT_THROW(GetUserID(), Error);
  ParseProps("UserID=40000");
  EXPECT_THROW(GetUserID(), Error);
  ParseProps("Name=x");
  EXPECT_THROW(GetUserID(), Error);
}

}  // namespace
}  // namespace qmz
