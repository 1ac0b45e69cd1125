#include "platform/ui/modal_host.h"

#include <iostream>

#include "platform/stoppable_read.h"
#include "platform/ui/form.h"
#include "qmz/error.h"

namespace qmz {

namespace {

thread_local ModalHost* current_host = nullptr;
thread_local std::function<void(Form&)> hidden_listener;
thread_local Form* front_form = nullptr;
thread_local bool read_waiting = false;

}  // namespace

ModalHostScope::ModalHostScope(ModalHost& host) : SlotScope(current_host, host) {}

ModalHost* CurrentModalHost() {
  return current_host;
}

void ModalHost::WaitForRead(Form*, StoppableRead& read) {
  read.Wait();
}

void ShowModal(Form& form) {
  if (!current_host) throw Error("No modal host can show " + form.Name());
  FrontFormScope front(form);
  current_host->RunModal(form);
}

void RunStoppableRead(const std::function<void()>& read, StoppableRead::Work what) {
  if (!current_host) {
    read();
    return;
  }
  StoppableRead running(read, what);
  read_waiting = true;
  try {
    current_host->WaitForRead(front_form, running);
  } catch (...) {
    running.Stop();
    read_waiting = false;
    throw;
  }
  read_waiting = false;
  running.Finish();
}

bool ReadWaiting() {
  return read_waiting;
}

FrontFormScope::FrontFormScope(Form& form) : SlotScope(front_form, form) {}

Form* FrontForm() {
  return front_form;
}

void NotifyFormEnded(Form& form) {
  if (current_host) current_host->FormEnded(form);
}

void MessageBox(const std::string& text, MessageIcon icon, const std::string& title) {
  if (current_host) {
    current_host->ShowMessage(text, icon, title);
  } else {
    std::cerr << "[" << title << "] " << text << "\n";
  }
}

bool AskYesNo(const std::string& text, const std::string& title) {
  if (current_host) return current_host->AskYesNo(text, title);
  std::cerr << "[" << title << "] " << text << " (no)\n";
  return false;
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
