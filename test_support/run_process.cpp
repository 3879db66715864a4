// test_support/run_process.cpp: fork and exec with the child's output caught in
// temporary files.
#include "test_support/run_process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "test_support/streams.h"

#ifndef MORVANE_EXECUTABLE
#error "MORVANE_EXECUTABLE names the built executable"
#endif

process_result run_morvane(const std::vector<std::string>& args) {
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  if (out == nullptr || err == nullptr) throw std::runtime_error("tmpfile failed");

  std::vector<char*> argv;
  std::string program = MORVANE_EXECUTABLE;
  argv.push_back(program.data());
  std::vector<std::string> copies = args;
  for (auto& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);

  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    dup2(fileno(out), STDOUT_FILENO);
    dup2(fileno(err), STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int wait_status = 0;
  if (waitpid(child, &wait_status, 0) != child) throw std::runtime_error("waitpid failed");

  process_result result;
  result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  result.out = read_all_text(out);
  result.err = read_all_text(err);
  std::fclose(out);
  std::fclose(err);
  return result;
}

scratch_dir::scratch_dir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "morvane-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = pattern;
}

scratch_dir::~scratch_dir() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

std::string scratch_dir::path(const std::string& name) const { return root_ + "/" + name; }
