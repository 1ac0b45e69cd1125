// The embedded suite's SQLite connection: the T-SQL adaption step, the T-SQL functions and
// collation inside statements, its errors, and the typed recordsets of the ClassInfo component.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>

#include "qmz/error.h"
#include "suite/class_info.h"
#include "suite/sqlite_connection.h"
#include "suite/tsql_adaption.h"

namespace qmz::suite {
namespace {

using ::testing::HasSubstr;

// A batch's statements after the adaption, joined with " ;; ", or the adaption's error.
std::string Adapted(const std::string& batch, Target target = Target::kSqlite) {
  try {
    std::string joined;
    for (const std::string& statement : AdaptTsql(batch, target)) {
      joined += (joined.empty() ? "" : " ;; ") + statement;
    }
    return joined;
  } catch (const Error& e) {
    return e.what();
  }
}

TEST(TsqlAdaptionTest, BatchesBecomeTheStatementsSqliteRuns) {
  const std::pair<const char*, const char*> cases[] = {
      // The pickers' and lookups' batches run on the demo suite in the integration tests.
      // Subqueries, union all and update's set stay in their statement.
      {"select a from (select b as a from t) s union all select c from u",
       "select a from (select b as a from t) s union all select c from u"},
      {"update t set a = 1 select a from t", "update t set a = 1  ;; select a from t"},
      {"SET NOCOUNT OFF select 1", "select 1"},
      {"  \r\n ", ""},
      // Texts keep keywords, comment marks, semicolons, #names and doubled quotes untouched.
      {"select 'set -- ; select #t isNull(x) O''Neil' as t from s where a like '%a%'",
       "select 'set -- ; select #t isNull(x) O''Neil' as t from s where a like '%a%'"},
      // Comments outside texts vanish; a keyword inside one starts nothing.
      {"select 1 -- select 2\nfrom t /* set x */ where b=1", "select 1  \nfrom t   where b=1"},
      // isNull only when it is called; a column of that name stays.
      {"select isnull (a,0), isNull from t", "select ifnull (a,0), isNull from t"},
      {"select [Order] from t", "select \"Order\" from t"},
      // Rows whose keys tie are ordered by every column of the answer.
      {"select a, f(b, c) as d from t order by a",
       "select a, f(b, c) as d from t order by a, 1, 2"},
      {"SELECT * FROM (select x, y from t) as T1 where 1=1 order by x desc",
       "SELECT * FROM (select x, y from t) as T1 where 1=1 order by x desc, 1, 2"},
      {"select * from t order by a", "select * from t order by a"},
  };
  for (const auto& [batch, statements] : cases) EXPECT_EQ(Adapted(batch), statements) << batch;
}

TEST(TsqlAdaptionTest, BatchesBecomeTheStatementsPostgresRuns) {
  const std::pair<const char*, const char*> cases[] = {
      // A temporary table made, read by the answer alone and dropped: a WITH query.
      {"set nocount on IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux "
       "select a.x, isNull(sum(a.q),0) as q into #tempAux from t a group by a.x, a.y "
       "select x from #tempAux Union select x from #tempAux order by x "
       "IF object_id('tempdb..#tempAux') IS NOT NULL DROP TABLE #tempAux",
       "WITH \"#tempaux\" AS (select a.x, coalesce(sum(a.q),0) as q  from t a group by a.x, a.y "
       "order by a.x nulls first, a.y nulls first) select x from \"#tempaux\" Union select x "
       "from \"#tempaux\" order by x nulls first, 1 nulls first "},
      // Read by a second statement too: the table stays.
      {"select x into #t from t select x from #t select count(*) as n from #t",
       "CREATE TEMP TABLE \"#t\" AS select x  from t  ;; select x from \"#t\"  ;; select "
       "count(*) as n from \"#t\""},
      // NULL sorts first ascending and last descending, as on the production server.
      {"select a from t order by a desc, [B]",
       "select a from t order by a desc nulls last, \"b\" nulls first, 1 nulls first"},
      {"select a from t group by a having count(*) > 1",
       "select a from t group by a having count(*) > 1 order by a nulls first"},
      {"select s.a from (select a from t group by a) s",
       "select s.a from (select a from t group by a) s"},
      // T-SQL LIKE: a [set] as SIMILAR TO with its other specials escaped; a backslash is no
      // escape; texts elsewhere untouched.
      {"select a from t where a like '%[^a](b)|%' and b Like 'x\\y%' and c like 'O''N(1)*'",
       "select a from t where rtrim(a)::citext similar to '%[^a]\\(b\\)\\|%' and b Like "
       "'x\\\\y%' and rtrim(c)::citext like 'O''N(1)*'"},
      {"select a from t where a like '[' and b = 'like [x]'",
       "select a from t where rtrim(a)::citext similar to '\\[' and b = 'like [x]'"},
      // Sets read as T-SQL reads them: "]" first stands for itself, POSIX brackets mean
      // nothing, a reversed range matches nothing, letters without case.
      {"select a from t where a like '[^]]%' and b like '[[:a]' and c like '[z-a]x[^z-a]'",
       "select a from t where rtrim(a)::citext similar to '[^\\]]%' and rtrim(b)::citext "
       "similar to '[\\[\\:a]' and rtrim(c)::citext similar to '[^\\x01-\\U0010FFFF]x_'"},
      {"select a from t where a like '[A-C][a-][.]\"'",
       "select a from t where rtrim(a)::citext similar to '[a-c][a\\-][\\.]\"'"},
      // Trailing blanks of a compared text do not count, as under the production collation.
      // A value's trailing blanks neither, in LIKE: trimmed where the pattern could take them.
      {"select a from t where b = 'B2 ' and c<>'x  ' and d > 'y ' and t.e like 'z '",
       "select a from t where b = 'B2' and c<>'x' and d > 'y ' and rtrim(t.e)::citext like 'z '"},
      {"select a from t where a like '%l %' or b not like '%x_%' or c like '%[a]%' or d like '%x%'",
       "select a from t where rtrim(a)::citext like '%l %' or rtrim(b)::citext not like '%x_%' or "
       "rtrim(c)::citext similar to '%[a]%' or d like '%x%'"},
  };
  for (const auto& [batch, statements] : cases) {
    EXPECT_EQ(Adapted(batch, Target::kPostgres), statements) << batch;
  }

  // The answer's names, past the tables of a WITH query.
  EXPECT_EQ(SelectNames("WITH \"#t\" AS (select a as Inner from t) select Inner as Outer, b from "
                        "\"#t\""),
            (std::vector<std::string>{"Outer", "b"}));
  // Names as the production server answers them, which PostgreSQL folds to lower case.
  EXPECT_EQ(SelectNames("select a.FBatchNo, c.Fname as AuxName, 0 FitemID, sum(x), [Order] "
                        "into #t from t"),
            (std::vector<std::string>{"FBatchNo", "AuxName", "FitemID", "", "Order"}));
}

TEST(TsqlAdaptionTest, WhatTheSuiteCannotRunIsAClearError) {
  const std::pair<const char*, const char*> cases[] = {
      {"set rowcount 10 select 1", "The suite cannot run this statement: set rowcount 10"},
      {"IF 1=1 select 2", "The suite cannot run this statement: IF 1=1"},
      {"IF object_id('tempdb..#a') IS NOT NULL DROP TABLE #b", "cannot run this statement"},
      {"select a into t_real from t", "can only select into temporary tables"},
      {"select 'open", "Unterminated text"},
      {"select 1 /* open", "Unterminated comment"},
      {"select [open", "Unterminated name"},
  };
  for (const auto& [batch, error] : cases) EXPECT_THAT(Adapted(batch), HasSubstr(error)) << batch;
}

TEST(TsqlFunctionsTest, LikeFollowsTheProductionDatabase) {
  // Trailing blanks of the value do not count; one character is one code point; an unclosed set
  // is an ordinary bracket.
  const std::pair<const char*, const char*> matching[] = {
      {"Dark Red", "%red%"}, {"B2601", "B26_1"},
      {"B2601  ", "B2601"},  {"A'B", "%'%"},
      {"仓库12", "仓_1%"},   {"c7", "[a-c][0-9]"},
      {"x", "[^a-c]"},       {"50%", "50[%]"},
      {"[x", "[x"},          {"", "%"}};
  for (const auto& [text, pattern] : matching) EXPECT_TRUE(TsqlLike(text, pattern)) << pattern;
  const std::pair<const char*, const char*> not_matching[] = {
      {"b", "[^a-c]"}, {"Blue", "%Red%"}, {"Red", "Re"}, {"", "_"}};
  for (const auto& [text, pattern] : not_matching) EXPECT_FALSE(TsqlLike(text, pattern)) << pattern;
  // No exponential backtracking on many wildcards.
  EXPECT_FALSE(TsqlLike(std::string(5000, 'a'), std::string(50, '%') + "b"));

  EXPECT_LT(TsqlCompare("abc", "abd"), 0);
  EXPECT_GT(TsqlCompare("abc ", "ab"), 0);
  EXPECT_NE(TsqlCompare("北京仓", "上海仓"), 0);
}

class SqliteConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = (std::filesystem::temp_directory_path() /
             ("qmz_sqlite_" + std::to_string(::getpid()) + ".db"))
                .string();
    std::remove(path_.c_str());
  }
  void TearDown() override { std::remove(path_.c_str()); }

  std::string path_;
};

// Each row's values joined with "|" (NULL as "null"), the rows with ",".
std::string Texts(SqliteConnection& db, const std::string& sql,
                  const std::vector<std::optional<std::string>>& params = {}) {
  std::string text;
  for (const auto& row : db.QueryTexts(sql, params)) {
    for (size_t i = 0; i < row.size(); ++i) {
      text += (i ? "|" : (text.empty() ? "" : ",")) + row[i].value_or("null");
    }
  }
  return text;
}

TEST_F(SqliteConnectionTest, CollationCharIndexLikeAndErrorsInsideStatements) {
  SqliteConnection db(path_, true);
  db.Exec(
      "create table t (a text collate TSQL); insert into t values ('Red'), ('red  '), "
      "('Blue'), ('1,12');");
  EXPECT_EQ(Texts(db, "select count(*) from t where a = 'RED'"), "2");
  EXPECT_EQ(Texts(db, "select count(distinct a) from t"), "3");
  EXPECT_EQ(Texts(db, "select count(*), min(a) from t where a like ?", {"%e%"}), "3|Blue");
  EXPECT_EQ(Texts(db,
                  "select charindex('12', '1,12'), charindex('3', '1,12'), charindex('1', '1,12', "
                  "2), charindex('库', '仓库'), charindex(null, 'x'), charindex('', 'x')"),
            "3|0|3|2|null|0");
  EXPECT_THAT([&] { db.Exec("select * from nowhere"); },
              ::testing::ThrowsMessage<Error>(HasSubstr("no such table: nowhere")));
}

std::string Names(const Recordset& rows) {
  std::string names;
  for (int32_t i = 0; i < rows.FieldCount(); ++i) names += (i ? "," : "") + rows.FieldName(i);
  return names;
}

TEST_F(SqliteConnectionTest, ClassInfoAnswersADisconnectedTypedRecordset) {
  {
    SqliteConnection db(path_, true);
    db.Exec(
        "create table t (i integer, d real, s text, n text);"
        "insert into t values (7, 2.5, 'O''Neil', null), (8, 0.25, '', null);");
  }
  SetSuiteDatabase(path_);
  SuiteClassInfo info;
  RecordsetPtr rows = info.GetData("", "set nocount on select n, s, d, i from t order by i");
  ASSERT_EQ(rows->RecordCount(), 2);
  EXPECT_EQ(Names(*rows), "n,s,d,i");
  EXPECT_TRUE(rows->Value("n").IsNull());
  EXPECT_EQ(rows->Value("s").ToText(), "O'Neil");
  EXPECT_EQ(rows->Value("d").type(), Variant::Type::Double);
  EXPECT_EQ(rows->Value("i").type(), Variant::Type::Integer);
  EXPECT_EQ(rows->Value("i").ToInt32(), 7);
  EXPECT_EQ(rows->Source(), "set nocount on select n, s, d, i from t order by i");
  EXPECT_FALSE(rows->Connected());

  // Names as written in the select list, without the table prefix.
  rows = info.GetData("", "select x.I, x.s as Alias, count(*) from t x group by x.I");
  EXPECT_EQ(Names(*rows), "I,Alias,count(*)");

  // Temporary tables live for one call only.
  rows = info.GetData("", "select i into #k from t select count(*) as c from #k");
  EXPECT_EQ(rows->Value("c").ToInt32(), 2);
  EXPECT_THAT([&] { info.GetData("", "select * from #k"); },
              ::testing::ThrowsMessage<Error>(HasSubstr("no such table: #k")));
  EXPECT_THAT([&] { info.GetData("", "select missing_column from t"); },
              ::testing::ThrowsMessage<Error>(HasSubstr("no such column: missing_column")));
  SetSuiteDatabase("");
}

}  // namespace
}  // namespace qmz::suite
