// Settings files written by several processes and threads at once, files that cannot be read, and
// the mode and owner a rewritten file keeps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <latch>
#include <set>
#include <thread>

#include "platform/ini_file.h"
#include "qmz/error.h"

namespace qmz {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

class SettingsFileTest : public ::testing::Test {
 protected:
  SettingsFileTest()
      : folder_(fs::temp_directory_path() / ("qmz-settings-" + std::to_string(::getpid()))) {
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    path_ = (folder_ / "JXCSystem.INI").string();
  }
  ~SettingsFileTest() override { fs::remove_all(folder_); }

  // The names in the folder, sorted.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder_)) {
      names.insert(entry.path().filename().string());
    }
    return names;
  }
  std::string Contents() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  mode_t Mode() const {
    struct stat st {};
    EXPECT_EQ(::stat(path_.c_str(), &st), 0);
    return st.st_mode & 07777;
  }
  // Every host's key holds its value.
  void ExpectEveryHostsKey(int hosts) {
    IniFileComponent ini;
    ini.SetFile(path_);
    for (int i = 0; i < hosts; ++i) {
      std::string n = std::to_string(i);
      EXPECT_EQ(ini.Read("Host" + n, "Width" + n, "lost"), "value " + n) << "host " << i;
    }
  }

  fs::path folder_;
  std::string path_;
};

TEST_F(SettingsFileTest, HostsWritingAtOnceKeepEveryKey) {
  ReplaceFileAtomically(path_, "; kept\n[Shared]\nk=v\n");
  // 16 processes wait on a pipe that is closed when all are there, then each writes its own key.
  constexpr int kProcesses = 16;
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  std::vector<pid_t> children;
  for (int i = 0; i < kProcesses; ++i) {
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(go[1]);
      char byte;
      (void)!::read(go[0], &byte, 1);
      std::string n = std::to_string(i);
      try {
        IniFileComponent ini;
        ini.SetFile(path_);
        ini.WriteAll("Host" + n, {{"Width" + n, "value " + n}});
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    children.push_back(child);
  }
  ::close(go[0]);
  ::close(go[1]);
  for (pid_t child : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  }
  ExpectEveryHostsKey(kProcesses);
  EXPECT_THAT(Contents(), ::testing::StartsWith("; kept\n[Shared]\nk=v\n"));

  // The same with 8 threads of one process, each with its own component.
  fs::remove(path_);
  constexpr int kThreads = 8;
  std::latch start(kThreads);
  std::vector<std::string> failures(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      std::string n = std::to_string(i);
      IniFileComponent ini;
      ini.SetFile(path_);
      start.arrive_and_wait();
      try {
        ini.WriteAll("Host" + n, {{"Width" + n, "value " + n}});
      } catch (const Error& e) {
        failures[i] = e.what();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_THAT(failures, ::testing::Each(""));
  ExpectEveryHostsKey(kThreads);
  // No temporary file is left behind.
  EXPECT_THAT(Names(), ElementsAre("JXCSystem.INI"));
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadIsNeverReplaced) {
  IniFileComponent ini;
  ini.SetFile(path_);
  // A folder where the file should be: it opens, but reading it fails.
  fs::create_directory(path_);
  std::ofstream(path_ + "/inside") << "x";
  EXPECT_THAT([&] { ini.Write("BaseList", "1801", "1000"); },
              ThrowsMessage<Error>(HasSubstr("Is a directory")));
  EXPECT_TRUE(fs::is_directory(path_));
  EXPECT_TRUE(fs::exists(path_ + "/inside"));
  EXPECT_EQ(ini.Read("BaseList", "1801", "none"), "none");
  fs::remove_all(path_);

  // A link to itself: not even root can open it.
  fs::create_symlink("JXCSystem.INI", path_);
  EXPECT_THAT([&] { ini.Write("BaseList", "1801", "1000"); },
              ThrowsMessage<Error>(HasSubstr("Too many levels of symbolic links")));
  ASSERT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(fs::read_symlink(path_), "JXCSystem.INI");
  EXPECT_THAT(Names(), ElementsAre("JXCSystem.INI"));
  fs::remove(path_);

  if (::geteuid() != 0) {  // root reads files without read permission
    ReplaceFileAtomically(path_, "[BaseList]\n1801=5\n");
    fs::permissions(path_, fs::perms::owner_write);
    EXPECT_THROW(ini.Write("BaseList", "1802", "1000"), Error);
    fs::permissions(path_, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Contents(), "[BaseList]\n1801=5\n");
  }
}

TEST_F(SettingsFileTest, ARewrittenFileKeepsItsModeAndOwner) {
  IniFileComponent ini;
  ini.SetFile(path_);
  // A new file is created as any other (0666 less the umask), not private to its writer.
  mode_t old_umask = ::umask(027);
  ini.Write("BaseList", "1801", "1000");
  EXPECT_EQ(Mode(), 0640u);
  ::umask(022);
  ASSERT_EQ(::chmod(path_.c_str(), 0604), 0);
  ini.Write("BaseList", "1802", "1400");
  EXPECT_EQ(Mode(), 0604u);
  ReplaceFileAtomically(path_, "[BaseList]\n1801=700\n");
  EXPECT_EQ(Mode(), 0604u);
  ::umask(old_umask);
  EXPECT_EQ(Contents(), "[BaseList]\n1801=700\n");

  if (::geteuid() == 0) {  // only root may give a file away
    ASSERT_EQ(::chown(path_.c_str(), 4321, 4322), 0);
    ini.Write("BaseList", "1801", "800");
    struct stat st {};
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 4322u);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
  }
  EXPECT_THAT(Names(), ElementsAre("JXCSystem.INI"));
}

}  // namespace
}  // namespace qmz
