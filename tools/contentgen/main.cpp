#include "Content.h"

#include <exception>
#include <iostream>

int main(int argc, char **argv) {
  if (argc != 2) {
    std::cerr << "usage: " << (argc > 0 ? argv[0] : "ruzoz-contentgen") << " OUTDIR\n";
    return 2;
  }
  try {
    ruzoz::contentgen::WriteAll(argv[1]);
  } catch (const std::exception &e) {
    std::cerr << "ruzoz-contentgen: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
