// Texts a user or a host gives, run on the demo suite: they reach the database only as quoted
// literals, every table stays as it was, and the answers are those a user would expect.
#include <gtest/gtest.h>

#include <sstream>

#include "auxprop/frm_select_aux.h"
#include "base_data_list/frm_base_list.h"
#include "batch/frm_stock.h"
#include "integration/demo_suite.h"
#include "list_services/list_settings.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"
#include "suite/database.h"

namespace qmz::testing {
namespace {

const std::string kDrop = "'; DROP TABLE t_stock; --";
const std::string kLong = std::string(100000, 'x') + "'";
std::string Repeated(const std::string& text, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}
const std::string kLongChinese = Repeated("仓", 100000);
// Hosts may call on threads with small stacks: the long texts run on one of 512 KiB.
constexpr size_t kSmallStack = 512 * 1024;
const std::string kBadUtf8("\xff\xfe'\xc3", 4);
const std::string kNul("B26\0'01", 7);

// Every table of the suite with its row count; the user profile aside, where the pickers save
// their widths.
std::string Tables(const std::string& target) {
  auto db = suite::OpenDatabase(target);
  const bool server = target.rfind("odbc:", 0) == 0;
  std::string all;
  for (const auto& table :
       db->Query(server ? "select table_name from information_schema.tables where table_schema = "
                          "current_schema() and table_name <> 't_suite_user_profile' order by 1"
                        : "select name from sqlite_master where type = 'table' and "
                          "name <> 't_suite_user_profile' order by name")) {
    all += *table[0] + "=" + *db->Query("select count(*) from \"" + *table[0] + "\"")[0][0] + " ";
  }
  return all;
}

// The picker's list rows below the title after the user typed `text` and pressed the query
// button.
template <class Picker>
int32_t PickerRows(int32_t item, const std::string& text, std::ostream& messages, size_t stack) {
  int32_t rows = 0;
  OnNewThread(stack, [&] {
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

int32_t BaseListRows(const std::string& key_word, std::ostream& messages, size_t stack) {
  int32_t rows = 0;
  OnNewThread(stack, [&] {
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
  const std::string tables = Tables(Target());
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
      {kLongChinese, "", "", 0, 0, 0},
      // A NUL ends the statement inside its literal: the query fails, the lists stay as loaded.
      {kNul, "null", "null", 5, 8, 0},
  };
  std::ostringstream messages;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 40));
    const size_t stack = c.text.size() > 1000 ? kSmallStack : 0;
    OnNewThread(stack, [&] {
      BaseList list;
      EXPECT_EQ(Fields(list.GetBatch(1, c.text, 0, 0, 0), {"FBatchNo"}), c.batch);
      EXPECT_EQ(Fields(list.GetAux(2, c.text, 0, 0, 0), {"AuxName"}), c.aux);
    });
    EXPECT_EQ(PickerRows<frmSelectBatchNo>(1, c.text, messages, stack), c.batches);
    EXPECT_EQ(PickerRows<frmStock>(1, c.text, messages, stack), c.batches);
    EXPECT_EQ(PickerRows<frmSelectAux>(2, c.text, messages, stack), c.properties);
    EXPECT_EQ(BaseListRows(c.text, messages, stack), c.base_rows);
  }
  const std::string nul =
      Target().rfind("odbc:", 0) == 0
          ? "[Vantrel提示] ERROR: unterminated quoted string at or near \"'%B26\"; Error while "
            "executing the query\n"
          : "[Vantrel提示] unrecognized token: \"'%B26\"\n";
  EXPECT_EQ(messages.str(), nul + nul + nul + nul);
  EXPECT_EQ(Tables(Target()), tables);

  // A value's trailing blanks do not count in LIKE on either database, as on the production one.
  Exec(
      "insert into t_auxItem (FItemID, FNumber, FName, FItemClassID) values (5, 'T', 'trail  ', "
      "3001)");
  OnNewThread([&] {
    BaseList list;
    EXPECT_EQ(Fields(list.GetAux(2, "l ", 0, 0, 0), {"AuxName"}), "");
    EXPECT_EQ(Fields(list.GetAux(2, "ail", 0, 0, 0), {"AuxName"}), "trail");
    EXPECT_EQ(Fields(list.GetAux(2, "_ail", 0, 0, 0), {"AuxName"}), "trail");
  });
}

}  // namespace
}  // namespace qmz::testing
