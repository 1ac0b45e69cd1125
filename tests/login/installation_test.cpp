#include "login/installation.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace qmz {
namespace {

TEST(InstallationTest, EditionTableChoosesTheProductKey) {
  std::string keys;
  for (auto [app, industry] : {std::pair{1, 7}, {2, 0}, {4, 0}, {4, 1}, {4, 2}, {4, 3}, {3, 0}}) {
    keys += EditionSubkey(app, industry) + " ";
  }
  EXPECT_EQ(keys, "Ombrel Tessan Virel Caldor Pennet QMZPRODUCT QMZPRODUCT ");
  EXPECT_EQ(GetProductRegKey(), "SOFTWARE\\Vantrel\\COMMERCE\\Tessan");  // no host: AppType 2
}

TEST(InstallationTest, ThirtyTwoBitViewRewritesEverySoftwareIgnoringCase) {
  EXPECT_EQ(RedirectKeyFor32BitView("SOFTWARE\\Vantrel\\COMMERCE\\Tessan", true),
            "SOFTWARE\\Wow6432Node\\Vantrel\\COMMERCE\\Tessan");
  EXPECT_EQ(RedirectKeyFor32BitView("software\\a\\Software", true),
            "SOFTWARE\\Wow6432Node\\a\\SOFTWARE\\Wow6432Node");
  EXPECT_EQ(RedirectKeyFor32BitView("SOFTWARE\\x", false), "SOFTWARE\\x");
}

TEST(InstallationTest, InstallPathFromTheMachineSettings) {
  const std::string path = ::testing::TempDir() + "qmz-machine.ini";
  std::ofstream(path) << "; machine settings\n[software\\vantrel\\COMMERCE\\Tessan]\n"
                         "path = /opt/suite   \n";
  ::setenv("QMZ_MACHINE_SETTINGS", path.c_str(), 1);
  EXPECT_EQ(GetInstallPath(), "/opt/suite/");
  EXPECT_EQ(ReadMachineRegValue("SOFTWARE\\Vantrel\\COMMERCE\\Tessan", "Missing"), "");
  EXPECT_EQ(ReadMachineRegValue("SOFTWARE\\Other", "Path"), "");
  std::filesystem::remove(path);
  ::setenv("QMZ_MACHINE_SETTINGS", "/nonexistent/machine.ini", 1);
  EXPECT_EQ(GetInstallPath(), "/");
  ::unsetenv("QMZ_MACHINE_SETTINGS");
}

}  // namespace
}  // namespace qmz
