// The batch pickers on the demo suite: their queries run on SQLite, and whole dialogs played
// by the scripted host.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "batch/batch_query.h"
#include "batch/show_batch.h"
#include "integration/demo_suite.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"
#include "qmz/components.h"

namespace qmz::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

const std::vector<std::string> kFields = {"FBatchNo", "stockName", "FQty", "FAmount"};

std::vector<std::string> Sorted(std::vector<std::string> rows) {
  std::sort(rows.begin(), rows.end());
  return rows;
}

BatchQueryInput Item(int32_t item, bool closed = true) {
  BatchQueryInput in;
  in.item_id = item;
  in.closed = closed;
  return in;
}

// The last batch list query sent (the item header query follows each one).
std::string LastBatchQuery(const std::vector<std::string>& sent) {
  for (auto it = sent.rbegin(); it != sent.rend(); ++it) {
    if (it->find(" a.FBatchNo,") != std::string::npos) return *it;
  }
  return "no batch query";
}

using BatchPickerDialogTest = DemoSuite;

TEST_F(BatchPickerDialogTest, QueriesReturnTheBatchesAUserExpects) {
  BatchQueryInput in = Item(1);
  EXPECT_EQ(
      Sorted(Rows(ComposeBatchListQuery(BatchPicker::kStock, in), kFields)),
      (std::vector<std::string>{"A'B|广州仓|7|14", "B2601|上海仓|40|100", "B2601|北京仓|120|300",
                                "B2601|虚拟仓|5|12.5", "B2603|上海仓|12|30"}));
  in.show_zero = true;  // also quantity zero with an amount
  in.class_type = 1020004;
  EXPECT_EQ(
      Sorted(Rows(ComposeBatchListQuery(BatchPicker::kStock, in), kFields)),
      (std::vector<std::string>{"A'B|广州仓|7|14", "B2601|上海仓|40|100", "B2601|北京仓|120|300",
                                "B2603|上海仓|12|30", "B2604|北京仓|0|8"}));
  in.filter = in.batch = "'B";
  in.box_text = " A' ";
  EXPECT_THAT(Rows(ComposeBatchListQuery(BatchPicker::kStock, in), kFields),
              ElementsAre("A'B|广州仓|7|14"));

  // Before the closing: opening balances, zero rows included, prices summed as stored.
  BatchQueryInput open = Item(1, false);
  open.stock_id = 1;
  open.box_text = "B260";
  EXPECT_EQ(Sorted(Rows(ComposeBatchListQuery(BatchPicker::kStock, open),
                        {"FBatchNo", "FQty", "Fprice", "FPeriodDate"})),
            (std::vector<std::string>{"B2601|120|5|2027-01-05", "B2602|0|2.6|2027-02-10",
                                      "B2604|0|0|2027-03-15"}));
  // Items that are not batch-managed list their rows without a number.
  EXPECT_THAT(Rows(ComposeBatchListQuery(BatchPicker::kStock, Item(3)), kFields),
              ElementsAre("|北京仓|50|25"));

  BatchQueryInput tracked = Item(4);
  tracked.filter = "NONE";  // the second picker ignores Filter
  tracked.auth_filter = " And  CharIndex('3',b.FRightUserID)>0 ";
  EXPECT_THAT(Rows(ComposeBatchListQuery(BatchPicker::kSelectBatchNo, tracked),
                   {"FBatchNo", "stockName", "FUnitName", "FBatchNoIndex"}),
              ElementsAre("N-0001|北京仓|个|0"));
  tracked.closed = false;
  tracked.auth_filter.clear();
  tracked.box_text = "0002";
  EXPECT_THAT(Rows(ComposeBatchListQuery(BatchPicker::kSelectBatchNo, tracked),
                   {"FBatchNo", "stockName", "Fprice", "FBatchNoIndex"}),
              ElementsAre("N-0002|上海仓|1234.5|0"));
}

TEST_F(BatchPickerDialogTest, ShowBatchReturnsTheChosenRow) {
  std::ostringstream messages;
  LogInAs("clerk");
  host.Set("AppType", 4);  // warehouse authorisation applies to the clerk
  OnNewThread([&] {
    // Enter in the grid does not confirm the first picker: every action is played.
    ScriptedHost user("type txtBatchNo 2601; click cmdQuery; row 2; key Enter Ledger; click cmdYes",
                      messages);
    ModalHostScope scope(user);
    BaseList list;
    auto row = std::dynamic_pointer_cast<Dictionary>(list.ShowBatch(1, "", 0, 0, 1030003));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->Get("FBatchNo").ToText(), "B2601");
    EXPECT_EQ(row->Get("stockName").ToText(), "北京仓");
    EXPECT_EQ(row->Get("FQty").ToText(), "120");
    EXPECT_EQ(row->Get("Fprice").ToDouble(), 2.5);  // recomputed from amount and quantity
    EXPECT_EQ(row->Get("FAmount").ToDouble(), 300);
    // 上海仓 is not the clerk's: the list held 北京仓 and 虚拟仓 only.
    EXPECT_THAT(Rows(LastBatchQuery(*sql_sent), kFields),
                UnorderedElementsAre("B2601|北京仓|120|300", "B2601|虚拟仓|5|12.5"));
  });
  EXPECT_EQ(messages.str(), "");
}

TEST_F(BatchPickerDialogTest, TrackedItemsOpenTheSecondPicker) {
  std::ostringstream messages;
  OnNewThread([&] {
    ScriptedHost user("select 2,3; key Enter Ledger", messages);
    ModalHostScope scope(user);
    BaseList list;
    auto rows = std::dynamic_pointer_cast<Vector>(
        list.ShowBatchForMultiSelBatchNo(4, "N-000", 0, 0, 1040007));
    ASSERT_TRUE(rows);
    ASSERT_EQ(rows->Count(), 2);
    std::vector<std::string> chosen;
    for (int32_t i = 1; i <= rows->Count(); ++i) {
      auto row = std::dynamic_pointer_cast<Dictionary>(rows->Item(i));
      chosen.push_back(row->Get("FBatchNo").ToText() + "|" + row->Get("FBatchNoIndex").ToText() +
                       "|" + row->Get("Fprice").ToText());
    }
    EXPECT_THAT(chosen, UnorderedElementsAre("N-0001|0|1234.5", "N-0002|0|1234.5"));
    EXPECT_THAT(sql_sent->at(0), ::testing::StartsWith("Select a.FBatchNo"));  // the second's
    EXPECT_THAT(sql_sent->at(0), ::testing::HasSubstr(" and a.FBatchNo like '%N-000%'"));
    sql_sent->clear();
    EXPECT_EQ(list.ShowBatch(0, "B", 0, 0, 0), nullptr);
    EXPECT_TRUE(sql_sent->empty());
    ComponentRegistry::Instance().Unregister(progid::kItemInfo);
    EXPECT_FALSE(IsBatchNoTracked(4));  // no item component: the first picker
  });
}

}  // namespace
}  // namespace qmz::testing
