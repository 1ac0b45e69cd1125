#include "cli/commands.h"

#include <filesystem>
#include <fstream>
#include <memory>

#include "cli/dialog_host.h"
#include "cli/json_output.h"
#include "cli/sql_trace.h"
#include "platform/ini_file.h"
#include "platform/machine_settings.h"
#include "platform/ui/form.h"
#include "platform/ui/ledger.h"
#include "platform/ui/modal_host.h"
#include "qmz/baselist.h"
#include "qmz/containers.h"
#include "qmz/error.h"
#include "qmz/host.h"
#include "qmz/suite.h"
#include "suite/database.h"

namespace qmz::cli {

namespace {

// The demo's user where no dialog can open: the first batch, confirmed.
const char kDemoUser[] = "row 2; click cmdYes";

struct UsageError : Error {
  using Error::Error;
};

// KEY=VALUE; whole numbers become integers, everything else stays text.
void AddHostProperty(Dictionary& properties, const std::string& item) {
  size_t eq = item.find('=');
  if (eq == std::string::npos || eq == 0) {
    throw UsageError("--host-prop expects KEY=VALUE, got '" + item + "'");
  }
  std::string key = item.substr(0, eq);
  std::string value = item.substr(eq + 1);
  bool whole = !value.empty() && value.find_first_not_of("-0123456789") == std::string::npos &&
               value.find('-', 1) == std::string::npos && value != "-";
  if (whole) {
    try {
      properties.Set(key, Variant(static_cast<long long>(std::stoll(value))));
      return;
    } catch (const std::exception&) {
      // out of range: keep the text
    }
  }
  properties.Set(key, value);
}

// The host's side of a session: the suite database opened, a user logged in and the host
// property dictionary published for the life of the session.
class HostSession {
 public:
  explicit HostSession(const Options& options) {
    for (const std::string& item : options.host_props) AddHostProperty(properties_, item);
    OpenSuite(options.db, options.db_read);
    LogIn(options.user, options.outer_login);
    if (!options.trace_sql.empty()) TraceSqlTo(options.trace_sql);
    PublishHostProperties(CurrentProcessId(), &properties_);
  }
  ~HostSession() { WithdrawHostProperties(CurrentProcessId()); }
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

 private:
  Dictionary properties_;
};

void Print(std::ostream& out, const ObjectPtr& result) {
  out << ToJson(Variant(result)).dump(2, ' ', false, Json::error_handler_t::replace) << "\n";
}

// An operation's answer: printed, exit 0; or, when it failed (the database cannot be reached,
// a statement timed out), its reason on standard error, exit 1, so that a failure is never
// taken for "nothing found".
int Answer(std::ostream& out, std::ostream& err, const ObjectPtr& result) {
  if (!result && !LastFailure().empty()) {
    err << "baselist: " << LastFailure() << "\n";
    return 1;
  }
  Print(out, result);
  return 0;
}

// The demo's machine settings, next to its database: every edition's key names the database's
// folder as the install folder (where JXCSystem.INI is kept).
std::string WriteDemoMachineSettings(const std::string& database_path) {
  const std::string folder = std::filesystem::absolute(database_path).parent_path().string();
  std::vector<MachineSetting> settings;
  for (const char* edition : {"QMZPRODUCT", "Ombrel", "Tessan", "Virel", "Caldor", "Pennet"}) {
    settings.push_back({std::string("SOFTWARE\\Vantrel\\COMMERCE\\") + edition, "Path", folder});
  }
  return WriteMachineSettingsFile(folder, settings);
}

int InitDatabase(const Options& options, std::ostream& out) {
  bool sized = options.items > 0 || options.batches > 0 || options.warehouses > 0;
  if (options.demo == sized) {
    throw UsageError("init-db needs either --demo or --items, --batches and --warehouses");
  }
  if (options.demo) {
    CreateDemoDatabase(options.db);
    // On a server the install folder stays where the machine settings already say.
    if (!suite::IsOdbcTarget(options.db)) {
      out << "machine settings " << WriteDemoMachineSettings(options.db) << "\n";
    }
  } else {
    if (options.items <= 0 || options.batches <= 0 || options.warehouses <= 0) {
      throw UsageError("--items, --batches and --warehouses must all be greater than 0");
    }
    CreateLargeDatabase(options.db, options.items, options.batches, options.warehouses);
  }
  // A connection string may hold a password: a server is named by its kind only.
  out << "created " << (suite::IsOdbcTarget(options.db) ? "the suite on the server" : options.db)
      << "\n";
  return 0;
}

// The main job on the demo data: the two lookups, then the batch picker for item 1 (the Qt
// dialog, or the --script user) and what the user chose. Where no dialog can open (no display,
// or a build without Qt) a scripted user takes the first row, and the command says how to do
// otherwise.
int Demo(const Options& options, std::ostream& out, std::ostream& err) {
  HostSession session(options);
  BaseList list;
  out << "GetBatch(item 1, batch \"B2601\"):\n";
  Print(out, list.GetBatch(1, "B2601", 0, 0, 0));
  out << "GetAux(item 2, aux \"Blue\"):\n";
  Print(out, list.GetAux(2, "Blue", 0, 0, 0));

  Options dialog_options = options;
  if (options.script.empty() && (!HasQtDialogs() || !HasDisplay())) {
    dialog_options.script = kDemoUser;
    err << "baselist: no display for the dialog, so a scripted user plays \"" << kDemoUser
        << "\". Run on a desktop for the real dialog, give your own --script \"...\", or set "
           "QT_QPA_PLATFORM=offscreen.\n";
  }
  std::string seen;
  auto dialogs = OpenDialogs(dialog_options, err);
  SetFormHiddenListener([&seen](Form& form) {
    for (const auto& control : form.Controls()) {
      if (auto* grid = dynamic_cast<GridControl*>(control.get())) seen = grid->Grid().DumpGrid();
    }
  });
  ObjectPtr chosen = list.ShowBatch(1, "", 0, 0, 1030003);
  SetFormHiddenListener(nullptr);
  out << "ShowBatch(item 1): the batch picker showed\n" << seen;
  out << "and the user chose:\n";
  Print(out, chosen);
  return 0;
}

// show / show-ex: the base-data list dialog for one item class.
int ShowBaseList(const std::string& operation, const Options& options, std::ostream& out,
                 std::ostream& err) {
  if (!options.class_id_given) throw UsageError(operation + " needs --class-id");
  if (operation == "show" && (options.class_id < -32768 || options.class_id > 32767)) {
    throw UsageError("--class-id of show must fit 16 bits");
  }
  HostSession session(options);
  auto dialogs = OpenDialogs(options, err);
  BaseList list;
  if (!options.keyword.empty()) list.KeyWord(options.keyword);
  if (!options.filter.empty()) list.Filter(options.filter);
  if (!options.filter_item.empty()) list.FilterItem(options.filter_item);
  int32_t user_id = 0;
  ObjectPtr result = operation == "show"
                         ? list.Show(user_id, static_cast<int16_t>(options.class_id))
                         : list.ShowEx(options.class_id);
  return Answer(out, err, result);
}

// show-batch, show-batch-multi, show-aux, show-aux-multi: the pickers for one item.
int ShowPicker(const std::string& operation, const Options& options, std::ostream& out,
               std::ostream& err) {
  HostSession session(options);
  auto dialogs = OpenDialogs(options, err);
  BaseList list;
  const Options& o = options;
  ObjectPtr result;
  if (operation == "show-batch") {
    result = list.ShowBatch(o.item, o.filter, o.stock, o.aux_id, o.class_type);
  } else if (operation == "show-batch-multi") {
    if (o.quantity != 0) list.RequiredQty(o.quantity);
    result = list.ShowBatchForMultiSelBatchNo(o.item, o.filter, o.stock, o.aux_id, o.class_type);
  } else if (operation == "show-aux") {
    result = list.ShowAux(o.item, o.filter, o.stock, o.aux_id, o.class_type);
  } else {
    result = list.ShowAuxForMultiSel(o.item, o.filter, o.stock, o.aux_id, o.class_type);
  }
  return Answer(out, err, result);
}

int Dispatch(const std::string& operation, const Options& options, std::ostream& out,
             std::ostream& err) {
  try {
    if (operation == "init-db") return InitDatabase(options, out);
    if (operation == "demo") return Demo(options, out, err);
    if (operation == "show-batch" || operation == "show-batch-multi" || operation == "show-aux" ||
        operation == "show-aux-multi") {
      return ShowPicker(operation, options, out, err);
    }
    if (operation == "show" || operation == "show-ex") {
      return ShowBaseList(operation, options, out, err);
    }
    if (operation == "get-batch" || operation == "get-aux") {
      HostSession session(options);
      BaseList list;
      ObjectPtr result = operation == "get-batch"
                             ? list.GetBatch(options.item, options.text, options.stock,
                                             options.aux_id, options.class_type)
                             : list.GetAux(options.item, options.text, options.stock,
                                           options.aux_id, options.class_type);
      return Answer(out, err, result);
    }
    if (operation == "check") {
      // The database first; a read database's answer under "read". Any failure is the reason.
      ObjectPtr answer = CheckSuite(options.db);
      if (!options.db_read.empty()) {
        std::static_pointer_cast<Dictionary>(answer)->Set("read", CheckSuite(options.db_read));
      }
      Print(out, answer);
      return 0;
    }
    if (operation == "allocate-batches") {
      HostSession session(options);
      return Answer(out, err,
                    BaseList().AllocateBatches(options.item, options.quantity, options.stock,
                                               options.aux_id, options.class_type));
    }
    err << "baselist: unknown operation " << operation << "\n";
    return 2;
  } catch (const UsageError& e) {
    err << "baselist: " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    err << "baselist: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace

int RunOperation(const std::string& operation, const Options& options, std::ostream& out,
                 std::ostream& err) {
  const int code = Dispatch(operation, options, out, err);
  // What the suite set aside without troubling the user (a setting not saved) still tells the
  // one who runs the command.
  if (const std::string warning = LastWarning(); !warning.empty()) {
    err << "warning: " << warning << "\n";
  }
  return code;
}

}  // namespace qmz::cli
