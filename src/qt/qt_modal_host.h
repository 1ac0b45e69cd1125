// QtModalHost: the modal host (platform/ui/modal_host.h) on Qt Widgets. RunModal shows any form
// as a dialog built from its controls (form_dialog.h) and runs a local event loop until the
// form has hidden itself; ShowMessage is a QMessageBox; ProcessPendingMessages processes Qt's
// pending events. While the screen's mouse pointer (qmz/host.h) is the hourglass, Qt shows its
// wait cursor over the whole application.
//
// Ownership: the host uses the process's QApplication, or creates one when there is none and
// destroys it with itself. Qt needs a platform: without a display, run with
// QT_QPA_PLATFORM=offscreen, or Qt ends the process while the host is being constructed. The
// host takes the mouse-pointer listener while it lives; hosts nest (the last one constructed
// shows the pointer, and hands it back to the one before when destroyed, in reverse order), but
// a listener set by anything else is dropped.
//
// A list's read that has not ended after 0.3 s is waited for with its progress shown in the
// dialog of the form in front (read_wait.h): the dialog on screen, or, for a form whose first
// list is read while it loads, its dialog shown early and kept for its modal run (dropped when
// the form ends without one).
//
// Errors: a form's handler that fails while its dialog runs (and a screenshot that cannot be
// written) hides the form, ends the dialog and is raised again from RunModal, unchanged.
// Constructing the host fails (qmz::Error) when the process's application object is a
// QCoreApplication without widgets.
//
// Threading: the thread that created the QApplication (the user-interface thread); install the
// host there with ModalHostScope.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/ui/modal_host.h"

class QApplication;

namespace qmz {

class FormDialog;

class QtModalHost : public ModalHost {
 public:
  QtModalHost();
  ~QtModalHost() override;
  QtModalHost(const QtModalHost&) = delete;
  QtModalHost& operator=(const QtModalHost&) = delete;

  void RunModal(Form& form) override;
  void ShowMessage(const std::string& text, MessageIcon icon, const std::string& title) override;
  bool AskYesNo(const std::string& text, const std::string& title) override;
  void ProcessPendingMessages() override;
  void WaitForRead(Form* form, StoppableRead& read) override;
  void FormEnded(Form& form) override;

  // Saves the next dialog shown, once, as a PNG file at `path`, as it first appears (laid out,
  // painted, after the form's Activate). An empty path saves nothing.
  void SetScreenshotPath(std::string path);
  // Whether the host created the QApplication (and destroys it).
  bool OwnsApplication() const { return app_ != nullptr; }

 private:
  static void ListenToPointer(QtModalHost* host);
  // Qt's wait cursor for the hourglass (11), the default cursor for anything else.
  void ShowPointerFor(int pointer);

  int argc_ = 1;
  char program_[8] = "qmz";
  char* argv_[2] = {program_, nullptr};
  std::unique_ptr<QApplication> app_;
  QtModalHost* outer_ = nullptr;  // the host that showed the pointer before this one
  std::string screenshot_path_;
  bool waiting_ = false;                                      // Qt's wait cursor is shown
  std::map<const Form*, FormDialog*> running_;                // dialogs in their modal run
  std::map<const Form*, std::unique_ptr<FormDialog>> early_;  // shown while the form loads
};

}  // namespace qmz
