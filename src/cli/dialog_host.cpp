#include "cli/dialog_host.h"

#include "cli/commands.h"

namespace qmz::cli {

std::unique_ptr<DialogSession> OpenDialogs(const Options& options, std::ostream& messages) {
  DialogOptions dialog_options{options.screenshot, options.dump_grid};
  if (!options.script.empty()) return OpenScriptedDialogs(options.script, messages, dialog_options);
  return OpenQtDialogs(dialog_options);
}

}  // namespace qmz::cli
