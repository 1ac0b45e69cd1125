// baselist: the reference host of the library. It opens the suite database, logs a user in,
// publishes the host properties, creates BaseList, calls one operation and prints the result
// as JSON. Exit codes: 0 done, 1 the database cannot be opened or the operation failed to run,
// 2 bad arguments.
#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>

#include "cli/commands.h"
#include "platform/program.h"
#include "qmz/variant.h"

namespace {

// The database of --db @FILE: the first line of FILE. A connection string with its password on
// the command line is shown to every user of the machine (ps); a file of mode 0600 is not.
bool ReadDbFile(const std::string& path, std::string& db, std::string& error) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "re"),
                                                       &std::fclose);
  if (!file) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  db.clear();
  for (int c; (c = std::getc(file.get())) != EOF && c != '\n';) db.push_back(static_cast<char>(c));
  if (std::ferror(file.get())) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!db.empty() && db.back() == '\r') db.pop_back();
  if (db.empty()) {
    error = "the first line of " + path + " is empty";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  using qmz::cli::Options;
  qmz::WriteStandardStreamsAsBytes();
  Options options;
  CLI::App app{"baselist: pick master data of the suite from the command line"};
  app.require_subcommand(1, 1);
  app.set_help_all_flag("--help-all", "Show the help of every operation");

  auto add_session = [&options](CLI::App* command) {
    command->add_option("--db", options.db,
                        "Suite database: a SQLite file, odbc:CONNECTION, or @FILE whose first "
                        "line is one of them (default: $QMZ_DB)");
    command->add_option("--db-read", options.db_read,
                        "Where the lookups and lists read (a standby), in --db's forms; saves go "
                        "to --db (default: $QMZ_DB_READ)");
    command->add_option("--user", options.user, "User to log in")->capture_default_str();
    command->add_option("--host-prop", options.host_props, "Host property KEY=VALUE (repeatable)");
    command->add_flag("--outer-login", options.outer_login, "Log in from outside the suite");
    command->add_option("--trace-sql", options.trace_sql,
                        "Append every SQL text sent to this file as JSON lines");
  };
  auto add_lookup = [&options](CLI::App* command, const char* text_option, const char* what) {
    command->add_option("--item", options.item, "Item id (FItemID)")->required();
    command->add_option(text_option, options.text, what)->required();
    command->add_option("--stock", options.stock, "Warehouse id, 0 for all");
    command->add_option("--aux-id", options.aux_id, "Auxiliary property id, 0 for all");
    command->add_option("--class-type", options.class_type, "Class type of the calling host");
  };

  CLI::App* init = app.add_subcommand("init-db", "Create a suite database");
  // init-db replaces the suite's tables, so it takes its database only from --db.
  init->add_option("--db", options.db,
                   "Suite database to create: a SQLite file, odbc:CONNECTION, or @FILE")
      ->required();
  init->add_flag("--demo", options.demo, "Fill it with the small demo set");
  init->add_option("--items", options.items, "Items of a large set");
  init->add_option("--batches", options.batches, "Batches per item of a large set");
  init->add_option("--warehouses", options.warehouses, "Warehouses of a large set");

  CLI::App* get_batch = app.add_subcommand("get-batch", "First inventory row of an item's batch");
  add_session(get_batch);
  add_lookup(get_batch, "--batch", "Batch number");

  CLI::App* get_aux =
      app.add_subcommand("get-aux", "First total row of an item's auxiliary properties");
  add_session(get_aux);
  add_lookup(get_aux, "--aux", "Part of the property name");

  auto add_dialog = [&options](CLI::App* command) {
    command->add_option("--script", options.script,
                        "Play these user actions instead of opening the dialog");
    command->add_option("--dump-grid", options.dump_grid,
                        "Write each grid as the user saw it when its dialog closes");
    command->add_option("--screenshot", options.screenshot,
                        "Save a PNG of the dialog when it is first shown");
  };
  for (const char* name : {"show", "show-ex"}) {
    CLI::App* show = app.add_subcommand(name, std::string(name) == "show"
                                                  ? "The base-data list dialog (BaseList.Show)"
                                                  : "The base-data list dialog (BaseList.ShowEx)");
    add_session(show);
    add_dialog(show);
    show->add_option("--class-id", options.class_id, "Item class of the list (18: batches)")
        ->required()
        ->each([&options](const std::string&) { options.class_id_given = true; });
    show->add_option("--keyword", options.keyword, "Search text the dialog opens with");
    show->add_option("--filter", options.filter, "SQL condition on the returned rows");
    show->add_option("--filter-item", options.filter_item, "SQL condition on the listed rows");
  }

  const std::pair<const char*, const char*> pickers[] = {
      {"show-batch", "The batch picker (BaseList.ShowBatch): one row"},
      {"show-batch-multi", "The batch picker (BaseList.ShowBatchForMultiSelBatchNo): rows"},
      {"show-aux", "The auxiliary-property picker (BaseList.ShowAux): one row"},
      {"show-aux-multi", "The auxiliary-property picker (BaseList.ShowAuxForMultiSel): rows"}};
  for (const auto& [name, what] : pickers) {
    CLI::App* pick = app.add_subcommand(name, what);
    add_session(pick);
    add_dialog(pick);
    pick->add_option("--item", options.item, "Item id (FItemID)")->required();
    pick->add_option("--filter", options.filter, "Batch-number or property fragment");
    pick->add_option("--stock", options.stock, "Warehouse id, 0 for all");
    pick->add_option("--aux-id", options.aux_id, "Auxiliary property id, 0 for all");
    pick->add_option("--class-type", options.class_type, "Class type of the calling host");
    if (std::string(name) == "show-batch-multi") {
      pick->add_option("--required-qty", options.quantity,
                       "Quantity to cover: rows preselected first-expiry-first (RequiredQty)")
          ->check(
              [](const std::string& text) {
                double value = 0;
                // RequiredQty 0 means none: a quantity named here must be one.
                return qmz::ParseNumber(text, value) && std::isfinite(value) && value > 0
                           ? std::string()
                           : "the required quantity " + text + " is not a number above 0";
              },
              "a number above 0");
    }
  }

  CLI::App* allocate = app.add_subcommand(
      "allocate-batches", "A quantity spread over an item's batches (BaseList.AllocateBatches)");
  add_session(allocate);
  allocate->add_option("--item", options.item, "Item id (FItemID)")->required();
  allocate->add_option("--qty", options.quantity, "Quantity to cover")->required();
  allocate->add_option("--stock", options.stock, "Warehouse id, 0 for all");
  allocate->add_option("--aux-id", options.aux_id, "Auxiliary property id, 0 for all");
  allocate->add_option("--class-type", options.class_type, "Class type of the calling host");

  CLI::App* check = app.add_subcommand(
      "check", "Connects as a desk would and says how the suite database answers (JSON)");
  check->add_option("--db", options.db,
                    "Suite database: a SQLite file, odbc:CONNECTION, or @FILE whose first line is "
                    "one of them (default: $QMZ_DB)");
  check->add_option("--db-read", options.db_read,
                    "A read database to check as well (default: $QMZ_DB_READ)");

  CLI::App* demo = app.add_subcommand("demo", "The main job on the demo database");
  add_session(demo);
  add_dialog(demo);

  try {
    std::vector<std::string> arguments = qmz::ProgramArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(argument.data());
    app.parse(static_cast<int>(pointers.size()), pointers.data());
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e);
    return code == 0 ? 0 : 2;
  }

  CLI::App* command = app.get_subcommands().front();
  std::string given = "--db " + options.db;
  if (command->count("--db") == 0) {
    const char* from_environment = std::getenv("QMZ_DB");
    if (!from_environment || !*from_environment) {
      std::cerr << "baselist: --db is required unless QMZ_DB is set\n";
      return 2;
    }
    options.db = from_environment;
    given = "QMZ_DB=" + options.db;
  }
  std::string given_read = "--db-read " + options.db_read;
  if (command->get_option_no_throw("--db-read") != nullptr && command->count("--db-read") == 0) {
    const char* from_environment = std::getenv("QMZ_DB_READ");
    if (from_environment && *from_environment) {
      options.db_read = from_environment;
      given_read = "QMZ_DB_READ=" + options.db_read;
    }
  }
  for (auto [db, said] :
       {std::pair{&options.db, &given}, std::pair{&options.db_read, &given_read}}) {
    if (!db->starts_with('@')) continue;
    std::string error;
    const std::string path = db->substr(1);
    if (!ReadDbFile(path, *db, error)) {
      std::cerr << "baselist: " << *said << ": " << error << "\n";
      return 2;
    }
  }

  std::string operation = command->get_name();
  return qmz::cli::RunOperation(operation, options, std::cout, std::cerr);
}
