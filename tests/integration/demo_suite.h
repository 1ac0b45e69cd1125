// A demo suite database for integration tests: created afresh for each test in a temporary
// folder, or on the server QMZ_TEST_SERVER names (so a test may change its data), opened and
// logged in, with every SQL batch the library sends recorded.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "qmz/baselist.h"
#include "qmz/containers.h"

namespace qmz {
class Form;
class Ledger;
}  // namespace qmz

namespace qmz::testing {

class DemoSuite : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Logs `user` in; the next lookups run on a fresh thread so the per-thread authorisation
  // flag starts over, and against a fresh host dictionary.
  void LogInAs(const std::string& user);

  // The rows of a batch on the suite, each as the texts of `fields` joined with "|".
  static std::vector<std::string> Rows(const std::string& sql,
                                       const std::vector<std::string>& fields);
  // The same rows sorted, joined with ",".
  static std::string SortedRows(const std::string& sql, const std::vector<std::string>& fields);

  // Runs `body` on a new thread for a scripted user playing `script`; what the dialogs say goes
  // to `messages`. Answers how many of the script's actions no dialog took.
  size_t AsUser(const std::string& script, const std::function<void(BaseList&)>& body);

  // Changes the demo data for this test.
  static void Exec(const std::string& sql);
  // Adds `rows` inventory rows of item 1 (batches L1000001 on, in 北京仓 and 上海仓, every
  // seventh of quantity 0): a long list for the base-data list and the batch picker, made where
  // the suite is, in one statement.
  static void AddInventoryRows(int rows);
  // Statements of other sessions that run on the server now (0 for the embedded suite), after
  // giving a cancelled one's backend two seconds to notice.
  static int StatementsRunningOnTheServer();

  // The suite under test: the server of QMZ_TEST_SERVER ("odbc:..."), else DatabasePath().
  static const std::string& Target();
  // The SQLite file of the embedded suite (for tests that damage or lock it).
  static const std::string& DatabasePath();
  static const std::string& Folder();

  std::shared_ptr<std::vector<std::string>> sql_sent = std::make_shared<std::vector<std::string>>();
  std::shared_ptr<std::string> props_sent = std::make_shared<std::string>();  // with the last
  Dictionary host;
  std::ostringstream messages;
};

// The demo suite with the settings file next to the component (JXCSystem.INI) and the install
// folder in folders of the test's own, made afresh for each test.
class DemoSuiteWithComponentFolder : public DemoSuite {
 protected:
  void SetUp() override;
  void TearDown() override;
  static std::string ComponentFolder() { return Folder() + "/component"; }
  // The suite's install folder, named by machine settings of this test's own.
  static std::string InstallFolder() { return Folder() + "/install"; }
};

// Loads `form` and shows it to a scripted user playing `script` (messages go to `messages`);
// the form is left hidden, not unloaded.
void PlayLoaded(Form& form, const std::string& script, std::ostream& messages);

// The values of `fields` in a returned row (a dictionary) joined with "|", "<no key>" where a
// key is missing; the rows of a vector each so, joined with ","; "null" for no object.
std::string Fields(const ObjectPtr& rows, const std::vector<std::string>& fields);

// The texts of a grid column over the data rows, and the widths of every column.
std::vector<std::string> ColumnTexts(Ledger& grid, int32_t col);
std::vector<float> ColumnWidths(const Ledger& grid);

// Runs `body` on a new thread (fresh per-thread state) and waits for it; `stack` bytes of stack
// when not 0.
void OnNewThread(const std::function<void()>& body);
void OnNewThread(size_t stack, const std::function<void()>& body);

}  // namespace qmz::testing
