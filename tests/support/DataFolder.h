#pragma once
// The built data folder in scratch copies, and our programs run headless in
// one: what the reliability tests damage and start.

#include "support/Support.h"

namespace testsupport {

// The 48 files of the data folder, in the order start-up reads them, with
// the text start-up ends with when it cannot use one.
struct DataFile {
  std::string name;
  const char *failure;
};
const std::vector<DataFile> &DataFiles();

// A scratch folder holding a copy of the built data folder.
class DataCopy : public ScratchDir {
public:
  DataCopy();
  fs::path operator/(const std::string &name) const { return path() / name; }
};

// `program` in `dir` with SDL's dummy drivers. A sanitizer finding makes it
// exit with 23, never 1 (the start-up failure), and prints its report.
ProcessResult RunHeadless(const std::string &program, const fs::path &dir,
                          const std::vector<std::string> &arguments, double seconds = 120);

} // namespace testsupport
