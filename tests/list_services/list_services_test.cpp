// The services every list shares: rows as dictionaries, the unit price, the wait cursor, the
// expiry marks and the allocation of a quantity.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "list_services/batch_allocation.h"
#include "list_services/batch_expiry.h"
#include "list_services/row_to_dictionary.h"
#include "list_services/unit_price.h"
#include "list_services/wait_cursor.h"
#include "qmz/containers.h"
#include "qmz/error.h"
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

// A looked-up row with these texts.
Dictionary LookedUp(const char* quantity, const char* price, const char* amount) {
  Dictionary row;
  row.Set("FQty", quantity);
  if (price) row.Set("Fprice", price);
  row.Set("FAmount", amount);
  return row;
}

TEST(UnitPriceTest, ZeroQuantityHasNoPriceAndALookupsRowFollowsTheInventory) {
  EXPECT_EQ(UnitPrice(4, 10), 2.5);
  EXPECT_EQ(UnitPrice(0, 8), 0);
  EXPECT_EQ(UnitPrice(-2, 5), -2.5);
  // Open: the summed stored price of a row without quantity never reaches the host.
  struct Case {
    const char *quantity, *price, *amount;
    bool closed;
    const char* answer;  // Fprice afterwards, "" for none
  };
  for (const Case& c : {Case{"0", "5.2", "0", false, "0"}, Case{"120", "5", "300", false, "2.5"},
                        Case{"120", "0", "300", true, "0"}, Case{"1", nullptr, "2", false, ""}}) {
    Dictionary row = LookedUp(c.quantity, c.price, c.amount);
    SetLookupUnitPrice(row, c.closed);
    EXPECT_EQ(row.Exists("Fprice") ? row.Get("Fprice").ToText() : "", c.answer) << c.quantity;
  }
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

TEST(ExpiryTest, MarksAgainstTheHostsDocumentDate) {
  Dictionary host;
  host.Set("ExpiryWarnDays", 30);
  host.Set("DocumentDate", "2027-01-10 00:00:00");
  PublishHostProperties(CurrentProcessId(), &host);
  const ExpiryRules rules = ReadExpiryRules();
  auto mark = [&rules](const char* expiry) { return MarkReason(rules, ExpiryOf(1, expiry)); };
  EXPECT_EQ(mark("2027-01-09"), "已过期：有效期至 2027-01-09，早于单据日期 2027-01-10 1 天");
  EXPECT_EQ(mark("2027-01-10"),
            "即将过期：有效期至 2027-01-10，距单据日期 2027-01-10 还有 0 天（提前 30 天提醒）");
  EXPECT_EQ(MarkOf(rules, ExpiryOf(1, "2027-02-09 00:00:00")), ExpiryMark::kSoon);
  EXPECT_EQ(mark("2027-02-10"), "");
  // No shelf life, the suite's date for none, no date: no expiry.
  EXPECT_EQ(ExpiryOf(0, "2020-01-01"), std::nullopt);
  EXPECT_EQ(ExpiryOf(1, "1900-01-01"), std::nullopt);
  EXPECT_EQ(ExpiryOf(1, Variant::Null()), std::nullopt);
  EXPECT_FALSE(rules.hide_expired || rules.fefo || rules.allow_expired);
  // A property that cannot mean what the host wants is refused, naming it.
  for (const auto& [key, value] : {std::pair<const char*, Variant>{"DocumentDate", "2027-02-30"},
                                   {"ExpiryWarnDays", -1},
                                   {"BatchOrder", "FIFO"}}) {
    Dictionary wrong = host;
    wrong.Set(key, value);
    PublishHostProperties(CurrentProcessId(), &wrong);
    EXPECT_THROW(ReadExpiryRules(), Error) << key;
  }
  WithdrawHostProperties(CurrentProcessId());
  EXPECT_FALSE(ReadExpiryRules().warn_days);  // no host, nothing asked
}

// The takes of an allocation as "row:quantity" and what is missing.
std::string Taken(const std::vector<StockRow>& rows, double required, bool allow_expired) {
  const Allocation allocation = Allocate(rows, required, allow_expired);
  std::string text;
  for (const auto& take : allocation.takes) {
    text += std::to_string(take.row) + ":" + DoubleToText(take.quantity) + " ";
  }
  return text + "missing " + DoubleToText(allocation.missing);
}

TEST(AllocationTest, FirstExpiryFirstUntilCoveredSkippingExpiredRows) {
  const Day jan = *ParseDay("2027-01-05");
  const Day mar = *ParseDay("2027-03-01");
  const std::vector<StockRow> rows = {
      {7, mar, "A'B", false},     {40, jan, "b2601", false}, {12, std::nullopt, "B2603", false},
      {120, jan, "B2601", false}, {0, jan, "B0000", false},  {9, jan - 30, "OLD", true}};
  // Expiry, then batch number without regard to case, then as listed; no expiry last.
  EXPECT_EQ(Taken(rows, 150, false), "1:40 3:110 missing 0");
  EXPECT_EQ(Taken(rows, 175, false), "1:40 3:120 0:7 2:8 missing 0");
  EXPECT_EQ(Taken(rows, 200, false), "1:40 3:120 0:7 2:12 missing 21");
  EXPECT_EQ(Taken(rows, 10, true), "5:9 1:1 missing 0");
  EXPECT_EQ(Taken({}, 5, false), "missing 5");
}

}  // namespace
}  // namespace qmz
