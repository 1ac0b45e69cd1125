// The operations of the baselist command, apart from argument parsing so tests can run them.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace qmz::cli {

struct Options {
  std::string db;
  std::string db_read;  // --db-read: where the lookups and lists read, "" for db
  std::string user = "administrator";
  std::vector<std::string> host_props;
  bool outer_login = false;
  std::string trace_sql;

  int32_t item = 0;
  std::string text;  // --batch or --aux
  int32_t stock = 0;
  int32_t aux_id = 0;
  int32_t class_type = 0;
  double quantity = 0;  // allocate-batches --qty; show-batch-multi --required-qty

  // Dialogs: the item class, the host's settings, the scripted user or the real dialog.
  int32_t class_id = 0;
  bool class_id_given = false;
  std::string keyword;
  std::string filter;
  std::string filter_item;
  std::string script;
  std::string dump_grid;
  std::string screenshot;

  bool demo = false;
  int32_t items = 0;
  int32_t batches = 0;
  int32_t warehouses = 0;
};

// Runs one operation; returns the exit code (0, 1, or 2 for arguments that cannot be used).
int RunOperation(const std::string& operation, const Options& options, std::ostream& out,
                 std::ostream& err);

}  // namespace qmz::cli
