#include "suite/server/prepared_statements.h"

#include "suite/server/driver_statements.h"
#include "suite/server/postgres_settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

namespace qmz::suite {
namespace {

using ::testing::MatchesRegex;

constexpr char kQuery[] = "select FName from t_stock where FItemID = $1 and FNumber = $2";
// "qmz_" and the first 32 hexadecimal digits of the SHA-256 of "(int, unknown) as " kQuery.
constexpr char kName[] = "qmz_ea070ffe3105d5018dce2f1ac86a69c4";
constexpr char kPrepare[] =
    "prepare qmz_ea070ffe3105d5018dce2f1ac86a69c4(int, unknown) as select FName from t_stock "
    "where FItemID = $1 and FNumber = $2;\n";

TEST(PreparedStatementsTest, AQuerySentAgainIsPreparedOnceThenExecutedByTheNameOfItsText) {
  PreparedStatements kept;
  EXPECT_EQ(kept.For(kQuery, "int, unknown", "5, 'W1'").request, "");  // once: its own text
  PreparedStatements::Use second = kept.For(kQuery, "int, unknown", "6, 'W2'");
  EXPECT_EQ(second.request, std::string(kPrepare) + "execute " + kName + "(6, 'W2')");
  EXPECT_EQ(second.results_before, 1);
  EXPECT_EQ(kept.For(kQuery, "int, unknown", "7, 'it''s'").request,
            std::string("execute ") + kName + "(7, 'it''s')");
  // Other types are another statement; a query without values is executed without any.
  EXPECT_EQ(kept.For(kQuery, "bigint, unknown", "3000000000, 'W1'").request, "");
  kept.For("select 1 as x", "", "");
  EXPECT_EQ(kept.For("select 1 as x", "", "").request,
            "prepare qmz_65b5319e388392f17e267886c71d8b9a as select 1 as x;\n"
            "execute qmz_65b5319e388392f17e267886c71d8b9a");
  // Another connection names the same query alike.
  PreparedStatements other;
  other.For(kQuery, "int, unknown", "5, 'W1'");
  EXPECT_EQ(other.For(kQuery, "int, unknown", "5, 'W1'").request,
            std::string(kPrepare) + "execute " + kName + "(5, 'W1')");

  // Beyond 32, the statement used longest ago is deallocated where the next is prepared.
  for (int q = 0; q < 30; ++q) {
    const std::string query = "select " + std::to_string(q) + " as x where 1 = $1";
    kept.For(query, "int", "1");
    kept.For(query, "int", "1");
  }
  EXPECT_EQ(kept.prepared(), 32u);
  kept.For(kQuery, "int, unknown", "8, 'W3'");  // the first is used again: not the oldest
  kept.For("select 99 as x", "", "");
  PreparedStatements::Use beyond = kept.For("select 99 as x", "", "");
  EXPECT_THAT(
      beyond.request,
      MatchesRegex("deallocate qmz_65b5319e388392f17e267886c71d8b9a;\n"
                   "prepare qmz_[0-9a-f]{32} as select 99 as x;\nexecute qmz_[0-9a-f]{32}"));
  EXPECT_EQ(beyond.results_before, 2);
  EXPECT_EQ(kept.prepared(), 32u);
}

TEST(PreparedStatementsTest, ASessionThatLacksOrHoldsTheStatementIsGivenWhatItNeeds) {
  PreparedStatements kept;
  kept.For(kQuery, "int, unknown", "5, 'W1'");
  PreparedStatements::Use use = kept.For(kQuery, "int, unknown", "5, 'W1'");
  // The session has it already (a pooler's session another desk gave it): executed.
  std::optional<PreparedStatements::Use> next = kept.Failed(use, "42P05");
  ASSERT_TRUE(next);
  EXPECT_EQ(next->request, std::string("execute ") + kName + "(5, 'W1')");
  EXPECT_EQ(next->results_before, 0);
  // The session does not know it (another of the pooler's sessions): prepared there.
  use = kept.For(kQuery, "int, unknown", "6, 'W2'");
  next = kept.Failed(use, "26000");
  ASSERT_TRUE(next);
  EXPECT_EQ(next->request, std::string(kPrepare) + "execute " + kName + "(6, 'W2')");
  EXPECT_EQ(next->results_before, 1);
  // Its tables were made anew: prepared again under its name.
  next = kept.Failed(kept.For(kQuery, "int, unknown", "7, 'W3'"), "0A000");
  ASSERT_TRUE(next);
  EXPECT_EQ(next->request, std::string("deallocate ") + kName + ";\n" + kPrepare + "execute " +
                               kName + "(7, 'W3')");
  EXPECT_EQ(next->results_before, 2);
  // What was tried next fails too: the query's own text.
  next = kept.Failed(*next, "26000", false);
  ASSERT_TRUE(next);
  EXPECT_EQ(next->request, "");
  // A failure of the server's own (a timeout, a dead connection) stands.
  kept.For(kQuery, "int, unknown", "5, 'W1'");
  EXPECT_FALSE(kept.Failed(kept.For(kQuery, "int, unknown", "5, 'W1'"), "57014"));
  EXPECT_FALSE(kept.Failed(PreparedStatements::Use{}, "26000"));  // the text's own failure

  // A query the server cannot prepare is sent as its text from then on.
  const char* untyped = "select 1 as x where $1 = $2";
  kept.For(untyped, "unknown, unknown", "'a', 'b'");
  next = kept.Failed(kept.For(untyped, "unknown, unknown", "'a', 'b'"), "42P18");
  ASSERT_TRUE(next);
  EXPECT_EQ(next->request, "");
  EXPECT_EQ(kept.For(untyped, "unknown, unknown", "'a', 'b'").request, "");

  // Once sessions turned out to vary, nothing is deallocated: the pool's other desks use it.
  for (int q = 0; q < 40; ++q) {
    const std::string query = "select " + std::to_string(q) + " as x where 1 = $1";
    kept.For(query, "int", "1");
    EXPECT_THAT(kept.For(query, "int", "1").request, MatchesRegex("prepare .*")) << q;
  }
  EXPECT_EQ(kept.prepared(), 32u);
  // Nor by a connection known to go through a pooler, from its first query on; a query whose
  // answer its reader refuses is sent as its text from then on.
  PreparedStatements pooled(false);
  for (int q = 0; q < 33; ++q) {
    const std::string query = "select " + std::to_string(q) + " as x where 1 = $1";
    pooled.For(query, "int", "1");
    EXPECT_THAT(pooled.For(query, "int", "1").request, MatchesRegex("prepare .*")) << q;
  }
  const char* latest = "select 32 as x where 1 = $1";
  EXPECT_THAT(pooled.For(latest, "int", "1").request, MatchesRegex("execute .*"));
  pooled.Refuse(pooled.For(latest, "int", "1"));
  EXPECT_EQ(pooled.For(latest, "int", "1").request, "");
}

TEST(PreparedStatementsTest, TheDriverGetsTheQueryWithMarkersTypedAsPrepareTypesThem) {
  const auto marked = WithMarkers("select x from t where a = $2 and b = $1 and c = $3 and d <> $2",
                                  "int, unknown, numeric");
  ASSERT_TRUE(marked.has_value());
  EXPECT_EQ(marked->text,
            "select x from t where a = ? and b = ?::int and c = ?::numeric and d <> ?");
  EXPECT_EQ(marked->order, (std::vector<size_t>{1, 0, 2, 1}));
  std::string types = "int";
  for (int k = 2; k <= 10; ++k) types += ", unknown";
  EXPECT_EQ(WithMarkers("select x from t where a = $10 and b = $1", types)->text,
            "select x from t where a = ? and b = ?::int");
  const auto none = WithMarkers("select 1 as x", "");
  ASSERT_TRUE(none.has_value());
  EXPECT_EQ(none->text, "select 1 as x");
  EXPECT_TRUE(none->order.empty());
  // A parameter the types do not name, or a ? or backslash the driver would read: not kept.
  EXPECT_FALSE(WithMarkers("select x from t where a = $12", "int, int, int").has_value());
  EXPECT_FALSE(WithMarkers("select x from t where a = $0", "int").has_value());
  EXPECT_FALSE(WithMarkers("select x from t where a = $1 and b = '?'", "int").has_value());
  EXPECT_FALSE(WithMarkers("select x from t where a = $1 and b = 'a\\b'", "int").has_value());
}

TEST(PreparedStatementsTest, ARequestThroughAPoolerCarriesTheSettingsItsAnswerReliesOn) {
  const std::string every =
      "set transaction isolation level read committed;\n"
      "set local search_path = 'public';\n"
      "set local enable_hashagg = 'off';\n"
      "set local enable_sort = 'on';\n"
      "set local jit = 'off';\n"
      "set local transform_null_equals = 'off';\n"
      "set local DateStyle = 'ISO, YMD';\n"
      "set local extra_float_digits = '3';\n"
      "set local statement_timeout = '5000';\n";
  EXPECT_EQ(PostgresSettings(5, false), every);
  EXPECT_EQ(ResultsOf(every), 9);
  // Executed by name: what every answer relies on, and of the rest only what this one does.
  const std::string floats =
      "set transaction isolation level read committed;\n"
      "set local search_path = 'public';\n"
      "set local jit = 'off';\n"
      "set local extra_float_digits = '3';\n"
      "set local statement_timeout = '5000';\n";
  EXPECT_EQ(LookupSettings(5, Reliance{true, false, false, false}, false), floats);
  EXPECT_EQ(LookupSettings(5, Reliance{false, true, true, false}, true),
            "set transaction isolation level read committed;\n"
            "set local search_path = 'public';\n"
            "set local jit = 'off';\n"
            "set local transform_null_equals = 'off';\n"
            "set local DateStyle = 'ISO, YMD';\n"
            "set local statement_timeout = '5000';\n"
            "select current_setting(case current_setting('standard_conforming_strings') when 'on' "
            "then 'standard_conforming_strings' else 'standard_conforming_strings is off: the "
            "request was not run' end);\n");
  EXPECT_EQ(ResultsOf(floats), 5);
  EXPECT_EQ(LookupSettings(5, Reliance{false, false, false, true}, false),
            "set transaction isolation level read committed;\n"
            "set local search_path = 'public';\n"
            "set local enable_hashagg = 'off';\n"
            "set local enable_sort = 'on';\n"
            "set local jit = 'off';\n"
            "set local statement_timeout = '5000';\n");
  EXPECT_EQ(LookupSettings(5, Reliance{}, false), every);  // relying on all of them

  // `= NULL` either way round, any case, across lines; not <>, not a name, not IS NULL.
  for (const char* compares : {"select 1 where a = null", "select 1 where NULL=a",
                               "select 1 where a =\r\n  Null and b is null"}) {
    EXPECT_TRUE(ComparesWithNull(compares)) << compares;
  }
  for (const char* not_compared :
       {"select 1 where a is null", "select 1 where a <> null", "select coalesce(a, 0) as x",
        "select nullif(a, 1) as x", "select 1 where a = nulls_table.b",
        "select 1 where a = b order by a nulls first", "select isnull(a, 0) as x"}) {
    EXPECT_FALSE(ComparesWithNull(not_compared)) << not_compared;
  }
  // Sets of rows, whose order hashing would change.
  for (const char* sets : {"select DISTINCT a from t", "select a from t union select b from u",
                           "select a from t\r\nintersect\r\nselect a from u",
                           "select a from t except select b from u", "select count(distinct a)"}) {
    EXPECT_TRUE(MakesSets(sets)) << sets;
  }
  for (const char* no_sets :
       {"select a from t group by a", "select distinct_count from t", "select a as union_id",
        "select 'x' as exceptions", "select a from t_distinct"}) {
    EXPECT_FALSE(MakesSets(no_sets)) << no_sets;
  }
}

}  // namespace
}  // namespace qmz::suite
