// Texts a user or a host gives, run on the demo suite: they reach the database only as quoted
// literals, every table stays as it was, and the answers are those a user would expect.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "auxprop/frm_select_aux.h"
#include "baselist/frm_base_list.h"
#include "batch/frm_stock.h"
#include "integration/demo_suite.h"
#include "list_services/list_settings.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"
#include "suite/sqlite_connection.h"

namespace qmz::testing {
namespace {

const std::string kDrop = "'; DROP TABLE t_stock; --";
const std::string kLong = std::string(100000, 'x') + "'";
const std::string kBadUtf8("\xff\xfe'\xc3", 4);
const std::string kNul("B26\0'01", 7);

// Every table of the suite with its row count; the user profile aside, where the pickers save
// their widths.
std::string Tables(const std::string& database_path) {
  suite::SqliteConnection db(database_path, false);
  std::string all;
  for (const auto& table : db.QueryTexts("select name from sqlite_master where type = 'table' and "
                                         "name <> 't_suite_user_profile' order by name")) {
    all +=
        *table[0] + "=" + *db.QueryTexts("select count(*) from \"" + *table[0] + "\"")[0][0] + " ";
  }
  return all;
}

std::string Text(const ObjectPtr& row, const std::string& field) {
  auto dictionary = std::dynamic_pointer_cast<Dictionary>(row);
  return dictionary ? dictionary->Get(field).ToText() : "null";
}

// The picker's list rows below the title after the user typed `text` and pressed the query
// button.
template <class Picker>
int32_t PickerRows(int32_t item, const std::string& text, std::ostream& messages) {
  int32_t rows = 0;
  OnNewThread([&] {
    Picker picker;
    picker.SetRequest({item, "", 0, 0, 0});
    ScriptedHost user("click cmdQuery", messages);
    ModalHostScope scope(user);
    picker.RunLoad();
    picker.Box().SetText(text);
    picker.ShowModal();
    rows = picker.Grid().Rows() - 1;
    picker.RunUnload();
  });
  return rows;
}

int32_t BaseListRows(const std::string& key_word, std::ostream& messages) {
  int32_t rows = 0;
  OnNewThread([&] {
    BaseList().KeyWord(key_word);
    ListSettings().ListClassID = 18;
    frmBaseList form;
    PlayLoaded(form, "", messages);
    rows = form.LDGBase().Rows() - 1;
    form.RunUnload();
  });
  return rows;
}

using HostileTextTest = DemoSuite;

TEST_F(HostileTextTest, LookupsAndListsTakeTextsAsLiteralsOnly) {
  const std::string tables = Tables(DatabasePath());
  struct Case {
    std::string text;
    std::string batch, aux;                  // GetBatch(1, text), GetAux(2, text): "" no row
    int32_t batches, properties, base_rows;  // rows of the two pickers and the base-data list
  };
  const Case cases[] = {
      {"A'B", "A'B", "", 1, 0, 1},
      {kDrop, "", "", 0, 0, 0},
      {"x' OR '1'='1", "", "", 0, 0, 0},
      // LIKE patterns keep their wildcards, as the user's T-SQL search always did.
      {"%", "", "Blue", 5, 8, 14},
      {"_", "", "Blue", 5, 8, 14},
      {"[", "", "", 0, 0, 0},
      {"[^a]", "", "Blue", 5, 8, 14},
      {kBadUtf8, "", "", 0, 0, 0},
      {kLong, "", "", 0, 0, 0},
      // A NUL ends the statement inside its literal: the query fails, the lists stay as loaded.
      {kNul, "null", "null", 5, 8, 0},
  };
  std::ostringstream messages;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    OnNewThread([&] {
      BaseList list;
      EXPECT_EQ(Text(list.GetBatch(1, c.text, 0, 0, 0), "FBatchNo"), c.batch);
      EXPECT_EQ(Text(list.GetAux(2, c.text, 0, 0, 0), "AuxName"), c.aux);
    });
    EXPECT_EQ(PickerRows<frmSelectBatchNo>(1, c.text, messages), c.batches);
    EXPECT_EQ(PickerRows<frmSelectAux>(2, c.text, messages), c.properties);
    EXPECT_EQ(BaseListRows(c.text, messages), c.base_rows);
  }
  const std::string nul = "[Vantrel提示] unrecognized token: \"'%B26\"\n";
  EXPECT_EQ(messages.str(), nul + nul + nul);
  EXPECT_EQ(Tables(DatabasePath()), tables);
}

// Whatever text the database holds, the command prints JSON a program can read: quotes,
// backslashes and control characters escaped, bytes that are not UTF-8 replaced.
TEST_F(HostileTextTest, TheCommandPrintsValidJsonForAnyStoredText) {
  const std::string copy = Folder() + "/odd-texts.db";
  std::filesystem::copy_file(DatabasePath(), copy);
  suite::SqliteConnection(copy, false)
      .Exec(
          "update t_cc_inventory set FBatchNo = '0\"\\' || char(1) || char(10) || "
          "cast(X'FF' as text) || '''' where FBatchNo = 'B2602'");
  std::string command = "QMZ_COMPONENT_DIR=" + Folder() + " " + QMZ_BASELIST_EXE + " show --db " +
                        copy + " --class-id 18 --script 'row 2; key Enter'";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  EXPECT_EQ(WEXITSTATUS(::pclose(pipe)), 0);
  nlohmann::json rows = nlohmann::json::parse(out);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0]["FBatchNo"], "0\"\\\u0001\n\uFFFD'");
  std::filesystem::remove(copy);
}

}  // namespace
}  // namespace qmz::testing
