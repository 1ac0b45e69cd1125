// Where BaseList's dialogs appear. A host program opens one DialogSession on its user-interface
// thread before it calls a dialog operation (Show, ShowEx, ShowBatch, ShowBatchForMultiSelBatchNo,
// ShowAux, ShowAuxForMultiSel); without one those operations answer null.
//
//   auto dialogs = qmz::OpenQtDialogs();                   // real dialogs (builds with Qt)
//   auto dialogs = qmz::OpenScriptedDialogs("row 2; click cmdYes", std::cerr);  // a scripted user
//
// The session serves the calling thread while it lives; sessions nest (the newest serves).
// OpenQtDialogs needs a display (DISPLAY or WAYLAND_DISPLAY) or QT_QPA_PLATFORM (e.g.
// offscreen), and raises qmz::Error without one, or in a build without Qt. A script that cannot
// be read raises qmz::Error (the script language: docs/dialogs.md). A dump file, when given,
// receives each grid as the user saw it whenever a dialog closes.
#pragma once

#include <memory>
#include <ostream>
#include <string>

namespace qmz {

class DialogSession {
 public:
  virtual ~DialogSession() = default;
};

struct DialogOptions {
  std::string screenshot;  // Qt dialogs: a PNG of the first dialog shown
  std::string dump_grid;   // every closed dialog's grids, one line per row
};

std::unique_ptr<DialogSession> OpenQtDialogs(const DialogOptions& options = {});
std::unique_ptr<DialogSession> OpenScriptedDialogs(const std::string& script,
                                                   std::ostream& messages,
                                                   const DialogOptions& options = {});

// Whether this build has the Qt dialogs, and whether this process has a display for them.
bool HasQtDialogs();
bool HasDisplay();

}  // namespace qmz
