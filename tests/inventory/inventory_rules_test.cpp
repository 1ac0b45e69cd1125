// The inventory rules: the unit price, the expiry marks, the allocation of a quantity over
// batches, and the exact decimals it counts in.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "inventory/batch_allocation.h"
#include "inventory/batch_expiry.h"
#include "inventory/unit_price.h"
#include "platform/decimal.h"
#include "qmz/containers.h"
#include "qmz/error.h"
#include "qmz/host.h"
#include "qmz/recordset.h"

namespace qmz {
namespace {

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

TEST(ExpiryTest, MarksAgainstTheHostsDocumentDateReadingDatesAsTheGridShowsThem) {
  Dictionary host;
  host.Set("ExpiryWarnDays", 30);
  host.Set("DocumentDate", " 2027-01-10 ");
  host.Set("HideExpired", "Yes");
  host.Set("AllowExpired", "off");
  PublishHostProperties(CurrentProcessId(), &host);
  const ExpiryRules rules = ReadExpiryRules();
  auto mark = [&rules](const char* expiry) { return MarkReason(rules, ExpiryOf(1, expiry)); };
  EXPECT_EQ(mark("2027-01-09"), "已过期：有效期至 2027-01-09，早于单据日期 2027-01-10 1 天");
  EXPECT_EQ(mark("2027-01-10"),
            "即将过期：有效期至 2027-01-10，距单据日期 2027-01-10 还有 0 天（提前 30 天提醒）");
  EXPECT_EQ(MarkOf(rules, ExpiryOf(1, "2027-02-09 00:00:00")), ExpiryMark::kSoon);
  EXPECT_EQ(mark("2027-02-10"), "");
  EXPECT_TRUE(rules.hide_expired);
  EXPECT_FALSE(rules.fefo || rules.allow_expired);
  // Every form a date is stored in reads as the day the grid shows; anything else is no expiry.
  const Day day = *IsoDay("2026-01-05");
  for (const char* stored : {"2026-01-05", "2026/01/05", "20260105", "2026-1-5", "2026.1.05",
                             "2026-01-05 00:00:00", "2026-01-05T00:00:00.000", "20260105 0:00"}) {
    EXPECT_EQ(ExpiryOf(1, stored), day) << stored;
  }
  for (const char* stored : {"2026-01-05x", "2026/01-05", "2026-13-01", "2026-02-30", "260105",
                             "202601051", "05.01.2026", "2026-01-", ""}) {
    EXPECT_EQ(ExpiryOf(1, stored), std::nullopt) << stored;
  }
  // No shelf life, the suite's date for none, no date: no expiry.
  EXPECT_EQ(ExpiryOf(0, "2020-01-01"), std::nullopt);
  EXPECT_EQ(ExpiryOf(1, "1900-01-01"), std::nullopt);
  EXPECT_EQ(ExpiryOf(1, Variant::Null()), std::nullopt);
  // A property that cannot mean what the host wants is refused, naming it; DocumentDate is
  // exactly YYYY-MM-DD and a flag one of 1/0, true/false, yes/no, on/off.
  for (const auto& [key, value] : {std::pair<const char*, Variant>{"DocumentDate", "2027-02-30"},
                                   {"DocumentDate", "+027-01-10"},
                                   {"DocumentDate", "2027- 1-10"},
                                   {"DocumentDate", "2027-01-10junk"},
                                   {"DocumentDate", "2027-01-10 00:00:00"},
                                   {"DocumentDate", "2027/01/10"},
                                   {"ExpiryWarnDays", -1},
                                   {"BatchOrder", "FIFO"},
                                   {"HideExpired", "yess"},
                                   {"AllowExpired", 2}}) {
    Dictionary wrong = host;
    wrong.Set(key, value);
    PublishHostProperties(CurrentProcessId(), &wrong);
    EXPECT_THROW(ReadExpiryRules(), Error) << key << " " << value.ToText();
  }
  WithdrawHostProperties(CurrentProcessId());
  EXPECT_FALSE(ReadExpiryRules().warn_days);  // no host, nothing asked
}

Decimal Q(const char* text) {
  return *Decimal::Parse(text);
}

// The takes of an allocation as "row:quantity" and what is missing.
std::string Taken(const std::vector<StockRow>& rows, const char* required, bool allow_expired) {
  const Allocation allocation = Allocate(rows, Q(required), allow_expired);
  std::string text;
  for (const auto& take : allocation.takes) {
    text += std::to_string(take.row) + ":" + take.quantity.ToText() + " ";
  }
  return text + "missing " + allocation.missing.ToText();
}

TEST(AllocationTest, FirstExpiryFirstUntilCoveredSkippingExpiredRowsInExactDecimals) {
  const Day jan = *IsoDay("2027-01-05");
  const Day mar = *IsoDay("2027-03-01");
  const std::vector<StockRow> rows = {{Q("7"), mar, "A'B", false},
                                      {Q("40"), jan, "b2601 ", false},
                                      {Q("12"), std::nullopt, "B2603", false},
                                      {Q("120"), jan, "B2601", false},
                                      {Q("0"), jan, "B0000", false},
                                      {Q("9"), jan - 30, "OLD", true}};
  // Expiry, then batch number as the database collates it (case and trailing blanks aside),
  // then as listed; no expiry last.
  EXPECT_EQ(Taken(rows, "150", false), "1:40 3:110 missing 0");
  EXPECT_EQ(Taken(rows, "175", false), "1:40 3:120 0:7 2:8 missing 0");
  EXPECT_EQ(Taken(rows, "200", false), "1:40 3:120 0:7 2:12 missing 21");
  EXPECT_EQ(Taken(rows, "10", true), "5:9 1:1 missing 0");
  EXPECT_EQ(Taken({}, "5", false), "missing 5");
  // Decimals add up to the last place: no row is left taking a binary remainder.
  const std::vector<StockRow> tenths = {{Decimal::FromDouble(0.1), jan, "A", false},
                                        {Decimal::FromDouble(0.1), jan, "B", false},
                                        {Decimal::FromDouble(0.1), jan, "C", false},
                                        {Q("5"), mar, "D", false}};
  EXPECT_EQ(Taken(tenths, "0.3", false), "0:0.1 1:0.1 2:0.1 missing 0");
  EXPECT_EQ(Taken(tenths, "30", false), "0:0.1 1:0.1 2:0.1 3:5 missing 24.7");
  EXPECT_EQ(Taken(tenths, "0.25", false), "0:0.1 1:0.1 2:0.05 missing 0");
}

TEST(DecimalTest, ExactSumsAndTextsAsAClerkWritesThem) {
  Decimal sum;
  for (int i = 0; i < 3; ++i) sum += Decimal::FromDouble(0.1);
  EXPECT_EQ(sum, Q("0.3"));
  EXPECT_EQ(sum.ToDouble(), 0.3);
  EXPECT_EQ(Decimal::FromDouble(0.1 + 0.2), Q("0.3"));  // the binary remainder rounds away
  EXPECT_EQ((Q("30") - Q("5.3")).ToText(), "24.7");
  EXPECT_EQ(Q(" -1,234.5 ").Format(2), "-1,234.50");
  EXPECT_EQ(Q("2.5").Format(0), "2.5");
  EXPECT_EQ(Q("1234567").Format(0), "1,234,567");
  EXPECT_EQ(Q("1e3").ToText(), "1000");
  EXPECT_EQ(Q("0.00000000005").ToText(), "0.0000000001");  // 10 places, half away from zero
  EXPECT_EQ(Q("0.00000000004").ToText(), "0");
  for (const char* text : {"", "abc", "nan", "inf", "1.2.3", "1,", ",1", "1e", "--1", "1 2"}) {
    EXPECT_FALSE(Decimal::Parse(text)) << text;
  }
  EXPECT_THROW(Decimal::FromDouble(std::numeric_limits<double>::quiet_NaN()), Error);
  EXPECT_THROW(Decimal::FromDouble(std::numeric_limits<double>::infinity()), Error);
  EXPECT_THROW(Decimal::FromDouble(1e30), Error);
  for (double refused : {0.0, -5.0, 1e-12, std::numeric_limits<double>::quiet_NaN(),
                         -std::numeric_limits<double>::infinity()}) {
    EXPECT_THROW(QuantityAboveZero(refused, "The quantity"), Error) << refused;
  }
  try {
    QuantityAboveZero(std::numeric_limits<double>::quiet_NaN(), "The quantity to allocate");
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "The quantity to allocate, nan, is not a number above 0");
  }
  EXPECT_EQ(QuantityAboveZero(0.1, "q"), Q("0.1"));
}
}  // namespace
}  // namespace qmz
