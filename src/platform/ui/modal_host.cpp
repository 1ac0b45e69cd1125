#include "platform/ui/modal_host.h"

#include <iostream>

#include "platform/ui/form.h"
#include "qmz/error.h"

namespace qmz {

namespace {

thread_local ModalHost* current_host = nullptr;
thread_local std::function<void(Form&)> hidden_listener;

}  // namespace

ModalHostScope::ModalHostScope(ModalHost& host) : previous_(current_host) {
  current_host = &host;
}

ModalHostScope::~ModalHostScope() {
  current_host = previous_;
}

ModalHost* CurrentModalHost() {
  return current_host;
}

void ShowModal(Form& form) {
  if (!current_host) throw Error("No modal host can show " + form.Name());
  current_host->RunModal(form);
}

void MessageBox(const std::string& text, MessageIcon icon, const std::string& title) {
  if (current_host) {
    current_host->ShowMessage(text, icon, title);
  } else {
    std::cerr << "[" << title << "] " << text << "\n";
  }
}

void DoEvents() {
  if (current_host) current_host->ProcessPendingMessages();
}

void SetFormHiddenListener(std::function<void(Form&)> listener) {
  hidden_listener = std::move(listener);
}

void NotifyFormHidden(Form& form) {
  if (hidden_listener) hidden_listener(form);
}

}  // namespace qmz
