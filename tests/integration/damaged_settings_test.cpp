// Saved settings that a person or another program damaged: the dialogs still open with their
// defaults in place of the damage, the user's choice comes back, and the next save is sound.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "baselist/frm_base_list.h"
#include "batch/frm_stock.h"
#include "integration/demo_suite.h"
#include "list_services/list_settings.h"
#include "login/user_profile.h"
#include "platform/ui/scripted_host.h"
#include "qmz/baselist.h"

namespace qmz::testing {
namespace {

using DamagedSettingsTest = DemoSuite;

std::vector<float> Widths(const Ledger& grid) {
  std::vector<float> widths;
  for (int32_t col = 1; col <= grid.Cols(); ++col) widths.push_back(grid.Column(col).Width());
  return widths;
}

TEST_F(DamagedSettingsTest, PickerProfileValues) {
  std::ostringstream messages;
  OnNewThread([&] {
    // Negative, not a number, empty, huge, sound; more parts than the picker has columns.
    SaveUserProfile("BaseList", "ColWidth", "-5|abc||1e30|1200|x|700|1|2|3|4|5|6");
    SaveUserProfile("BaseList", "ShowZero", "70000");
    frmStock picker;
    picker.SetRequest({1, "", 0, 0, 1030003});
    ScriptedHost user("row 3; click cmdYes", messages);
    ModalHostScope scope(user);
    picker.RunLoad();
    EXPECT_EQ(picker.ShowZeroBox().Value(), 0);
    EXPECT_EQ(Widths(picker.Grid()),
              (std::vector<float>{500, 1500, 1000, 1000, 1200, 1000, 700, 1, 2, 3, 4}));
    picker.ShowModal();
    ASSERT_TRUE(picker.OK);
    EXPECT_EQ(picker.RtnDict()->Get("FBatchNo").ToText(), "B2601");
    picker.RunUnload();
    EXPECT_EQ(GetUserProfile("BaseList", "ColWidth"), "500|1500|1000|1000|1200|1000|700|1|2|3|4");
    EXPECT_EQ(GetUserProfile("BaseList", "ShowZero"), "0");
  });
  EXPECT_EQ(messages.str(), "");
}

TEST_F(DamagedSettingsTest, BaseListSettingsFile) {
  const std::string install = Folder() + "/install";
  std::filesystem::create_directories(install);
  std::ofstream(Folder() + "/machine.ini")
      << "[SOFTWARE\\Vantrel\\COMMERCE\\Tessan]\nPath=" << install << "\n";
  ::setenv("QMZ_MACHINE_SETTINGS", (Folder() + "/machine.ini").c_str(), 1);
  ::setenv("QMZ_COMPONENT_DIR", install.c_str(), 1);
  // CR LF lines, a key twice, no final newline.
  std::ofstream(install + "/JXCSystem.INI", std::ios::binary)
      << "[BaseList]\r\n1803=-5\r\n1804=abc\r\n1805=2000\r\n1805=3000\r\n1806=1e30\r\n1807=";
  std::ostringstream messages;
  OnNewThread([&] {
    ListSettings().ListClassID = 18;
    frmBaseList form;
    ScriptedHost user("row 3; key Enter", messages);
    ModalHostScope scope(user);
    form.RunLoad();
    const std::vector<float> widths = Widths(form.LDGBase());
    EXPECT_FLOAT_EQ(widths[2], 1271);
    EXPECT_FLOAT_EQ(widths[3], 1371);
    EXPECT_FLOAT_EQ(widths[4], 2000);
    EXPECT_FLOAT_EQ(widths[5], 1919.4f);
    EXPECT_FLOAT_EQ(widths[6], 1391);
    form.ShowModal();
    EXPECT_TRUE(form.OK());
    form.RunUnload();
  });
  std::ifstream saved(install + "/JXCSystem.INI");
  std::string text((std::istreambuf_iterator<char>(saved)), {});
  EXPECT_NE(text.find("1803=1271\n"), std::string::npos) << text;
  EXPECT_NE(text.find("1806=1919.4\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("1e30"), std::string::npos) << text;
  ::unsetenv("QMZ_MACHINE_SETTINGS");
  ::unsetenv("QMZ_COMPONENT_DIR");
  std::filesystem::remove_all(install);
  EXPECT_EQ(messages.str(), "");
}

}  // namespace
}  // namespace qmz::testing
