// A host program of the library: it opens a suite database, logs a user in, publishes its host
// properties, creates BaseList and looks up one batch of an item.
//
//   host <suite database> <item id> <batch number>
// Prints the fields of the inventory row found, one "key=value" per line, or "no row".
#include <qmz/baselist.h>
#include <qmz/containers.h>
#include <qmz/host.h>
#include <qmz/suite.h>

#include <cstdlib>
#include <iostream>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: host <suite database> <item id> <batch number>\n";
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
  auto row = std::dynamic_pointer_cast<qmz::Dictionary>(
      list.GetBatch(std::atoi(argv[2]), argv[3], 0, 0, 0));
  qmz::WithdrawHostProperties(qmz::CurrentProcessId());
  if (!row) {
    std::cout << "no row\n";
    return 1;
  }
  for (const auto& [key, value] : row->Entries()) {
    std::cout << key << "=" << value.ToText() << "\n";
  }
  return 0;
}
