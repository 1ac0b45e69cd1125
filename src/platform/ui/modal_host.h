// The modal host: what shows a form modally, shows message boxes, processes pending window
// messages and shows the mouse pointer. The Qt host (src/qt) and the scripted host
// (scripted_host.h) implement it; the forms reach it only through the functions below.
//
// One current host per thread (the user-interface thread), set with ModalHostScope for as long
// as the host lives; without one, ShowModal raises qmz::Error, a message box goes to standard
// error and DoEvents does nothing.
//
// A list's read or sort (RunStoppableRead) runs on a helper thread while the host waits for it: the
// Qt host shows the form in front with its progress after a moment and lets the user stop it, the
// scripted host plays `cancel`; without a host the read runs on the calling thread. While a
// read waits, ReadWaiting() is true on the waiting thread and nothing of the forms runs.
#pragma once

#include <functional>
#include <string>

#include "platform/stoppable_read.h"

namespace qmz {

class Form;
class StoppableRead;

enum class MessageIcon {
  kNone = 0,
  kCritical = 16,
  kQuestion = 32,
  kExclamation = 48,
  kInformation = 64
};

class ModalHost {
 public:
  virtual ~ModalHost() = default;
  // Shows the form and returns when it has hidden itself (Form::Visible() false). The host
  // calls form.HostShown() when the form appears.
  virtual void RunModal(Form& form) = 0;
  virtual void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) = 0;
  // A question the user answers yes (true) or no; no is the default answer.
  virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;
  virtual void ProcessPendingMessages() = 0;
  // Waits until `read` has ended, showing its progress over `form` (null: no form loads or
  // shows) and stopping it when the user asks. The default waits without a word.
  virtual void WaitForRead(Form* form, StoppableRead& read);
  // The form ends (unloaded or destroyed): a view the host kept for it goes.
  virtual void FormEnded(Form&) {}
};

// Puts `value` in a slot of the calling thread for the life of the scope, and what the slot
// held back after it.
template <typename T>
class SlotScope {
 public:
  SlotScope(T*& slot, T& value) : slot_(slot), previous_(slot) { slot = &value; }
  ~SlotScope() { slot_ = previous_; }
  SlotScope(const SlotScope&) = delete;
  SlotScope& operator=(const SlotScope&) = delete;

 private:
  T*& slot_;
  T* previous_;
};

// The current host of the calling thread while the scope lives.
class ModalHostScope : public SlotScope<ModalHost> {
 public:
  explicit ModalHostScope(ModalHost& host);
};

ModalHost* CurrentModalHost();

void ShowModal(Form& form);
void MessageBox(const std::string& text, MessageIcon icon, const std::string& title);
// The current host's question box; without a host the question goes to standard error and the
// answer is no.
bool AskYesNo(const std::string& text, const std::string& title);
void DoEvents();

// Runs `read` as a list's read (or, with kSorting, its sort): on a helper thread while the
// current host waits (above), else on the calling thread. Raises the read's error, or
// ReadStopped when the user stopped it.
void RunStoppableRead(const std::function<void()>& read,
                      StoppableRead::Work what = StoppableRead::Work::kReading);
// Whether the calling thread waits for a read (a call into the forms now is a re-entry).
bool ReadWaiting();
// The form that loads or shows in front on this thread, or null: set by Form::RunLoad for its
// Load handler and by ShowModal while the form shows.
class FrontFormScope : public SlotScope<Form> {
 public:
  explicit FrontFormScope(Form& form);
};
Form* FrontForm();
// Tells the current host that a form ends (Form::RunUnload and ~Form).
void NotifyFormEnded(Form& form);

// Told each time a form hides itself (before ShowModal returns), e.g. to dump its grid.
void SetFormHiddenListener(std::function<void(Form&)> listener);
void NotifyFormHidden(Form& form);

}  // namespace qmz
