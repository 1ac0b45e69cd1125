#include "child_process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qmz::bench {

namespace {

std::string Tail(const std::filesystem::path& path) {
  std::string text = ReadText(path);
  return text.size() > 2000 ? "..." + text.substr(text.size() - 2000) : text;
}

std::string Joined(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& part : command) line += (line.empty() ? "" : " ") + part;
  return line;
}

}  // namespace

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Measured RunMeasured(const std::vector<std::string>& command, const std::filesystem::path& out,
                     const std::filesystem::path& err) {
  std::vector<char*> argv;
  for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
  argv.push_back(nullptr);
  // Opened before the fork so that the child only has to redirect and exec.
  int out_fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  int err_fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (out_fd < 0 || err_fd < 0) {
    if (out_fd >= 0) ::close(out_fd);
    if (err_fd >= 0) ::close(err_fd);
    throw std::runtime_error("cannot write " + out.string() + " or " + err.string());
  }

  const auto start = std::chrono::steady_clock::now();
  pid_t child = ::fork();
  if (child == 0) {
    if (::dup2(out_fd, STDOUT_FILENO) < 0 || ::dup2(err_fd, STDERR_FILENO) < 0) ::_exit(126);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(out_fd);
  ::close(err_fd);
  if (child < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));

  int status = 0;
  struct rusage usage {};
  while (::wait4(child, &status, 0, &usage) < 0) {
    if (errno != EINTR) throw std::runtime_error(std::string("wait4: ") + std::strerror(errno));
  }
  const auto end = std::chrono::steady_clock::now();

  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::string how = WIFEXITED(status) ? "exited with " + std::to_string(WEXITSTATUS(status))
                                        : "ended by signal " + std::to_string(WTERMSIG(status));
    throw std::runtime_error(Joined(command) + " " + how + "\n" + Tail(err));
  }
  Measured measured;
  measured.seconds = std::chrono::duration<double>(end - start).count();
  measured.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;  // KiB on Linux
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  measured.cpu_seconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  return measured;
}

}  // namespace qmz::bench
