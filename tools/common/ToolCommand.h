#pragma once
// The tools' command lines answer as tools do: -h or --help prints the
// usage on stdout and ends with 0; an option a tool does not know or a
// wrong set of arguments prints why and the usage on stderr and ends with
// 2, before anything is written.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace ruzoz::tool {

struct Command {
  const char *name;
  const char *usage; // lines after "usage: ", each ending with a newline

  [[noreturn]] void refuse(const std::string &why) const {
    std::fprintf(stderr, "%s: %s\n", name, why.c_str());
    printUsage(stderr);
    std::exit(2);
  }

  // Call first: help wins over everything else on the line.
  void answerHelp(int argc, char **argv) const {
    for (int i = 1; i < argc; ++i) {
      if (std::strcmp(argv[i], "--") == 0)
        return;
      if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
        printUsage(stdout);
        std::exit(0);
      }
    }
  }

  // An argument that looks like an option where the tool expects none.
  void refuseOption(const char *argument) const {
    if (argument[0] == '-' && argument[1] != '\0')
      refuse(std::string("unknown option ") + argument);
  }

private:
  void printUsage(std::FILE *out) const {
    std::fputs("usage: ", out);
    for (const char *line = usage; *line != '\0';) {
      const char *end = std::strchr(line, '\n');
      const std::size_t length = end ? static_cast<std::size_t>(end - line) : std::strlen(line);
      if (line != usage)
        std::fputs("       ", out);
      std::fwrite(line, 1, length, out);
      std::fputc('\n', out);
      line += length + (end ? 1 : 0);
    }
  }
};

} // namespace ruzoz::tool
