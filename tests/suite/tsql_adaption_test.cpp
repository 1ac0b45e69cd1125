#include "suite/tsql_adaption.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "qmz/error.h"

namespace qmz::suite {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

TEST(TsqlAdaptionTest, RewritesTheTemporaryTableBatch) {
  std::vector<std::string> statements = AdaptTsql(
      "set nocount on  IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux \r\n"
      "select a.x, isNull(sum(a.q),0) as q into #tempAux  from t a group by a.x "
      " select x from #tempAux Union  select x from #tempAux order by x \r\n"
      "IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux ");
  EXPECT_THAT(statements,
              ElementsAre("DROP TABLE IF EXISTS \"#tempAux\"",
                          "CREATE TEMP TABLE \"#tempAux\" AS select a.x, ifnull(sum(a.q),0) as q "
                          "  from t a group by a.x  ",
                          "select x from \"#tempAux\" Union  select x from \"#tempAux\" order by "
                          "x \r\n",
                          "DROP TABLE IF EXISTS \"#tempAux\""));
}

TEST(TsqlAdaptionTest, SubqueriesUnionAllAndUpdateSetStayInTheirStatement) {
  EXPECT_THAT(AdaptTsql("select a from (select b as a from t) s union all select c from u"),
              ElementsAre("select a from (select b as a from t) s union all select c from u"));
  EXPECT_THAT(AdaptTsql("update t set a = 1 select a from t"),
              ElementsAre("update t set a = 1 ", "select a from t"));
  EXPECT_THAT(AdaptTsql("SET NOCOUNT OFF select 1"), ElementsAre("select 1"));
  EXPECT_THAT(AdaptTsql("  \r\n "), ElementsAre());
}

TEST(TsqlAdaptionTest, QuotedTextsAndCommentsAreHandledAsTheDatabaseDoes) {
  // Texts keep keywords, comment marks, semicolons, #names and doubled quotes untouched.
  EXPECT_THAT(
      AdaptTsql("select 'set -- ; select #t isNull(x) O''Neil' as t from s where a like '%a%'"),
      ElementsAre("select 'set -- ; select #t isNull(x) O''Neil' as t from s where a like '%a%'"));
  // Comments outside texts vanish; a keyword inside one starts nothing.
  EXPECT_THAT(AdaptTsql("select 1 -- select 2\nfrom t /* set x */ where b=1"),
              ElementsAre("select 1  \nfrom t   where b=1"));
  // isNull only when it is called; a column of that name stays.
  EXPECT_THAT(AdaptTsql("select isnull (a,0), isNull from t"),
              ElementsAre("select ifnull (a,0), isNull from t"));
  EXPECT_THAT(AdaptTsql("select [Order] from t"), ElementsAre("select \"Order\" from t"));
}

TEST(TsqlAdaptionTest, WhatTheSuiteCannotRunIsAClearError) {
  auto message = [](const std::string& batch) {
    try {
      AdaptTsql(batch);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  EXPECT_THAT(message("set rowcount 10 select 1"),
              HasSubstr("The suite cannot run this statement: set rowcount 10"));
  EXPECT_THAT(message("IF 1=1 select 2"), HasSubstr("The suite cannot run this statement: IF 1=1"));
  EXPECT_THAT(message("IF object_id('tempdb..#a') IS NOT NULL DROP TABLE #b"),
              HasSubstr("cannot run this statement"));
  EXPECT_THAT(message("select a into t_real from t"),
              HasSubstr("can only select into temporary tables"));
  EXPECT_THAT(message("select 'open"), HasSubstr("Unterminated text"));
  EXPECT_THAT(message("select 1 /* open"), HasSubstr("Unterminated comment"));
  EXPECT_THAT(message("select [open"), HasSubstr("Unterminated name"));
}

}  // namespace
}  // namespace qmz::suite
