// The public operations on a suite database that is damaged, locked, read-only or removed while
// a dialog is open: every operation answers no object or shows one message, and the host goes on.
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
#include <sstream>
#include <thread>

#include "auxprop/frm_select_aux.h"
#include "baselist/frm_base_list.h"
#include "batch/frm_stock.h"
#include "integration/demo_suite.h"
#include "list_services/list_settings.h"
#include "login/login_context.h"
#include "platform/ini_file.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"
#include "qmz/error.h"
#include "qmz/suite.h"
#include "suite/sqlite_connection.h"

namespace qmz::testing {
namespace {

namespace fs = std::filesystem;

class DatabaseFaultsTest : public DemoSuite {
 protected:
  void SetUp() override {
    DemoSuite::SetUp();
    path_ = Folder() + "/faulty.db";
    fs::copy_file(DatabasePath(), path_, fs::copy_options::overwrite_existing);
    OpenSuite(path_);
    LogIn("administrator");
    fs::create_directories(Folder() + "/component");
    ::setenv("QMZ_COMPONENT_DIR", (Folder() + "/component").c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("QMZ_COMPONENT_DIR");
    fs::remove_all(Folder() + "/component");
    fs::remove(path_);
    DemoSuite::TearDown();
  }

  // Every operation of a host's BaseList, each answer as "null" or "object", then the messages
  // the user saw. The dialogs, where they open, are closed at once.
  std::string EveryOperation() {
    messages.str("");
    std::string answers;
    OnNewThread([&] {
      ScriptedHost user("", messages);
      ModalHostScope scope(user);
      BaseList list;
      int32_t user_id = 0;
      auto say = [&](const ObjectPtr& answer) { answers += answer ? "object " : "null "; };
      say(list.GetBatch(1, "B2601", 0, 0, 0));
      say(list.GetAux(2, "Blue", 0, 0, 0));
      say(list.Show(user_id, 18));
      say(list.ShowEx(18));
      say(list.ShowBatch(1, "", 0, 0, 0));
      say(list.ShowBatchForMultiSelBatchNo(4, "", 0, 0, 0));
      try {
        say(list.ShowAux(2, "", 0, 0, 0));
      } catch (const Error& e) {
        answers += "raised ";  // the rights check raises to the host by design
      }
    });
    return answers + "\n" + messages.str();
  }

  std::string path_;
  std::ostringstream messages;
};

// The lookups and the pickers fail quietly; the base-data list says why, once per dialog.
TEST_F(DatabaseFaultsTest, AMissingOrDamagedDatabaseAnswersNothing) {
  const std::string answers = "null null null null null null raised \n";
  fs::remove(path_);
  std::string cannot_open =
      "[Vantrel提示] Cannot open the suite database " + path_ + ": unable to open database file\n";
  EXPECT_EQ(EveryOperation(), answers + cannot_open + cannot_open);
  EXPECT_FALSE(fs::exists(path_));  // nothing created in its place

  std::ofstream(path_, std::ios::trunc) << "hello, this is no database";
  EXPECT_EQ(EveryOperation(), answers +
                                  "[Vantrel提示] file is not a database\n"
                                  "[Vantrel提示] file is not a database\n");

  fs::copy_file(DatabasePath(), path_, fs::copy_options::overwrite_existing);
  fs::resize_file(path_, 4096);  // the first page only
  EXPECT_EQ(EveryOperation(), answers +
                                  "[Vantrel提示] database disk image is malformed\n"
                                  "[Vantrel提示] database disk image is malformed\n");
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Field(const ObjectPtr& row, const std::string& name) {
  auto dictionary = std::dynamic_pointer_cast<Dictionary>(row);
  return dictionary ? dictionary->Get(name).ToText() : "no row";
}

// Read-only by its permissions, also for root: the lookups and the pickers work, the widths
// the pickers save at unload are not saved, and the file stays byte for byte as it was.
TEST_F(DatabaseFaultsTest, AReadOnlyDatabaseIsReadButNeverWritten) {
  ::chmod(path_.c_str(), 0444);
  const std::string before = FileText(path_);
  OnNewThread([&] {
    ScriptedHost user("row 3; click cmdYes; row 3; click cmdYes", messages);
    ModalHostScope scope(user);
    BaseList list;
    EXPECT_EQ(Field(list.GetBatch(1, "B2601", 0, 0, 0), "FBatchNo"), "B2601");
    EXPECT_EQ(Field(list.ShowBatch(1, "", 0, 0, 1030003), "FBatchNo"), "B2601");
    EXPECT_EQ(Field(list.ShowAux(2, "", 0, 0, 0), "stockName"), "北京仓");
    try {
      CreateComponent<ClassUserProfileUpdate>(progid::kUserProfileUpdate)
          ->SaveUserProfile(GetPropsString(), "frmSelectBatchNo", "ColWidth", "1");
      ADD_FAILURE() << "a read-only database took a write";
    } catch (const Error& e) {
      EXPECT_STREQ(e.what(), "attempt to write a readonly database");
    }
  });
  EXPECT_EQ(messages.str(), "");
  EXPECT_TRUE(FileText(path_) == before);
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
      [&] { EXPECT_EQ(Field(BaseList().GetBatch(1, "B2601", 0, 0, 0), "FBatchNo"), "B2601"); });
  release.join();

  writer.Exec("BEGIN EXCLUSIVE");
  OnNewThread([&] {
    ScriptedHost user("", messages);
    ModalHostScope scope(user);
    int32_t user_id = 0;
    EXPECT_EQ(BaseList().Show(user_id, 18), nullptr);
  });
  writer.Exec("COMMIT");
  EXPECT_EQ(messages.str(),
            "[Vantrel提示] The suite database is in use by another program; try again later "
            "(database is locked)\n");
}

// The file goes away while the dialogs are open: each action the user takes says so once, the
// dialog and its list stay, and a choice from the list still reaches the host.
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
    EXPECT_EQ(Field(picker.RtnDict(), "FBatchNo"), "N-0002");
    EXPECT_THROW(picker.RunUnload(), Error);  // its widths cannot be saved
  });
  fs::copy_file(DatabasePath(), path_);
  OnNewThread([&] {
    frmSelectAux picker;
    picker.SetRequest({2, "", 0, 0, 1030003});
    play_then_remove(picker, "click chkShowZero; row 3; click cmdYes");
    EXPECT_EQ(Field(picker.RtnDict(), "stockName"), "北京仓");
    EXPECT_THROW(picker.RunUnload(), Error);
  });
  std::string gone =
      "[Vantrel提示] Cannot open the suite database " + path_ + ": unable to open database file\n";
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
  const std::string ini_path = Folder() + "/component/JXCSystem.INI";
  const std::string ini = "; kept by the site\n[ColumnWidth]\n18=" + std::string(3000, '9') + "\n";
  std::ofstream(ini_path, std::ios::binary) << ini;
  IniFileComponent settings;
  settings.SetFile(ini_path);
  auto profile = CreateComponent<ClassUserProfileUpdate>(progid::kUserProfileUpdate);
  profile->SaveUserProfile(GetPropsString(), "frmSelectBatchNo", "ColWidth", "old");
  for (bool killed : {false, true}) {
    int status =
        WriteUnderFileSizeLimit([&] { settings.Write("ColumnWidth", "16", "1,2,3"); }, killed);
    EXPECT_EQ(killed ? WTERMSIG(status) : WEXITSTATUS(status), killed ? SIGXFSZ : 1);
    EXPECT_TRUE(FileText(ini_path) == ini);
    status = WriteUnderFileSizeLimit(
        [&] {
          profile->SaveUserProfile(GetPropsString(), "frmSelectBatchNo", "ColWidth",
                                   std::string(100000, '7'));
        },
        killed);
    EXPECT_EQ(killed ? WTERMSIG(status) : WEXITSTATUS(status), killed ? SIGXFSZ : 1);
    EXPECT_EQ(CreateComponent<ClassUserProfileInfo>(progid::kUserProfileInfo)
                  ->GetUserProfile(GetPropsString(), "frmSelectBatchNo", "ColWidth")
                  .ToText(),
              "old");
  }
  // A failed write leaves no temporary file behind; a killed one may, and it is never read.
  int temporaries = 0;
  for (const auto& entry : fs::directory_iterator(Folder() + "/component")) {
    temporaries += entry.path().filename() != "JXCSystem.INI";
  }
  EXPECT_EQ(temporaries, 1);
  settings.Write("ColumnWidth", "16", "1,2,3");
  EXPECT_EQ(settings.Read("ColumnWidth", "18", ""), std::string(3000, '9'));
}

}  // namespace
}  // namespace qmz::testing
