#include "support/Support.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <signal.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace testsupport {

ScratchDir::ScratchDir() {
  std::string pattern = (fs::temp_directory_path() / "ruzoz-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

InDirectory::InDirectory(const fs::path &dir) : previous_(fs::current_path()) {
  fs::current_path(dir);
}

InDirectory::~InDirectory() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
}

void WriteFile(const fs::path &path, const std::vector<std::uint8_t> &bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + path.string());
}

std::string ReadText(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string FindProgram(const std::string &name) {
  const char *path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');)
    if (::access((fs::path(dir) / name).c_str(), X_OK) == 0)
      return (fs::path(dir) / name).string();
  return {};
}

int StartProcess(const std::vector<std::string> &argv, const fs::path &cwd, const Environment &env,
                 const fs::path &outFile, const fs::path &errFile) {
  std::vector<std::string> envStrings;
  for (char **e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (env.count(entry.substr(0, entry.find('='))) == 0)
      envStrings.push_back(entry);
  }
  for (const auto &[name, value] : env)
    envStrings.push_back(name + "=" + value);
  std::vector<char *> args, envp;
  for (const std::string &a : argv)
    args.push_back(const_cast<char *>(a.c_str()));
  for (const std::string &e : envStrings)
    envp.push_back(const_cast<char *>(e.c_str()));
  args.push_back(nullptr);
  envp.push_back(nullptr);
  const std::string dir = cwd.string(), out = outFile.string(), err = errFile.string();

  const pid_t pid = ::fork();
  if (pid != 0)
    return pid;
  // Child: only async-signal-safe calls from here on.
  const int in = ::open("/dev/null", O_RDONLY);
  const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || o < 0 || e < 0 || ::dup2(in, 0) < 0 || ::dup2(o, 1) < 0 || ::dup2(e, 2) < 0 ||
      ::chdir(dir.c_str()) != 0)
    ::_exit(126);
  ::execve(args[0], args.data(), envp.data());
  ::_exit(127);
}

bool WaitProcess(int pid, double seconds, int &exitCode, long *peakKilobytes) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (int status = 0;; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
    struct rusage usage {};
    const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
    if (done == pid && peakKilobytes != nullptr)
      *peakKilobytes = usage.ru_maxrss;
    if (done == pid || (done < 0 && errno != EINTR)) {
      exitCode = done == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
  }
}

void KillProcess(int pid) {
  if (pid > 0 && ::kill(pid, SIGKILL) == 0)
    ::waitpid(pid, nullptr, 0);
}

ProcessResult RunProcess(const std::vector<std::string> &argv, const fs::path &cwd,
                         const Environment &env, double seconds) {
  ScratchDir scratch;
  const fs::path out = scratch.path() / "out", err = scratch.path() / "err";
  const auto start = std::chrono::steady_clock::now();
  const int pid = StartProcess(argv, cwd, env, out, err);
  int exitCode = -1;
  long peak = 0;
  const bool exited = WaitProcess(pid, seconds, exitCode, &peak);
  if (!exited)
    KillProcess(pid);
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  return {exited, exitCode, ReadText(out), ReadText(err), took.count(), peak};
}

} // namespace testsupport
