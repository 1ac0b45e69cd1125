// The embedded suite's SQLite connection: the T-SQL functions and collation inside statements,
// its errors, and the typed recordsets of the ClassInfo component.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <random>
#include <sstream>

#include "qmz/error.h"
#include "suite/middle_tier/class_info.h"
#include "suite/sqlite/sqlite_connection.h"

namespace qmz::suite {
namespace {

using ::testing::HasSubstr;

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
  // A new database file holding what `sql` makes.
  void Make(const std::string& sql) { SqliteConnection(path_, true).Exec(sql); }

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
  Make(
      "create table t (a text collate TSQL); insert into t values ('Red'), ('red  '), "
      "('Blue'), ('1,12');");
  SqliteConnection db(path_, false);
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
  Make(
      "create table t (i integer, d real, s text, n text);"
      "insert into t values (7, 2.5, 'O''Neil', null), (8, 0.25, '', null);");
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

TEST_F(SqliteConnectionTest, AnAnswerItsReaderOrdersComesAsSqliteWouldOrderIt) {
  // Values that sort awkwardly: Null, integers and doubles (beyond 2^53 too, -0), texts that
  // differ in case or trailing blanks only, in their ninth byte or later, multi-byte texts, and
  // punctuation between the upper- and lower-case letters.
  std::vector<std::string> values;
  std::istringstream all(
      "null|5|-3|2.5|-0.0|0|1e300|1152921504606846976|1152921504606846977|9007199254740993|"
      "9007199254740992.0|''|' '|'a'|'A'|'a  '|'aB'|'ab'|'abcdefgh'|'ABCDEFGH'|'abcdefgh '|"
      "'abcdefghi'|'abcdefghI'|'abcdefghijklmnopqrs'|'abcdefghijklmnopqrT'|'abcdefghijklmnopq'|"
      "'仓库1'|'仓库10'|'Z'|'_'|'['|'b'");
  for (std::string value; std::getline(all, value, '|');) values.push_back(value);
  std::mt19937 random(7);
  std::string inserts = "create table t (v collate TSQL, n, i integer); begin;";
  for (int i = 0; i < 3000; ++i) {
    const std::string n = random() % 5 == 0 ? "null" : std::to_string(random() % 4);
    inserts += "insert into t values (" + values[random() % values.size()] + ", " + n + ", " +
               std::to_string(i) + ");";
  }
  Make(inserts + "commit;");
  SqliteConnection db(path_, false);
  const std::string sqlite_order = Texts(db, "select i from t order by v, n desc, i");
  SetSuiteDatabase(path_);
  SuiteClassInfo info;
  for (const char* batch :
       {"select v, n, i from t order by v, n desc", "select i, n, v from t order by 3, 2 desc"}) {
    RecordsetPtr rows = info.GetData("", batch);
    std::string read;
    for (rows->MoveFirst(); !rows->Eof(); rows->MoveNext()) {
      read += (read.empty() ? "" : ",") + rows->Value("i").ToText();
    }
    EXPECT_EQ(read, sqlite_order) << batch;
  }
  SetSuiteDatabase("");
}

}  // namespace
}  // namespace qmz::suite
