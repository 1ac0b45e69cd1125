// The list settings behind BaseList's properties, per thread.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "list_services/list_settings.h"
#include "qmz/baselist.h"
#include "qmz/containers.h"

namespace qmz {
namespace {

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

}  // namespace
}  // namespace qmz
