// Forms and the scripted host: how user actions reach a form's handlers.
#include "platform/ui/form.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/stoppable_read.h"
#include "platform/ui/ledger.h"
#include "platform/ui/scripted_host.h"

namespace qmz {
namespace {

using ::testing::ElementsAre;

// A dialog with every kind of control that logs what reaches it.
struct LoggingForm {
  LoggingForm() : form("frmTest"), grid(std::make_shared<Ledger>()) {
    form.SetCaption("测试");
    form.SetKeyPreview(true);
    Label& label = form.AddLabel("lblText");
    label.SetCaption("文本(&T):");
    label.SetBuddy("txtText");
    text = &form.AddTextBox("txtText");
    check = &form.AddCheckBox("chkOn");
    button = &form.AddCommandButton("cmdYes");
    button->SetCaption("确定(&O)");
    form.AddGrid("LDG", grid);
    grid->SetCols(2);
    grid->SetRows(4);
    form.KeyDown = [this](int16_t& code, int16_t) {
      log.push_back("form down " + std::to_string(code));
      if (code == kKeyRight) code = 0;
      if (code == kKeyEscape) form.Hide();
    };
    form.KeyPress = [this](int16_t& ascii) {
      if (ascii == '\'') ascii = 0;
    };
    text->Change = [this] { log.push_back("change " + text->Text()); };
    text->KeyDown = [this](int16_t& code, int16_t) {
      log.push_back("text down " + std::to_string(code));
    };
    check->Click = [this] { log.push_back("check " + std::to_string(check->Value())); };
    button->Click = [this] { log.push_back("yes"); };
    grid->Click = [this] { log.push_back("grid click " + std::to_string(grid->CursorRow())); };
    grid->DblClick = [this] {
      log.push_back("dbl " + std::to_string(grid->MouseRow()) + "," +
                    std::to_string(grid->MouseCol()));
    };
    grid->Notify = [this](int32_t, const std::string& name, const Variant&, const Variant& row) {
      log.push_back(name + " " + row.ToText());
    };
  }
  Form form;
  std::shared_ptr<Ledger> grid;
  TextBox* text;
  CheckBox* check;
  CommandButton* button;
  std::vector<std::string> log;
};

TEST(FormTest, KeysGoThroughTheFormFirstAndStopWhenItHides) {
  LoggingForm f;
  f.form.PressKey(kKeyDown);
  EXPECT_TRUE(f.log.empty());  // a form not shown takes no input
  f.form.HostShown();
  EXPECT_EQ(f.form.Focused(), f.text);  // the first control that takes the focus
  f.form.PressKey(kKeyDown);
  f.form.PressKey(kKeyRight);  // discarded by the form
  f.form.TypeText("a'b仓");    // the form drops the quote
  f.form.PressChar(kKeyBack);
  f.text->SetText("ab");  // the same text: no change
  EXPECT_THAT(f.log, ElementsAre("form down 40", "text down 40", "form down 39", "change a",
                                 "change ab", "change ab仓", "change ab"));
  f.log.clear();
  f.form.PressKey(kKeyEscape);
  EXPECT_FALSE(f.form.Visible());
  f.form.TypeText("x");
  EXPECT_THAT(f.log, ElementsAre("form down 27"));
}

TEST(FormTest, ClicksAccessKeysAndTheGrid) {
  LoggingForm f;
  f.form.HostShown();
  f.form.Click("chkOn");
  f.check->SetValue(1);  // unchanged: no click
  f.check->SetValue(0);  // from code: a click, as the toolkit did
  f.form.PressAccessKey('O');
  f.form.SetFocus("cmdYes");
  f.form.PressChar(' ');
  f.button->SetEnabled(false);
  f.form.Click("cmdYes");
  f.form.PressAccessKey('t');
  EXPECT_EQ(f.form.Focused(), f.text);
  EXPECT_THAT(f.log, ElementsAre("check 1", "check 0", "yes", "yes"));
  EXPECT_THROW(f.form.ClickGridRow("txtText", 2), Error);

  f.log.clear();
  f.form.ClickGridRow("LDG", 3);
  f.form.ClickGridRow("LDG", 3);  // the same row: no second SelChanged
  f.form.PressKey(kKeyDown);
  f.form.PressKey(kKeyDown);  // already on the last row
  f.form.PressKey(kKeyHome);
  f.form.DoubleClickGrid("LDG", 1, 2);  // the title row keeps the cursor
  EXPECT_THAT(f.log, ElementsAre("SelChanged 3", "grid click 3", "grid click 3", "form down 40",
                                 "SelChanged 4", "form down 40", "form down 36", "SelChanged 2",
                                 "grid click 2", "dbl 1,2"));
  // The close box and QueryClose: QtHostTest, through the Qt dialog.
}

TEST(ScriptedHostTest, PlaysTheScriptFormByForm) {
  std::ostringstream messages;
  ScriptedHost host("type txtText \"a;b\" ; key Enter cmdYes; close; click chkOn; row 3", messages);
  ModalHostScope scope(host);
  LoggingForm first;
  first.form.ShowModal();
  EXPECT_THAT(first.log, ElementsAre("change a", "change a;", "change a;b", "form down 13", "yes"));
  EXPECT_EQ(host.RemainingActions(), 2u);

  // The rest of the script serves the next form; when it runs out the close box ends it.
  LoggingForm second;
  second.form.Activate = [&] { MessageBox("已打开", MessageIcon::kInformation, "提示"); };
  second.form.ShowModal();
  EXPECT_FALSE(second.form.Visible());
  EXPECT_THAT(second.log, ElementsAre("check 1", "SelChanged 3", "grid click 3"));
  EXPECT_EQ(messages.str(), "[提示] 已打开\n");

  {
    ScriptedHost failing("click cmdMissing; click chkOn", messages);
    ModalHostScope inner(failing);
    LoggingForm third;
    EXPECT_THROW(third.form.ShowModal(), Error);
    EXPECT_FALSE(third.form.Visible());
  }
  // The failed action is reported, and so is the action that no dialog took.
  EXPECT_THAT(messages.str(),
              ::testing::EndsWith("[script] The form frmTest has no control "
                                  "cmdMissing\n[script] 1 action was not played\n"));
}

TEST(ScriptedHostTest, ScriptsThatCannotBeReadAreRefused) {
  EXPECT_THAT(
      ParseScript(" ; dblclick 1 3;hover 2; select 2,4; key 65 LDG; alt o; paste t x y;cancel 0"),
      ::testing::SizeIs(7));
  EXPECT_EQ(ParseScript("paste t  x y ")[0].args[1], " x y ");
  for (const char* bad :
       {"jump 3", "row x", "key Tab", "select 2,", "type", "close now", "type t \"open",
        "dblclick 1 2 3", "cancel", "cancel -5", "cancel soon"}) {
    EXPECT_THROW(ParseScript(bad), Error) << bad;
  }
  EXPECT_EQ(ScriptKeyCode("ESC"), kKeyEscape);
  EXPECT_EQ(ScriptKeyCode("f9"), kKeyF9);
}

// A read that blocks until it is stopped (as a statement does until the database is told), and
// counts a row first.
struct BlockingRead {
  std::mutex mutex;
  std::condition_variable woken;
  bool stopped = false;
  std::thread::id ran_on;
  std::thread::id stopped_on;

  void operator()() {
    ran_on = std::this_thread::get_id();
    CurrentRead()->CountRows(1);
    StopHook hook(CurrentRead(), [this] {
      std::lock_guard lock(mutex);
      stopped = true;
      stopped_on = std::this_thread::get_id();
      woken.notify_all();
    });
    std::unique_lock lock(mutex);
    woken.wait(lock, [this] { return stopped; });
    throw Error("interrupted");
  }
};

TEST(ScriptedHostTest, CancelStopsTheNextReadAfterItsTimeAndOnlyThatOne) {
  std::ostringstream messages;
  ScriptedHost user("cancel 20; click cmdYes", messages);
  ModalHostScope scope(user);
  BlockingRead blocking;
  // The read runs on a helper thread; the stop reaches it from the waiting thread, and the
  // caller learns that the user stopped it, not the read's own error.
  EXPECT_THROW(RunStoppableRead([&] { blocking(); }), ReadStopped);
  EXPECT_NE(blocking.ran_on, std::this_thread::get_id());
  EXPECT_EQ(blocking.stopped_on, std::this_thread::get_id());
  EXPECT_EQ(messages.str(), "[script] the read was cancelled after 20 ms\n");
  // The next read is not cancelled: it runs to its end, on the same kept thread (a thread made
  // for each read left memory behind), and its error is its own.
  try {
    RunStoppableRead([&] {
      EXPECT_EQ(std::this_thread::get_id(), blocking.ran_on);
      throw Error("its own");
    });
    ADD_FAILURE() << "no error";
  } catch (const ReadStopped&) {
    ADD_FAILURE() << "a read nobody stopped";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "its own");
  }
  EXPECT_EQ(user.RemainingActions(), 1u);
  // A child of fork() has none of its parent's threads: its reads get one of their own.
  const pid_t child = ::fork();
  if (child == 0) {
    ScriptedHost child_user("click cmdYes", messages);
    ModalHostScope child_scope(child_user);
    ::alarm(10);  // a read handed to a thread the child does not have would never end
    bool ran = false;
    RunStoppableRead([&] { ran = true; });
    ::_exit(ran ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(ScriptedHostTest, WithoutAHostAReadRunsOnTheCallingThread) {
  std::thread::id ran_on;
  RunStoppableRead([&] {
    ran_on = std::this_thread::get_id();
    EXPECT_EQ(CurrentRead(), nullptr);
  });
  EXPECT_EQ(ran_on, std::this_thread::get_id());
}

}  // namespace
}  // namespace qmz
