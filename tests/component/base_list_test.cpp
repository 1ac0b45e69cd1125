// The facade's shared services: rows as dictionaries, per-thread list settings, the wait cursor.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "list_services/list_settings.h"
#include "list_services/row_to_dictionary.h"
#include "list_services/wait_cursor.h"
#include "qmz/baselist.h"
#include "qmz/containers.h"
#include "qmz/host.h"
#include "qmz/recordset.h"

namespace qmz {
namespace {

TEST(RowToDictionaryTest, TrimmedTextsInFieldOrderOrEveryKeyEmpty) {
  Recordset rows({"FBatchNo", "FQty", "AuxName"});
  rows.AddRecord({" B1 ", 12.5, Variant::Null()});
  EXPECT_EQ(
      RowToDictionary(rows)->Entries(),
      (std::vector<Dictionary::Entry>{{"FBatchNo", "B1"}, {"FQty", "12.5"}, {"AuxName", ""}}));
}

TEST(ListSettingsTest, SecondBaseListResetsSharedSettingsPerThread) {
  std::thread([] {
    BaseList first;
    first.KeyWord("k");
    first.Filter("f");
    first.FilterItem("fi");
    ListSettings().ListClassID = 18;
    ListSettings().LocatePending = true;
    auto info = std::make_shared<Dictionary>();
    first.ItemExtInfo(info);
    BaseList second;
    const SharedListSettings& s = ListSettings();  // KeyWord|Filter|FilterItem|ID|LocatePending
    EXPECT_EQ(s.KeyWord + "|" + s.Filter + "|" + s.FilterItem + "|" +
                  std::to_string(s.ListClassID) + "|" + std::to_string(s.LocatePending),
              "||fi|0|0");
    EXPECT_EQ(s.ItemExtInfo, info);
    first.KeyWord("last");  // the last writer wins for every object on the thread
    std::string other_thread_keyword = "unset";
    std::thread([&] {
      other_thread_keyword = ListSettings().KeyWord;
      BaseList().KeyWord("other");
    }).join();
    EXPECT_EQ(other_thread_keyword, "");
    EXPECT_EQ(ListSettings().KeyWord, "last");
  }).join();
}

TEST(WaitCursorTest, EachInstanceCountsOnlyItself) {
  std::vector<int> changes;
  SetMousePointerListener([&changes](int p) { changes.push_back(p); });
  {
    auto first = std::make_unique<WaitCursor>();
    EXPECT_EQ(ScreenMousePointer(), kPointerHourglass);
    first->BeginWait();  // nested on the same instance: no new change
    first->EndWait();
    WaitCursor second;
    first.reset();  // the first to end brings back the default though the second lives
    EXPECT_EQ(ScreenMousePointer(), kPointerDefault);
  }
  SetMousePointerListener(nullptr);
  EXPECT_EQ(changes, (std::vector<int>{11, 11, 0, 0}));
}

}  // namespace
}  // namespace qmz
