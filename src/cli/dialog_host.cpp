#include "cli/dialog_host.h"

#include <cstdlib>

#include "cli/commands.h"
#include "platform/ui/form.h"
#include "platform/ui/ledger.h"
#include "platform/ui/scripted_host.h"
#include "qmz/error.h"

#ifdef QMZ_WITH_QT
#include "qt/qt_modal_host.h"
#endif

namespace qmz::cli {

namespace {

std::unique_ptr<ModalHost> MakeHost(const Options& options, std::ostream& messages) {
  if (!options.script.empty()) return std::make_unique<ScriptedHost>(options.script, messages);
#ifdef QMZ_WITH_QT
  if (!HasDisplay()) {
    throw Error(
        "No display for the dialog: run on a desktop, give the user's actions with "
        "--script \"...\" (e.g. --script \"row 2; click cmdYes\"), or set "
        "QT_QPA_PLATFORM=offscreen");
  }
  auto host = std::make_unique<QtModalHost>();
  if (!options.screenshot.empty()) host->SetScreenshotPath(options.screenshot);
  return host;
#else
  throw Error("This build has no dialogs: give a --script");
#endif
}

// Each grid of the form, one line per row: every cell's text followed by "|".
void DumpGrids(std::ofstream& out, Form& form) {
  for (const auto& control : form.Controls()) {
    if (auto* grid = dynamic_cast<GridControl*>(control.get())) out << grid->Grid().DumpGrid();
  }
  out.flush();
}

}  // namespace

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

bool HasDialogs() {
#ifdef QMZ_WITH_QT
  return true;
#else
  return false;
#endif
}

DialogHost::DialogHost(const Options& options, std::ostream& messages) {
  if (!options.dump_grid.empty()) {
    dump_ = std::make_shared<std::ofstream>(options.dump_grid, std::ios::trunc | std::ios::binary);
    if (!*dump_) throw Error("Cannot write the grid dump " + options.dump_grid);
    auto dump = dump_;
    SetFormHiddenListener([dump](Form& form) { DumpGrids(*dump, form); });
  }
  host_ = MakeHost(options, messages);
  scope_ = std::make_unique<ModalHostScope>(*host_);
}

DialogHost::~DialogHost() {
  scope_.reset();
  if (dump_) SetFormHiddenListener(nullptr);
}

}  // namespace qmz::cli
