#include "integration/demo_suite.h"

#include <pthread.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/ui/form.h"
#include "platform/ui/ledger.h"
#include "platform/ui/scripted_host.h"
#include "qmz/components.h"
#include "qmz/host.h"
#include "qmz/recordset.h"
#include "qmz/suite.h"
#include "suite/database.h"
#include "suite/middle_tier/class_info.h"

namespace qmz::testing {

namespace {

std::string& FolderPath() {
  static std::string folder;
  return folder;
}

// Records each batch before the suite runs it, and answers with the recordset still connected,
// as the middle tier's answer comes: the library releases the connection of a list it keeps.
class RecordingClassInfo : public ClassInfo {
 public:
  RecordingClassInfo(std::shared_ptr<ClassInfo> inner,
                     std::shared_ptr<std::vector<std::string>> sent,
                     std::shared_ptr<std::string> props)
      : inner_(std::move(inner)), sent_(std::move(sent)), props_(std::move(props)) {}
  RecordsetPtr GetData(const std::string& props, const std::string& sql) override {
    sent_->push_back(sql);
    *props_ = props;
    RecordsetPtr answer = inner_->GetData(props, sql);
    answer->SetConnected(true);
    return answer;
  }

 private:
  std::shared_ptr<ClassInfo> inner_;
  std::shared_ptr<std::vector<std::string>> sent_;
  std::shared_ptr<std::string> props_;
};

}  // namespace

void DemoSuite::SetUpTestSuite() {
  std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("qmz_it_" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  FolderPath() = folder.string();
}

void DemoSuite::TearDownTestSuite() {
  std::error_code ignored;
  std::filesystem::remove_all(FolderPath(), ignored);
}

const std::string& DemoSuite::Folder() {
  return FolderPath();
}

const std::string& DemoSuite::DatabasePath() {
  static std::string path;
  path = FolderPath() + "/demo.db";
  return path;
}

const std::string& DemoSuite::Target() {
  static const std::string server = [] {
    const char* given = std::getenv("QMZ_TEST_SERVER");
    return std::string(given ? given : "");
  }();
  return server.empty() ? DatabasePath() : server;
}

void DemoSuite::SetUp() {
  CreateDemoDatabase(Target());
  OpenSuite(Target());
  LogIn("administrator");
  auto& registry = ComponentRegistry::Instance();
  ComponentFactory inner = registry.Factory(progid::kClassInfo);
  registry.Register(progid::kClassInfo,
                    [inner, sent = sql_sent, props = props_sent]() -> ComponentPtr {
                      return std::make_shared<RecordingClassInfo>(
                          std::dynamic_pointer_cast<ClassInfo>(inner()), sent, props);
                    });
  PublishHostProperties(CurrentProcessId(), &host);
}

void DemoSuite::TearDown() {
  WithdrawHostProperties(CurrentProcessId());
}

void DemoSuiteWithComponentFolder::SetUp() {
  DemoSuite::SetUp();
  std::filesystem::create_directories(ComponentFolder());
  std::filesystem::create_directories(InstallFolder());
  ::setenv("QMZ_COMPONENT_DIR", ComponentFolder().c_str(), 1);
  std::ofstream(Folder() + "/machine.ini")
      << "[SOFTWARE\\Vantrel\\COMMERCE\\Tessan]\nPath=" << InstallFolder() << "\n";
  ::setenv("QMZ_MACHINE_SETTINGS", (Folder() + "/machine.ini").c_str(), 1);
}

void DemoSuiteWithComponentFolder::TearDown() {
  ::unsetenv("QMZ_COMPONENT_DIR");
  ::unsetenv("QMZ_MACHINE_SETTINGS");
  std::filesystem::remove_all(ComponentFolder());
  std::filesystem::remove_all(InstallFolder());
  DemoSuite::TearDown();
}

void DemoSuite::LogInAs(const std::string& user) {
  LogIn(user);
  host = Dictionary();
}

size_t DemoSuite::AsUser(const std::string& script, const std::function<void(BaseList&)>& body) {
  size_t remaining = 0;
  OnNewThread([&] {
    ScriptedHost user(script, messages);
    ModalHostScope scope(user);
    BaseList list;
    body(list);
    remaining = user.RemainingActions();
  });
  return remaining;
}

void DemoSuite::Exec(const std::string& sql) {
  auto database = suite::OpenDatabase(Target());
  for (size_t start = 0; start < sql.size();) {
    size_t end = std::min(sql.find(';', start), sql.size());
    if (sql.find_first_not_of(' ', start) < end) database->Execute(sql.substr(start, end - start));
    start = end + 1;
  }
}

void DemoSuite::AddInventoryRows(int rows) {
  suite::OpenDatabase(Target())->Execute(
      "with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
      std::to_string(rows) +
      ") insert into t_cc_inventory (FItemID, FStockID, FAuxPropID, FBatchNo, FQty, FSecQty, "
      "FBal, FKFDate, FKFPeriod, FPeriodDate) select 1, 1 + i % 2, 0, 'L' || (1000000 + i), "
      "i % 7, 0, 2.5 * (i % 7) + i % 3, '2026-01-01', 365, '2027-01-01' from n");
}

int DemoSuite::StatementsRunningOnTheServer() {
  if (!suite::IsOdbcTarget(Target())) return 0;
  auto database = suite::OpenDatabase(Target());
  for (int look = 0;; ++look) {
    const suite::TextRows rows = database->Query(
        "select count(*) from pg_stat_activity where datname = current_database() and "
        "pid <> pg_backend_pid() and state = 'active'");
    const int running = std::stoi(rows.at(0).at(0).value_or("0"));
    if (running == 0 || look == 20) return running;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

std::vector<std::string> DemoSuite::Rows(const std::string& sql,
                                         const std::vector<std::string>& fields) {
  suite::SuiteClassInfo info;
  RecordsetPtr records = info.GetData("", sql);
  std::vector<std::string> rows;
  for (int32_t position = 1; position <= records->RecordCount(); ++position) {
    auto values = records->RecordValues(position);
    std::string row;
    for (size_t f = 0; f < fields.size(); ++f) {
      int32_t index = records->FieldIndex(fields[f]);
      if (index < 0) throw std::runtime_error("no field " + fields[f]);
      if (f > 0) row += "|";
      row += values[static_cast<size_t>(index)].ToText();
    }
    rows.push_back(row);
  }
  return rows;
}

std::string DemoSuite::SortedRows(const std::string& sql, const std::vector<std::string>& fields) {
  std::vector<std::string> rows = Rows(sql, fields);
  std::sort(rows.begin(), rows.end());
  std::string text;
  for (const std::string& row : rows) text += (text.empty() ? "" : ",") + row;
  return text;
}

void PlayLoaded(Form& form, const std::string& script, std::ostream& messages) {
  ScriptedHost user(script, messages);
  ModalHostScope scope(user);
  form.RunLoad();
  form.ShowModal();
}

std::string Fields(const ObjectPtr& rows, const std::vector<std::string>& fields) {
  if (auto several = std::dynamic_pointer_cast<Vector>(rows)) {
    std::string text;
    for (int32_t i = 1; i <= several->Count(); ++i) {
      text += (i > 1 ? "," : "") + Fields(several->Item(i), fields);
    }
    return text;
  }
  auto row = std::dynamic_pointer_cast<Dictionary>(rows);
  if (!row) return "null";
  std::string text;
  for (size_t f = 0; f < fields.size(); ++f) {
    text += (f ? "|" : "") + (row->Exists(fields[f]) ? row->Get(fields[f]).ToText() : "<no key>");
  }
  return text;
}

std::vector<std::string> ColumnTexts(Ledger& grid, int32_t col) {
  std::vector<std::string> texts;
  for (int32_t row = 2; row <= grid.Rows(); ++row) texts.push_back(grid.CellText(row, col));
  return texts;
}

std::vector<float> ColumnWidths(const Ledger& grid) {
  std::vector<float> widths;
  for (int32_t col = 1; col <= grid.Cols(); ++col) widths.push_back(grid.Column(col).Width());
  return widths;
}

void OnNewThread(const std::function<void()>& body) {
  std::thread(body).join();
}

void OnNewThread(size_t stack, const std::function<void()>& body) {
  if (stack == 0) return OnNewThread(body);
  pthread_attr_t attributes;
  ASSERT_EQ(pthread_attr_init(&attributes), 0);
  ASSERT_EQ(pthread_attr_setstacksize(&attributes, stack), 0);
  pthread_t thread;
  auto run = [](void* work) -> void* {
    (*static_cast<const std::function<void()>*>(work))();
    return nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&body)),
            0);
  pthread_attr_destroy(&attributes);
  pthread_join(thread, nullptr);
}

}  // namespace qmz::testing
