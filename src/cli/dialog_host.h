// The dialogs of a baselist session: the scripted user when `--script` is given, else the Qt
// dialogs, with `--dump-grid` and `--screenshot`. Serves the thread while the object lives.
#pragma once

#include <memory>
#include <ostream>

#include "qmz/dialogs.h"

namespace qmz::cli {

struct Options;

// Error when the options cannot be used (no display for the Qt dialogs, a build without them,
// a dump file that cannot be written, a script that cannot be read).
std::unique_ptr<DialogSession> OpenDialogs(const Options& options, std::ostream& messages);

}  // namespace qmz::cli
