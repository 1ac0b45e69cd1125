// The modal host of a baselist session: the scripted host when a script is given, else the Qt
// dialogs (when this build has them). Installed for the thread while the object lives, together
// with the grid dump (`--dump-grid`) that records each grid as the user saw it when its form
// hides itself.
#pragma once

#include <fstream>
#include <memory>
#include <ostream>
#include <string>

#include "platform/ui/modal_host.h"

namespace qmz::cli {

struct Options;

class DialogHost {
 public:
  // Error when the options cannot be used (no script and no dialogs in this build, a dump file
  // that cannot be written).
  DialogHost(const Options& options, std::ostream& messages);
  ~DialogHost();
  DialogHost(const DialogHost&) = delete;
  DialogHost& operator=(const DialogHost&) = delete;

 private:
  std::unique_ptr<ModalHost> host_;
  std::unique_ptr<ModalHostScope> scope_;
  std::shared_ptr<std::ofstream> dump_;
};

// Whether this build can open real dialogs, and whether there is a display to open them on
// (DISPLAY, WAYLAND_DISPLAY, or a Qt platform such as offscreen named by QT_QPA_PLATFORM).
bool HasDialogs();
bool HasDisplay();

}  // namespace qmz::cli
