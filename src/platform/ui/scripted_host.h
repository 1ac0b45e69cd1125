// ScriptedHost: a modal host that plays a script of user actions instead of waiting for a
// person, for tests and the command line (`--script`). One script serves every form shown while
// the host lives, in order: each form takes actions until it hides itself; a form still shown
// when the script runs out is closed as the close box would close it (and hidden if its
// QueryClose refuses). Message boxes are written to `messages` as "[title] text" and answered
// with OK; a question as "[title] text (yes)" or "(no)", answered by the script's next action
// when it is `answer`, else no. Like a screen, the host paints each grid's title row when the form
// shows and after every action (the form answers that row's text).
//
// Script: actions separated by ";" (a text in double quotes may hold ";", "\"" and "\\"):
//   type <control> <text>     focus the control and type the text key by key
//   paste <control> <text>    focus the control and paste the text (no key events)
//   click <control>           click a button, check box or control
//   key <name|code> [<control>]  press a key (Enter, Esc, F9, Up, Down, PageUp, PageDown, Home,
//                             End, Left, Right, Back, Space, or a key code), in the control if
//                             named
//   alt <letter>              the access key Alt+letter
//   row <n>                   click grid row n
//   select <n>,<n>,...        select grid rows (multi-row selection)
//   toggle <n>                Ctrl+click grid row n (adds it to the selection or takes it out)
//   answer yes|no             the answer to the question the last action asked
//   dblclick <row> [<col>]    double-click a grid cell (column 1 when left out)
//   hover <row> [<col>]       move the mouse over a grid cell
//   close                     the window's close box
//   cancel <ms>               stops the next list's read or sort (or the one the next action
//                             starts)
//                             <ms> milliseconds after it began, as Escape would, when it still
//                             runs then; a read the script does not cancel runs to its end
// The grid actions go to the form's first grid. A script that cannot be read raises qmz::Error
// on construction; an action that cannot be played (an unknown control, no grid) is written to
// `messages` as "[script] ...", the form is hidden and the error raised from RunModal.
//
// Actions no dialog took are reported on `messages` when the host ends ("[script] 2 actions
// were not played").
//
// Threading: the user-interface thread; install with ModalHostScope.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/ui/modal_host.h"

namespace qmz {

struct ScriptAction {
  std::string verb;
  std::vector<std::string> args;
};

// Splits and checks a script; Error naming the action that cannot be read.
std::vector<ScriptAction> ParseScript(const std::string& script);
// Key names of the script language to key codes; Error for an unknown name.
int16_t ScriptKeyCode(const std::string& name);

class ScriptedHost : public ModalHost {
 public:
  ScriptedHost(const std::string& script, std::ostream& messages);
  // Says how many actions were never played (no dialog took them), so a script that missed
  // its dialog does not pass unnoticed.
  ~ScriptedHost() override;

  void RunModal(Form& form) override;
  void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  void ProcessPendingMessages() override {}
  // Waits for the read; a `cancel` armed by the last action, or the next action when it is one,
  // stops it after its time.
  void WaitForRead(Form* form, StoppableRead& read) override;

  const std::vector<std::string>& Messages() const { return shown_; }
  size_t RemainingActions() const { return actions_.size(); }

 private:
  void Play(Form& form, const ScriptAction& action);

  std::deque<ScriptAction> actions_;
  std::optional<std::chrono::milliseconds> cancel_after_;  // armed by `cancel`
  std::ostream& messages_;
  std::vector<std::string> shown_;
};

}  // namespace qmz
