// The modal host: what shows a form modally, shows message boxes, processes pending window
// messages and shows the mouse pointer. The Qt host (src/qt) and the scripted host
// (scripted_host.h) implement it; the forms reach it only through the functions below.
//
// One current host per thread (the user-interface thread), set with ModalHostScope for as long
// as the host lives; without one, ShowModal raises qmz::Error, a message box goes to standard
// error and DoEvents does nothing.
#pragma once

#include <functional>
#include <string>

namespace qmz {

class Form;

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
  virtual void ProcessPendingMessages() = 0;
};

class ModalHostScope {
 public:
  explicit ModalHostScope(ModalHost& host);
  ~ModalHostScope();
  ModalHostScope(const ModalHostScope&) = delete;
  ModalHostScope& operator=(const ModalHostScope&) = delete;

 private:
  ModalHost* previous_;
};

ModalHost* CurrentModalHost();

void ShowModal(Form& form);
void MessageBox(const std::string& text, MessageIcon icon, const std::string& title);
void DoEvents();

// Told each time a form hides itself (before ShowModal returns), e.g. to dump its grid.
void SetFormHiddenListener(std::function<void(Form&)> listener);
void NotifyFormHidden(Form& form);

}  // namespace qmz
