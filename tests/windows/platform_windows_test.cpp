// The platform's Windows side, run under Wine: machine settings from the registry, the host's
// dictionary on the desktop window, a file's identity and read-only mark, settings files written
// by several writers at once, the program's folder and arguments.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "platform/file_state.h"
#include "platform/ini_file.h"
#include "platform/machine_settings.h"
#include "platform/program.h"
#include "platform/wide_path.h"
#include "qmz/containers.h"
#include "qmz/error.h"
#include "qmz/host.h"

namespace qmz {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

// A scratch folder of the test, with a name no person types (CJK, a space).
class WindowsTest : public ::testing::Test {
 protected:
  WindowsTest()
      : folder_(fs::temp_directory_path() /
                fs::path(WidePath("qmz 仓库-" + std::to_string(::GetCurrentProcessId())))) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  ~WindowsTest() override {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(folder_, ignored)) {
      ::SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(folder_, ignored);
  }
  std::string Path(const std::string& name) const {
    return Utf8Of((folder_ / fs::path(WidePath(name))).wstring());
  }
  fs::path folder_;
};

TEST_F(WindowsTest, MachineSettingsAreTheRegistrysTexts) {
  const std::string key = "SOFTWARE\\Vantrel\\COMMERCE\\QmzWindowsTest";
  HKEY made = nullptr;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &made, nullptr),
            ERROR_SUCCESS);
  const std::string path = "C:\\Suite\\仓库";
  const std::wstring wide = WidePath(path);
  ::RegSetValueExW(made, L"Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                   static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  // Stored without its terminator: the whole text still reads.
  ::RegSetValueExW(made, L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"abc"),
                   3 * sizeof(wchar_t));
  const DWORD number = 7;
  ::RegSetValueExA(made, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                   sizeof number);
  ::RegCloseKey(made);

  // The value names and the key path match without regard to case, as the registry's do.
  EXPECT_EQ(ReadMachineSetting("software\\vantrel\\commerce\\qmzwindowstest", "path"),
            "C:\\Suite\\仓库");
  EXPECT_EQ(ReadMachineSetting(key, "Bare"), "abc");
  EXPECT_EQ(ReadMachineSetting(key, "Number"), std::nullopt);
  EXPECT_EQ(ReadMachineSetting(key, "Absent"), std::nullopt);
  EXPECT_EQ(ReadMachineSetting(key + "\\Absent", "Path"), std::nullopt);
  EXPECT_FALSE(Is32BitOn64Bit());
  ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
}

TEST_F(WindowsTest, TheHostsDictionaryHangsOnTheDesktopWindow) {
  const uint32_t me = CurrentProcessId();
  EXPECT_EQ(me, ::GetCurrentProcessId());
  EXPECT_EQ(PublishedHostProperties(me), nullptr);
  Dictionary properties;
  properties.Set("ICClosed", Variant(false));
  PublishHostProperties(me, &properties);
  // Where the suite's hosts leave it: the desktop window's property named by the decimal id.
  EXPECT_EQ(::GetPropA(::GetDesktopWindow(), std::to_string(me).c_str()), &properties);
  EXPECT_EQ(PublishedHostProperties(me), &properties);
  EXPECT_EQ(PublishedHostProperties(me + 4), nullptr);
  WithdrawHostProperties(me);
  EXPECT_EQ(PublishedHostProperties(me), nullptr);
  EXPECT_EQ(::GetPropA(::GetDesktopWindow(), std::to_string(me).c_str()), nullptr);
}

TEST_F(WindowsTest, AFileIsKnownByItsVolumeAndNumber) {
  const std::string path = Path("demo.db");
  EXPECT_EQ(StateOfFile(path), std::nullopt);
  std::ofstream(fs::path(WidePath(path))) << "one";
  const std::optional<FileState> first = StateOfFile(path);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->size, 3);
  EXPECT_FALSE(FileMarkedReadOnly(path));

  // Written in place: the same file, its size and times moved on.
  ::Sleep(20);
  std::ofstream(fs::path(WidePath(path)), std::ios::app) << "two";
  const std::optional<FileState> written = StateOfFile(path);
  ASSERT_TRUE(written);
  EXPECT_EQ(written->number, first->number);
  EXPECT_EQ(written->size, 6);
  EXPECT_GT(written->written, first->written);

  // Another file put in its place is another file.
  std::ofstream(fs::path(WidePath(Path("copy.db")))) << "one";
  ASSERT_TRUE(::MoveFileExW(WidePath(Path("copy.db")).c_str(), WidePath(path).c_str(),
                            MOVEFILE_REPLACE_EXISTING));
  const std::optional<FileState> replaced = StateOfFile(path);
  ASSERT_TRUE(replaced);
  EXPECT_NE(replaced->number, first->number);

  ::SetFileAttributesW(WidePath(path).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(FileMarkedReadOnly(path));
  EXPECT_FALSE(FileMarkedReadOnly(Path("absent.db")));
}

TEST_F(WindowsTest, SettingsFilesKeepEveryWritersKeys) {
  const std::string path = Path("JXCSystem.INI");
  std::vector<std::thread> writers;
  for (int i = 0; i < 8; ++i) {
    writers.emplace_back([&, i] {
      IniFileComponent ini;
      ini.SetFile(path);
      for (int round = 0; round < 5; ++round) {
        ini.Write("Hosts", "host" + std::to_string(i), std::to_string(round));
      }
    });
  }
  for (auto& writer : writers) writer.join();
  IniFileComponent ini;
  ini.SetFile(path);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ini.Read("Hosts", "host" + std::to_string(i), ""), "4");

  // A killed writer's leftover goes at the next write; a live one's (this process's) stays.
  const std::string dead = path + ".tmp.999999.0";
  const std::string live = path + ".tmp." + std::to_string(::GetCurrentProcessId()) + ".77";
  std::ofstream(fs::path(WidePath(dead))) << "x";
  std::ofstream(fs::path(WidePath(live))) << "x";
  ini.Write("Hosts", "last", "1");
  EXPECT_FALSE(fs::exists(fs::path(WidePath(dead))));
  EXPECT_TRUE(fs::exists(fs::path(WidePath(live))));
  std::string text;
  ASSERT_TRUE(ReadWholeFile(path, text));
  EXPECT_THAT(text, HasSubstr("last=1"));

  // A read-only file and a folder are never written over.
  ::SetFileAttributesW(WidePath(path).c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_THAT(
      [&] { ini.Write("Hosts", "refused", "1"); },
      ThrowsMessage<Error>("Cannot write " + path + ": the file is read-only for this user"));
  fs::create_directory(fs::path(WidePath(Path("folder.ini"))));
  IniFileComponent folder;
  folder.SetFile(Path("folder.ini"));
  EXPECT_EQ(folder.Read("A", "b", "fallback"), "fallback");
  EXPECT_THAT(
      [&] { folder.Write("A", "b", "1"); },
      ThrowsMessage<Error>("Cannot write " + Path("folder.ini") + ": it is not a plain file"));
}

TEST_F(WindowsTest, TheProgramsFolderNameAndArguments) {
  EXPECT_EQ(ProgramName(), "windows_unit_test");
  EXPECT_TRUE(fs::exists(fs::path(WidePath(ModuleFolder())) / L"windows_unit_test.exe"));
  char name[] = "ignored";
  char* argv[] = {name};
  const std::vector<std::string> arguments = ProgramArguments(1, argv);
  ASSERT_FALSE(arguments.empty());
  EXPECT_THAT(arguments.front(), HasSubstr("windows_unit_test"));
}

}  // namespace
}  // namespace qmz
