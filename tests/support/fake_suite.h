// Fakes of the suite's outside components for unit tests. FakeSuite registers one fake per
// ProgID; every creation and call lands in `calls` ("create QMZMClass.ClassInfo",
// "GetData <sql>", ...). Install() on construction, every ProgID unregistered on destruction.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "qmz/components.h"
#include "qmz/containers.h"
#include "qmz/host.h"
#include "qmz/recordset.h"

namespace qmz::testing {

struct FakeSuite {
  FakeSuite();
  ~FakeSuite();
  FakeSuite(const FakeSuite&) = delete;
  FakeSuite& operator=(const FakeSuite&) = delete;

  // Removes one ProgID, as if the component were not installed.
  void Remove(const std::string& prog_id);
  // Calls whose text starts with `prefix`.
  int CountCalls(const std::string& prefix) const;
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const;

  std::vector<std::string> calls;
  std::vector<std::string> registered;  // the ProgIDs to unregister on destruction

  // QMZMClass.ClassInfo: answers every GetData; the default answers an empty recordset.
  std::function<RecordsetPtr(const std::string& sql)> data;
  std::vector<std::string> sql_sent;
  bool get_data_fails = false;

  // Login cache: CacheFacade (IsOuterLogin and its items) and ShareProps.
  Variant outer_login = 0;
  std::map<std::string, Variant> cache_items;
  std::map<std::string, Variant> shared_props;

  // Security and item classes.
  Variant need_authorized = false;
  Variant access = true;
  std::vector<std::array<int32_t, 3>> access_checks;
  Variant auth_item_classes = "";

  std::map<std::string, Variant> system_profile;    // "category|key"
  std::map<std::string, std::string> user_profile;  // "section|key"
};

// A host property dictionary published for this process while the object lives.
struct PublishedHostDictionary {
  PublishedHostDictionary() { PublishHostProperties(CurrentProcessId(), &properties); }
  ~PublishedHostDictionary() { WithdrawHostProperties(CurrentProcessId()); }
  Dictionary properties;
};

// Runs `body` on a new thread and waits: per-thread state starts fresh there.
inline void OnFreshThread(const std::function<void()>& body) {
  std::thread(body).join();
}

// A recordset from field names and rows.
RecordsetPtr MakeRecordset(std::vector<std::string> fields, std::vector<std::vector<Variant>> rows);

}  // namespace qmz::testing
