#include "Support.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace reliability {

const std::vector<DataFile> &DataFiles() {
  static const std::vector<DataFile> files = [] {
    std::vector<DataFile> list;
    const char *image = "Error Loading Image";
    for (const char *name :
         {"Explosion1.bmp", "Explosion2.bmp",  "Explosion3.bmp", "Explosion4.bmp", "Kugel.bmp",
          "Alien1.bmp",     "Alien2.bmp",      "Alien3.bmp",     "Alien4.bmp",     "Alien5.bmp",
          "Alien6.bmp",     "Alien7.bmp",      "Alien8.bmp",     "Leer.bmp",       "Asteroid1.bmp",
          "Asteroid2.bmp",  "Asteroid3.bmp",   "Meteorit.bmp",   "Lava.bmp",       "Munition.bmp",
          "Schild.bmp",     "Hintergrund.bmp", "Zeichensatz.bmp"})
      list.push_back({name, image});
    static const std::vector<std::string> ships = [] {
      std::vector<std::string> names;
      for (int i = 1; i <= 16; ++i)
        names.push_back("Schiff" + std::to_string(i) + ".bmp");
      return names;
    }();
    for (const std::string &name : ships)
      list.push_back({name.c_str(), image});
    list.push_back({"titelbild.bmp", image});
    for (const char *name : {"GunShot.wav", "drip.wav", "Schaden.wav", "Get.wav", "Kollision.wav"})
      list.push_back({name, "CreateBuffer FAILED"});
    for (const char *name : {"Template1.tpl", "Style1.sty", "Chordmap1.cdm"})
      list.push_back({name, "Error loading music"});
    return list;
  }();
  return files;
}

DataCopy::DataCopy() {
  std::string pattern = (fs::temp_directory_path() / "ruzoz-reliability-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a scratch folder");
  path_ = pattern;
  for (const DataFile &file : DataFiles())
    fs::copy_file(fs::path(RUZOZ_DATA_DIR) / file.name, path_ / file.name);
}

DataCopy::~DataCopy() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

Bytes ReadBytes(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path &path, const Bytes &bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + path.string());
}

namespace {

std::string ReadText(const fs::path &path) {
  const Bytes bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

// The sanitizer options of this process, plus an exit code that cannot be
// mistaken for the game's.
std::string WithExitCode(const char *variable) {
  const char *value = std::getenv(variable);
  std::string options = value != nullptr ? value : "";
  if (!options.empty())
    options += ":";
  return options + "exitcode=23";
}

} // namespace

Outcome RunReplay(const fs::path &dir, const std::vector<std::string> &arguments, double seconds) {
  const fs::path out = dir / ".replay-out";
  const fs::path err = dir / ".replay-err";
  const std::string asan = WithExitCode("ASAN_OPTIONS");
  const std::string ubsan = WithExitCode("UBSAN_OPTIONS");
  std::vector<std::string> argv{RUZOZ_REPLAY};
  argv.insert(argv.end(), arguments.begin(), arguments.end());

  const pid_t child = fork();
  if (child == 0) {
    const int outFd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int errFd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int nullFd = open("/dev/null", O_RDONLY);
    if (outFd < 0 || errFd < 0 || nullFd < 0 || chdir(dir.c_str()) != 0)
      _exit(126);
    dup2(nullFd, 0);
    dup2(outFd, 1);
    dup2(errFd, 2);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setenv("ASAN_OPTIONS", asan.c_str(), 1);
    setenv("UBSAN_OPTIONS", ubsan.c_str(), 1);
    std::vector<char *> args;
    for (std::string &arg : argv)
      args.push_back(arg.data());
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  Outcome run;
  if (child < 0)
    return run;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) {
      run.finished = true;
      break;
    }
    if (done < 0 && errno != EINTR)
      break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (run.finished && WIFEXITED(status))
    run.exitCode = WEXITSTATUS(status);
  else if (WIFSIGNALED(status))
    run.signal = WTERMSIG(status);
  run.out = ReadText(out);
  run.err = ReadText(err);
  fs::remove(out);
  fs::remove(err);
  return run;
}

bool SanitizerReport(const std::string &err) {
  return err.find("Sanitizer") != std::string::npos ||
         err.find("runtime error:") != std::string::npos;
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

namespace {

void Put16(Bytes &out, unsigned value) {
  out.push_back(std::uint8_t(value));
  out.push_back(std::uint8_t(value >> 8));
}

void Put32(Bytes &out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    out.push_back(std::uint8_t(value >> (8 * i)));
}

void PutId(Bytes &out, const char *id) {
  for (int i = 0; i < 4; ++i)
    out.push_back(std::uint8_t(id[i]));
}

} // namespace

Bytes Bmp24(int width, int height, std::uint32_t (*colour)(int x, int y)) {
  const std::uint32_t stride = (std::uint32_t(width) * 3 + 3) / 4 * 4;
  const std::uint32_t pixels = stride * std::uint32_t(height);
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + pixels);
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, std::uint32_t(width));
  Put32(out, std::uint32_t(height));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);
  Put32(out, pixels);
  Put32(out, 2835);
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = height - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = colour(x, y);
      out.push_back(std::uint8_t(c));
      out.push_back(std::uint8_t(c >> 8));
      out.push_back(std::uint8_t(c >> 16));
    }
    out.resize(start + stride, 0);
  }
  return out;
}

Bytes Chunk(const char *id, const Bytes &data) {
  Bytes out;
  PutId(out, id);
  Put32(out, std::uint32_t(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  if (data.size() % 2 != 0)
    out.push_back(0);
  return out;
}

Bytes Wave(const WaveShape &shape) {
  const std::uint16_t block =
      shape.blockAlign != 0 ? shape.blockAlign : std::uint16_t(shape.channels * shape.bits / 8);
  Bytes format;
  Put16(format, shape.tag);
  Put16(format, shape.channels);
  Put32(format, shape.rate);
  Put32(format, shape.rate * block);
  Put16(format, block);
  Put16(format, shape.bits);
  Bytes form;
  PutId(form, "WAVE");
  form.insert(form.end(), shape.before.begin(), shape.before.end());
  const Bytes fmt = Chunk("fmt ", format);
  const Bytes data = Chunk("data", shape.data);
  form.insert(form.end(), fmt.begin(), fmt.end());
  form.insert(form.end(), data.begin(), data.end());
  return Chunk("RIFF", form);
}

} // namespace reliability
