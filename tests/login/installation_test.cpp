#include "login/installation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "login/user_profile.h"
#include "support/fake_suite.h"

namespace qmz {
namespace {

using testing::FakeSuite;
using testing::PublishedHostDictionary;

class MachineSettingsFile {
 public:
  explicit MachineSettingsFile(const std::string& text)
      : path_(std::filesystem::temp_directory_path() /
              ("qmz-machine-" + std::to_string(::getpid()) + ".ini")) {
    std::ofstream(path_) << text;
    ::setenv("QMZ_MACHINE_SETTINGS", path_.c_str(), 1);
  }
  ~MachineSettingsFile() {
    ::unsetenv("QMZ_MACHINE_SETTINGS");
    std::filesystem::remove(path_);
  }

 private:
  std::filesystem::path path_;
};

TEST(InstallationTest, EditionTableChoosesTheProductKey) {
  std::string keys;
  for (auto [app, industry] : {std::pair{1, 7}, {2, 0}, {4, 0}, {4, 1}, {4, 2}, {4, 3}, {3, 0}}) {
    keys += EditionSubkey(app, industry) + " ";
  }
  EXPECT_EQ(keys, "Ombrel Tessan Virel Caldor Pennet QMZPRODUCT QMZPRODUCT ");
  EXPECT_EQ(GetProductRegKey(), "SOFTWARE\\Vantrel\\COMMERCE\\Tessan");  // no host: AppType 2
  PublishedHostDictionary host;
  host.properties.Set("AppType", 4);
  host.properties.Set("IndustryType", 2);
  EXPECT_EQ(GetProductRegKey(), "SOFTWARE\\Vantrel\\COMMERCE\\Pennet");
}

TEST(InstallationTest, ThirtyTwoBitViewRewritesEverySoftwareIgnoringCase) {
  EXPECT_EQ(RedirectKeyFor32BitView("SOFTWARE\\Vantrel\\COMMERCE\\Tessan", true),
            "SOFTWARE\\Wow6432Node\\Vantrel\\COMMERCE\\Tessan");
  EXPECT_EQ(RedirectKeyFor32BitView("software\\a\\Software", true),
            "SOFTWARE\\Wow6432Node\\a\\SOFTWARE\\Wow6432Node");
  EXPECT_EQ(RedirectKeyFor32BitView("SOFTWARE\\x", false), "SOFTWARE\\x");
}

TEST(InstallationTest, InstallPathFromTheMachineSettings) {
  {
    MachineSettingsFile file(
        "; machine settings\n[software\\vantrel\\COMMERCE\\Tessan]\npath = /opt/suite   \n");
    EXPECT_EQ(GetInstallPath(), "/opt/suite/");
    EXPECT_EQ(ReadMachineRegValue("SOFTWARE\\Vantrel\\COMMERCE\\Tessan", "Missing"), "");
    EXPECT_EQ(ReadMachineRegValue("SOFTWARE\\Other", "Path"), "");
  }
  ::setenv("QMZ_MACHINE_SETTINGS", "/nonexistent/machine.ini", 1);
  EXPECT_EQ(GetInstallPath(), "/");
  ::unsetenv("QMZ_MACHINE_SETTINGS");
}

TEST(InstallationTest, SystemProfileOrTheDefault) {
  FakeSuite suite;
  suite.system_profile["IC|QuantityDigitCount"] = 3;
  EXPECT_EQ(GetSystemProfile("QuantityDigitCount", "IC", ""), "3");
  EXPECT_EQ(suite.CountCalls("GetProfile IC QuantityDigitCount"), 1);
  suite.Remove(progid::kSystemProfile);
  EXPECT_EQ(GetSystemProfile("QuantityDigitCount", "IC", "2"), "2");
}

TEST(UserProfileTest, ColumnWidthsAreOneRecordOfTheUserProfile) {
  FakeSuite suite;
  EXPECT_EQ(LoadColWidths()->Count(), 0);
  SaveColWidths("1200|800|");
  EXPECT_EQ(suite.user_profile["BaseList|ColWidth"], "1200|800|");
  EXPECT_EQ(LoadColWidths()->Get("Col1").ToText(), "800");
  suite.Remove(progid::kUserProfileInfo);
  EXPECT_THROW(LoadColWidths(), Error);
}

}  // namespace
}  // namespace qmz
