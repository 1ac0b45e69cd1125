// The batch pickers over a faked middle tier: formats, rights, choices and saved settings,
// played by the scripted host.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "batch/frm_stock.h"
#include "platform/ui/scripted_host.h"
#include "support/fake_suite.h"

namespace qmz {
namespace {

using ::testing::ElementsAre;
using testing::FakeSuite;
using ::testing::HasSubstr;
using testing::MakeRecordset;
using testing::OnFreshThread;
using testing::PublishedHostDictionary;

// One batch list record: batch, aux, warehouse, quantity, price, amount, warehouse id.
std::vector<Variant> Record(const char* batch, const char* stock, double qty, double price,
                            double amount, int stock_id) {
  return {batch, Variant::Null(), stock,           qty,          "个",
          0,     price,           amount,          "2026-01-05", "2027-01-05",
          "01",  Variant::Null(), Variant::Null(), stock_id,     1,
          0};
}

std::string HiddenColumns(PickerForm& form) {
  std::string hidden;
  for (int32_t col = 1; col <= form.Grid().Cols(); ++col) {
    if (form.Grid().Column(col).Hidden()) hidden += std::to_string(col) + ",";
  }
  return hidden;
}

class BatchPickerTest : public ::testing::Test {
 protected:
  BatchPickerTest() {
    suite.system_profile["IC|QuantityDigitCount"] = "0";
    suite.system_profile["IC|PriceDigitCount"] = "2";
    suite.data = [this](const std::string& sql) {
      if (sql.rfind("select a.FNumber", 0) == 0) {
        return MakeRecordset({"FNumber", "FName", "Fmodel"}, {{"A001", "螺丝钉", Variant::Null()}});
      }
      return MakeRecordset({"FBatchNo", "AuxName", "stockName", "FQty", "FUnitName", "FSecQty",
                            "Fprice", "FAmount", "FKFDate", "FPeriodDate", "StockNumber",
                            "AuxNumber", "AuxPropID", "FitemID", "FISKFPeriod", "FBatchNoIndex"},
                           rows);
    };
  }

  // Loads the picker, plays the script and leaves it hidden, not unloaded.
  void Play(PickerForm& form, const std::string& script) {
    ScriptedHost host(script, messages);
    ModalHostScope scope(host);
    form.ItemID = 5;
    form.RunLoad();
    form.ShowModal();
  }

  FakeSuite suite;
  PublishedHostDictionary host;
  std::vector<std::vector<Variant>> rows = {
      Record("B1", "北京仓", 3, 0, 10, 1), Record("A'B", "上海仓", 1, 0, 1234.5, 2),
      Record("B3", "北京仓", 0, 0, 0, 1), Record("B4", "北京仓", 1234.5, 0, 0, 1)};
  std::ostringstream messages;
};

TEST_F(BatchPickerTest, RowTextsFormatsAndRecomputedPrices) {
  OnFreshThread([&] {
    frmStock form;
    form.ClassTypeID = 1030003;
    Play(form, "");
    EXPECT_EQ(form.Caption(), "请选择批号");
    EXPECT_EQ(form.Find<Label>("lblName").Caption(), "商品名称:螺丝钉");
    EXPECT_EQ(form.Find<Label>("lblModel").Caption(), "规格型号:");
    EXPECT_EQ(form.Grid().DumpGrid(),
              "序号|批号|辅助属性|仓库|数量|单价|金额|生产日期|有效期至|stockID|FBatchNoIndex|\n"
              "1|B1||北京仓|3|3.33|10.00|2026-01-05|2027-01-05|1|0|\n"
              "2|A'B||上海仓|1|1234.50|1,234.50|2026-01-05|2027-01-05|2|0|\n"
              "3|B3||北京仓|0|0.00|0.00|2026-01-05|2027-01-05|1|0|\n"
              "4|B4||北京仓|1,235|0.00|0.00|2026-01-05|2027-01-05|1|0|\n");
    form.RunUnload();
  });
  suite.system_profile["IC|QuantityDigitCount"] = "3";
  host.properties.Set("ICClosed", false);  // no recomputing: the delivered prices stay
  rows = {Record("B1", "北京仓", 1234.5, 1234.5, 2, 1)};
  OnFreshThread([&] {
    frmStock form;
    Play(form, "");
    EXPECT_EQ(form.Grid().RowTextOf(2),
              "1|B1||北京仓|1,234.500|1,234.50|2.00|2026-01-05|2027-01-05|1|0|");
    frmSelectBatchNo second;
    rows = {Record("N1", "北京仓", 4, 0, 10, 1), Record("N2", "北京仓", 0, 0, 5, 1)};
    Play(second, "");
    EXPECT_EQ(second.Grid().RowTextOf(2),
              "1|N1||北京仓|4.000|个|2.50|10.00|2026-01-05|2027-01-05|1|0|");
    EXPECT_EQ(second.Grid().RowTextOf(3),
              "2|N2||北京仓|0.000|个|0|5.00|2026-01-05|2027-01-05|1|0|");
  });
}

TEST_F(BatchPickerTest, PriceRightsFollowTheClassType) {
  OnFreshThread([&] {
    frmStock outside;
    outside.ClassTypeID = 1050001;
    Play(outside, "");
    EXPECT_TRUE(suite.access_checks.empty());  // no code: denied without asking
    EXPECT_EQ(HiddenColumns(outside), "6,7,10,11,");
    EXPECT_EQ(outside.Grid().Column(5).Alignment(), kAlignRight);

    frmStock stock;
    stock.ClassTypeID = 1030003;
    Play(stock, "");
    frmSelectBatchNo second;
    second.ClassTypeID = 1030003;
    suite.access = false;
    Play(second, "");
    EXPECT_EQ(suite.access_checks,
              (std::vector<std::array<int32_t, 3>>{{15, 900, 32}, {15, 2020, 32}}));
    EXPECT_EQ(HiddenColumns(stock), "10,11,");
    EXPECT_EQ(HiddenColumns(second), "7,8,11,12,");
  });
}

TEST_F(BatchPickerTest, ChoosingRowsFillsTheContainers) {
  OnFreshThread([&] {
    frmStock form;
    form.ClassTypeID = 1030003;
    form.SetMultiSelect(1);
    Play(form, "select 4,2,3; click cmdYes");
    ASSERT_TRUE(form.OK);
    ASSERT_EQ(form.RtnVect()->Count(), 3);
    std::string chosen;
    for (int32_t i = 1; i <= 3; ++i) {
      const auto row = std::dynamic_pointer_cast<Dictionary>(form.RtnVect()->Item(i));
      chosen += row->Get("FBatchNo").ToText() + "|" + row->Get("FQty").ToText() + "|" +
                row->Get("AuxName").ToText() + ",";
    }
    EXPECT_EQ(chosen, "B3|0|,B1|3|,A'B|1|,");
    EXPECT_EQ(form.RtnDict(), form.RtnVect()->Item(3));
    // Price and amount come from the grid as numbers; the rest as trimmed texts.
    EXPECT_EQ(form.RtnDict()->Get("Fprice"), Variant(1234.5));
    EXPECT_EQ(form.RtnDict()->Get("FAmount"), Variant(1234.5));
    EXPECT_EQ(suite.user_profile["BaseList|ShowZero"], "0");
    form.RunUnload();
    EXPECT_EQ(suite.user_profile["BaseList|ColWidth"],
              "500|1500|1000|1000|1000|1000|900|1100|1100|0|0");
  });
  rows.clear();
  OnFreshThread([&] {
    frmStock form;
    Play(form, "click cmdYes");
    EXPECT_FALSE(form.OK);
    EXPECT_EQ(form.RtnVect(), nullptr);
    EXPECT_EQ(form.Grid().Rows(), 1);
  });
}

TEST_F(BatchPickerTest, SavedStateComesBack) {
  suite.user_profile["BaseList|ShowZero"] = "1";
  suite.user_profile["BaseList|ColWidth"] = "600|1600";
  OnFreshThread([&] {
    frmStock form;
    Play(form, "");
    // Ticking the remembered box ran the query a second time, with the zero rows.
    auto queries = suite.CallsStartingWith("GetData select a.FBatchNo");
    ASSERT_EQ(queries.size(), 2u);
    EXPECT_THAT(queries[0], HasSubstr(" and a.FQty<>0 "));
    EXPECT_THAT(queries[1], HasSubstr(" and (a.FQty<>0 or a.FBal<>0) "));
    EXPECT_EQ(form.ShowZeroBox().Value(), 1);
    EXPECT_EQ(form.Grid().Column(1).Width(), 600);
    EXPECT_EQ(form.Grid().Column(2).Width(), 1600);
    EXPECT_EQ(form.Grid().Column(3).Width(), 1000);
  });
  suite.user_profile["BaseList|ColWidth"] = "1|2|3|4|5|6|7|8|9|10|11";
  OnFreshThread([&] {
    frmSelectBatchNo form;
    form.Batch = "B";
    Play(form, "");
    std::vector<float> widths;
    for (int32_t col = 1; col <= 12; ++col) widths.push_back(form.Grid().Column(col).Width());
    EXPECT_THAT(widths, ElementsAre(1, 2, 3, 4, 5, 500, 6, 7, 8, 9, 10, 11));
    EXPECT_EQ(form.Box().Text(), "B");
    form.RunUnload();
  });
  OnFreshThread([&] {
    frmSelectBatchNo form;  // the twelve parts just saved map one to one
    Play(form, "");
    EXPECT_EQ(form.Grid().Column(6).Width(), 500);
    EXPECT_EQ(form.Grid().Column(12).Width(), 11);
  });
}

}  // namespace
}  // namespace qmz
