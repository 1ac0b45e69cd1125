// The component registry and INI files.
#include <gtest/gtest.h>

#include <unistd.h>
#include <filesystem>
#include <fstream>

#include "platform/ini_file.h"
#include "qmz/components.h"

namespace qmz {
namespace {

class Echo : public ClassInfo {
 public:
  RecordsetPtr GetData(const std::string&, const std::string&) override { return nullptr; }
};

TEST(ComponentRegistryTest, CreatesFreshComponentsAndFailsForUnknownOnes) {
  auto& registry = ComponentRegistry::Instance();
  int created = 0;
  registry.Register("Test.Echo", [&created] {
    ++created;
    return std::make_shared<Echo>();
  });
  auto a = CreateComponent<ClassInfo>("Test.Echo");
  auto b = CreateComponent<ClassInfo>("Test.Echo");
  EXPECT_EQ(created, 2);
  EXPECT_THROW(CreateComponent<SecurityInfo>("Test.Echo"), Error);  // lacks the interface
  std::vector<Variant> args;
  EXPECT_THROW(a->Invoke("Anything", args), Error);
  registry.Unregister("Test.Echo");
  EXPECT_FALSE(registry.IsRegistered("Test.Echo"));
  EXPECT_THROW(registry.Create("Test.Echo"), Error);
  registry.Register("Test.Null", [] { return ComponentPtr(); });
  EXPECT_THROW(registry.Create("Test.Null"), Error);
  registry.Unregister("Test.Null");
}

namespace fs = std::filesystem;

class IniFileTest : public ::testing::Test {
 protected:
  IniFileTest() : folder_(fs::temp_directory_path() / ("qmz-ini-" + std::to_string(::getpid()))) {
    fs::create_directories(folder_);
    path_ = (folder_ / "JXCSystem.INI").string();
    ini_.SetFile(path_);
  }
  ~IniFileTest() override {
    fs::permissions(folder_, fs::perms::owner_all);
    fs::remove_all(folder_);
  }
  std::string Contents() {
    std::string text;
    ReadWholeFile(path_, text);
    return text;
  }

  fs::path folder_;
  std::string path_;
  IniFileComponent ini_;
};

TEST_F(IniFileTest, MissingFileReadsDefaultsAndIsCreatedOnWrite) {
  EXPECT_EQ(ini_.Read("BaseList", "1801", "900"), "900");
  ini_.Write("BaseList", "1801", "1000");
  ini_.Write("BaseList", "1802", "1400");
  EXPECT_EQ(Contents(), "[BaseList]\n1801=1000\n1802=1400\n");
  // A write keeps the other lines and matches sections and keys without regard to case.
  ReplaceFileAtomically(path_,
                        "; suite settings\n[System]\nName = main \n\n[BASELIST]\n1801=5\n\n"
                        "[Other]\nx=1\n");
  EXPECT_EQ(ini_.Read("system", "NAME", ""), "main");
  ini_.Write("BaseList", "1801", "700");
  ini_.Write("baselist", "NEW", "1");
  ini_.Write("Added", "k", "v");
  EXPECT_EQ(Contents(),
            "; suite settings\n[System]\nName = main \n\n[BASELIST]\n1801=700\nNEW=1\n\n"
            "[Other]\nx=1\n\n[Added]\nk=v\n");
}

TEST_F(IniFileTest, FailedWriteLeavesTheOldFile) {
  // The temporary file's name would be longer than the system allows: even root fails here.
  IniFileComponent long_name;
  std::string long_path = (folder_ / std::string(250, 'n')).string();
  std::ofstream(long_path) << "[BaseList]\n1801=1000\n";
  long_name.SetFile(long_path);
  EXPECT_THROW(long_name.Write("BaseList", "1801", "2000"), Error);
  EXPECT_EQ(long_name.Read("BaseList", "1801", ""), "1000");
  fs::remove(long_path);
  EXPECT_TRUE(fs::is_empty(folder_));  // no temporary file left

  ini_.Write("BaseList", "1801", "1000");
  if (::geteuid() != 0) {  // root writes into read-only folders
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_THROW(ini_.Write("BaseList", "1801", "3000"), Error);
    EXPECT_EQ(Contents(), "[BaseList]\n1801=1000\n");
  }
  IniFileComponent unset;
  EXPECT_THROW(unset.Write("a", "b", "c"), Error);
  EXPECT_EQ(unset.Read("a", "b", "d"), "d");
}

}  // namespace
}  // namespace qmz
