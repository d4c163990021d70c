#include "TestSupport.h"

#include "graphics/Display.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char **environ;

namespace shelltest {

ScratchDir::ScratchDir() {
  std::string pattern = (fs::temp_directory_path() / "ruzoz-shell-XXXXXX").string();
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

namespace {

void put16(std::vector<std::uint8_t> &out, std::size_t at, unsigned v) {
  out[at] = static_cast<std::uint8_t>(v);
  out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::vector<std::uint8_t> &out, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t get32(const std::vector<std::uint8_t> &in, std::size_t at) {
  return in[at] | in[at + 1] << 8 | in[at + 2] << 16 | static_cast<std::uint32_t>(in[at + 3]) << 24;
}

unsigned get16(const std::vector<std::uint8_t> &in, std::size_t at) {
  return in[at] | in[at + 1] << 8;
}

} // namespace

std::vector<std::uint8_t> EncodeBmp(int width, int height,
                                    const std::function<Rgb(int, int)> &pixel) {
  const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  const std::size_t imageSize = row * height;
  std::vector<std::uint8_t> out(54 + imageSize, 0);
  out[0] = 'B';
  out[1] = 'M';
  put32(out, 2, static_cast<std::uint32_t>(out.size()));
  put32(out, 10, 54);
  put32(out, 14, 40);
  put32(out, 18, static_cast<std::uint32_t>(width));
  put32(out, 22, static_cast<std::uint32_t>(height));
  put16(out, 26, 1);
  put16(out, 28, 24);
  put32(out, 34, static_cast<std::uint32_t>(imageSize));
  for (int y = 0; y < height; ++y) {
    std::uint8_t *p = out.data() + 54 + row * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      p[3 * x] = c.b;
      p[3 * x + 1] = c.g;
      p[3 * x + 2] = c.r;
    }
  }
  return out;
}

void WriteFile(const fs::path &path, const std::vector<std::uint8_t> &bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + path.string());
}

void WriteBmp(const fs::path &path, int width, int height,
              const std::function<Rgb(int, int)> &pixel) {
  WriteFile(path, EncodeBmp(width, height, pixel));
}

bool ReadBmp(const fs::path &path, Image &image, std::string &error) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') {
    error = path.string() + ": not a bitmap";
    return false;
  }
  const std::uint32_t offset = get32(bytes, 10);
  const auto width = static_cast<std::int32_t>(get32(bytes, 18));
  const auto rawHeight = static_cast<std::int32_t>(get32(bytes, 22));
  if (get16(bytes, 28) != 24 || get32(bytes, 30) != 0 || width <= 0 || rawHeight == 0) {
    error = path.string() + ": not an uncompressed 24-bit bitmap";
    return false;
  }
  const bool bottomUp = rawHeight > 0;
  const int height = bottomUp ? rawHeight : -rawHeight;
  const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
  if (offset + row * height > bytes.size()) {
    error = path.string() + ": truncated";
    return false;
  }
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t *p = bytes.data() + offset + row * (bottomUp ? height - 1 - y : y);
    for (int x = 0; x < width; ++x)
      image.pixels[static_cast<std::size_t>(y) * width + x] =
          Rgb{p[3 * x + 2], p[3 * x + 1], p[3 * x]};
  }
  return true;
}

void WriteNominalImages(const fs::path &dir, const char *skip) {
  for (int n = 1; n <= ruzoz::imageCount; ++n) {
    const char *name = ruzoz::imageFileName(n);
    if (skip != nullptr && std::strcmp(name, skip) == 0)
      continue;
    int w = 32, h = 32;
    if (n == ruzoz::imgHintergrund || n == ruzoz::imgTitelbild) {
      w = 640;
      h = 480;
    } else if (n == ruzoz::imgZeichensatz) {
      w = 512;
      h = 48;
    }
    const Rgb colour{static_cast<std::uint8_t>(5 * n), static_cast<std::uint8_t>(200 - 3 * n),
                     static_cast<std::uint8_t>(40 + n)};
    WriteBmp(dir / name, w, h, [&](int x, int y) {
      const int dx = x % 32 - 16, dy = y % 32 - 16;
      return dx * dx + dy * dy < 150 ? colour : Rgb{255, 255, 255};
    });
  }
}

std::uint16_t Expected565(Rgb c) {
  const auto v = static_cast<std::uint16_t>((c.r >> 3) << 11 | (c.g >> 2) << 5 | (c.b >> 3));
  if (v == 0xFFFF && !(c == Rgb{255, 255, 255}))
    return 0xFFDF;
  return v;
}

namespace {

std::vector<std::string> environmentWith(const std::map<std::string, std::string> &extra) {
  std::vector<std::string> env;
  for (char **e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (extra.count(name) == 0)
      env.push_back(entry);
  }
  for (const auto &[name, value] : extra)
    env.push_back(name + "=" + value);
  return env;
}

int spawn(const std::vector<std::string> &argv, const fs::path &cwd,
          const std::map<std::string, std::string> &env, const fs::path &outFile,
          const fs::path &errFile) {
  const std::vector<std::string> envStrings = environmentWith(env);
  std::vector<char *> args, envp;
  for (const std::string &a : argv)
    args.push_back(const_cast<char *>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string &e : envStrings)
    envp.push_back(const_cast<char *>(e.c_str()));
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

int StartProcess(const std::vector<std::string> &argv, const fs::path &cwd,
                 const std::map<std::string, std::string> &env, const fs::path &outFile,
                 const fs::path &errFile) {
  return spawn(argv, cwd, env, outFile, errFile);
}

bool WaitProcess(int pid, double seconds, int &exitCode) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  for (;;) {
    int status = 0;
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return true;
    }
    if (done < 0 && errno != EINTR) {
      exitCode = -1;
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void KillProcess(int pid) {
  if (pid <= 0)
    return;
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
}

ProcessResult RunProcess(const std::vector<std::string> &argv, const fs::path &cwd,
                         const std::map<std::string, std::string> &env, double seconds) {
  ScratchDir scratch;
  const fs::path out = scratch.path() / "out", err = scratch.path() / "err";
  ProcessResult result;
  const int pid = spawn(argv, cwd, env, out, err);
  result.exited = WaitProcess(pid, seconds, result.exitCode);
  if (!result.exited)
    KillProcess(pid);
  result.out = ReadText(out);
  result.err = ReadText(err);
  return result;
}

std::string FindProgram(const std::string &name) {
  const char *path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const fs::path candidate = fs::path(dir) / name;
    if (::access(candidate.c_str(), X_OK) == 0)
      return candidate.string();
  }
  return {};
}

std::string ReadText(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

} // namespace shelltest
