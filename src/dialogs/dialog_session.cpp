#include <cstdlib>
#include <fstream>

#include "platform/ui/form.h"
#include "platform/ui/ledger.h"
#include "platform/ui/modal_host.h"
#include "platform/ui/scripted_host.h"
#include "qmz/dialogs.h"
#include "qmz/error.h"

#ifdef QMZ_WITH_QT
#include "qt/qt_modal_host.h"
#endif

namespace qmz {

namespace {

// Each grid of the form, one line per row: every cell's text followed by "|".
void DumpGrids(std::ofstream& out, Form& form) {
  for (const auto& control : form.Controls()) {
    if (auto* grid = dynamic_cast<GridControl*>(control.get())) out << grid->Grid().DumpGrid();
  }
  out.flush();
}

class HostSession : public DialogSession {
 public:
  HostSession(std::unique_ptr<ModalHost> host, const DialogOptions& options)
      : host_(std::move(host)) {
    if (!options.dump_grid.empty()) {
      dump_ =
          std::make_shared<std::ofstream>(options.dump_grid, std::ios::trunc | std::ios::binary);
      if (!*dump_) throw Error("Cannot write the grid dump " + options.dump_grid);
      auto dump = dump_;
      SetFormHiddenListener([dump](Form& form) { DumpGrids(*dump, form); });
    }
    scope_ = std::make_unique<ModalHostScope>(*host_);
  }
  ~HostSession() override {
    scope_.reset();
    if (dump_) SetFormHiddenListener(nullptr);
  }

 private:
  std::unique_ptr<ModalHost> host_;
  std::unique_ptr<ModalHostScope> scope_;
  std::shared_ptr<std::ofstream> dump_;
};

}  // namespace

bool HasQtDialogs() {
#ifdef QMZ_WITH_QT
  return true;
#else
  return false;
#endif
}

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

std::unique_ptr<DialogSession> OpenQtDialogs(const DialogOptions& options) {
#ifdef QMZ_WITH_QT
  if (!HasDisplay()) {
    throw Error(
        "No display for the dialog: run on a desktop, let a scripted user play the user's "
        "actions (the baselist command's --script \"row 2; click cmdYes\", QMZ_DIALOGS_SCRIPTED "
        "in the C interface, scripted_user in Python), or set QT_QPA_PLATFORM=offscreen");
  }
  auto host = std::make_unique<QtModalHost>();
  if (!options.screenshot.empty()) host->SetScreenshotPath(options.screenshot);
  return std::make_unique<HostSession>(std::move(host), options);
#else
  (void)options;
  throw Error("This build has no Qt dialogs: give the user's actions with --script");
#endif
}

std::unique_ptr<DialogSession> OpenScriptedDialogs(const std::string& script,
                                                   std::ostream& messages,
                                                   const DialogOptions& options) {
  return std::make_unique<HostSession>(std::make_unique<ScriptedHost>(script, messages), options);
}

}  // namespace qmz
