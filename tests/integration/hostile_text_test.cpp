// Texts a user or a host gives, run on the demo suite: they reach the database only as quoted
// literals, every table stays as it was, and the answers are those a user would expect.
#include <gtest/gtest.h>

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
      // LIKE patterns keep their wildcards, as the user's T-SQL search always did.
      {"%", "", "Blue", 5, 8, 14},
      {"_", "", "Blue", 5, 8, 14},
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
      EXPECT_EQ(Fields(list.GetBatch(1, c.text, 0, 0, 0), {"FBatchNo"}), c.batch);
      EXPECT_EQ(Fields(list.GetAux(2, c.text, 0, 0, 0), {"AuxName"}), c.aux);
    });
    EXPECT_EQ(PickerRows<frmSelectBatchNo>(1, c.text, messages), c.batches);
    EXPECT_EQ(PickerRows<frmSelectAux>(2, c.text, messages), c.properties);
    EXPECT_EQ(BaseListRows(c.text, messages), c.base_rows);
  }
  const std::string nul = "[Vantrel提示] unrecognized token: \"'%B26\"\n";
  EXPECT_EQ(messages.str(), nul + nul + nul);
  EXPECT_EQ(Tables(DatabasePath()), tables);
}

}  // namespace
}  // namespace qmz::testing
