// Settings files written by several processes and threads at once, files that cannot be read, and
// the mode and owner a rewritten file keeps.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
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

TEST_F(SettingsFileTest, AHostThatForksWhileItSavesLocksOnlyWhileItWrites) {
  // A worker forked in the middle of a write shares the locked descriptor. While it lives the
  // host writes again; then the worker writes a key of its own (it must not wait for itself).
  int go[2];
  ASSERT_EQ(::pipe(go), 0);
  pid_t worker = -1;
  EditFileAtomically(path_, [&](const std::string& text) {
    worker = ::fork();
    if (worker == 0) {
      ::alarm(30);  // a worker that deadlocks dies instead of hanging the test
      ::close(go[1]);
      char byte;
      (void)!::read(go[0], &byte, 1);
      try {
        IniFileComponent ini;
        ini.SetFile(path_);
        ini.Write("Worker", "k", "v");
      } catch (...) {
        ::_exit(1);
      }
      ::_exit(0);
    }
    return text + "[Host]\nk=1\n";
  });
  ASSERT_GT(worker, 0);
  const int folder = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
  EXPECT_EQ(::flock(folder, LOCK_EX | LOCK_NB), 0);
  ::flock(folder, LOCK_UN);
  ::close(folder);
  IniFileComponent ini;
  ini.SetFile(path_);
  ini.Write("Host", "k", "2");
  ::close(go[0]);
  ::close(go[1]);  // the worker goes on
  int status = 0;
  ASSERT_EQ(::waitpid(worker, &status, 0), worker);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_EQ(ini.Read("Host", "k", ""), "2");
  EXPECT_EQ(ini.Read("Worker", "k", ""), "v");
}

TEST_F(SettingsFileTest, WhatTheWriterFindsAtThePath) {
  IniFileComponent ini;
  ini.SetFile(path_);
  // A link to one shared file elsewhere: written through, the link kept, and writers through
  // either path lock the shared file's folder.
  const fs::path shared = folder_ / "site";
  fs::create_directory(shared);
  std::ofstream(shared / "shared.ini") << "[BaseList]\n1801=5\n";
  fs::create_symlink("site/shared.ini", path_);
  EditFileAtomically(path_, [&](const std::string& text) {
    const int locked = ::open(shared.c_str(), O_RDONLY | O_DIRECTORY);
    EXPECT_EQ(::flock(locked, LOCK_EX | LOCK_NB), -1);
    ::close(locked);
    return text + "1802=6\n";
  });
  ini.Write("BaseList", "1803", "7");
  ASSERT_TRUE(fs::is_symlink(path_));
  EXPECT_EQ(Contents(), "[BaseList]\n1801=5\n1802=6\n1803=7\n");
  EXPECT_THAT(Names(), ElementsAre("JXCSystem.INI", "site"));
  fs::remove(path_);

  // A file nobody may write is left as it was, also for root.
  ReplaceFileAtomically(path_, "[BaseList]\n1801=5\n");
  ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
  struct stat before {};
  ASSERT_EQ(::stat(path_.c_str(), &before), 0);
  EXPECT_THAT(
      [&] { ini.Write("BaseList", "1801", "6"); },
      ThrowsMessage<Error>("Cannot write " + path_ + ": the file is read-only for this user"));
  struct stat after {};
  ASSERT_EQ(::stat(path_.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_EQ(Contents(), "[BaseList]\n1801=5\n");
  fs::remove(path_);

  // A link to a device that never ends: read as defaults, never written, in bounded memory.
  fs::create_symlink("/dev/zero", path_);
  EXPECT_EQ(ini.Read("BaseList", "1801", "none"), "none");
  EXPECT_THAT([&] { ini.Write("BaseList", "1801", "6"); },
              ThrowsMessage<Error>("Cannot write " + path_ + ": it is not a plain file"));
  fs::remove(path_);
  // A file over 16 MiB is no settings file.
  std::ofstream(path_) << std::string(16 * 1024 * 1024 + 1, ';');
  EXPECT_EQ(ini.Read("BaseList", "1801", "none"), "none");
  EXPECT_THAT([&] { ini.Write("BaseList", "1801", "6"); },
              ThrowsMessage<Error>("Cannot read " + path_ + ": File too large"));
  fs::remove(path_);

  // The temporary files of writers killed before their rename are removed by the next writer;
  // a live process's is not.
  pid_t gone = ::fork();
  if (gone == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
  const std::string dead = "JXCSystem.INI.tmp." + std::to_string(gone) + ".3";
  const std::string live = "JXCSystem.INI.tmp." + std::to_string(::getppid()) + ".0";
  std::ofstream(folder_ / dead) << "half";
  std::ofstream(folder_ / live) << "half";
  ini.Write("BaseList", "1801", "6");
  EXPECT_THAT(Names(), ElementsAre("JXCSystem.INI", live, "site"));
}

TEST_F(SettingsFileTest, AFileThatCannotBeReadIsNeverReplaced) {
  IniFileComponent ini;
  ini.SetFile(path_);
  // A folder where the file should be: it opens, but reading it fails.
  fs::create_directory(path_);
  std::ofstream(path_ + "/inside") << "x";
  EXPECT_THAT([&] { ini.Write("BaseList", "1801", "1000"); },
              ThrowsMessage<Error>(HasSubstr("it is not a plain file")));
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
