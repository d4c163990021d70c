#include "Content.h"
#include "ToolCommand.h"

#include <exception>
#include <iostream>

int main(int argc, char **argv) {
  const ruzoz::tool::Command command{"ruzoz-contentgen", "ruzoz-contentgen OUTDIR\n"};
  command.answerHelp(argc, argv);
  if (argc != 2)
    command.refuse("one output folder is needed");
  command.refuseOption(argv[1]);
  try {
    ruzoz::contentgen::WriteAll(argv[1]);
  } catch (const std::exception &e) {
    std::cerr << "ruzoz-contentgen: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
