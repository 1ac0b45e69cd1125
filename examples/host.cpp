// A host program of the library: it opens a suite database, logs a user in, publishes its host
// properties, creates BaseList and looks up one batch of an item; given a script, it also lets
// that scripted user pick a batch of the item in the batch picker.
//
//   host <suite database> <item id> <batch number> [<script>]
// Prints the fields of the inventory row found, one "key=value" per line, or "no row"; then
// "picked:" and the fields of the picked row, or "picked nothing".
#include <qmz/baselist.h>
#include <qmz/containers.h>
#include <qmz/dialogs.h>
#include <qmz/host.h>
#include <qmz/suite.h>

#include <cstdlib>
#include <iostream>
#include <memory>

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) {
    std::cerr << "usage: host <suite database> <item id> <batch number> [<script>]\n";
    return 2;
  }
  try {
    qmz::OpenSuite(argv[1]);
    qmz::LogIn("administrator");
  } catch (const qmz::Error& e) {
    std::cerr << "host: " << e.what() << "\n";
    return 1;
  }
  qmz::Dictionary host_properties;
  host_properties.Set("ICClosed", true);
  qmz::PublishHostProperties(qmz::CurrentProcessId(), &host_properties);

  qmz::BaseList list;
  list.KeyWord(argv[3]);
  auto print = [](const std::shared_ptr<qmz::Dictionary>& row) {
    for (const auto& [key, value] : row->Entries()) {
      std::cout << key << "=" << value.ToText() << "\n";
    }
  };
  int32_t item = std::atoi(argv[2]);
  auto row = std::dynamic_pointer_cast<qmz::Dictionary>(list.GetBatch(item, argv[3], 0, 0, 0));
  int code = 0;
  if (row) {
    print(row);
  } else {
    std::cout << "no row\n";
    code = 1;
  }
  if (argc == 5) {
    auto dialogs = qmz::OpenScriptedDialogs(argv[4], std::cerr);
    auto picked = std::dynamic_pointer_cast<qmz::Dictionary>(list.ShowBatch(item, "", 0, 0, 0));
    if (picked) {
      std::cout << "picked:\n";
      print(picked);
    } else {
      std::cout << "picked nothing\n";
    }
  }
  qmz::WithdrawHostProperties(qmz::CurrentProcessId());
  return code;
}
