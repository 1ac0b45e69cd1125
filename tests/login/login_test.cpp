// Login: the property parser, the host property readers, product keys and the install path.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "login/host_props.h"
#include "login/installation.h"
#include "login/props_parser.h"
#include "qmz/containers.h"
#include "qmz/error.h"
#include "qmz/host.h"

namespace qmz {
namespace {

TEST(PropsParserTest, BracedValuesEmptyValuesKeysWithoutRegardToCaseAndFailures) {
  ParseProps("A=1;B={x;y}; C");
  EXPECT_EQ(GetParsedProp("A"), "1");
  EXPECT_EQ(GetParsedProp("b"), "x;y");
  EXPECT_EQ(GetParsedProp("C"), "");
  ParseProps(" UserID = 16 ;Server={a=b;c} ;Acct=Main=2");
  EXPECT_EQ(GetUserID(), 16);
  EXPECT_EQ(GetParsedProp("server"), "a=b;c");
  EXPECT_EQ(GetParsedProp("Acct"), "Main=2");
  EXPECT_THROW(GetParsedProp("A"), Error);  // every parse replaces the collection
  ParseProps("=1;A=2");                     // the first key is empty: nothing is parsed
  EXPECT_THROW(GetParsedProp("A"), Error);
  EXPECT_THROW(ParseProps("a=1;A=2"), Error);
  for (const char* props : {"UserID=abc", "UserID=40000", "Name=x"}) {
    ParseProps(props);
    EXPECT_THROW(GetUserID(), Error) << props;
  }
}

// Their use on the demo suite (closing, app and industry types, answers) is integration-tested.
TEST(HostPropsTest, DefaultsWithoutDictionaryAndReadersWithOne) {
  EXPECT_EQ(GetHostProp("X", "d").ToText(), "d");
  EXPECT_TRUE(GetHostProp("X").IsEmpty());
  EXPECT_THROW(SetHostProp("X", 1), Error);
  Dictionary properties;
  PublishHostProperties(CurrentProcessId(), &properties);
  EXPECT_EQ(PublishedHostProperties(CurrentProcessId() + 1), nullptr);  // by process id
  properties.Set("AppType", "4");
  EXPECT_EQ(GetAppType(), 4);
  EXPECT_EQ(GetHostProp("Absent", 9).ToInt32(), 9);
  WithdrawHostProperties(CurrentProcessId());
  EXPECT_EQ(PublishedHostProperties(CurrentProcessId()), nullptr);
}

TEST(InstallationTest, ProductKeysAndTheirThirtyTwoBitView) {
  std::string keys;
  for (auto [app, industry] : {std::pair{1, 7}, {2, 0}, {4, 0}, {4, 1}, {4, 2}, {4, 3}, {3, 0}}) {
    keys += EditionSubkey(app, industry) + " ";
  }
  EXPECT_EQ(keys, "Ombrel Tessan Virel Caldor Pennet QMZPRODUCT QMZPRODUCT ");
  // Every SOFTWARE, in any case, is rewritten.
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
