// The dialogs on the demo suite when something fails after they opened: a database that stops
// answering a user's action, settings that cannot be saved when the dialog closes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "auxprop/frm_select_aux.h"
#include "baselist/frm_base_list.h"
#include "batch/frm_stock.h"
#include "integration/demo_suite.h"
#include "list_services/list_settings.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"
#include "qmz/components.h"
#include "qmz/error.h"

namespace qmz::testing {
namespace {

using ::testing::ElementsAre;

// Answers as the suite does, but fails every batch that holds `marker`.
class FailingClassInfo : public ClassInfo {
 public:
  FailingClassInfo(std::shared_ptr<ClassInfo> inner, std::string marker)
      : inner_(std::move(inner)), marker_(std::move(marker)) {}
  RecordsetPtr GetData(const std::string& props, const std::string& sql) override {
    if (sql.find(marker_) != std::string::npos) throw Error("the database went away");
    return inner_->GetData(props, sql);
  }

 private:
  std::shared_ptr<ClassInfo> inner_;
  std::string marker_;
};

class RefusingProfileUpdate : public ClassUserProfileUpdate {
 public:
  void SaveUserProfile(const std::string&, const std::string&, const std::string&,
                       const std::string&) override {
    throw Error("the profile cannot be written");
  }
};

// Counts the saved values asked for, by key.
class CountingProfileInfo : public ClassUserProfileInfo {
 public:
  CountingProfileInfo(std::shared_ptr<ClassUserProfileInfo> inner,
                      std::map<std::string, int>& asked)
      : inner_(std::move(inner)), asked_(asked) {}
  Variant GetUserProfile(const std::string& props, const std::string& section,
                         const std::string& key) override {
    ++asked_[key];
    return inner_->GetUserProfile(props, section, key);
  }

 private:
  std::shared_ptr<ClassUserProfileInfo> inner_;
  std::map<std::string, int>& asked_;
};

class DialogFaultsTest : public DemoSuite {
 protected:
  void SetUp() override {
    DemoSuite::SetUp();
    component_dir_ = Folder() + "/component";
    std::filesystem::create_directories(component_dir_);
    ::setenv("QMZ_COMPONENT_DIR", component_dir_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("QMZ_COMPONENT_DIR");
    std::filesystem::remove_all(Folder() + "/component");
    std::filesystem::remove(Folder() + "/not-a-folder");
    DemoSuite::TearDown();
  }

  void FailBatchesHolding(const std::string& marker) {
    auto& registry = ComponentRegistry::Instance();
    ComponentFactory inner = registry.Factory(progid::kClassInfo);
    registry.Register(progid::kClassInfo, [inner, marker]() -> ComponentPtr {
      return std::make_shared<FailingClassInfo>(std::dynamic_pointer_cast<ClassInfo>(inner()),
                                                marker);
    });
  }

  // Neither the user profile nor the settings file next to the component can be written.
  void BlockEverySave() {
    ComponentRegistry::Instance().Register(
        progid::kUserProfileUpdate, [] { return std::make_shared<RefusingProfileUpdate>(); });
    std::ofstream(Folder() + "/not-a-folder") << "a file";
    ::setenv("QMZ_COMPONENT_DIR", (Folder() + "/not-a-folder/sub").c_str(), 1);
  }

  std::string component_dir_;
  std::ostringstream messages;
};

std::vector<std::string> Column(Ledger& grid, int32_t col) {
  std::vector<std::string> texts;
  for (int32_t row = 2; row <= grid.Rows(); ++row) texts.push_back(grid.CellText(row, col));
  return texts;
}

std::string Field(const ObjectPtr& row, int32_t index, const std::string& name) {
  if (auto vector = std::dynamic_pointer_cast<Vector>(row)) {
    return Field(vector->Item(index), 1, name);
  }
  auto dictionary = std::dynamic_pointer_cast<Dictionary>(row);
  return dictionary ? dictionary->Get(name).ToText() : "no row";
}

TEST_F(DialogFaultsTest, ChoicesSurviveSettingsThatCannotBeSaved) {
  BlockEverySave();
  OnNewThread([&] {
    ScriptedHost user(
        "row 3; key Enter; "                        // the base-data list
        "click chkShowZero; row 3; click cmdYes; "  // frmStock, the box's state unsaved too
        "select 2,3; key Enter Ledger; "            // frmSelectBatchNo
        "row 3; click cmdYes",                      // frmSelectAux
        messages);
    ModalHostScope scope(user);
    BaseList list;
    int32_t user_id = 0;
    auto rows = std::dynamic_pointer_cast<Recordset>(list.Show(user_id, 18));
    ASSERT_TRUE(rows);
    rows->MoveFirst();
    EXPECT_EQ(rows->Value("FBatchNo").ToText(), "B2601");
    EXPECT_EQ(Field(list.ShowBatch(1, "", 0, 0, 1030003), 1, "FBatchNo"), "B2601");
    ObjectPtr tracked = list.ShowBatchForMultiSelBatchNo(4, "N-000", 0, 0, 0);
    EXPECT_EQ(Field(tracked, 2, "FBatchNo"), "N-0002");
    EXPECT_EQ(Field(list.ShowAux(2, "", 0, 0, 0), 1, "stockName"), "北京仓");
  });
  EXPECT_EQ(messages.str(), "");
}

TEST_F(DialogFaultsTest, BaseListReadFailingAfterLoadIsReportedOnce) {
  FailBatchesHolding("'%ZZ%'");
  OnNewThread([&] {
    ListSettings().ListClassID = 18;
    frmBaseList form;
    PlayLoaded(form, "type txtNumber ZZ; key F9", messages);
    EXPECT_EQ(messages.str(), "[Vantrel提示] the database went away\n");
    EXPECT_EQ(sql_sent->size(), 1u);  // the load only: the failed read is not followed by another
    EXPECT_EQ(form.LDGBase().DumpGrid(),
              "||批号|辅助属性名称|数量|仓库|生产/采购日期|保质期|仓位|||\n");
    form.RunUnload();
  });
  messages.str("");
  FailBatchesHolding("'B2601'");
  OnNewThread([&] {
    ScriptedHost user("row 3; key Enter", messages);
    ModalHostScope scope(user);
    BaseList list;
    int32_t user_id = 0;
    EXPECT_EQ(list.Show(user_id, 18), nullptr);
  });
  EXPECT_EQ(messages.str(), "[Vantrel提示] the database went away\n");
}

TEST_F(DialogFaultsTest, PickersKeepTheirListWhenAQueryFailsAfterLoad) {
  FailBatchesHolding("'%ZZ%'");
  OnNewThread([&] {
    frmSelectBatchNo picker;
    picker.SetRequest({4, "", 0, 0, 1030003});
    PlayLoaded(picker, "type txtBatchNo ZZ; click cmdQuery", messages);
    // The unit prices recomputed when the dialog opened are still those shown.
    EXPECT_THAT(Column(picker.Grid(), 2), ElementsAre("N-0001", "N-0002"));
    EXPECT_THAT(Column(picker.Grid(), 7), ElementsAre("1234.50", "1234.50"));
    picker.RunUnload();
  });
  OnNewThread([&] {
    frmSelectAux picker;
    picker.SetRequest({2, "", 0, 0, 1030003});
    PlayLoaded(picker, "type txtAux ZZ; click chkShowZero", messages);
    EXPECT_EQ(picker.Grid().Rows(), 9);
    EXPECT_EQ(picker.Grid().CellText(2, 2), "Blue");
    EXPECT_EQ(picker.Grid().CellText(2, 5), "30.00");
    picker.RunUnload();
  });
  EXPECT_EQ(messages.str(),
            "[Vantrel提示] the database went away\n[Vantrel提示] the database went away\n");
}

TEST_F(DialogFaultsTest, ClearingTheSearchBoxLocatesTheFirstRow) {
  OnNewThread([&] {
    ListSettings().ListClassID = 18;
    frmBaseList form;
    PlayLoaded(form, "type txtNumber B2603; key Back; key Back; key Back; key Back; key Back",
               messages);
    EXPECT_EQ(form.txtNumber().Text(), "");
    EXPECT_EQ(form.LDGBase().CursorRow(), 2);
    form.RunUnload();
  });
}

TEST_F(DialogFaultsTest, TheSecondPickerReadsItsSavedWidthsOnce) {
  std::map<std::string, int> asked;
  auto& registry = ComponentRegistry::Instance();
  ComponentFactory inner = registry.Factory(progid::kUserProfileInfo);
  registry.Register(progid::kUserProfileInfo, [inner, &asked]() -> ComponentPtr {
    return std::make_shared<CountingProfileInfo>(
        std::dynamic_pointer_cast<ClassUserProfileInfo>(inner()), asked);
  });
  OnNewThread([&] {
    ScriptedHost user("close; close", messages);
    ModalHostScope scope(user);
    BaseList().ShowBatch(4, "", 0, 0, 0);  // closing saves its twelve widths
    BaseList().ShowBatch(4, "", 0, 0, 0);  // which the next one reads
  });
  EXPECT_EQ(asked["ColWidth"], 2);
}

}  // namespace
}  // namespace qmz::testing
