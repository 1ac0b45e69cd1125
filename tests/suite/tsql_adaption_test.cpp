// The T-SQL adaption step: the statements a batch becomes on SQLite and on PostgreSQL, the
// names of a select's columns, its errors; and the token walks and column-name rule it reads
// statements with.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/stoppable_read.h"
#include "qmz/error.h"
#include "suite/tsql/kept_adaption.h"
#include "suite/tsql/tsql_adaption.h"
#include "suite/tsql/tsql_names.h"
#include "suite/tsql/tsql_tokens.h"

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
      // Rows whose keys tie, without identifying columns, are ordered by every column.
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

TEST(TsqlAdaptionTest, TiesAreBrokenByTheFewestColumnsThatTellTheRowsApart) {
  // Stock rows: the identifying columns the answer has, integers first, those already keys left
  // out, found through * from a subquery.
  EXPECT_EQ(Adapted("SELECT * FROM (\r\nSelect t6.FName as FAuxPropName,t1.FItemID,t1.FBatchNo,"
                    "FQty,t1.FStockID,t2.FName as FStockName, case when t1.FKFPeriod <0 then null "
                    "else t1.FKFDate end as FKFDate ,t1.FKFPeriod,t2.FTypeID \r\nFrom "
                    "t_cc_Inventory t1 ) as T1 where 1=1 order by FBatchNo,FStockName\r\n"),
            "SELECT * FROM (\r\nSelect t6.FName as FAuxPropName,t1.FItemID,t1.FBatchNo,FQty,"
            "t1.FStockID,t2.FName as FStockName, case when t1.FKFPeriod <0 then null else "
            "t1.FKFDate end as FKFDate ,t1.FKFPeriod,t2.FTypeID \r\nFrom t_cc_Inventory t1 ) "
            "as T1 where 1=1 order by FBatchNo,FStockName, 2, 5, 1, 7, 8\r\n");
  EXPECT_EQ(Adapted("select AuxName, FitemID, AuxPropID, FIndex from a union select AuxName, "
                    "FitemID, AuxPropID, 0 from b order by AuxName, 4"),
            "select AuxName, FitemID, AuxPropID, FIndex from a union select AuxName, FitemID, "
            "AuxPropID, 0 from b order by AuxName, 4, 2, 3");
  // A grouped select ordered by all of its group keys answers one row per key: nothing added.
  EXPECT_EQ(Adapted("select c.Fname, sum(q), b.FitemID from t group by c.Fname, b.FitemID "
                    "order by c.fname , b.FitemID"),
            "select c.Fname, sum(q), b.FitemID from t group by c.Fname, b.FitemID order by "
            "c.fname , b.FitemID");
  EXPECT_EQ(Adapted("select c, sum(q), d from t group by c, d order by c"),
            "select c, sum(q), d from t group by c, d order by c, 1, 2, 3");
  // Without identifying columns every column breaks ties. * from a subquery counts the
  // subquery's items, through nested stars; a subquery among the items is one item.
  EXPECT_EQ(Adapted("select * from (select * from (select a, b, c from t) q) r order by a"),
            "select * from (select * from (select a, b, c from t) q) r order by a, 1, 2, 3");
  EXPECT_EQ(Adapted("select * from (select a, (select max(b) from u) as m from t) s order by a"),
            "select * from (select a, (select max(b) from u) as m from t) s order by a, 1, 2");
  // On PostgreSQL, keys of the suite's case-insensitive texts are sorted folded once per row
  // (lower(k::text), as citext compares): a column of an inventory table by its alias, or a
  // column of the subquery the statement reads whose item is one. Grouped rows keep their keys:
  // the server sorts them as it groups them.
  EXPECT_EQ(Adapted("SELECT * FROM (select t1.FBatchNo, t2.FName as FStockName, t1.FItemID, "
                    "t1.FStockID from t_cc_Inventory t1 join t_Stock t2 on t1.FStockID=t2.FItemID)"
                    " as T1 order by FBatchNo desc,FStockName asc",
                    Target::kPostgres),
            "SELECT * FROM (select t1.FBatchNo, t2.FName as FStockName, t1.FItemID, t1.FStockID "
            "from t_cc_Inventory t1 join t_Stock t2 on t1.FStockID=t2.FItemID) as T1 order by "
            "lower(FBatchNo::text) desc nulls last,lower(FStockName::text) asc nulls first, 3 "
            "nulls first, 4 nulls first");
  EXPECT_EQ(Adapted("select a.FBatchNo, b.FitemID from t_cc_inventory a inner join t_stock as b "
                    "on a.FStockID=b.FItemID group by a.FBatchNo, b.FitemID",
                    Target::kPostgres),
            "select a.FBatchNo, b.FitemID from t_cc_inventory a inner join t_stock as b on "
            "a.FStockID=b.FItemID group by a.FBatchNo, b.FitemID order by a.FBatchNo nulls first, "
            "b.FitemID nulls first");
  EXPECT_EQ(Adapted("select a.FBatchNo, b.FitemID from t_cc_inventory a, t_stock b group by "
                    "a.FBatchNo, b.FitemID order by a.FBatchNo desc",
                    Target::kPostgres),
            "select a.FBatchNo, b.FitemID from t_cc_inventory a, t_stock b group by a.FBatchNo, "
            "b.FitemID order by a.FBatchNo desc nulls last, 2 nulls first");
  // Not where the meaning is not certain: a name of the select list itself, an integer, an
  // expression, a table the suite does not know, an alias that stands for two tables.
  EXPECT_EQ(Adapted("select b.FName as N, b.FItemID from t_Stock b, t_AuxItem c, u where "
                    "exists (select 1 from t_icitem c) order by N, b.FItemID, upper(b.FName), "
                    "u.FName, c.FName",
                    Target::kPostgres),
            "select b.FName as N, b.FItemID from t_Stock b, t_AuxItem c, u where exists (select 1 "
            "from t_icitem c) order by N nulls first, b.FItemID nulls first, upper(b.FName) nulls "
            "first, u.FName nulls first, c.FName nulls first");
  // Keys with commas inside parentheses are one key each.
  EXPECT_EQ(Adapted("select f(a, b), c from t group by f(a, b), c", Target::kPostgres),
            "select f(a, b), c from t group by f(a, b), c order by f(a, b) nulls first, c nulls "
            "first");
}

// The statements of a batch as the suite runs it, joined with " ;; ", and after " | " the
// order its reader gives the answer (column, "d" when descending), or "in the statement".
std::string ReaderOrdered(const std::string& batch, Target target = Target::kSqlite) {
  const Adaption adaption = AdaptWithOrder(batch, target);
  std::string text;
  for (const std::string& statement : adaption.statements) {
    text += (text.empty() ? "" : " ;; ") + statement;
  }
  text += " |";
  for (const OrderField& field : adaption.order) {
    text += " " + std::to_string(field.field) + (field.descending ? "d" : "");
  }
  return adaption.order.empty() ? text + " in the statement" : text;
}

TEST(TsqlAdaptionTest, AnAnswerOfEveryRowIsPutInOrderByItsReader) {
  // The base-data list: sent without its ORDER BY; read by its keys, the identifying columns,
  // then every other column.
  const std::string unordered =
      "SELECT * FROM (\r\nSelect t6.FName as FAuxPropName,t1.FItemID,t1.FBatchNo,FQty,"
      "t1.FStockID,t2.FName as FStockName, t1.FKFDate ,t1.FKFPeriod,t2.FTypeID \r\nFrom "
      "t_cc_Inventory t1 ) as T1 where 1=1";
  const std::string list = unordered + " order by FBatchNo,FStockName\r\n";
  for (const Target target : {Target::kSqlite, Target::kPostgres}) {
    EXPECT_EQ(ReaderOrdered(list, target), unordered + "\r\n | 2 5 1 4 0 6 7 3 8");
  }
  // Keys by position, by name and as written, with their directions; a key named twice counts
  // once. Only the answer: a select into a temporary table keeps its order in the statement.
  EXPECT_EQ(ReaderOrdered("select a, t.b, c as d from t order by 2 desc, d, t.b, a desc"),
            "select a, t.b, c as d from t | 1d 2 0d");
  EXPECT_EQ(ReaderOrdered("select a into #t from u order by a select a, b from #t order by b"),
            "CREATE TEMP TABLE \"#t\" AS select a  from u order by a, 1  ;; select a, b from "
            "\"#t\" | 1 0");
  // On PostgreSQL a temporary table read once becomes a WITH query of the answer, whose order
  // still names the answer's columns.
  EXPECT_EQ(ReaderOrdered("IF object_id('tempdb..#t') IS NOT NULL DROP TABLE #t select a, b into "
                          "#t from u select b, a from #t order by a IF object_id('tempdb..#t') "
                          "IS NOT NULL DROP TABLE #t",
                          Target::kPostgres),
            "WITH \"#t\" AS (select a, b  from u ) select b, a from \"#t\"  | 1 0");
  // PostgreSQL hands grouped rows out in no order of their keys: the reader orders them by the
  // group keys (columns with or without a name of their own) where SQLite's come in that order.
  const std::string grouped =
      "select a.FBatchNo, c.Fname as AuxName, sum(q) as Q from t a, u c group by a.FBatchNo, "
      "c.Fname";
  EXPECT_EQ(ReaderOrdered(grouped, Target::kPostgres), grouped + " | 0 1 2");
  EXPECT_EQ(ReaderOrdered(grouped), grouped + " | in the statement");
  // Left in the statement: rows chosen by their order (TOP), joined selects, grouped rows, a key
  // that is no column of the answer or names two, an answer of * from a table.
  for (const char* kept : {
           "select top 5 a, b from t order by a",
           "select distinct top 5 a, b from t order by a",
           "select a from t union select a from u order by a",
           "select c, sum(q) from t group by c order by c",
           "select a, b from t order by upper(a)",
           "select t.a, u.a from t, u order by a",
           "select * from t order by a",
       }) {
    EXPECT_THAT(ReaderOrdered(kept), HasSubstr(" order by ")) << kept;
    EXPECT_THAT(ReaderOrdered(kept), HasSubstr("| in the statement")) << kept;
  }
}

TEST(KeptAdaptionTest, AnAnswerIsPutInOrderOnItsReadAndAStopLeavesItAsRead) {
  AdaptedTsql adapted;
  adapted.order = {{0, false}};
  auto answer = [](int rows) {
    auto records = std::make_shared<Recordset>(std::vector<std::string>{"K"});
    for (int i = rows; i > 0; --i) records->AddRecord({Variant(static_cast<int64_t>(i))});
    return records;
  };
  RecordsetPtr few = answer(3);
  StoppableRead read([&] { PutInOrder(adapted, *few); });
  read.Finish();
  few->MoveFirst();
  EXPECT_EQ(few->Value(0).ToInt32(), 1);
  EXPECT_EQ(read.What(), StoppableRead::Work::kSorting);  // what its strip shows meanwhile
  // Stopped as it sorts: the rows stay as they were read.
  RecordsetPtr many = answer(20000);
  std::atomic<bool> go{false};
  StoppableRead stopped([&] {
    while (!go) std::this_thread::yield();
    PutInOrder(adapted, *many);
  });
  stopped.Stop();
  go = true;
  EXPECT_THROW(stopped.Finish(), ReadStopped);
  many->MoveFirst();
  EXPECT_EQ(many->Value(0).ToInt32(), 20000);
}

TEST(KeptAdaptionTest, BatchesThatDifferOnlyInComparedValuesShareOneAdaptionAndAnswerAsAdapted) {
  // Each batch is asked for after others of its shape, so that the kept adaption answers it:
  // its statements and names must be those of the batch adapted alone.
  const std::string lookup =
      "set nocount on select a.FBatchNo,c.Fname as AuxName,sum(a.FQty) as FQty from "
      "t_cc_inventory a inner join t_stock b on a.Fstockid=b.FitemID left join t_auxItem c on "
      "a.FAuxPropID=c.FitemID Where a.FitemID = {0} and a.FBatchNo={1} and c.FName<>{2} /* x */ "
      "and b.FNumber= -- y\n {3} and b.FName like 'B%' and b.FitemID >= 10 and 1=1 Group by "
      "a.FBatchNo,c.Fname order by 1, 2";
  const std::vector<std::vector<std::string>> values = {
      {"1", "'B2601'", "''", "'a'"},
      {"20000", "'B2601  '", "'  '", "'O''Neil '"},
      {"7", "'x y '", "'-- not a comment'", "'/* nor this */'"},
      {"007", "'it''s'", "'='", "'tempdb..#t'"},
  };
  std::vector<std::string> batches;
  for (const auto& v : values) {
    std::string batch = lookup;
    for (size_t k = 0; k < v.size(); ++k) {
      const std::string mark = "{" + std::to_string(k) + "}";
      batch.replace(batch.find(mark), mark.size(), v[k]);
    }
    batches.push_back(batch);
  }
  // Values that are not compared, or not alone, stay in the shape: a LIKE pattern, a number
  // that is part of a name or a decimal, an IF's table, a text after < >.
  batches.push_back(
      "select x from t_stock where FNumber like 'A %' and x = 1.5 and y = t1 and "
      "z < > 'q ' and w = N'n '");
  batches.push_back(
      "select x from t_stock where FNumber like 'B %' and x = 2.5 and y = t1 and "
      "z < > 'r ' and w = N'm '");
  batches.push_back(
      "IF object_id('tempdb..#a') IS NOT NULL DROP TABLE #a select 1 as x into #a "
      "select x from #a where x = 3");
  batches.push_back("select x from t where y = 'mark \x01 inside'");
  // The warehouse rights of two users: CharIndex's needle is a value too, kept as written.
  batches.push_back(
      "select x from t_stock b where FItemID = 1 And  CharIndex('3 ',b.FRightUserID)>0");
  batches.push_back(
      "select x from t_stock b where FItemID = 2 And  CharIndex ( '16',b.FRightUserID)>0");
  // An answer whose reader orders it keeps that order through the shape.
  batches.push_back("select FBatchNo, FQty from t_cc_inventory where FItemID = 5 order by 2 desc");
  batches.push_back("select FBatchNo, FQty from t_cc_inventory where FItemID = 6 order by 2 desc");
  for (const Target target : {Target::kSqlite, Target::kPostgres}) {
    for (int round = 0; round < 2; ++round) {
      for (const std::string& batch : batches) {
        const auto kept = KeptAdaption(batch, target);
        const Adaption alone = AdaptWithOrder(batch, target);
        EXPECT_EQ(kept->statements, alone.statements) << batch;
        EXPECT_EQ(kept->order, alone.order) << batch;
        if (target == Target::kPostgres) {
          ASSERT_NE(kept->names, nullptr);
          EXPECT_EQ(kept->names->batch_names, NameSpellings(batch));
          EXPECT_EQ(kept->names->select_names.front(), SelectNames(kept->statements.front()));
        } else {
          EXPECT_EQ(kept->names, nullptr);
        }
      }
    }
  }
  // The trimmed text as written out, once: what PostgreSQL gets.
  EXPECT_THAT(KeptAdaption(batches[1], Target::kPostgres)->statements.front(),
              HasSubstr("a.FitemID = 20000 and a.FBatchNo='B2601' and c.FName<>''   and "
                        "b.FNumber=  \n 'O''Neil' and"));
  // On PostgreSQL a shape of one statement is also that statement with its values as
  // parameters, typed as PostgreSQL types such literals; with them in place it is the batch's
  // own statement.
  const auto with_values = [](const Parameterized& p) {
    std::vector<std::string> arguments;
    for (size_t at = 0; at < p.arguments.size();) {
      size_t end = p.arguments.find(", ", at);
      while (end != std::string::npos &&
             std::count(p.arguments.begin() + at, p.arguments.begin() + end, '\'') % 2 != 0) {
        end = p.arguments.find(", ", end + 1);  // a comma inside a text
      }
      arguments.push_back(p.arguments.substr(at, end - at));
      at = end == std::string::npos ? p.arguments.size() : end + 2;
    }
    std::string text = *p.statement;
    for (size_t k = arguments.size(); k > 0; --k) {  // $10 before $1
      const std::string parameter = "$" + std::to_string(k);
      text.replace(text.find(parameter), parameter.size(), arguments[k - 1]);
    }
    return text;
  };
  const auto kept_lookup = KeptAdaption(batches[1], Target::kPostgres);
  const Parameterized& parameterized = kept_lookup->parameterized;
  ASSERT_NE(parameterized.statement, nullptr);
  EXPECT_THAT(*parameterized.statement,
              HasSubstr("a.FitemID = $1 and a.FBatchNo=$2 and c.FName<>$3   and b.FNumber=  \n $4 "
                        "and b.FName like 'B%' and b.FitemID >= $5 and 1=$6 Group by"));
  EXPECT_EQ(parameterized.types, "int, unknown, unknown, unknown, int, int");
  EXPECT_EQ(parameterized.arguments, "20000, 'B2601', '', 'O''Neil', 10, 1");
  // The same values as the driver sends them apart from the statement.
  std::vector<std::string> texts;
  for (const Variant& value : parameterized.values) texts.push_back(value.ToText());
  EXPECT_EQ(texts, (std::vector<std::string>{"20000", "B2601", "", "O'Neil", "10", "1"}));
  EXPECT_EQ(KeptAdaption(batches[3], Target::kPostgres)->parameterized.arguments,
            "007, 'it''s', '=', 'tempdb..#t', 10, 1");
  for (const std::string& batch : batches) {
    const auto kept = KeptAdaption(batch, Target::kPostgres);
    if (kept->parameterized.statement) {
      EXPECT_EQ(with_values(kept->parameterized), kept->statements.front()) << batch;
    }
  }
  // Every user's rights condition is one statement on PostgreSQL, the user's id its argument.
  const auto clerk = KeptAdaption(batches[8], Target::kPostgres)->parameterized;
  const auto other = KeptAdaption(batches[9], Target::kPostgres)->parameterized;
  ASSERT_NE(clerk.statement, nullptr);
  EXPECT_EQ(*clerk.statement,
            "select x from t_stock b where FItemID = $1 And  CharIndex($2,b.FRightUserID)>0");
  EXPECT_EQ(clerk.arguments, "1, '3 '");
  EXPECT_EQ(clerk.values.back().ToText(), "3 ");
  EXPECT_EQ(other.arguments, "2, '16'");
  EXPECT_EQ(clerk.types, other.types);
  const auto wide = KeptAdaption(
      "select x from t where a = 2147483647 and b = 2147483648 and c = 9223372036854775808",
      Target::kPostgres);
  EXPECT_EQ(wide->parameterized.types, "int, bigint, numeric");
  EXPECT_EQ(*wide->parameterized.statement, "select x from t where a = $1 and b = $2 and c = $3");
  // On SQLite the values are bound as SQLite reads such literals.
  const auto sqlite_wide =
      KeptAdaption("select x from t where a = 007 and b = 'it''s ' and c = 99999999999999999999",
                   Target::kSqlite);
  ASSERT_NE(sqlite_wide->parameterized.statement, nullptr);
  EXPECT_EQ(*sqlite_wide->parameterized.statement,
            "select x from t where a = ?1 and b = ?2 and c = ?3");
  ASSERT_EQ(sqlite_wide->parameterized.values.size(), 3u);
  EXPECT_EQ(sqlite_wide->parameterized.values[0].type(), Variant::Type::Integer);
  EXPECT_EQ(sqlite_wide->parameterized.values[0].ToInt64(), 7);
  EXPECT_EQ(sqlite_wide->parameterized.values[1].ToText(), "it's ");
  EXPECT_EQ(sqlite_wide->parameterized.values[2].type(), Variant::Type::Double);
  EXPECT_EQ(sqlite_wide->parameterized.values[2].ToDouble(), 1e20);
  EXPECT_EQ(KeptAdaption("select x from t where a = 1 and b = @b", Target::kSqlite)
                ->parameterized.statement,
            nullptr);
  // A value followed at once by a digit: its parameter would run into it.
  for (const Target target : {Target::kSqlite, Target::kPostgres}) {
    EXPECT_EQ(KeptAdaption("select x from t where a = '='1", target)->parameterized.statement,
              nullptr);
  }
  // Not for several statements or a statement with a `$` of its own.
  EXPECT_EQ(
      KeptAdaption("update t set a = 1 where b = 2 select x from t where y = 3", Target::kPostgres)
          ->parameterized.statement,
      nullptr);
  EXPECT_EQ(KeptAdaption("select x from t where a = 1 and b like '$%'", Target::kPostgres)
                ->parameterized.statement,
            nullptr);

  // A batch the adaption refuses is refused with its own values in the message.
  for (const char* refused : {"set rowcount = 10 select 1", "set rowcount = 11 select 1"}) {
    try {
      KeptAdaption(refused, Target::kSqlite);
      ADD_FAILURE() << refused;
    } catch (const Error& e) {
      EXPECT_THAT(e.what(), HasSubstr(std::string(refused).substr(0, 17))) << refused;
    }
  }
}

TEST(TsqlAdaptionTest, SelectNamesReadEachItemOfTheSelectList) {
  EXPECT_EQ(SelectNames("select (select max(x) from u) as m, t.[a b], x, 'it''s' as [q] from t "
                        "order by m"),
            (std::vector<std::string>{"m", "a b", "x", "q"}));
  EXPECT_EQ(SelectNames("select f(a, b), c from t"), (std::vector<std::string>{"", "c"}));
  EXPECT_EQ(SelectNames("update t set a = 1"), (std::vector<std::string>{}));
}

// Each token's text and depth, as "text:depth" joined with " ".
std::string Depths(const std::string& sql) {
  const std::vector<Token> tokens = Tokenize(sql);
  std::string out;
  WalkDepths(tokens, 0, [&](size_t i, int depth) {
    out += (out.empty() ? "" : " ") + tokens[i].text + ":" + std::to_string(depth);
    return false;
  });
  return out;
}

// The texts of a list's items, joined with "|", and the token it stopped at ("" for the end).
std::string Items(const std::vector<Token>& tokens, const TokenList& list) {
  std::string out;
  for (size_t k = 0; k < list.items.size(); ++k) {
    out += k ? "|" : "";
    for (size_t i = list.items[k].begin; i < list.items[k].end; ++i) out += tokens[i].text;
  }
  return out + " @" + (list.end < tokens.size() ? tokens[list.end].text : "");
}

TEST(TsqlTokensTest, WalksCountParenthesesAndStopWhereAsked) {
  EXPECT_EQ(Depths("a(b(c)d)e"), "a:0 (:1 b:1 (:2 c:2 ):1 d:1 ):0 e:0");
  EXPECT_EQ(Depths("a)(b"), "a:0 ):-1 (:0 b:0");
  const std::vector<Token> tokens = Tokenize("(x) x x");
  EXPECT_EQ(FindTopLevel(tokens, 0, [&](size_t i) { return tokens[i].text == "x"; }), 4u);
  EXPECT_EQ(FindTopLevel(tokens, 1, [&](size_t i) { return tokens[i].text == "x"; }), 1u);
  EXPECT_EQ(FindTopLevel(tokens, 0, [&](size_t i) { return tokens[i].text == "y"; }),
            tokens.size());
}

TEST(TsqlTokensTest, SelectItemsEndAtFromIntoOrTheClosingParenthesis) {
  std::vector<Token> tokens = Tokenize("select a , f(b, c) d,, e from t");
  EXPECT_EQ(Items(tokens, SelectItems(tokens, 0)), "a|f(b, c) d||e @from");
  // An empty item is empty at its comma; an empty last one is left out.
  const TokenList list = SelectItems(tokens, 0);
  ASSERT_EQ(list.items.size(), 4u);
  EXPECT_TRUE(list.items[2].empty());
  EXPECT_EQ(tokens[list.items[2].begin].text, ",");
  tokens = Tokenize("select x, into #t");
  EXPECT_EQ(Items(tokens, SelectItems(tokens, 0)), "x @into");
  tokens = Tokenize("(select x, y) z");
  EXPECT_EQ(Items(tokens, SelectItems(tokens, 1)), "x|y @)");
  tokens = Tokenize("select 1");
  EXPECT_EQ(Items(tokens, SelectItems(tokens, 0)), "1 @");
}

TEST(TsqlNamesTest, SqliteNamesFollowTheProductionRule) {
  // SQLite names a column by its alias, else by the item as written.
  const std::pair<const char*, const char*> cases[] = {
      {"x.I", "I"},
      {"Alias", "Alias"},
      {"x.\"I\"", "I"},
      {"\"Order\"", "Order"},
      {"count(*)", "count(*)"},
      {"x.I+1", "x.I+1"},
      {"a.b.c", "a.b.c"},
      {"", ""},
  };
  for (const auto& [written, name] : cases) EXPECT_EQ(WrittenColumnName(written), name) << written;
}

}  // namespace
}  // namespace qmz::suite
