// test_support/run_process.h: the built morvane as a child process, and a
// scratch folder per test.
#pragma once

#include <string>
#include <vector>

struct process_result {
  int status = -1;  // exit status, or -1 if the process did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the morvane executable of this build with `args` (argv[1] onwards).
process_result run_morvane(const std::vector<std::string>& args);

// A new empty folder, removed with everything in it when this goes away.
class scratch_dir {
 public:
  scratch_dir();
  ~scratch_dir();
  scratch_dir(const scratch_dir&) = delete;
  scratch_dir& operator=(const scratch_dir&) = delete;

  // The path of `name` inside the folder.
  std::string path(const std::string& name) const;

 private:
  std::string root_;
};
