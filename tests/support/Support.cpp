#include "support/Support.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <signal.h>
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

std::vector<float> ReadFloats(const fs::path &path) {
  const std::string raw = ReadText(path);
  std::vector<float> samples(raw.size() / sizeof(float));
  std::memcpy(samples.data(), raw.data(), samples.size() * sizeof(float));
  return samples;
}

namespace {

// The child's output into the files.
pid_t startProcess(const std::vector<std::string> &argv, const fs::path &cwd,
                   const Environment &env, const fs::path &outFile, const fs::path &errFile) {
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

} // namespace

ProcessResult RunProcess(const std::vector<std::string> &argv, const fs::path &cwd,
                         const Environment &env, double seconds) {
  ScratchDir scratch;
  const fs::path out = scratch.path() / "out", err = scratch.path() / "err";
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = startProcess(argv, cwd, env, out, err);
  ProcessResult result;
  for (int status = 0;; std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
    struct rusage usage {};
    const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
    if (done == pid || (done < 0 && errno != EINTR)) {
      result.exited = true;
      result.exitCode = done == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      result.peakKilobytes = done == pid ? usage.ru_maxrss : 0;
      break;
    }
    if (std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(seconds)) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      break;
    }
  }
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  result.seconds = took.count();
  result.out = ReadText(out);
  result.err = ReadText(err);
  return result;
}

} // namespace testsupport
