// The public operations and the dialogs on the demo suite when something fails: a database that
// is damaged, locked, read-only or removed while a dialog is open, a database that stops
// answering a user's action, settings that cannot be saved or that were damaged. Every operation
// answers no object or shows one message, and the host goes on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "auxprop/frm_select_aux.h"
#include "base_data_list/frm_base_list.h"
#include "batch/frm_stock.h"
#include "integration/demo_suite.h"
#include "list_services/list_settings.h"
#include "login/login_context.h"
#include "login/user_profile.h"
#include "platform/ini_file.h"
#include "platform/ui/ledger.h"
#include "platform/ui/scripted_host.h"
#include "qmz/components.h"
#include "qmz/error.h"
#include "qmz/suite.h"
#include "suite/database.h"
#include "suite/sqlite/sqlite_connection.h"
#include "suite/sqlite/sqlite_database.h"

namespace qmz::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::FloatEq;

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The suite opened on a copy of the demo database that a test may damage.
class DatabaseFaultsTest : public DemoSuiteWithComponentFolder {
 protected:
  void SetUp() override {
    DemoSuiteWithComponentFolder::SetUp();
    fs::copy_file(DatabasePath(), path_, fs::copy_options::overwrite_existing);
    OpenSuite(path_);
    LogIn("administrator");
  }
  void TearDown() override {
    fs::remove(path_);
    DemoSuiteWithComponentFolder::TearDown();
  }

  // Every operation of a host's BaseList, each answer as "null" or "object", then the messages
  // the user saw. The dialogs, where they open, are closed at once.
  std::string EveryOperation() {
    messages.str("");
    std::string answers;
    AsUser("", [&](BaseList& list) {
      int32_t user_id = 0;
      for (const ObjectPtr& answer :
           {list.GetBatch(1, "B2601", 0, 0, 0), list.GetAux(2, "Blue", 0, 0, 0),
            list.Show(user_id, 18), list.ShowEx(18), list.ShowBatch(1, "", 0, 0, 0),
            list.ShowBatchForMultiSelBatchNo(4, "", 0, 0, 0)}) {
        answers += answer ? "object " : "null ";
      }
      try {
        answers += list.ShowAux(2, "", 0, 0, 0) ? "object " : "null ";
      } catch (const Error& e) {
        answers += "raised ";  // the rights check raises to the host by design
      }
    });
    return answers + "\n" + messages.str();
  }

  std::string path_ = Folder() + "/faulty.db";
  // What an operation on the removed file fails with.
  std::string cannot_open_ =
      "Cannot open the suite database " + path_ + ": unable to open database file";
};

// The lookups and the pickers fail quietly; the base-data list says why, once per dialog.
TEST_F(DatabaseFaultsTest, AMissingOrDamagedDatabaseAnswersNothing) {
  const auto answers = [](const std::string& why) {  // and the two dialogs' messages
    return "null null null null null null raised \n[Vantrel提示] " + why + "\n[Vantrel提示] " +
           why + "\n";
  };
  fs::remove(path_);
  EXPECT_EQ(EveryOperation(), answers(cannot_open_));
  EXPECT_FALSE(fs::exists(path_));  // nothing created in its place

  std::ofstream(path_, std::ios::trunc) << "hello, this is no database";
  EXPECT_EQ(EveryOperation(), answers("file is not a database"));

  fs::copy_file(DatabasePath(), path_, fs::copy_options::overwrite_existing);
  fs::resize_file(path_, 4096);  // the first page only
  EXPECT_EQ(EveryOperation(), answers("database disk image is malformed"));
}

// Read-only by its permissions, also for root: the lookups and the pickers work, the widths
// the pickers save at unload are not saved, and the file stays byte for byte as it was.
TEST_F(DatabaseFaultsTest, AReadOnlyDatabaseIsReadButNeverWritten) {
  ::chmod(path_.c_str(), 0444);
  const std::string before = FileText(path_);
  AsUser("row 3; click cmdYes; row 3; click cmdYes", [&](BaseList& list) {
    EXPECT_EQ(Fields(list.GetBatch(1, "B2601", 0, 0, 0), {"FBatchNo"}), "B2601");
    EXPECT_EQ(Fields(list.ShowBatch(1, "", 0, 0, 1030003), {"FBatchNo"}), "B2601");
    EXPECT_EQ(Fields(list.ShowAux(2, "", 0, 0, 0), {"stockName"}), "北京仓");
    EXPECT_THAT(
        [] { SaveUserProfile("frmSelectBatchNo", "ColWidth", "1"); },
        ::testing::ThrowsMessage<Error>(::testing::StrEq("attempt to write a readonly database")));
  });
  EXPECT_EQ(messages.str(), "");
  EXPECT_TRUE(FileText(path_) == before);
}

// Connections kept between calls answer as new ones would: another process's save is seen, a
// file replaced or removed is never answered from the old one, a forked child opens its own, and
// a batch's temporary table never reaches the next.
TEST_F(DatabaseFaultsTest, KeptConnectionsAnswerAsNewOnes) {
  auto quantity = [] {
    std::string answer;
    OnNewThread([&] {
      answer = Fields(BaseList().GetBatch(1, "B2601", 1, 0, 0), {"FQty"}) + LastFailure();
    });
    return answer;
  };
  const std::string before = quantity();
  ASSERT_EQ(before, "120");
  sqlite3* parent = nullptr;
  {
    auto db = suite::OpenDatabase(path_);
    parent = static_cast<suite::SqliteDatabase&>(*db).Connection().handle();
  }
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Another desk: its own connection, and a profile entry saved.
    auto db = suite::OpenDatabase(path_);
    const bool own = static_cast<suite::SqliteDatabase&>(*db).Connection().handle() != parent;
    db.reset();
    try {
      SaveUserProfile("BaseList", "Desk", "saved elsewhere");
    } catch (...) {
      ::_exit(2);
    }
    ::_exit(own ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_EQ(GetUserProfile("BaseList", "Desk"), "saved elsewhere");
  {
    auto db = suite::OpenDatabase(path_);
    EXPECT_EQ(static_cast<suite::SqliteDatabase&>(*db).Connection().handle(), parent);
  }

  // The file marked read-only under the kept connection: nothing is written through it, and
  // marked writable again, it is written again.
  ::chmod(path_.c_str(), 0444);
  EXPECT_EQ(quantity(), "120");
  EXPECT_THAT(
      [] { SaveUserProfile("BaseList", "Desk", "not saved"); },
      ::testing::ThrowsMessage<Error>(::testing::StrEq("attempt to write a readonly database")));
  ::chmod(path_.c_str(), 0644);
  SaveUserProfile("BaseList", "Desk", "saved again");
  EXPECT_EQ(GetUserProfile("BaseList", "Desk"), "saved again");

  // A batch that leaves a temporary table: the next batch finds none.
  suite::OpenDatabase(path_)->RunTsql(
      "select FItemID into #left from t_icitem select count(*) as n from #left");
  EXPECT_EQ(suite::OpenDatabase(path_)
                ->RunTsql("select count(*) as n from sqlite_temp_master")
                ->Value("n")
                .ToInt64(),
            0);

  // A backup copied over the file in place, its change counter the same as the kept
  // connection's: the backup's rows answer, not the ones the connection read before.
  const std::string backup = Folder() + "/backup.db";
  fs::copy_file(path_, backup, fs::copy_options::overwrite_existing);
  const std::string one_row = " where FBatchNo = 'B2601' and FStockID = 1 and FQty = 100";
  suite::SqliteConnection(backup, false).Exec("update t_cc_inventory set FQty = 1111" + one_row);
  suite::OpenDatabase(path_)->Execute("update t_cc_inventory set FQty = 2222" + one_row);
  EXPECT_EQ(quantity(), "2242");
  fs::copy_file(backup, path_, fs::copy_options::overwrite_existing);
  EXPECT_EQ(quantity(), "1131");
  suite::OpenDatabase(path_)->Execute("update t_cc_inventory set FQty = 100 where FQty = 1111");
  ASSERT_EQ(quantity(), "120");

  // The file replaced by another suite's, with other stock: the new file answers.
  const std::string other = Folder() + "/other.db";
  fs::copy_file(path_, other, fs::copy_options::overwrite_existing);
  suite::SqliteConnection(other, false)
      .Exec("update t_cc_inventory set FQty = FQty + 1000 where FBatchNo = 'B2601'");
  fs::rename(other, path_);
  const std::string b2601 = "select sum(FQty) as q from t_cc_inventory where FBatchNo = 'B2601'";
  EXPECT_EQ(suite::OpenDatabase(path_)->RunTsql(b2601)->Value("q").ToInt64(), 4165);
  EXPECT_EQ(quantity(), "2120");

  // The file removed: a clear failure, not the old rows.
  fs::remove(path_);
  EXPECT_EQ(quantity(), "null" + cannot_open_);
  CloseSuite();
}

// Another program's write lock is waited for; held past the wait, it ends the operation with
// a message that says what happened.
TEST_F(DatabaseFaultsTest, ALockedDatabaseIsWaitedForThenReported) {
  suite::SqliteConnection writer(path_, false);
  writer.Exec("BEGIN EXCLUSIVE");
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    writer.Exec("COMMIT");
  });
  OnNewThread(
      [&] { EXPECT_EQ(Fields(BaseList().GetBatch(1, "B2601", 0, 0, 0), {"FBatchNo"}), "B2601"); });
  release.join();

  writer.Exec("BEGIN EXCLUSIVE");
  AsUser("", [](BaseList& list) {
    int32_t user_id = 0;
    EXPECT_EQ(list.Show(user_id, 18), nullptr);
  });
  writer.Exec("COMMIT");
  EXPECT_EQ(messages.str(),
            "[Vantrel提示] The suite database is in use by another program; try again later "
            "(database is locked)\n");
}

// The file goes away while the dialogs are open (the middle tier failing after the load): each
// action the user takes says so once, with no second query after it, the dialog and its list
// stay as they were shown, and a choice from the list still reaches the host.
TEST_F(DatabaseFaultsTest, ADatabaseGoneAfterTheDialogOpenedIsReported) {
  auto play_then_remove = [&](Form& form, const std::string& script) {
    ScriptedHost user(script, messages);
    ModalHostScope scope(user);
    form.RunLoad();
    fs::remove(path_);
    form.ShowModal();
  };
  for (const char* script : {"key F9; close", "row 3; key Enter"}) {
    OnNewThread([&] {
      ListSettings().ListClassID = 18;
      frmBaseList form;
      play_then_remove(form, script);
      EXPECT_EQ(form.RtRec(), nullptr);
      if (script[0] == 'k') {  // F9 leaves the title row only; Enter closes the dialog
        EXPECT_EQ(form.LDGBase().DumpGrid(),
                  "||批号|辅助属性名称|数量|仓库|生产/采购日期|保质期|仓位|||\n");
      }
      form.RunUnload();
    });
    fs::copy_file(DatabasePath(), path_);
  }
  OnNewThread([&] {
    frmSelectBatchNo picker;
    picker.SetRequest({4, "", 0, 0, 1030003});
    play_then_remove(picker, "click cmdQuery; row 3; click cmdYes");
    EXPECT_EQ(Fields(picker.RtnDict(), {"FBatchNo"}), "N-0002");
    // The unit prices recomputed when the dialog opened are still those shown.
    EXPECT_THAT(ColumnTexts(picker.Grid(), 7), ElementsAre("1234.50", "1234.50"));
    EXPECT_NO_THROW(picker.RunUnload());  // no width changed: nothing to save
  });
  fs::copy_file(DatabasePath(), path_);
  OnNewThread([&] {
    frmSelectAux picker;
    picker.SetRequest({2, "", 0, 0, 1030003});
    play_then_remove(picker, "click chkShowZero; row 3; click cmdYes");
    EXPECT_EQ(Fields(picker.RtnDict(), {"stockName"}), "北京仓");
    EXPECT_EQ(picker.Grid().Rows(), 9);
    EXPECT_EQ(picker.ShowZeroBox().Value(), 0);  // back as the list still shown was read
    EXPECT_EQ(picker.Grid().CellText(2, 5), "30.00");
    EXPECT_NO_THROW(picker.RunUnload());
  });
  const std::string gone = "[Vantrel提示] " + cannot_open_ + "\n";
  EXPECT_EQ(messages.str(), gone + gone + gone + gone);
}

// Runs `write` in a child process that may not grow a file past 1024 bytes: past it, a write
// fails, or with `killed` the process ends there as the signal does by default. Its exit status.
int WriteUnderFileSizeLimit(const std::function<void()>& write, bool killed) {
  pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
    rlimit limit{1024, 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      write();
    } catch (const Error&) {
      ::_exit(1);
    }
    ::_exit(0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return status;
}

// A settings file or profile entry whose write fails in the middle is left as it was.
TEST_F(DatabaseFaultsTest, AWriteFailingHalfWayLeavesTheOldSettings) {
  const std::string ini_path = ComponentFolder() + "/JXCSystem.INI";
  const std::string ini = "; kept by the site\n[ColumnWidth]\n18=" + std::string(3000, '9') + "\n";
  std::ofstream(ini_path, std::ios::binary) << ini;
  IniFileComponent settings;
  settings.SetFile(ini_path);
  SaveUserProfile("frmSelectBatchNo", "ColWidth", "old");
  for (bool killed : {false, true}) {
    int status =
        WriteUnderFileSizeLimit([&] { settings.Write("ColumnWidth", "16", "1,2,3"); }, killed);
    EXPECT_EQ(killed ? WTERMSIG(status) : WEXITSTATUS(status), killed ? SIGXFSZ : 1);
    EXPECT_TRUE(FileText(ini_path) == ini);
    status = WriteUnderFileSizeLimit(
        [] { SaveUserProfile("frmSelectBatchNo", "ColWidth", std::string(100000, '7')); }, killed);
    EXPECT_EQ(killed ? WTERMSIG(status) : WEXITSTATUS(status), killed ? SIGXFSZ : 1);
    EXPECT_EQ(GetUserProfile("frmSelectBatchNo", "ColWidth"), "old");
  }
  // A failed write leaves no temporary file behind; a killed one may, and it is never read.
  int temporaries = 0;
  for (const auto& entry : fs::directory_iterator(ComponentFolder())) {
    temporaries += entry.path().filename() != "JXCSystem.INI";
  }
  EXPECT_EQ(temporaries, 1);
  settings.Write("ColumnWidth", "16", "1,2,3");
  EXPECT_EQ(settings.Read("ColumnWidth", "18", ""), std::string(3000, '9'));
}

class RefusingProfileUpdate : public ClassUserProfileUpdate {
 public:
  void SaveUserProfile(const std::string&, const std::string&, const std::string&,
                       const std::string&) override {
    throw Error("the profile cannot be written");
  }
};

using DialogFaultsTest = DemoSuiteWithComponentFolder;

TEST_F(DialogFaultsTest, ChoicesSurviveSettingsThatCannotBeSaved) {
  // Neither the user profile nor the settings file next to the component can be written.
  ComponentRegistry::Instance().Register(progid::kUserProfileUpdate,
                                         [] { return std::make_shared<RefusingProfileUpdate>(); });
  std::ofstream(ComponentFolder() + "/not-a-folder") << "a file";
  ::setenv("QMZ_COMPONENT_DIR", (ComponentFolder() + "/not-a-folder/sub").c_str(), 1);
  AsUser(
      "row 3; key Enter; "                        // the base-data list
      "click chkShowZero; row 3; click cmdYes; "  // frmStock, the box's state unsaved too
      "select 2,3; key Enter Ledger; "            // frmSelectBatchNo
      "row 3; click cmdYes",                      // frmSelectAux
      [](BaseList& list) {
        int32_t user_id = 0;
        auto rows = std::dynamic_pointer_cast<Recordset>(list.Show(user_id, 18));
        ASSERT_TRUE(rows);
        rows->MoveFirst();
        EXPECT_EQ(rows->Value("FBatchNo").ToText(), "B2601");
        EXPECT_EQ(Fields(list.ShowBatch(1, "", 0, 0, 1030003), {"FBatchNo"}), "B2601");
        EXPECT_EQ(Fields(list.ShowBatchForMultiSelBatchNo(4, "N-000", 0, 0, 0), {"FBatchNo"}),
                  "N-0001,N-0002");
        EXPECT_EQ(Fields(list.ShowAux(2, "", 0, 0, 0), {"stockName"}), "北京仓");
      });
  EXPECT_EQ(messages.str(), "");
}

// Saved settings that a person or another program damaged: the dialogs still open with their
// defaults in place of the damage, the user's choice comes back, and the next save is sound
// where the picker has columns.
TEST_F(DialogFaultsTest, DamagedPickerProfileValues) {
  OnNewThread([&] {
    // Negative, not a number, empty, huge, sound; more parts than the picker has columns.
    SaveUserProfile("BaseList", "ColWidth", "-5|abc||1e30|1200|x|700|1|2|3|4|5|6");
    SaveUserProfile("BaseList", "ShowZero", "70000");
    frmStock picker;
    picker.SetRequest({1, "", 0, 0, 1030003});
    ScriptedHost user("row 3; click cmdYes", messages);
    ModalHostScope scope(user);
    picker.RunLoad();
    EXPECT_EQ(picker.ShowZeroBox().Value(), 0);
    // Thirteen parts hold the unit slot, which frmStock skips; narrower than designed, and no
    // user's choice, a width shows as designed.
    EXPECT_THAT(ColumnWidths(picker.Grid()),
                ElementsAre(500, 1500, 1000, 1000, 1200, 1000, 900, 1100, 1100, 4, 5));
    picker.ShowModal();
    ASSERT_TRUE(picker.OK);
    EXPECT_EQ(picker.RtnDict()->Get("FBatchNo").ToText(), "B2601");
    picker.Grid().Column(2).SetWidth(1600);  // the user changes a width: the record is mended
    picker.RunUnload();
    EXPECT_EQ(GetUserProfile("BaseList", "ColWidth"),
              "500|1600|1000|1000|1200|x|1000|900|1100|1100|4|5|6");
    EXPECT_EQ(GetUserProfile("BaseList", "ShowZero"), "0");
  });
  EXPECT_EQ(messages.str(), "");
}

TEST_F(DialogFaultsTest, DamagedBaseListSettingsFile) {
  const std::string install = InstallFolder();
  ::setenv("QMZ_COMPONENT_DIR", install.c_str(), 1);
  // CR LF lines, a key twice, no final newline.
  std::ofstream(install + "/JXCSystem.INI", std::ios::binary)
      << "[BaseList]\r\n1803=-5\r\n1804=abc\r\n1805=2000\r\n1805=3000\r\n1806=1e30\r\n1807=";
  OnNewThread([&] {
    ListSettings().ListClassID = 18;
    frmBaseList form;
    ScriptedHost user("row 3; key Enter", messages);
    ModalHostScope scope(user);
    form.RunLoad();
    const std::vector<float> widths = ColumnWidths(form.LDGBase());
    EXPECT_THAT(
        std::vector<float>(widths.begin() + 2, widths.begin() + 7),
        ElementsAre(FloatEq(1271), FloatEq(1371), FloatEq(2000), FloatEq(1919.4f), FloatEq(1391)));
    form.ShowModal();
    EXPECT_TRUE(form.OK());
    form.RunUnload();
  });
  const std::string text = FileText(install + "/JXCSystem.INI");
  EXPECT_NE(text.find("1803=1271\n"), std::string::npos) << text;
  EXPECT_NE(text.find("1806=1919.4\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("1e30"), std::string::npos) << text;
  EXPECT_EQ(messages.str(), "");
}

}  // namespace
}  // namespace qmz::testing
